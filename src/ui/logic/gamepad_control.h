// A gamepad as a second pair of hands on the panels: the left stick pans and tilts, the right
// stick's Y or the triggers zoom, the shoulder buttons focus; on the OSD tab the D-pad, South,
// East and Start are the OSD keys; on the PTZ tab the face buttons recall presets 1 to 4.
//
// Moves are proportional: past the dead zone a stick's or trigger's deflection picks a speed
// from the camera's range in equal steps. A request goes out only when an axis's direction or
// speed changes, so a stick held still sends nothing, and centring it sends one stop.
//
// Several pads: the first pad to start a move drives the head until all its moves have
// stopped; meanwhile the other pads' moves and key presses are ignored. When the driving pad
// lets go, a pad that is still holding a move takes over at once.
//
// Threading: GUI thread only, fed by the GamepadMonitor. The target is borrowed and must
// outlive this object.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "platform/input/gamepad_monitor.h"

namespace ptz {

// The speeds a camera's relative move accepts, both ends included.
struct SpeedRange {
    uint8_t minimum;
    uint8_t maximum;
};
inline constexpr SpeedRange kDefaultPanTiltSpeeds{1, 255};
inline constexpr SpeedRange kDefaultZoomFocusSpeeds{1, 7};

enum class OsdKey { Up, Down, Left, Right, Ok, Back, OpenClose };

// What the pad acts on; the panels implement it. Directions are -1, 0 (stop) or +1, forward
// being clockwise, up, toward telephoto and toward near, as UVCCameraControl's explicit moves
// take them. Results are not asked for: each change is sent once, and a failure is the camera
// control's to log. The tab and the speed ranges are asked on every frame: answer from memory.
class GamepadTarget {
  public:
    virtual ~GamepadTarget() = default;

    virtual void movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                             uint8_t tiltSpeed) = 0;
    virtual void moveZoom(int direction, uint8_t speed) = 0;
    // Called right before every focus start, as the panel's focus buttons do.
    virtual void switchAutoFocusOff() = 0;
    virtual void moveFocus(int direction, uint8_t speed) = 0;
    // As the OSD panel's keys: the arrows also stop pan and tilt.
    virtual void pressOsdKey(OsdKey key) = 0;
    virtual void recallPreset(int32_t number) = 0;

    virtual bool osdTabShown() const = 0;
    virtual SpeedRange panTiltSpeeds() const { return kDefaultPanTiltSpeeds; }
    virtual SpeedRange zoomFocusSpeeds() const { return kDefaultZoomFocusSpeeds; }
};

class GamepadControl final : public GamepadListener {
  public:
    // Stick and trigger travel below this counts as rest: worn sticks do not centre exactly.
    static constexpr double kDeadZone = 0.2;

    explicit GamepadControl(GamepadTarget& target) : target_(target) {}

    void axisMoved(GamepadId pad, GamepadAxis axis, double value) override;
    void buttonChanged(GamepadId pad, GamepadButton button, bool pressed) override;
    void frameEnded(GamepadId pad) override;
    void padGone(GamepadId pad) override;

  private:
    struct Move {
        int direction = 0;
        uint8_t speed = 0;
        bool operator==(const Move&) const = default;
    };
    struct Moves {
        Move pan, tilt, zoom, focus;
        bool idle() const {
            return pan.direction == 0 && tilt.direction == 0 && zoom.direction == 0 &&
                   focus.direction == 0;
        }
    };
    struct PadInput {
        std::array<double, kGamepadAxisCount> axes{};
        std::array<bool, kGamepadButtonCount> held{};
        double axis(GamepadAxis which) const { return axes[static_cast<int>(which)]; }
        bool isHeld(GamepadButton which) const { return held[static_cast<int>(which)]; }
    };

    static Move proportional(double deflection, SpeedRange range);
    Moves movesOf(const PadInput& input) const;
    void pressed(GamepadButton button);
    void follow();
    void send(Moves wanted);

    GamepadTarget& target_;
    std::map<GamepadId, PadInput> pads_;
    std::optional<GamepadId> driver_;
    Moves sent_;  // a stopped axis keeps the speed it last moved at, as the panel's stops do
};

}  // namespace ptz
