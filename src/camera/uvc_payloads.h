// The payloads of the relative moves, as the integers whose first `length` little-endian bytes
// go on the wire, and the fields of every payload for reading one back. The command set's own
// speeds are 10 for pan and tilt and 3 for zoom and focus; a caller may choose others.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "camera/uvc_control_spec.h"

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

// One field of a payload: its bytes, little-endian, and whether they are read as signed, as
// the direction bytes are (0xFF is -1).
struct Field {
    std::string_view label;  // empty for the one field of a payload that holds one value
    uint8_t offset;
    uint8_t size;
    bool isSigned;
};

inline constexpr std::array<Field, 4> kPanTiltRelativeFields = {{
    {"panDirection", 0, 1, true},
    {"panSpeed", 1, 1, false},
    {"tiltDirection", 2, 1, true},
    {"tiltSpeed", 3, 1, false},
}};
inline constexpr std::array<Field, 2> kPanTiltAbsoluteFields = {{
    {"pan", 0, 4, true},
    {"tilt", 4, 4, true},
}};
inline constexpr std::array<Field, 3> kZoomRelativeFields = {{
    {"direction", 0, 1, true},
    {"digitalZoom", 1, 1, false},
    {"speed", 2, 1, false},
}};
inline constexpr std::array<Field, 2> kFocusRelativeFields = {{
    {"direction", 0, 1, true},
    {"speed", 1, 1, false},
}};
inline constexpr std::array<Field, 1> kOneValue = {{{"", 0, 8, false}}};

// The fields of a row's payload, first byte first.
constexpr std::span<const Field> fieldsOf(UvcControlRow row) {
    switch (row) {
        case panTiltRelative:
            return kPanTiltRelativeFields;
        case panTiltAbsolute:
            return kPanTiltAbsoluteFields;
        case zoomRelative:
            return kZoomRelativeFields;
        case focusRelative:
            return kFocusRelativeFields;
        default:
            return kOneValue;
    }
}

// A field's value in a payload given as its bytes read little-endian and zero-extended.
constexpr int64_t fieldValue(uint64_t payload, const Field& field) {
    if (field.size >= 8) {
        return static_cast<int64_t>(payload);
    }
    const unsigned bits = 8u * field.size;
    const uint64_t value = (payload >> (8u * field.offset)) & ((uint64_t{1} << bits) - 1);
    const bool negative = field.isSigned && (value >> (bits - 1)) != 0;
    return negative ? static_cast<int64_t>(value) - static_cast<int64_t>(uint64_t{1} << bits)
                    : static_cast<int64_t>(value);
}

}  // namespace ptz::uvc_payload
