#include "camera/speed_ranges.h"

#include <algorithm>
#include <optional>

namespace ptz {
namespace {

// GET_MIN and GET_MAX of one relative control, or nothing when either request failed.
struct Bounds {
    uint64_t minimum;
    uint64_t maximum;
};

std::optional<Bounds> boundsOf(UVCCameraControl& camera, UvcControlRow row) {
    const UvcControlSpec& control = uvc_controls[row];
    const uint32_t failedBefore = camera.failedRequestCount();
    const auto get = [&](uint8_t request) {
        return static_cast<uint64_t>(
            camera.getDataFor(request, control.length, control.selector, control.unitId));
    };
    const uint64_t minimum = get(kUvcGetMin);
    if (camera.failedRequestCount() != failedBefore) {
        return std::nullopt;
    }
    const uint64_t maximum = get(kUvcGetMax);
    if (camera.failedRequestCount() != failedBefore) {
        return std::nullopt;
    }
    return Bounds{minimum, maximum};
}

SpeedRange speedsAt(const Bounds& bounds, int byteIndex) {
    return {static_cast<uint8_t>(bounds.minimum >> (8 * byteIndex)),
            static_cast<uint8_t>(bounds.maximum >> (8 * byteIndex))};
}

// The speeds both axes accept, or `fallback` when they share none.
SpeedRange common(SpeedRange a, SpeedRange b, SpeedRange fallback) {
    const uint8_t minimum = std::max({a.minimum, b.minimum, uint8_t{1}});
    const uint8_t maximum = std::min(a.maximum, b.maximum);
    return maximum < minimum ? fallback : SpeedRange{minimum, maximum};
}

}  // namespace

SpeedRanges readSpeedRanges(UVCCameraControl& camera) {
    SpeedRanges ranges;
    // Payloads: pan/tilt bPanRelative bPanSpeed bTiltRelative bTiltSpeed; zoom bZoom
    // bDigitalZoom bSpeed; focus bFocusRelative bSpeed.
    const std::optional<Bounds> panTilt = boundsOf(camera, panTiltRelative);
    if (!panTilt) {
        return ranges;
    }
    ranges.panTilt = common(speedsAt(*panTilt, 1), speedsAt(*panTilt, 3), kDefaultPanTiltSpeeds);
    const std::optional<Bounds> zoom = boundsOf(camera, zoomRelative);
    if (!zoom) {
        return ranges;
    }
    const SpeedRange zoomSpeeds = speedsAt(*zoom, 2);
    // A camera without focus relative refuses its range: zoom's alone then.
    const std::optional<Bounds> focus = boundsOf(camera, focusRelative);
    ranges.zoomFocus =
        common(zoomSpeeds, focus ? speedsAt(*focus, 1) : zoomSpeeds, kDefaultZoomFocusSpeeds);
    return ranges;
}

}  // namespace ptz
