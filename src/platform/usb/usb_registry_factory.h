// The one place that chooses the USB backends for this platform.
#pragma once

#include <memory>

#include "platform/usb/usb_interface.h"

namespace ptz {

// The machine's USB registry. Never null: without a usable backend it lists no devices.
// Owned by the caller; create one per process, on the GUI thread.
std::unique_ptr<UsbRegistry> createUsbRegistry();

}  // namespace ptz
