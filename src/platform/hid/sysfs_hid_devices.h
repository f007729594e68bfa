// Reading a hidraw node's HidDeviceInfo from sysfs, for the enumeration and the manager.
#pragma once

#include <string>

#include "platform/hid/hid_device_info.h"

namespace ptz {

// The hidraw node at `syspath`. HID devices that are not on USB (Bluetooth, I2C, uhid) have no
// USB parent and read as ids 0.
HidDeviceInfo readHidDeviceInfo(const std::string& syspath);

}  // namespace ptz
