// One gamepad's event node, read through libevdev, its kernel codes turned into the portable
// events of GamepadListener.
//
// Which codes mean what follows the kernel's gamepad layout: left stick ABS_X/ABS_Y, right
// stick ABS_RX/ABS_RY, analog triggers ABS_Z (left) and ABS_RZ (right), D-pad BTN_DPAD_* or
// ABS_HAT0X/ABS_HAT0Y. Pads without ABS_RX/ABS_RY (plain HID joysticks) carry their right stick
// on ABS_Z/ABS_RZ instead. BTN_TL2/BTN_TR2 count as triggers only on pads without the analog
// ones, which would otherwise be reported twice.
//
// Ownership: owns the node's descriptor and the libevdev handle; destroying it closes both.
// Threading: not thread-safe; the monitor uses it on the GUI thread.
// Failures: open() returns nullptr and a negative errno value when the node cannot be opened
// or is not an event device; readEvents() returns false once the node can no longer be read.
#pragma once

#include <linux/input.h>

#include <array>
#include <memory>
#include <string>

#include "platform/input/gamepad_monitor.h"

struct libevdev;

namespace ptz {

class EvdevGamepad {
  public:
    static std::unique_ptr<EvdevGamepad> open(const std::string& devnode, GamepadId id, int& error);
    ~EvdevGamepad();
    EvdevGamepad(const EvdevGamepad&) = delete;
    EvdevGamepad& operator=(const EvdevGamepad&) = delete;

    GamepadId id() const { return id_; }
    int fd() const { return fd_; }
    std::string name() const;

    // Reads everything the node holds now and reports it; after a SYN_DROPPED, the state that
    // was missed. False when the node is gone (ENODEV) or fails otherwise.
    bool readEvents(GamepadListener* listener);

  private:
    enum class AxisKind { None, Stick, Trigger, HatX, HatY };
    struct AxisRole {
        AxisKind kind = AxisKind::None;
        GamepadAxis axis = GamepadAxis::LeftStickX;  // for sticks and triggers
    };

    EvdevGamepad(int fd, libevdev* device, GamepadId id);
    void assignRoles();
    void handle(const input_event& event, GamepadListener* listener);
    void handleAxis(const input_event& event, GamepadListener* listener);
    void handleKey(const input_event& event, GamepadListener* listener);
    void reportAxis(GamepadAxis axis, double value, GamepadListener* listener);
    void reportButton(GamepadButton button, bool pressed, GamepadListener* listener);

    int fd_;
    libevdev* device_;
    GamepadId id_;
    std::array<AxisRole, ABS_CNT> roles_{};
    bool digitalTriggers_ = false;
    // What the listener was last told; a pad starts at rest.
    std::array<double, kGamepadAxisCount> axes_{};
    std::array<bool, kGamepadButtonCount> buttons_{};
    bool frameChanged_ = false;
};

}  // namespace ptz
