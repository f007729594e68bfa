// The one place that chooses the HID backend for this platform.
#pragma once

#include <memory>

#include "platform/hid/hid_device.h"

namespace ptz {

// The machine's HID manager. Never null: without a usable backend its open() fails and it
// reports nothing. Owned by the caller; create it on the GUI thread once QCoreApplication
// exists, and keep it as long as the devices it reported are in use.
std::unique_ptr<HidManager> createHidManager();

}  // namespace ptz
