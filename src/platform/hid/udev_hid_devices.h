// Reading a hidraw node's HidDeviceInfo through libudev, for the enumeration and the manager.
#pragma once

#include "platform/hid/hid_device_info.h"

struct udev_device;

namespace ptz {

// HID devices that are not on USB (Bluetooth, I2C, uhid) have no USB parent and read as ids 0.
HidDeviceInfo readHidDeviceInfo(udev_device* hidraw);

}  // namespace ptz
