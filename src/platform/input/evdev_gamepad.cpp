#include "platform/input/evdev_gamepad.h"

#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <optional>

namespace ptz {
namespace {

// Past the flat zone, scaled so that the far end is 1.
double beyondFlat(double offset, double reach, double flat) {
    if (reach <= flat || offset <= flat) {
        return 0.0;
    }
    return std::min(1.0, (offset - flat) / (reach - flat));
}

// A stick axis as a deflection in [-1, 1] about the middle of its range: 0 within the flat
// zone around the middle, rising linearly from its edge to 1 at either end.
double stickDeflection(int value, const input_absinfo& axis) {
    const double middle = (static_cast<double>(axis.minimum) + axis.maximum) / 2.0;
    const double reach = (static_cast<double>(axis.maximum) - axis.minimum) / 2.0;
    const double offset = value - middle;
    const double deflection = beyondFlat(std::fabs(offset), reach, axis.flat);
    return offset < 0 ? -deflection : deflection;
}

// A trigger axis as travel in [0, 1] from its minimum, with the same flat zone at rest.
double triggerTravel(int value, const input_absinfo& axis) {
    return beyondFlat(static_cast<double>(value) - axis.minimum,
                      static_cast<double>(axis.maximum) - axis.minimum, axis.flat);
}

std::optional<GamepadButton> buttonForKey(unsigned code) {
    switch (code) {
        case BTN_SOUTH:
            return GamepadButton::South;
        case BTN_EAST:
            return GamepadButton::East;
        case BTN_NORTH:
            return GamepadButton::North;
        case BTN_WEST:
            return GamepadButton::West;
        case BTN_TL:
            return GamepadButton::LeftShoulder;
        case BTN_TR:
            return GamepadButton::RightShoulder;
        case BTN_SELECT:
            return GamepadButton::Select;
        case BTN_START:
            return GamepadButton::Start;
        case BTN_DPAD_UP:
            return GamepadButton::DpadUp;
        case BTN_DPAD_DOWN:
            return GamepadButton::DpadDown;
        case BTN_DPAD_LEFT:
            return GamepadButton::DpadLeft;
        case BTN_DPAD_RIGHT:
            return GamepadButton::DpadRight;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::unique_ptr<EvdevGamepad> EvdevGamepad::open(const std::string& devnode, GamepadId id,
                                                 int& error) {
    // O_NOCTTY: a node that turns out to be a terminal must not become ours, or its hang-up
    // would signal the whole process.
    const int fd = ::open(devnode.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = -errno;
        return nullptr;
    }
    libevdev* device = nullptr;
    const int result = libevdev_new_from_fd(fd, &device);
    if (result < 0) {
        ::close(fd);
        error = result;
        return nullptr;
    }
    error = 0;
    return std::unique_ptr<EvdevGamepad>(new EvdevGamepad(fd, device, id));
}

EvdevGamepad::EvdevGamepad(int fd, libevdev* device, GamepadId id)
    : fd_(fd), device_(device), id_(id) {
    assignRoles();
}

EvdevGamepad::~EvdevGamepad() {
    libevdev_free(device_);
    ::close(fd_);
}

std::string EvdevGamepad::name() const {
    const char* name = libevdev_get_name(device_);
    return name != nullptr ? name : "";
}

void EvdevGamepad::assignRoles() {
    const auto has = [this](unsigned code) {
        return libevdev_has_event_code(device_, EV_ABS, code) == 1;
    };
    const bool rightStickOnR = has(ABS_RX) && has(ABS_RY);
    roles_[ABS_X] = {AxisKind::Stick, GamepadAxis::LeftStickX};
    roles_[ABS_Y] = {AxisKind::Stick, GamepadAxis::LeftStickY};
    if (rightStickOnR) {
        roles_[ABS_RX] = {AxisKind::Stick, GamepadAxis::RightStickX};
        roles_[ABS_RY] = {AxisKind::Stick, GamepadAxis::RightStickY};
        roles_[ABS_Z] = {AxisKind::Trigger, GamepadAxis::LeftTrigger};
        roles_[ABS_RZ] = {AxisKind::Trigger, GamepadAxis::RightTrigger};
    } else {
        roles_[ABS_Z] = {AxisKind::Stick, GamepadAxis::RightStickX};
        roles_[ABS_RZ] = {AxisKind::Stick, GamepadAxis::RightStickY};
    }
    roles_[ABS_HAT0X].kind = AxisKind::HatX;
    roles_[ABS_HAT0Y].kind = AxisKind::HatY;
    digitalTriggers_ = !(rightStickOnR && has(ABS_Z) && has(ABS_RZ));
}

bool EvdevGamepad::readEvents(GamepadListener* listener) {
    unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
    for (;;) {
        input_event event{};
        const int result = libevdev_next_event(device_, flags, &event);
        if (result == LIBEVDEV_READ_STATUS_SUCCESS) {
            handle(event, listener);
        } else if (result == LIBEVDEV_READ_STATUS_SYNC) {
            // In normal mode this is the SYN_DROPPED itself: libevdev now holds the state that
            // was missed and hands it out as events in sync mode, ending with -EAGAIN.
            if (flags == LIBEVDEV_READ_FLAG_SYNC) {
                handle(event, listener);
            }
            flags = LIBEVDEV_READ_FLAG_SYNC;
        } else if (result == -EAGAIN) {
            if (flags == LIBEVDEV_READ_FLAG_NORMAL) {
                return true;
            }
            flags = LIBEVDEV_READ_FLAG_NORMAL;
        } else if (result != -EINTR) {
            return false;
        }
    }
}

void EvdevGamepad::handle(const input_event& event, GamepadListener* listener) {
    if (event.type == EV_ABS && event.code < ABS_CNT) {
        handleAxis(event, listener);
    } else if (event.type == EV_KEY) {
        handleKey(event, listener);
    } else if (event.type == EV_SYN && event.code == SYN_REPORT && frameChanged_) {
        frameChanged_ = false;
        if (listener != nullptr) {
            listener->frameEnded(id_);
        }
    }
}

void EvdevGamepad::handleAxis(const input_event& event, GamepadListener* listener) {
    const AxisRole role = roles_[event.code];
    const input_absinfo* info = libevdev_get_abs_info(device_, event.code);
    if (role.kind == AxisKind::None || info == nullptr) {
        return;
    }
    switch (role.kind) {
        case AxisKind::Stick:
            reportAxis(role.axis, stickDeflection(event.value, *info), listener);
            break;
        case AxisKind::Trigger:
            reportAxis(role.axis, triggerTravel(event.value, *info), listener);
            break;
        default: {
            // A hat reports -1, 0 or 1 on most pads; half way out counts on any other range.
            const double position = stickDeflection(event.value, *info);
            const bool horizontal = role.kind == AxisKind::HatX;
            reportButton(horizontal ? GamepadButton::DpadLeft : GamepadButton::DpadUp,
                         position < -0.5, listener);
            reportButton(horizontal ? GamepadButton::DpadRight : GamepadButton::DpadDown,
                         position > 0.5, listener);
            break;
        }
    }
}

void EvdevGamepad::handleKey(const input_event& event, GamepadListener* listener) {
    // Value 2 is autorepeat, which pads do not send; it still means held.
    const bool pressed = event.value != 0;
    if (const std::optional<GamepadButton> button = buttonForKey(event.code)) {
        reportButton(*button, pressed, listener);
    } else if (digitalTriggers_ && (event.code == BTN_TL2 || event.code == BTN_TR2)) {
        reportAxis(event.code == BTN_TL2 ? GamepadAxis::LeftTrigger : GamepadAxis::RightTrigger,
                   pressed ? 1.0 : 0.0, listener);
    }
}

void EvdevGamepad::reportAxis(GamepadAxis axis, double value, GamepadListener* listener) {
    double& reported = axes_[static_cast<int>(axis)];
    if (reported == value) {
        return;
    }
    reported = value;
    frameChanged_ = true;
    if (listener != nullptr) {
        listener->axisMoved(id_, axis, value);
    }
}

void EvdevGamepad::reportButton(GamepadButton button, bool pressed, GamepadListener* listener) {
    bool& reported = buttons_[static_cast<int>(button)];
    if (reported == pressed) {
        return;
    }
    reported = pressed;
    frameChanged_ = true;
    if (listener != nullptr) {
        listener->buttonChanged(id_, button, pressed);
    }
}

}  // namespace ptz
