// The one place that chooses the gamepad backend for this platform.
#pragma once

#include <memory>

#include "platform/input/gamepad_monitor.h"

namespace ptz {

// The machine's gamepad monitor. Never null: without a usable backend its open() fails and it
// reports nothing. Owned by the caller; create it on the GUI thread once QCoreApplication
// exists.
std::unique_ptr<GamepadMonitor> createGamepadMonitor();

}  // namespace ptz
