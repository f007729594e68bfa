#include "discovery/camera_list.h"

#include <algorithm>
#include <cstdio>

#include "discovery/device_row_text.h"
#include "discovery/model_filter.h"

namespace ptz {

std::vector<HidDeviceInfo> supportedCameras(const std::vector<HidDeviceInfo>& devices) {
    std::vector<HidDeviceInfo> cameras;
    for (const HidDeviceInfo& device : devices) {
        if (!isSupportedModel(device.vendorId, device.productId) || !device.hasVideoControl) {
            continue;
        }
        const bool listed =
            !device.usbDevicePath.empty() &&
            std::any_of(cameras.begin(), cameras.end(), [&](const HidDeviceInfo& camera) {
                return camera.usbDevicePath == device.usbDevicePath;
            });
        if (!listed) {
            cameras.push_back(device);
        }
    }
    return cameras;
}

std::vector<std::string> supportedCameraLines(const std::vector<HidDeviceInfo>& devices) {
    std::vector<std::string> lines;
    for (const HidDeviceInfo& camera : supportedCameras(devices)) {
        char ids[48];
        snprintf(ids, sizeof ids, "%04x:%04x 0x%08x ",
                 static_cast<unsigned>(camera.vendorId) & 0xffffu,
                 static_cast<unsigned>(camera.productId) & 0xffffu, camera.locationId);
        lines.push_back(ids + deviceRowText(camera.vendorId, camera.productId, camera.productName));
    }
    return lines;
}

}  // namespace ptz
