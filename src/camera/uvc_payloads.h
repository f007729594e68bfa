// The payloads of the relative moves, as the integers whose first `length` little-endian bytes
// go on the wire. The command set's own speeds are 10 for pan and tilt and 3 for zoom and
// focus; a caller may choose others.
#pragma once

#include <cstdint>

namespace ptz::uvc_payload {

inline constexpr uint8_t kPanTiltSpeed = 10;
inline constexpr uint8_t kZoomFocusSpeed = 3;

// A direction as the relative controls carry it: 0 stop, 1 forward (clockwise, up, toward
// telephoto, toward near), 0xFF backward.
constexpr uint8_t directionByte(int direction) {
    return direction == 0 ? 0x00 : (direction > 0 ? 0x01 : 0xFF);
}

// CT_PANTILT_RELATIVE_CONTROL: bPanRelative, bPanSpeed, bTiltRelative, bTiltSpeed.
constexpr int32_t panTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                          uint8_t tiltSpeed) {
    return static_cast<int32_t>(static_cast<uint32_t>(directionByte(panDirection)) |
                                static_cast<uint32_t>(panSpeed) << 8 |
                                static_cast<uint32_t>(directionByte(tiltDirection)) << 16 |
                                static_cast<uint32_t>(tiltSpeed) << 24);
}

// CT_ZOOM_RELATIVE_CONTROL: bZoom, bDigitalZoom (always 0), bSpeed.
constexpr int32_t zoom(int direction, uint8_t speed) {
    return static_cast<int32_t>(static_cast<uint32_t>(directionByte(direction)) |
                                static_cast<uint32_t>(speed) << 16);
}

// CT_FOCUS_RELATIVE_CONTROL: bFocusRelative, bSpeed.
constexpr int32_t focus(int direction, uint8_t speed) {
    return static_cast<int32_t>(static_cast<uint32_t>(directionByte(direction)) |
                                static_cast<uint32_t>(speed) << 8);
}

// The panel's moves at the command set's speeds. A stop keeps the speed byte of the axis the
// command moves.
inline constexpr int32_t kTiltUp = panTilt(0, 0, 1, kPanTiltSpeed);
inline constexpr int32_t kTiltDown = panTilt(0, 0, -1, kPanTiltSpeed);
inline constexpr int32_t kTiltStop = panTilt(0, 0, 0, kPanTiltSpeed);
inline constexpr int32_t kPanLeft = panTilt(-1, kPanTiltSpeed, 0, 0);
inline constexpr int32_t kPanRight = panTilt(1, kPanTiltSpeed, 0, 0);
inline constexpr int32_t kPanStop = panTilt(0, kPanTiltSpeed, 0, 0);
inline constexpr int32_t kZoomIn = zoom(1, kZoomFocusSpeed);
inline constexpr int32_t kZoomOut = zoom(-1, kZoomFocusSpeed);
inline constexpr int32_t kZoomStop = zoom(0, kZoomFocusSpeed);
inline constexpr int32_t kFocusNear = focus(1, kZoomFocusSpeed);
inline constexpr int32_t kFocusFar = focus(-1, kZoomFocusSpeed);
inline constexpr int32_t kFocusStop = focus(0, kZoomFocusSpeed);

static_assert(kTiltUp == 0x0A010000 && kTiltDown == 0x0AFF0000 && kTiltStop == 0x0A000000);
static_assert(kPanLeft == 0x00000AFF && kPanRight == 0x00000A01 && kPanStop == 0x00000A00);
static_assert(kZoomIn == 0x030001 && kZoomOut == 0x0300FF && kZoomStop == 0x030000);
static_assert(kFocusNear == 0x0301 && kFocusFar == 0x03FF && kFocusStop == 0x0300);

}  // namespace ptz::uvc_payload
