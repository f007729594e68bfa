// The one place that chooses the HID backend for this platform.
#pragma once

#include <memory>
#include <vector>

#include "platform/hid/hid_device.h"
#include "platform/hid/hid_device_info.h"

namespace ptz {

// The machine's HID manager. Never null: without a usable backend its open() fails and it
// reports nothing. Owned by the caller; create it on the GUI thread once QCoreApplication
// exists, and keep it as long as the devices it reported are in use.
std::unique_ptr<HidManager> createHidManager();

// The HID nodes present now, synchronously, without an event loop (for the command line).
// Empty without a usable backend.
std::vector<HidDeviceInfo> enumerateHidDevices();

}  // namespace ptz
