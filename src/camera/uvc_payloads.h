// The fixed payload values of the camera commands, as the integers whose first `length`
// little-endian bytes go on the wire. Speeds: 10 for pan and tilt, 3 for zoom and focus.
#pragma once

#include <cstdint>

namespace ptz::uvc_payload {

// Relative pan/tilt: bPanRelative, bPanSpeed, bTiltRelative, bTiltSpeed. A stop keeps the
// speed byte of the axis the command moves.
inline constexpr int32_t kTiltUp = 0x0A010000;
inline constexpr int32_t kTiltDown = 0x0AFF0000;
inline constexpr int32_t kTiltStop = 0x0A000000;
inline constexpr int32_t kPanLeft = 0x00000AFF;
inline constexpr int32_t kPanRight = 0x00000A01;
inline constexpr int32_t kPanStop = 0x00000A00;
// Relative zoom: bZoom (1 tele, 0xFF wide, 0 stop), bDigitalZoom, bSpeed.
inline constexpr int32_t kZoomIn = 0x030001;
inline constexpr int32_t kZoomOut = 0x0300FF;
inline constexpr int32_t kZoomStop = 0x030000;
// Relative focus: bFocusRelative (1 near, 0xFF far, 0 stop), bSpeed.
inline constexpr int32_t kFocusNear = 0x0301;
inline constexpr int32_t kFocusFar = 0x03FF;
inline constexpr int32_t kFocusStop = 0x0300;

}  // namespace ptz::uvc_payload
