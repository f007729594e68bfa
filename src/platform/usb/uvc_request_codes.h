// UVC class-specific request codes and the request types they travel with.
#pragma once

#include <cstdint>

namespace ptz {

inline constexpr uint8_t kUvcSetCur = 0x01;
inline constexpr uint8_t kUvcGetCur = 0x81;
inline constexpr uint8_t kUvcGetMin = 0x82;
inline constexpr uint8_t kUvcGetMax = 0x83;
// Class-specific request to an interface, host to device and device to host.
inline constexpr uint8_t kUvcSetRequestType = 0x21;
inline constexpr uint8_t kUvcGetRequestType = 0xA1;

}  // namespace ptz
