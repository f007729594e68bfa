// What one hidraw node says about itself and its USB device, read from sysfs through libudev.
#pragma once

#include <cstdint>
#include <string>

struct udev_device;

namespace ptz {

struct UdevHidNode {
    std::string syspath;        // identifies the node while it exists
    std::string devnode;        // "/dev/hidraw3"; empty when udev knows none
    std::string usbDevicePath;  // the parent usb_device's syspath; empty when not on USB
    int32_t vendorId = 0;       // the parent usb_device's idVendor; 0 when absent
    int32_t productId = 0;      // its idProduct; 0 when absent
    std::string productName;    // its product string; empty when absent
    uint32_t locationId = 0;    // from its busnum and devpath; 0 when not on USB
};

// Reads everything at once, while sysfs still has it (it is gone by the time of removal).
// HID devices that are not on USB (Bluetooth, I2C) have no USB parent and read as ids 0.
UdevHidNode readUdevHidNode(udev_device* hidraw);

}  // namespace ptz
