#include "discovery/camera_list.h"

#include <algorithm>
#include <cstdio>

#include "discovery/device_row_text.h"
#include "discovery/model_filter.h"

namespace ptz {

std::vector<std::string> supportedCameraLines(const std::vector<HidDeviceInfo>& devices) {
    std::vector<std::string> lines;
    std::vector<std::string> listedUsbDevices;
    for (const HidDeviceInfo& device : devices) {
        if (!isSupportedModel(device.vendorId, device.productId) || !device.hasVideoControl) {
            continue;
        }
        if (!device.usbDevicePath.empty()) {
            if (std::find(listedUsbDevices.begin(), listedUsbDevices.end(), device.usbDevicePath) !=
                listedUsbDevices.end()) {
                continue;
            }
            listedUsbDevices.push_back(device.usbDevicePath);
        }
        char ids[48];
        snprintf(ids, sizeof ids, "%04x:%04x 0x%08x ",
                 static_cast<unsigned>(device.vendorId) & 0xffffu,
                 static_cast<unsigned>(device.productId) & 0xffffu, device.locationId);
        lines.push_back(ids + deviceRowText(device.vendorId, device.productId, device.productName));
    }
    return lines;
}

}  // namespace ptz
