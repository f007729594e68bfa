#include "simcam/camera_axis.h"

#include <algorithm>
#include <cmath>

namespace ptz::sim {

CameraAxis::CameraAxis(int32_t minimum, int32_t maximum, int32_t position)
    : minimum_(minimum), maximum_(maximum), position_(position) {}

int32_t CameraAxis::position() const {
    return static_cast<int32_t>(std::lround(position_));
}

void CameraAxis::moveContinuously(double unitsPerSecond) {
    motion_ = Motion::kContinuous;
    rate_ = unitsPerSecond;
    advance(0);
}

void CameraAxis::moveTo(int32_t target, double unitsPerSecond) {
    motion_ = Motion::kToTarget;
    rate_ = unitsPerSecond;
    target_ = std::clamp(target, minimum_, maximum_);
    advance(0);
}

void CameraAxis::stop() {
    motion_ = Motion::kStill;
    rate_ = 0;
    target_ = 0;
}

bool CameraAxis::moving() const {
    return (motion_ == Motion::kContinuous && rate_ != 0) || motion_ == Motion::kToTarget;
}

void CameraAxis::advance(double seconds) {
    switch (motion_) {
        case Motion::kStill:
            return;
        case Motion::kContinuous: {
            // A move that reaches a limit ends there, as the head's end stop ends it.
            const double next = position_ + rate_ * seconds;
            if (rate_ > 0 && next >= maximum_) {
                position_ = maximum_;
                stop();
            } else if (rate_ < 0 && next <= minimum_) {
                position_ = minimum_;
                stop();
            } else {
                position_ = next;
            }
            return;
        }
        case Motion::kToTarget: {
            const double remaining = target_ - position_;
            const double step = rate_ * seconds;
            if (std::abs(remaining) <= step) {
                position_ = target_;
                stop();
            } else {
                position_ += remaining > 0 ? step : -step;
            }
            return;
        }
    }
}

}  // namespace ptz::sim
