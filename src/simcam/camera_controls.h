// The simulated camera's entities and controls, as its descriptors announce them and its
// requests reach them: one table, so that bmControls and the answers cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "simcam/simulated_camera.h"

namespace ptz::sim {

// Entity 0 is the VideoControl interface itself.
inline constexpr uint8_t kInterfaceEntity = 0;
inline constexpr uint8_t kCameraTerminalId = 1;
inline constexpr uint8_t kOutputTerminalId = 3;
inline constexpr uint8_t kOsdUnitId = 19;
inline constexpr uint8_t kPresetUnitId = 20;

// Where the head can go, in the units of the camera terminal's absolute controls.
inline constexpr int32_t kArcSecondsPerDegree = 3600;
inline constexpr int32_t kPanMinimum = -170 * kArcSecondsPerDegree;
inline constexpr int32_t kPanMaximum = 170 * kArcSecondsPerDegree;
inline constexpr int32_t kTiltMinimum = -30 * kArcSecondsPerDegree;
inline constexpr int32_t kTiltMaximum = 90 * kArcSecondsPerDegree;
inline constexpr int32_t kZoomMinimum = 0;  // widest angle
inline constexpr int32_t kZoomMaximum = 16384;
inline constexpr int32_t kFocusMinimum = 0;  // nearest
inline constexpr int32_t kFocusMaximum = 1000;
inline constexpr int32_t kFocusDefault = 300;

enum class Control {
    kRequestErrorCode,
    kFocusAbsolute,
    kFocusRelative,
    kFocusAuto,
    kZoomAbsolute,
    kZoomRelative,
    kPanTiltAbsolute,
    kPanTiltRelative,
    kOsdKey,
    kPresetStore,
    kPresetRecall,
};

// Selectors of the camera terminal's controls and the interface's error code control.
inline constexpr uint8_t kRequestErrorCodeSelector = 0x02;
inline constexpr uint8_t kFocusAbsoluteSelector = 0x06;
inline constexpr uint8_t kFocusRelativeSelector = 0x07;
inline constexpr uint8_t kFocusAutoSelector = 0x08;
inline constexpr uint8_t kZoomAbsoluteSelector = 0x0B;
inline constexpr uint8_t kZoomRelativeSelector = 0x0C;
inline constexpr uint8_t kPanTiltAbsoluteSelector = 0x0D;
inline constexpr uint8_t kPanTiltRelativeSelector = 0x0E;
// Unit 19: keys up, down, left, right, OK, back, open/close. Unit 20: store, recall.
inline constexpr uint8_t kFirstOsdKeySelector = 1;
inline constexpr uint8_t kLastOsdKeySelector = 7;
inline constexpr uint8_t kPresetStoreSelector = 4;
inline constexpr uint8_t kPresetRecallSelector = 5;

struct ControlDefinition {
    Control control;
    uint8_t entity;
    uint8_t selector;
    uint8_t length;
    // Its bit in the entity's bmControls (the camera terminal's order is not the selectors').
    uint8_t bit;
    bool settable;
    // The answers of GET_MIN, GET_MAX, GET_RES and GET_DEF; empty where the control has no
    // such request (the request then stalls).
    std::vector<uint8_t> minimum;
    std::vector<uint8_t> maximum;
    std::vector<uint8_t> resolution;
    std::vector<uint8_t> defaultValue;
};

// Every control a camera made to `spec` has.
std::vector<ControlDefinition> cameraControls(const CameraSpec& spec);

// The bmControls bitmap of one entity, `size` bytes, little-endian.
std::vector<uint8_t> controlBitmap(std::span<const ControlDefinition> controls, uint8_t entity,
                                   size_t size);

// `count` bytes of `value`, least significant first.
std::vector<uint8_t> littleEndian(uint32_t value, size_t count);
uint32_t readLittleEndian(std::span<const uint8_t> bytes);

}  // namespace ptz::sim
