// A GamepadTarget that writes down each call, in order, as a line such as "panTilt 1/96 0/0".
#pragma once

#include <string>
#include <vector>

#include "ui/logic/gamepad_control.h"

namespace ptz::testing {

class RecordingGamepadTarget final : public GamepadTarget {
  public:
    void movePanTilt(int pan, uint8_t panSpeed, int tilt, uint8_t tiltSpeed) override {
        record("panTilt " + move(pan, panSpeed) + " " + move(tilt, tiltSpeed));
    }
    void moveZoom(int direction, uint8_t speed) override {
        record("zoom " + move(direction, speed));
    }
    void switchAutoFocusOff() override { record("autofocus off"); }
    void moveFocus(int direction, uint8_t speed) override {
        record("focus " + move(direction, speed));
    }
    void pressOsdKey(OsdKey key) override {
        static const char* const names[] = {"up", "down", "left", "right", "ok", "back", "menu"};
        record(std::string("osd ") + names[static_cast<int>(key)]);
    }
    void recallPreset(int32_t number) override { record("preset " + std::to_string(number)); }
    bool osdTabShown() const override { return osdTab; }
    SpeedRange panTiltSpeeds() override { return panTiltRange; }
    SpeedRange zoomFocusSpeeds() override { return zoomFocusRange; }

    std::vector<std::string> calls;
    bool osdTab = false;
    SpeedRange panTiltRange = kDefaultPanTiltSpeeds;
    SpeedRange zoomFocusRange = kDefaultZoomFocusSpeeds;

  private:
    static std::string move(int direction, uint8_t speed) {
        return std::to_string(direction) + "/" + std::to_string(speed);
    }
    void record(std::string call) { calls.push_back(std::move(call)); }
};

}  // namespace ptz::testing
