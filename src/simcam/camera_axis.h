// One motorised axis of the head (pan, tilt, zoom or focus): where it is and how it moves.
//
// Position is kept in fractions of a unit so that frequent small steps of time add up to the
// same travel as one large step. Time passes only through advance().
#pragma once

#include <cstdint>

namespace ptz::sim {

class CameraAxis {
  public:
    CameraAxis(int32_t minimum, int32_t maximum, int32_t position);

    int32_t minimum() const { return minimum_; }
    int32_t maximum() const { return maximum_; }
    // Rounded to whole units, as GET_CUR reports it.
    int32_t position() const;

    // Moves on at `unitsPerSecond` (negative toward the minimum) until stop() or a limit.
    void moveContinuously(double unitsPerSecond);
    // Moves to `target` (inside the limits) at `unitsPerSecond` (positive), then stops.
    void moveTo(int32_t target, double unitsPerSecond);
    void stop();

    // A continuous move is under way (also one at speed 0): the relative control's GET_CUR
    // reports its direction.
    bool movingContinuously() const { return motion_ == Motion::kContinuous; }
    // The position is changing.
    bool moving() const;

    void advance(double seconds);

    bool operator==(const CameraAxis&) const = default;

  private:
    enum class Motion { kStill, kContinuous, kToTarget };

    int32_t minimum_;
    int32_t maximum_;
    double position_;
    Motion motion_ = Motion::kStill;
    double rate_ = 0;
    int32_t target_ = 0;
};

}  // namespace ptz::sim
