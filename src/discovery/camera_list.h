// The supported cameras among the HID devices, one line each, for the command line.
#pragma once

#include <string>
#include <vector>

#include "platform/hid/hid_device_info.h"

namespace ptz {

// "2e7e:0737 0x01230000 HD Camera": vendor:product in hex, location id, name, in the order
// given. A camera with several HID nodes is one line; devices the model filter rejects, and
// devices without a VideoControl interface, have none.
std::vector<std::string> supportedCameraLines(const std::vector<HidDeviceInfo>& devices);

}  // namespace ptz
