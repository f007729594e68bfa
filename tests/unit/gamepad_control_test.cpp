// The gamepad mapping: what each sequence of pad events asks of the panels.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording_gamepad_target.h"
#include "ui/logic/gamepad_control.h"

namespace ptz {
namespace {

using testing::RecordingGamepadTarget;
using Axis = GamepadAxis;
using Button = GamepadButton;

struct Step {
    enum Kind { AxisMove, Press, Release, Frame, Gone } kind;
    GamepadId pad = 1;
    Axis axis = Axis::LeftStickX;
    Button button = Button::South;
    double value = 0;
};
Step axis(Axis axis, double value, GamepadId pad = 1) {
    return {Step::AxisMove, pad, axis, Button::South, value};
}
Step press(Button button, GamepadId pad = 1) {
    return {Step::Press, pad, Axis::LeftStickX, button};
}
Step release(Button button, GamepadId pad = 1) {
    return {Step::Release, pad, Axis::LeftStickX, button};
}
Step frame(GamepadId pad = 1) {
    return {Step::Frame, pad};
}
Step gone(GamepadId pad = 1) {
    return {Step::Gone, pad};
}

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> calls;
    bool osdTab = false;
    SpeedRange panTilt = kDefaultPanTiltSpeeds;
    SpeedRange zoomFocus = kDefaultZoomFocusSpeeds;
};

TEST(GamepadControl, EventsBecomeMovesKeysAndPresets) {
    const std::vector<Case> cases = {
        {"speed proportional to deflection; holding still sends nothing",
         {axis(Axis::LeftStickX, 0.5), frame(), axis(Axis::LeftStickX, 0.501), frame(),
          axis(Axis::LeftStickX, 1.0), frame()},
         {"panTilt 1/96 0/0", "panTilt 1/255 0/0"}},
        {"at the dead zone's edge nothing moves, just past it the slowest speed",
         {axis(Axis::LeftStickX, 0.2), frame(), axis(Axis::LeftStickX, -0.201), frame()},
         {"panTilt -1/1 0/0"}},
        {"centring sends one stop, keeping the speed",
         {axis(Axis::LeftStickY, -1.0), frame(), axis(Axis::LeftStickY, 0), frame(),
          axis(Axis::LeftStickY, 0.05), frame()},
         {"panTilt 0/0 1/255", "panTilt 0/0 0/255"}},
        {"both axes of the stick in one frame make one request",
         {axis(Axis::LeftStickX, 1.0), axis(Axis::LeftStickY, 1.0), frame()},
         {"panTilt 1/255 -1/255"}},
        {"steps of the camera's own range",
         {axis(Axis::LeftStickX, 0.47), frame(), axis(Axis::LeftStickX, 1.0), frame()},
         {"panTilt 1/6 0/0", "panTilt 1/16 0/0"},
         false,
         {1, 16}},
        {"speed 0 is never asked for; an upside-down range is its minimum; focus stays inside",
         {axis(Axis::LeftStickX, 0.21), axis(Axis::RightTrigger, 1.0), press(Button::LeftShoulder),
          frame()},
         {"panTilt 1/1 0/0", "zoom 1/9", "autofocus off", "focus 1/9"},
         false,
         {0, 10},
         {9, 3}},
        {"zoom: right stick up or right trigger in, left trigger out; the furthest wins",
         {axis(Axis::RightStickY, -1.0), frame(), axis(Axis::RightStickY, 0),
          axis(Axis::RightTrigger, 0.5), frame(), axis(Axis::LeftTrigger, 0.9), frame(),
          axis(Axis::LeftTrigger, 0), axis(Axis::RightTrigger, 0), frame()},
         {"zoom 1/7", "zoom 1/3", "zoom -1/7", "zoom 0/7"}},
        {"focus near and far while the shoulders are held; both held cancel",
         {press(Button::LeftShoulder), frame(), press(Button::RightShoulder), frame(),
          release(Button::LeftShoulder), frame(), release(Button::RightShoulder), frame()},
         {"autofocus off", "focus 1/3", "focus 0/3", "autofocus off", "focus -1/3", "focus 0/3"}},
        {"OSD tab: D-pad, South, East and Start are the keys, once per press",
         {press(Button::DpadUp), press(Button::DpadUp), release(Button::DpadUp),
          press(Button::DpadDown), press(Button::DpadLeft), press(Button::DpadRight),
          press(Button::South), press(Button::East), press(Button::Start), press(Button::North),
          press(Button::West)},
         {"osd up", "osd down", "osd left", "osd right", "osd ok", "osd back", "osd menu"},
         true},
        {"PTZ tab: face buttons recall presets 1 to 4 clockwise from the top",
         {press(Button::North), press(Button::East), press(Button::South), press(Button::West),
          press(Button::DpadUp), press(Button::Start)},
         {"preset 1", "preset 2", "preset 3", "preset 4"}},
        {"an OSD arrow's own stop halts the head; the stick's next frame restarts it",
         {axis(Axis::LeftStickX, 1.0), frame(), press(Button::DpadLeft), frame()},
         {"panTilt 1/255 0/0", "osd left", "panTilt 1/255 0/0"},
         true},
        {"a pad unplugged mid-move stops every move it started",
         {axis(Axis::LeftStickX, 1.0), axis(Axis::RightStickY, -1.0), press(Button::LeftShoulder),
          frame(), gone()},
         {"panTilt 1/255 0/0", "zoom 1/7", "autofocus off", "focus 1/3", "panTilt 0/255 0/0",
          "zoom 0/7", "focus 0/3"}},
        {"two pads: the first to move drives, the other waits and takes over when it lets go",
         {axis(Axis::LeftStickX, 1.0, 1), frame(1), axis(Axis::LeftStickY, -1.0, 2), frame(2),
          press(Button::North, 2), axis(Axis::LeftStickX, 0, 1), frame(1), press(Button::West, 2),
          gone(2)},
         {"panTilt 1/255 0/0", "panTilt 0/255 1/255", "preset 4", "panTilt 0/255 0/255"}},
        {"a pad that is not driving leaves without a stop",
         {axis(Axis::LeftStickX, 1.0, 1), frame(1), axis(Axis::RightTrigger, 1.0, 2), frame(2),
          gone(2)},
         {"panTilt 1/255 0/0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingGamepadTarget target;
        target.osdTab = c.osdTab;
        target.panTiltRange = c.panTilt;
        target.zoomFocusRange = c.zoomFocus;
        GamepadControl control(target);
        for (const Step& step : c.steps) {
            switch (step.kind) {
                case Step::AxisMove:
                    control.axisMoved(step.pad, step.axis, step.value);
                    break;
                case Step::Press:
                case Step::Release:
                    control.buttonChanged(step.pad, step.button, step.kind == Step::Press);
                    break;
                case Step::Frame:
                    control.frameEnded(step.pad);
                    break;
                case Step::Gone:
                    control.padGone(step.pad);
                    break;
            }
        }
        EXPECT_EQ(target.calls, c.calls);
    }
}

}  // namespace
}  // namespace ptz
