#include "platform/hid/sysfs_hid_devices.h"

#include "platform/sysfs/sysfs_devices.h"

namespace ptz {

HidDeviceInfo readHidDeviceInfo(const std::string& syspath) {
    HidDeviceInfo info;
    info.syspath = syspath;
    if (syspath.empty()) {
        return info;
    }
    // The hidraw class names a node's /dev file after the node.
    info.devnode = "/dev/" + syspath.substr(syspath.rfind('/') + 1);
    info.usbDevicePath = usbDeviceAbove(syspath);
    if (info.usbDevicePath.empty()) {
        return info;
    }
    UsbDeviceRecord record = readUsbDeviceRecord(info.usbDevicePath);
    info.vendorId = record.vendorId;
    info.productId = record.productId;
    info.productName = std::move(record.product);
    info.locationId = record.locationId;
    uint8_t configuration = 0;
    info.hasVideoControl = !readVideoControlInterfaces(info.usbDevicePath, configuration).empty();
    return info;
}

std::vector<HidDeviceInfo> enumerateHidDevices() {
    std::vector<HidDeviceInfo> devices;
    for (const std::string& syspath : classDevices("hidraw")) {
        devices.push_back(readHidDeviceInfo(syspath));
    }
    return devices;
}

}  // namespace ptz
