#include "ui/logic/gamepad_control.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "camera/uvc_payloads.h"

namespace ptz {
namespace {

// A speed of 0 would not move at all, and an upside-down range is taken at its minimum.
SpeedRange usable(SpeedRange range) {
    const uint8_t minimum = std::max<uint8_t>(range.minimum, 1);
    return {minimum, std::max(minimum, range.maximum)};
}

}  // namespace

void GamepadControl::axisMoved(GamepadId pad, GamepadAxis axis, double value) {
    pads_[pad].axes[static_cast<int>(axis)] = value;
}

void GamepadControl::buttonChanged(GamepadId pad, GamepadButton button, bool pressed) {
    bool& held = pads_[pad].held[static_cast<int>(button)];
    const bool newlyPressed = pressed && !held;
    held = pressed;
    if (newlyPressed && (!driver_ || *driver_ == pad)) {
        this->pressed(button);
    }
}

void GamepadControl::frameEnded(GamepadId) {
    follow();
}

void GamepadControl::padGone(GamepadId pad) {
    pads_.erase(pad);
    follow();
}

GamepadControl::Move GamepadControl::proportional(double deflection, SpeedRange range) {
    const double magnitude = std::fabs(deflection);
    if (magnitude <= kDeadZone) {
        return {};
    }
    range = usable(range);
    const int steps = range.maximum - range.minimum + 1;
    const double beyondDeadZone = (magnitude - kDeadZone) / (1.0 - kDeadZone);
    const int step = std::min(steps - 1, static_cast<int>(beyondDeadZone * steps));
    return {deflection < 0 ? -1 : 1, static_cast<uint8_t>(range.minimum + step)};
}

GamepadControl::Moves GamepadControl::movesOf(const PadInput& input) const {
    Moves moves;
    const SpeedRange panTilt = target_.panTiltSpeeds();
    moves.pan = proportional(input.axis(GamepadAxis::LeftStickX), panTilt);
    // Pads count up as negative, the head as positive.
    moves.tilt = proportional(-input.axis(GamepadAxis::LeftStickY), panTilt);

    // Zoom follows whichever of its inputs is pushed furthest.
    double zoom = -input.axis(GamepadAxis::RightStickY);
    for (const double candidate :
         {input.axis(GamepadAxis::RightTrigger), -input.axis(GamepadAxis::LeftTrigger)}) {
        if (std::fabs(candidate) > std::fabs(zoom)) {
            zoom = candidate;
        }
    }
    const SpeedRange zoomFocus = target_.zoomFocusSpeeds();
    moves.zoom = proportional(zoom, zoomFocus);

    // Buttons have no deflection: focus goes at the speed of the panel's focus buttons.
    const int focus = static_cast<int>(input.isHeld(GamepadButton::LeftShoulder)) -
                      static_cast<int>(input.isHeld(GamepadButton::RightShoulder));
    if (focus != 0) {
        const SpeedRange range = usable(zoomFocus);
        moves.focus = {focus,
                       std::clamp(uvc_payload::kZoomFocusSpeed, range.minimum, range.maximum)};
    }
    return moves;
}

void GamepadControl::pressed(GamepadButton button) {
    if (target_.osdTabShown()) {
        std::optional<OsdKey> key;
        switch (button) {
            case GamepadButton::DpadUp:
                key = OsdKey::Up;
                break;
            case GamepadButton::DpadDown:
                key = OsdKey::Down;
                break;
            case GamepadButton::DpadLeft:
                key = OsdKey::Left;
                break;
            case GamepadButton::DpadRight:
                key = OsdKey::Right;
                break;
            case GamepadButton::South:
                key = OsdKey::Ok;
                break;
            case GamepadButton::East:
                key = OsdKey::Back;
                break;
            case GamepadButton::Start:
                key = OsdKey::OpenClose;
                break;
            default:
                return;
        }
        target_.pressOsdKey(*key);
        if (*key == OsdKey::Up || *key == OsdKey::Down || *key == OsdKey::Left ||
            *key == OsdKey::Right) {
            // The arrow's own stop has halted the head; the stick's next change restarts it.
            sent_.pan.direction = 0;
            sent_.tilt.direction = 0;
        }
        return;
    }
    // Presets clockwise from the top face button.
    switch (button) {
        case GamepadButton::North:
            target_.recallPreset(1);
            break;
        case GamepadButton::East:
            target_.recallPreset(2);
            break;
        case GamepadButton::South:
            target_.recallPreset(3);
            break;
        case GamepadButton::West:
            target_.recallPreset(4);
            break;
        default:
            break;
    }
}

void GamepadControl::follow() {
    const auto moving = [this](GamepadId pad) {
        const auto found = pads_.find(pad);
        return found != pads_.end() && !movesOf(found->second).idle();
    };
    if (driver_ && !moving(*driver_)) {
        driver_.reset();
    }
    for (auto pad = pads_.begin(); !driver_ && pad != pads_.end(); ++pad) {
        if (moving(pad->first)) {
            driver_ = pad->first;
        }
    }
    send(driver_ ? movesOf(pads_.at(*driver_)) : Moves{});
}

void GamepadControl::send(Moves wanted) {
    const auto keepSpeedWhenStopped = [](Move& want, const Move& had) {
        if (want.direction == 0) {
            want.speed = had.speed;
        }
    };
    keepSpeedWhenStopped(wanted.pan, sent_.pan);
    keepSpeedWhenStopped(wanted.tilt, sent_.tilt);
    keepSpeedWhenStopped(wanted.zoom, sent_.zoom);
    keepSpeedWhenStopped(wanted.focus, sent_.focus);
    if (wanted.pan != sent_.pan || wanted.tilt != sent_.tilt) {
        target_.movePanTilt(wanted.pan.direction, wanted.pan.speed, wanted.tilt.direction,
                            wanted.tilt.speed);
    }
    if (wanted.zoom != sent_.zoom) {
        target_.moveZoom(wanted.zoom.direction, wanted.zoom.speed);
    }
    if (wanted.focus != sent_.focus) {
        if (wanted.focus.direction != 0) {
            target_.switchAutoFocusOff();
        }
        target_.moveFocus(wanted.focus.direction, wanted.focus.speed);
    }
    sent_ = wanted;
}

}  // namespace ptz
