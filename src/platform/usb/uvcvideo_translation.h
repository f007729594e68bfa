// How a UVC control request becomes a call of the uvcvideo driver, and how the driver's
// answer becomes the UVC payload again. Pure functions over data tables, so the mapping can
// be checked without a device; uvcvideo_interface issues the calls.
//
// Extension-unit requests pass through unchanged (UVCIOC_CTRL_QUERY). Camera-terminal
// requests become V4L2 controls, because the driver exposes them only that way. Anything
// else, including focus relative, for which V4L2 has no control, is unsupported.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/usb/usb_device_request.h"
#include "platform/usb/uvc_descriptors.h"

namespace ptz {

// How one V4L2 control sits in a camera-terminal payload.
enum class PayloadField : uint8_t {
    // A direction byte (0 stop, 1 forward, 0xFF backward) and a speed byte; the control's
    // value is direction x speed.
    kDirectionAndSpeed,
    kSigned32,
    kUnsigned16,
    kUnsigned8,
};

struct V4l2FieldMapping {
    uint32_t controlId = 0;
    PayloadField field = PayloadField::kUnsigned8;
    uint8_t offset = 0;       // first payload byte of the field (the direction byte)
    uint8_t speedOffset = 0;  // kDirectionAndSpeed: the speed byte
};

inline constexpr size_t kMaxControlsPerRequest = 2;

// One camera-terminal control and the V4L2 controls that stand for it.
struct CameraTerminalMapping {
    uint8_t selector = 0;
    uint16_t length = 0;
    size_t fieldCount = 0;
    std::array<V4l2FieldMapping, kMaxControlsPerRequest> fields{};

    std::span<const V4l2FieldMapping> fieldList() const { return {fields.data(), fieldCount}; }
};

// The mapping of a camera-terminal selector, or nullptr when V4L2 has no control for it.
const CameraTerminalMapping* findCameraTerminalMapping(uint8_t selector);

enum class UvcvideoRoute : uint8_t {
    kUnsupported,
    kExtensionUnitQuery,  // UVCIOC_CTRL_QUERY
    kSetControls,         // VIDIOC_S_EXT_CTRLS, all controls in one call
    kGetCurrent,          // VIDIOC_G_EXT_CTRLS, all controls in one call
    kGetMinimum,          // VIDIOC_QUERY_EXT_CTRL, one call per control
    kGetMaximum,          // VIDIOC_QUERY_EXT_CTRL, one call per control
};

struct V4l2ControlValue {
    uint32_t controlId = 0;
    int32_t value = 0;
};

struct UvcvideoPlan {
    UvcvideoRoute route = UvcvideoRoute::kUnsupported;
    // kExtensionUnitQuery: the request's own fields.
    uint8_t unit = 0;
    uint8_t selector = 0;
    uint8_t query = 0;
    uint16_t size = 0;
    // Camera-terminal routes: the controls, with the values to set for kSetControls.
    const CameraTerminalMapping* mapping = nullptr;
    size_t controlCount = 0;
    std::array<V4l2ControlValue, kMaxControlsPerRequest> controls{};

    std::span<const V4l2ControlValue> controlList() const& {
        return {controls.data(), controlCount};
    }
    // The span would outlive a temporary plan.
    std::span<const V4l2ControlValue> controlList() const&& = delete;
};

// Decides how `request` reaches the driver. For a SET, reads the payload from request.pData
// (wLength bytes). A request in the wrong direction for its code, of a length other than the
// control's, to an unknown unit, or with a direction byte other than 0, 1 or 0xFF is
// kUnsupported.
UvcvideoPlan planUvcvideoRequest(const UsbDeviceRequest& request, const VideoControlUnits& units);

// Writes V4L2 values (one per field of `mapping`, in field order) into `payload` in the
// camera's own layout, little-endian, as the camera would have answered the raw GET. Bytes
// that no field covers are 0. `payload` must hold mapping.length bytes.
void packCameraTerminalAnswer(const CameraTerminalMapping& mapping, std::span<const int64_t> values,
                              std::span<uint8_t> payload);

}  // namespace ptz
