// One HID node as a one-off enumeration sees it (for listing, not for watching).
#pragma once

#include <cstdint>
#include <string>

namespace ptz {

struct HidDeviceInfo {
    std::string devnode;        // "/dev/hidraw3"
    std::string usbDevicePath;  // the owning USB device, identifies it; empty when not USB
    int32_t vendorId = 0;       // 0 when absent
    int32_t productId = 0;
    std::string productName;  // empty when the device has none
    // Bus number in the top 8 bits, then one 4-bit nibble per port from the root down;
    // 0 when not USB.
    uint32_t locationId = 0;
};

}  // namespace ptz
