#include "platform/hid/udev_hid_enumeration.h"

#include <libudev.h>

#include "platform/hid/udev_hid_node.h"

namespace ptz {

std::vector<HidDeviceInfo> enumerateUdevHidDevices() {
    std::vector<HidDeviceInfo> devices;
    udev* context = udev_new();
    if (context == nullptr) {
        return devices;
    }
    udev_enumerate* enumerate = udev_enumerate_new(context);
    if (enumerate != nullptr && udev_enumerate_add_match_subsystem(enumerate, "hidraw") >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            udev_device* device =
                udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
            if (device == nullptr) {
                continue;
            }
            UdevHidNode node = readUdevHidNode(device);
            udev_device_unref(device);
            HidDeviceInfo info;
            info.devnode = std::move(node.devnode);
            info.usbDevicePath = std::move(node.usbDevicePath);
            info.vendorId = node.vendorId;
            info.productId = node.productId;
            info.productName = std::move(node.productName);
            info.locationId = node.locationId;
            devices.push_back(std::move(info));
        }
    }
    if (enumerate != nullptr) {
        udev_enumerate_unref(enumerate);
    }
    udev_unref(context);
    return devices;
}

}  // namespace ptz
