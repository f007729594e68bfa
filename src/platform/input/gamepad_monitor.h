// Gamepads as the program sees them: each connected pad's sticks, triggers and buttons as
// normalised events, and its departure.
//
// Ownership: the monitor owns the pads it opens; the listener is borrowed and must outlive the
// monitor, or be replaced with nullptr first.
// Threading: create, open and destroy on the GUI thread after QCoreApplication exists; every
// listener call comes from the event loop there. A listener call must not destroy the monitor.
// Failures: open() returns 0 or a non-zero status (errno-derived) when it cannot watch for
// pads at all. A pad that cannot be opened (no permission, not an event device) is logged and
// left alone; it never reaches the listener.
#pragma once

#include <cstdint>

namespace ptz {

// Given to a pad when it is opened; never reused while the process runs.
using GamepadId = uint32_t;

enum class GamepadAxis {
    LeftStickX,
    LeftStickY,
    RightStickX,
    RightStickY,
    LeftTrigger,
    RightTrigger
};
inline constexpr int kGamepadAxisCount = 6;

// Named by position, as the kernel names them: South is the lower face button whatever its
// label. A D-pad that reports a hat axis comes as the four D-pad buttons.
enum class GamepadButton {
    South,
    East,
    North,
    West,
    LeftShoulder,
    RightShoulder,
    Select,
    Start,
    DpadUp,
    DpadDown,
    DpadLeft,
    DpadRight,
};
inline constexpr int kGamepadButtonCount = 12;

class GamepadListener {
  public:
    virtual ~GamepadListener() = default;

    // A stick's deflection in [-1, 1], negative being left or up, exactly 0 inside the pad's
    // own flat zone and rising from there; a trigger's travel in [0, 1] (a digital trigger
    // jumps between 0 and 1). Only changes are reported; a pad starts at rest.
    virtual void axisMoved(GamepadId pad, GamepadAxis axis, double value) = 0;
    virtual void buttonChanged(GamepadId pad, GamepadButton button, bool pressed) = 0;
    // The changes reported since the pad's last frame happened together. Frames without a
    // change are not reported.
    virtual void frameEnded(GamepadId pad) = 0;
    // The pad was unplugged or can no longer be read. Nothing about it follows.
    virtual void padGone(GamepadId pad) = 0;
};

class GamepadMonitor {
  public:
    virtual ~GamepadMonitor() = default;

    virtual void setListener(GamepadListener* listener) = 0;

    // Opens the pads connected now and watches for pads coming and going. Opening again once
    // open does nothing and returns 0.
    virtual int32_t open() = 0;
};

}  // namespace ptz
