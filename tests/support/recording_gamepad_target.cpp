#include "recording_gamepad_target.h"

namespace ptz::testing {
namespace {

std::string move(int direction, uint8_t speed) {
    return std::to_string(direction) + "/" + std::to_string(speed);
}

}  // namespace

void RecordingGamepadTarget::record(std::string call) {
    calls.push_back(std::move(call));
    if (afterCall) {
        afterCall();
    }
}

void RecordingGamepadTarget::movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                                         uint8_t tiltSpeed) {
    record("panTilt " + move(panDirection, panSpeed) + " " + move(tiltDirection, tiltSpeed));
}

void RecordingGamepadTarget::moveZoom(int direction, uint8_t speed) {
    record("zoom " + move(direction, speed));
}

void RecordingGamepadTarget::switchAutoFocusOff() {
    record("autofocus off");
}

void RecordingGamepadTarget::moveFocus(int direction, uint8_t speed) {
    record("focus " + move(direction, speed));
}

void RecordingGamepadTarget::pressOsdKey(OsdKey key) {
    static const char* const names[] = {"up", "down", "left", "right", "ok", "back", "menu"};
    record(std::string("osd ") + names[static_cast<int>(key)]);
}

void RecordingGamepadTarget::recallPreset(int32_t number) {
    record("preset " + std::to_string(number));
}

}  // namespace ptz::testing
