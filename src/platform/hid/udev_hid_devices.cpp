#include "platform/hid/udev_hid_devices.h"

#include <libudev.h>

#include "platform/udev/udev_devices.h"

namespace ptz {

HidDeviceInfo readHidDeviceInfo(udev_device* hidraw) {
    HidDeviceInfo info;
    const char* syspath = udev_device_get_syspath(hidraw);
    const char* devnode = udev_device_get_devnode(hidraw);
    info.syspath = syspath != nullptr ? syspath : "";
    info.devnode = devnode != nullptr ? devnode : "";
    // Borrowed from `hidraw`; not to be unreferenced.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    if (usb == nullptr) {
        return info;
    }
    UsbDeviceRecord record = readUsbDeviceRecord(usb);
    info.usbDevicePath = std::move(record.syspath);
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
    forEachUdevDevice("hidraw", nullptr,
                      [&](udev_device* device) { devices.push_back(readHidDeviceInfo(device)); });
    return devices;
}

}  // namespace ptz
