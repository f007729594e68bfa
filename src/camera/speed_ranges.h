// The speeds a camera's relative moves accept, as the camera itself reports them.
#pragma once

#include <cstdint>

#include "camera/uvc_camera_control.h"

namespace ptz {

// Both ends included.
struct SpeedRange {
    uint8_t minimum;
    uint8_t maximum;
    bool operator==(const SpeedRange&) const = default;
};
// For a camera that does not say: pan/tilt any speed byte but 0 (which moves nothing), zoom
// and focus 1-7.
inline constexpr SpeedRange kDefaultPanTiltSpeeds{1, 255};
inline constexpr SpeedRange kDefaultZoomFocusSpeeds{1, 7};

// One range for pan and tilt, one for zoom and focus: the speeds both axes of a pair accept.
struct SpeedRanges {
    SpeedRange panTilt = kDefaultPanTiltSpeeds;
    SpeedRange zoomFocus = kDefaultZoomFocusSpeeds;
};

// Asks the camera for GET_MIN and GET_MAX of the pan/tilt, zoom and focus relative controls,
// in that order, and stops at the first request that fails: the driver refuses them all alike
// (uvcvideo answers them as unsupported), and a camera that does not answer would cost a
// time-out per request. What was not learned keeps the default; a speed of 0, which moves
// nothing, is never part of a range.
SpeedRanges readSpeedRanges(UVCCameraControl& camera);

}  // namespace ptz
