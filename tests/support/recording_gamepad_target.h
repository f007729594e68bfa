// A GamepadTarget that writes down each call, in order, as a line such as "panTilt 1/96 0/0".
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/logic/gamepad_control.h"

namespace ptz::testing {

class RecordingGamepadTarget final : public GamepadTarget {
  public:
    void movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                     uint8_t tiltSpeed) override;
    void moveZoom(int direction, uint8_t speed) override;
    void switchAutoFocusOff() override;
    void moveFocus(int direction, uint8_t speed) override;
    void pressOsdKey(OsdKey key) override;
    void recallPreset(int32_t number) override;

    bool osdTabShown() const override { return osdTab; }
    SpeedRange panTiltSpeeds() const override { return panTiltRange; }
    SpeedRange zoomFocusSpeeds() const override { return zoomFocusRange; }

    std::vector<std::string> calls;
    std::function<void()> afterCall;  // e.g. to end a wait
    bool osdTab = false;
    SpeedRange panTiltRange = kDefaultPanTiltSpeeds;
    SpeedRange zoomFocusRange = kDefaultZoomFocusSpeeds;

  private:
    void record(std::string call);
};

}  // namespace ptz::testing
