#include "platform/usb/uvcvideo_translation.h"

#include <linux/videodev2.h>

#include <algorithm>

#include "platform/usb/uvc_request_codes.h"

namespace ptz {
namespace {

constexpr uint8_t kDirectionForward = 0x01;
constexpr uint8_t kDirectionBackward = 0xFF;

constexpr CameraTerminalMapping makeMapping(uint8_t selector, uint16_t length,
                                            V4l2FieldMapping first) {
    return {selector, length, 1, {first, {}}};
}
constexpr CameraTerminalMapping makeMapping(uint8_t selector, uint16_t length,
                                            V4l2FieldMapping first, V4l2FieldMapping second) {
    return {selector, length, 2, {first, second}};
}

// Camera-terminal controls that the uvcvideo driver exposes as V4L2 controls. Focus relative
// (selector 7) has none, so it is missing here on purpose.
constexpr std::array kCameraTerminalMappings{
    // CT_PANTILT_RELATIVE_CONTROL: bPanRelative, bPanSpeed, bTiltRelative, bTiltSpeed.
    makeMapping(0x0E, 4, {V4L2_CID_PAN_SPEED, PayloadField::kDirectionAndSpeed, 0, 1},
                {V4L2_CID_TILT_SPEED, PayloadField::kDirectionAndSpeed, 2, 3}),
    // CT_PANTILT_ABSOLUTE_CONTROL: dwPanAbsolute, dwTiltAbsolute.
    makeMapping(0x0D, 8, {V4L2_CID_PAN_ABSOLUTE, PayloadField::kSigned32, 0, 0},
                {V4L2_CID_TILT_ABSOLUTE, PayloadField::kSigned32, 4, 0}),
    // CT_ZOOM_RELATIVE_CONTROL: bZoom, bDigitalZoom, bSpeed. The driver always sends digital
    // zoom 0, which is the only value the panel uses.
    makeMapping(0x0C, 3, {V4L2_CID_ZOOM_CONTINUOUS, PayloadField::kDirectionAndSpeed, 0, 2}),
    // CT_ZOOM_ABSOLUTE_CONTROL: wObjectiveFocalLength.
    makeMapping(0x0B, 2, {V4L2_CID_ZOOM_ABSOLUTE, PayloadField::kUnsigned16, 0, 0}),
    // CT_FOCUS_AUTO_CONTROL: bFocusAuto.
    makeMapping(0x08, 1, {V4L2_CID_FOCUS_AUTO, PayloadField::kUnsigned8, 0, 0}),
};

uint32_t readLittleEndian(std::span<const uint8_t> payload, size_t offset, size_t width) {
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i) {
        value |= static_cast<uint32_t>(payload[offset + i]) << (8 * i);
    }
    return value;
}

void writeLittleEndian(std::span<uint8_t> payload, size_t offset, size_t width, uint32_t value) {
    for (size_t i = 0; i < width; ++i) {
        payload[offset + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

// The V4L2 value of one field, or false when the payload holds no valid value for it.
bool decodeField(const V4l2FieldMapping& field, std::span<const uint8_t> payload, int32_t& value) {
    switch (field.field) {
        case PayloadField::kDirectionAndSpeed: {
            const uint8_t direction = payload[field.offset];
            const int32_t speed = payload[field.speedOffset];
            if (direction == 0) {
                // V4L2 cannot carry a speed with a stop; cameras stop on direction 0 anyway.
                value = 0;
            } else if (direction == kDirectionForward) {
                value = speed;
            } else if (direction == kDirectionBackward) {
                value = -speed;
            } else {
                return false;
            }
            return true;
        }
        case PayloadField::kSigned32:
            value = static_cast<int32_t>(readLittleEndian(payload, field.offset, 4));
            return true;
        case PayloadField::kUnsigned16:
            value = static_cast<int32_t>(readLittleEndian(payload, field.offset, 2));
            return true;
        case PayloadField::kUnsigned8:
            value = payload[field.offset];
            return true;
    }
    return false;
}

void encodeField(const V4l2FieldMapping& field, int64_t value, std::span<uint8_t> payload) {
    switch (field.field) {
        case PayloadField::kDirectionAndSpeed: {
            // The inverse of the driver's own packing: the sign is the direction, the
            // magnitude (at most one byte) the speed.
            const uint64_t magnitude =
                value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
            payload[field.offset] =
                value > 0 ? kDirectionForward : (value < 0 ? kDirectionBackward : 0);
            payload[field.speedOffset] = static_cast<uint8_t>(std::min<uint64_t>(magnitude, 0xFF));
            return;
        }
        case PayloadField::kSigned32:
            writeLittleEndian(payload, field.offset, 4, static_cast<uint32_t>(value));
            return;
        case PayloadField::kUnsigned16:
            writeLittleEndian(payload, field.offset, 2, static_cast<uint32_t>(value));
            return;
        case PayloadField::kUnsigned8:
            payload[field.offset] = static_cast<uint8_t>(value);
            return;
    }
}

bool isWellFormed(const UsbDeviceRequest& request) {
    if (request.bRequest == kUvcSetCur) {
        return request.bmRequestType == kUvcSetRequestType;
    }
    return (request.bRequest & 0x80) != 0 && request.bmRequestType == kUvcGetRequestType;
}

UvcvideoRoute cameraTerminalRoute(uint8_t query) {
    switch (query) {
        case kUvcSetCur:
            return UvcvideoRoute::kSetControls;
        case kUvcGetCur:
            return UvcvideoRoute::kGetCurrent;
        case kUvcGetMin:
            return UvcvideoRoute::kGetMinimum;
        case kUvcGetMax:
            return UvcvideoRoute::kGetMaximum;
        default:
            return UvcvideoRoute::kUnsupported;
    }
}

}  // namespace

const CameraTerminalMapping* findCameraTerminalMapping(uint8_t selector) {
    const auto found = std::find_if(
        kCameraTerminalMappings.begin(), kCameraTerminalMappings.end(),
        [selector](const CameraTerminalMapping& mapping) { return mapping.selector == selector; });
    return found == kCameraTerminalMappings.end() ? nullptr : &*found;
}

UvcvideoPlan planUvcvideoRequest(const UsbDeviceRequest& request, const VideoControlUnits& units) {
    UvcvideoPlan plan;
    if (!isWellFormed(request) || (request.wLength != 0 && request.pData == nullptr)) {
        return plan;
    }
    const auto unit = static_cast<uint8_t>(request.wIndex >> 8);
    const auto selector = static_cast<uint8_t>(request.wValue >> 8);

    if (units.isExtensionUnit(unit) && unit != units.cameraTerminalId) {
        plan.route = UvcvideoRoute::kExtensionUnitQuery;
        plan.unit = unit;
        plan.selector = selector;
        plan.query = request.bRequest;
        plan.size = request.wLength;
        return plan;
    }
    if (!units.cameraTerminalId || unit != *units.cameraTerminalId) {
        return plan;
    }
    const CameraTerminalMapping* mapping = findCameraTerminalMapping(selector);
    const UvcvideoRoute route = cameraTerminalRoute(request.bRequest);
    if (mapping == nullptr || route == UvcvideoRoute::kUnsupported ||
        request.wLength != mapping->length) {
        return plan;
    }

    plan.mapping = mapping;
    plan.controlCount = mapping->fieldCount;
    const std::span<const uint8_t> payload(request.pData, request.wLength);
    for (size_t i = 0; i < mapping->fieldCount; ++i) {
        plan.controls[i].controlId = mapping->fields[i].controlId;
        if (route == UvcvideoRoute::kSetControls &&
            !decodeField(mapping->fields[i], payload, plan.controls[i].value)) {
            return UvcvideoPlan{};
        }
    }
    plan.route = route;
    return plan;
}

void packCameraTerminalAnswer(const CameraTerminalMapping& mapping, std::span<const int64_t> values,
                              std::span<uint8_t> payload) {
    if (payload.size() < mapping.length) {
        return;
    }
    std::fill(payload.begin(), payload.end(), uint8_t{0});
    const size_t count = std::min(values.size(), mapping.fieldCount);
    for (size_t i = 0; i < count; ++i) {
        encodeField(mapping.fields[i], values[i], payload);
    }
}

}  // namespace ptz
