// A one-off, synchronous look at the hidraw nodes present now, for tools without an event loop.
#pragma once

#include <vector>

#include "platform/hid/hid_device_info.h"

namespace ptz {

// In syspath order; empty when libudev cannot be used.
std::vector<HidDeviceInfo> enumerateUdevHidDevices();

}  // namespace ptz
