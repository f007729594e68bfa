// What one hidraw node says about itself and its USB device, read from sysfs at once (it is
// gone by the time of a removal), and a one-off look at the nodes present now.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ptz {

struct HidDeviceInfo {
    std::string syspath;        // identifies the node while it exists
    std::string devnode;        // "/dev/hidraw3"; empty when udev knows none
    std::string usbDevicePath;  // the parent usb_device's syspath; empty when not on USB
    int32_t vendorId = 0;       // the parent usb_device's idVendor; 0 when absent
    int32_t productId = 0;      // its idProduct; 0 when absent
    std::string productName;    // its product string; empty when absent
    uint32_t locationId = 0;    // from its busnum and devpath; 0 when not on USB
    // The parent usb_device has a VideoControl interface (class 14, subclass 1) in its active
    // configuration: the HID node belongs to a UVC camera.
    bool hasVideoControl = false;
};

// The hidraw nodes present now, in syspath order, synchronously and without an event loop
// (for the command line). Empty when libudev cannot be used. Any thread.
std::vector<HidDeviceInfo> enumerateHidDevices();

}  // namespace ptz
