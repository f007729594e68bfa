#include "simcam/camera_controls.h"

#include <algorithm>

namespace ptz::sim {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes join(const Bytes& first, const Bytes& second) {
    Bytes joined = first;
    joined.insert(joined.end(), second.begin(), second.end());
    return joined;
}

// Relative controls answer the range requests with direction bytes of 0: only the speeds
// have a range.
uint8_t defaultSpeed(uint8_t minimum, uint8_t maximum) {
    return static_cast<uint8_t>(std::max<int>(minimum, (minimum + maximum + 1) / 2));
}

ControlDefinition ranged(Control control, uint8_t entity, uint8_t selector, uint8_t length,
                         uint8_t bit, Bytes minimum, Bytes maximum, Bytes resolution,
                         Bytes defaultValue) {
    return {control,
            entity,
            selector,
            length,
            bit,
            true,
            std::move(minimum),
            std::move(maximum),
            std::move(resolution),
            std::move(defaultValue)};
}

}  // namespace

std::vector<uint8_t> littleEndian(uint32_t value, size_t count) {
    Bytes bytes(count);
    for (size_t i = 0; i < count && i < 4; ++i) {
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    }
    return bytes;
}

uint32_t readLittleEndian(std::span<const uint8_t> bytes) {
    uint32_t value = 0;
    for (size_t i = 0; i < bytes.size() && i < 4; ++i) {
        value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    }
    return value;
}

std::vector<ControlDefinition> cameraControls(const CameraSpec& spec) {
    const uint8_t slowest = spec.minimumSpeed;
    const auto le16 = [](int32_t value) { return littleEndian(static_cast<uint32_t>(value), 2); };
    const auto le32 = [](int32_t value) { return littleEndian(static_cast<uint32_t>(value), 4); };

    std::vector<ControlDefinition> controls;
    // GET_CUR and GET_INFO only, as the standard has it.
    controls.push_back({Control::kRequestErrorCode,
                        kInterfaceEntity,
                        kRequestErrorCodeSelector,
                        1,
                        0,
                        false,
                        {},
                        {},
                        {},
                        {}});
    if (spec.hasAbsoluteControls) {
        controls.push_back(ranged(Control::kFocusAbsolute, kCameraTerminalId,
                                  kFocusAbsoluteSelector, 2, 5, le16(kFocusMinimum),
                                  le16(kFocusMaximum), le16(1), le16(kFocusDefault)));
    }
    controls.push_back(ranged(Control::kFocusRelative, kCameraTerminalId, kFocusRelativeSelector, 2,
                              6, {0, slowest}, {0, spec.maximumFocusSpeed}, {0, 1},
                              {0, defaultSpeed(slowest, spec.maximumFocusSpeed)}));
    // A boolean: GET_MIN, GET_MAX and GET_RES are not among its requests.
    controls.push_back(
        {Control::kFocusAuto, kCameraTerminalId, kFocusAutoSelector, 1, 17, true, {}, {}, {}, {1}});
    if (spec.hasAbsoluteControls) {
        controls.push_back(ranged(Control::kZoomAbsolute, kCameraTerminalId, kZoomAbsoluteSelector,
                                  2, 9, le16(kZoomMinimum), le16(kZoomMaximum), le16(1),
                                  le16(kZoomMinimum)));
    }
    // bDigitalZoom's range is 0..0: the camera has optical zoom only.
    controls.push_back(ranged(Control::kZoomRelative, kCameraTerminalId, kZoomRelativeSelector, 3,
                              10, {0, 0, slowest}, {0, 0, spec.maximumZoomSpeed}, {0, 0, 1},
                              {0, 0, defaultSpeed(slowest, spec.maximumZoomSpeed)}));
    if (spec.hasAbsoluteControls) {
        controls.push_back(ranged(
            Control::kPanTiltAbsolute, kCameraTerminalId, kPanTiltAbsoluteSelector, 8, 11,
            join(le32(kPanMinimum), le32(kTiltMinimum)),
            join(le32(kPanMaximum), le32(kTiltMaximum)),
            join(le32(kArcSecondsPerDegree), le32(kArcSecondsPerDegree)), join(le32(0), le32(0))));
    }
    controls.push_back(ranged(Control::kPanTiltRelative, kCameraTerminalId,
                              kPanTiltRelativeSelector, 4, 12, {0, slowest, 0, slowest},
                              {0, spec.maximumPanSpeed, 0, spec.maximumTiltSpeed}, {0, 1, 0, 1},
                              {0, defaultSpeed(slowest, spec.maximumPanSpeed), 0,
                               defaultSpeed(slowest, spec.maximumTiltSpeed)}));
    // A key press carries 0; the keys take no other value.
    for (uint8_t key = kFirstOsdKeySelector; key <= kLastOsdKeySelector; ++key) {
        controls.push_back(ranged(Control::kOsdKey, kOsdUnitId, key, 2,
                                  static_cast<uint8_t>(key - 1), le16(0), le16(0), le16(1),
                                  le16(0)));
    }
    controls.push_back(ranged(Control::kPresetStore, kPresetUnitId, kPresetStoreSelector, 1,
                              kPresetStoreSelector - 1, {0}, {255}, {1}, {0}));
    controls.push_back(ranged(Control::kPresetRecall, kPresetUnitId, kPresetRecallSelector, 1,
                              kPresetRecallSelector - 1, {0}, {255}, {1}, {0}));
    return controls;
}

std::vector<uint8_t> controlBitmap(std::span<const ControlDefinition> controls, uint8_t entity,
                                   size_t size) {
    Bytes bitmap(size, 0);
    for (const ControlDefinition& control : controls) {
        if (control.entity == entity && control.bit / 8u < size) {
            bitmap[control.bit / 8u] |= static_cast<uint8_t>(1u << (control.bit % 8u));
        }
    }
    return bitmap;
}

}  // namespace ptz::sim
