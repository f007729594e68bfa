// What ptzctl needs of the machine: its USB devices and its HID nodes. Each is asked for only
// when a command needs it, so that a dry run, the simulated camera or a usage error touches
// neither. Single-threaded; the program's implementation owns what it makes.
#pragma once

#include <vector>

#include "platform/hid/hid_device_info.h"
#include "platform/usb/usb_interface.h"

namespace ptz {

class PtzctlMachine {
  public:
    virtual ~PtzctlMachine() = default;

    // Lives as long as the machine object.
    virtual UsbRegistry& usbRegistry() = 0;

    // The HID nodes present now.
    virtual std::vector<HidDeviceInfo> hidDevices() = 0;
};

}  // namespace ptz
