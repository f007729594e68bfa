// The gamepad mapping: what each sequence of pad events asks of the panels.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "recording_gamepad_target.h"
#include "ui/logic/gamepad_control.h"

namespace ptz {
namespace {

using testing::RecordingGamepadTarget;

// Plays a script of words, for pad 1 unless prefixed "2:" or the like: "LX=0.5" moves an axis,
// "+LS" and "-LS" press and release a button, "|" ends a frame, "gone" unplugs the pad.
void play(GamepadControl& control, const std::string& script) {
    static const std::map<std::string, GamepadAxis> axes = {{"LX", GamepadAxis::LeftStickX},
                                                            {"LY", GamepadAxis::LeftStickY},
                                                            {"RY", GamepadAxis::RightStickY},
                                                            {"LT", GamepadAxis::LeftTrigger},
                                                            {"RT", GamepadAxis::RightTrigger}};
    static const std::map<std::string, GamepadButton> buttons = {
        {"S", GamepadButton::South},         {"E", GamepadButton::East},
        {"N", GamepadButton::North},         {"W", GamepadButton::West},
        {"LS", GamepadButton::LeftShoulder}, {"RS", GamepadButton::RightShoulder},
        {"Start", GamepadButton::Start},     {"Up", GamepadButton::DpadUp},
        {"Down", GamepadButton::DpadDown},   {"Left", GamepadButton::DpadLeft},
        {"Right", GamepadButton::DpadRight}};
    std::istringstream words(script);
    for (std::string word; words >> word;) {
        GamepadId pad = 1;
        if (word.size() > 2 && word[1] == ':') {
            pad = word[0] - '0';
            word = word.substr(2);
        }
        if (word == "|") {
            control.frameEnded(pad);
        } else if (word == "gone") {
            control.padGone(pad);
        } else if (word[0] == '+' || word[0] == '-') {
            control.buttonChanged(pad, buttons.at(word.substr(1)), word[0] == '+');
        } else {
            const size_t equals = word.find('=');
            control.axisMoved(pad, axes.at(word.substr(0, equals)),
                              std::stod(word.substr(equals + 1)));
        }
    }
}

TEST(GamepadControl, EventsBecomeMovesKeysAndPresets) {
    const struct {
        const char* name;
        const char* script;
        std::vector<std::string> calls;
        bool osdTab = false;
        SpeedRange panTilt = kDefaultPanTiltSpeeds;
        SpeedRange zoomFocus = kDefaultZoomFocusSpeeds;
    } cases[] = {
        {"speed proportional to deflection; holding still or within a step sends nothing",
         "LX=0.5 | LX=0.501 | | LX=1 |",
         {"panTilt 1/96 0/0", "panTilt 1/255 0/0"}},
        {"at the dead zone's edge nothing moves, just past it the slowest speed",
         "LX=0.2 | LX=-0.201 |",
         {"panTilt -1/1 0/0"}},
        {"both stick axes in one frame make one request; centring sends one stop, keeping speeds",
         "LX=1 LY=-1 | LX=0 LY=0 | LY=0.05 |",
         {"panTilt 1/255 1/255", "panTilt 0/255 0/255"}},
        {"steps of the camera's own range",
         "LX=0.47 | LX=1 |",
         {"panTilt 1/6 0/0", "panTilt 1/16 0/0"},
         false,
         {1, 16}},
        {"never speed 0; an upside-down range is its minimum, focus's speed kept inside",
         "LX=0.21 RT=1 +LS |",
         {"panTilt 1/1 0/0", "zoom 1/9", "autofocus off", "focus 1/9"},
         false,
         {0, 10},
         {9, 3}},
        {"zoom: right stick up or right trigger in, left trigger out; the furthest wins",
         "RY=-1 | RY=0 RT=0.5 | LT=0.9 | LT=0 RT=0 |",
         {"zoom 1/7", "zoom 1/3", "zoom -1/7", "zoom 0/7"}},
        {"focus near and far while the shoulders are held; both held cancel",
         "+LS | +RS | -LS | -RS |",
         {"autofocus off", "focus 1/3", "focus 0/3", "autofocus off", "focus -1/3", "focus 0/3"}},
        {"OSD tab: D-pad, South, East and Start are the keys, once per press",
         "+Up +Up -Up +Down +Left +Right +S +E +Start +N +W",
         {"osd up", "osd down", "osd left", "osd right", "osd ok", "osd back", "osd menu"},
         true},
        {"PTZ tab: face buttons recall presets 1 to 4 clockwise from the top",
         "+N +E +S +W +Up +Start",
         {"preset 1", "preset 2", "preset 3", "preset 4"}},
        {"an OSD arrow's own stop halts the head; the stick's next frame restarts it",
         "LX=1 | +Left |",
         {"panTilt 1/255 0/0", "osd left", "panTilt 1/255 0/0"},
         true},
        {"a pad unplugged mid-move stops every move it started",
         "LX=1 RY=-1 +LS | gone",
         {"panTilt 1/255 0/0", "zoom 1/7", "autofocus off", "focus 1/3", "panTilt 0/255 0/0",
          "zoom 0/7", "focus 0/3"}},
        {"several pads: the first to move drives, the others wait; one still moving takes over",
         "LX=1 | 2:LY=-1 2:| 2:+N 3:RT=1 3:| 3:gone LX=0 | 2:+W 2:gone",
         {"panTilt 1/255 0/0", "panTilt 0/255 1/255", "preset 4", "panTilt 0/255 0/255"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingGamepadTarget target;
        target.osdTab = c.osdTab;
        target.panTiltRange = c.panTilt;
        target.zoomFocusRange = c.zoomFocus;
        GamepadControl control(target);
        play(control, c.script);
        EXPECT_EQ(target.calls, c.calls);
    }
}

}  // namespace
}  // namespace ptz
