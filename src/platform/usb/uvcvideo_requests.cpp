#include "platform/usb/uvcvideo_requests.h"

#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/log.h"
#include "platform/usb/usb_status_mapping.h"
#include "platform/usb/uvc_request_codes.h"

namespace ptz {
namespace {

constexpr uint8_t kDirectionForward = 0x01;
constexpr uint8_t kDirectionBackward = 0xFF;

enum class FieldKind : uint8_t {
    // A direction byte (0 stop, 1 forward, 0xFF backward) and a speed byte; the V4L2 value is
    // direction x speed.
    kDirectionAndSpeed,
    kSigned32,
    kUnsigned16,
    kUnsigned8,
};

struct PayloadField {
    uint32_t controlId = 0;
    FieldKind kind = FieldKind::kUnsigned8;
    uint8_t offset = 0;       // first payload byte of the field (the direction byte)
    uint8_t speedOffset = 0;  // kDirectionAndSpeed: the speed byte
};

// A camera-terminal control and the V4L2 controls that stand for it.
struct CameraTerminalControl {
    uint8_t selector = 0;
    uint16_t length = 0;
    // A continuous move: a SET goes through the move planning, GET_MIN and GET_MAX are refused.
    bool relative = false;
    size_t fieldCount = 0;
    std::array<PayloadField, 2> fields{};
};

constexpr CameraTerminalControl control(uint8_t selector, uint16_t length, bool relative,
                                        PayloadField field) {
    return {selector, length, relative, 1, {field, {}}};
}
constexpr CameraTerminalControl control(uint8_t selector, uint16_t length, bool relative,
                                        PayloadField first, PayloadField second) {
    return {selector, length, relative, 2, {first, second}};
}

constexpr bool kRelative = true;
constexpr bool kAbsolute = false;

constexpr std::array kCameraTerminalControls{
    // CT_PANTILT_RELATIVE_CONTROL: bPanRelative, bPanSpeed, bTiltRelative, bTiltSpeed.
    control(0x0E, 4, kRelative, {V4L2_CID_PAN_SPEED, FieldKind::kDirectionAndSpeed, 0, 1},
            {V4L2_CID_TILT_SPEED, FieldKind::kDirectionAndSpeed, 2, 3}),
    // CT_PANTILT_ABSOLUTE_CONTROL: dwPanAbsolute, dwTiltAbsolute.
    control(0x0D, 8, kAbsolute, {V4L2_CID_PAN_ABSOLUTE, FieldKind::kSigned32, 0},
            {V4L2_CID_TILT_ABSOLUTE, FieldKind::kSigned32, 4}),
    // CT_ZOOM_RELATIVE_CONTROL: bZoom, bDigitalZoom (the driver keeps the camera's), bSpeed.
    control(0x0C, 3, kRelative, {V4L2_CID_ZOOM_CONTINUOUS, FieldKind::kDirectionAndSpeed, 0, 2}),
    // CT_ZOOM_ABSOLUTE_CONTROL: wObjectiveFocalLength.
    control(0x0B, 2, kAbsolute, {V4L2_CID_ZOOM_ABSOLUTE, FieldKind::kUnsigned16, 0}),
    // CT_FOCUS_RELATIVE_CONTROL: bFocusRelative, bSpeed; no V4L2 control.
    CameraTerminalControl{0x07, 2, kRelative, 0, {}},
    // CT_FOCUS_ABSOLUTE_CONTROL: wFocusAbsolute.
    control(0x06, 2, kAbsolute, {V4L2_CID_FOCUS_ABSOLUTE, FieldKind::kUnsigned16, 0}),
    // CT_FOCUS_AUTO_CONTROL: bFocusAuto.
    control(0x08, 1, kAbsolute, {V4L2_CID_FOCUS_AUTO, FieldKind::kUnsigned8, 0}),
};

// An axis of the head and the controls through which the driver moves it.
struct Axis {
    const char* forward;  // the moves, for the log
    const char* backward;
    const char* stop;
    uint32_t speedControl;  // 0: the driver has none
    const char* speedControlName;
    uint32_t absoluteControl;
    const char* absoluteControlName;
    // Focus absolute is a distance: toward near is toward its minimum.
    bool forwardIsTowardMinimum;
};

constexpr std::array kAxes{
    Axis{"pan clockwise", "pan counter-clockwise", "a pan stop", V4L2_CID_PAN_SPEED, "Pan, Speed",
         V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", false},
    Axis{"tilt up", "tilt down", "a tilt stop", V4L2_CID_TILT_SPEED, "Tilt, Speed",
         V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", false},
    Axis{"zoom in", "zoom out", "a zoom stop", V4L2_CID_ZOOM_CONTINUOUS, "Zoom, Continuous",
         V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", false},
    Axis{"focus near", "focus far", "a focus stop", 0, "Focus, Relative", V4L2_CID_FOCUS_ABSOLUTE,
         "Focus, Absolute", true},
};
constexpr size_t kPan = 0;
constexpr size_t kTilt = 1;
constexpr size_t kZoom = 2;
constexpr size_t kFocus = 3;

const CameraTerminalControl* findCameraTerminalControl(uint8_t selector) {
    const auto found = std::find_if(
        kCameraTerminalControls.begin(), kCameraTerminalControls.end(),
        [selector](const CameraTerminalControl& control) { return control.selector == selector; });
    return found == kCameraTerminalControls.end() ? nullptr : &*found;
}

// -1, 0 or +1, or nullopt for a byte that means no direction.
std::optional<int> directionOf(uint8_t byte) {
    switch (byte) {
        case 0:
            return 0;
        case kDirectionForward:
            return 1;
        case kDirectionBackward:
            return -1;
        default:
            return std::nullopt;
    }
}

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

int32_t decodeField(const PayloadField& field, std::span<const uint8_t> payload) {
    switch (field.kind) {
        case FieldKind::kSigned32:
            return static_cast<int32_t>(readLittleEndian(payload, field.offset, 4));
        case FieldKind::kUnsigned16:
            return static_cast<int32_t>(readLittleEndian(payload, field.offset, 2));
        case FieldKind::kUnsigned8:
        case FieldKind::kDirectionAndSpeed:
            break;
    }
    return payload[field.offset];
}

// The camera's own layout of a value the driver reports, as the raw GET would have answered.
void encodeField(const PayloadField& field, int64_t value, std::span<uint8_t> payload) {
    switch (field.kind) {
        case FieldKind::kDirectionAndSpeed: {
            const uint64_t magnitude =
                value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
            payload[field.offset] =
                value > 0 ? kDirectionForward : (value < 0 ? kDirectionBackward : 0);
            payload[field.speedOffset] = static_cast<uint8_t>(std::min<uint64_t>(magnitude, 0xFF));
            return;
        }
        case FieldKind::kSigned32:
            writeLittleEndian(payload, field.offset, 4, static_cast<uint32_t>(value));
            return;
        case FieldKind::kUnsigned16:
            writeLittleEndian(payload, field.offset, 2, static_cast<uint32_t>(value));
            return;
        case FieldKind::kUnsigned8:
            payload[field.offset] = static_cast<uint8_t>(value);
            return;
    }
}

bool isWellFormed(const UsbDeviceRequest& request) {
    if (request.wLength != 0 && request.pData == nullptr) {
        return false;
    }
    if (request.bRequest == kUvcSetCur) {
        return request.bmRequestType == kUvcSetRequestType;
    }
    return (request.bRequest & 0x80) != 0 && request.bmRequestType == kUvcGetRequestType;
}

// Sets or reads the controls in one call, as one request of each UVC control they belong to.
UsbStatus exchangeControls(VideoNode& node, bool set, std::span<v4l2_ext_control> controls) {
    v4l2_ext_controls group{};
    group.which = V4L2_CTRL_WHICH_CUR_VAL;
    group.count = static_cast<uint32_t>(controls.size());
    group.controls = controls.data();
    const int error = set ? node.ioctl("VIDIOC_S_EXT_CTRLS", VIDIOC_S_EXT_CTRLS, &group)
                          : node.ioctl("VIDIOC_G_EXT_CTRLS", VIDIOC_G_EXT_CTRLS, &group);
    return statusFromDriverErrno(error);
}

v4l2_ext_control controlOf(uint32_t id, int32_t value = 0) {
    v4l2_ext_control control{};
    control.id = id;
    control.value = value;
    return control;
}

using DriverRange = UvcvideoRequests::DriverRange;
using AxisMove = UvcvideoRequests::AxisMove;

bool carries(const DriverRange& range, int64_t value) {
    return value >= range.minimum && value <= range.maximum &&
           (value - range.minimum) % static_cast<int64_t>(range.step) == 0;
}

// How one axis of a move would go.
struct AxisPlan {
    const DriverRange* relative = nullptr;  // null: no such V4L2 control
    const DriverRange* absolute = nullptr;  // null: none the move could use
    std::optional<int64_t> value;           // the relative value, if one exists
    bool relativeCarries = false;           // the driver carries the value and a stop exactly
};

bool isStop(const AxisMove& move) {
    return move.direction == 0 || move.speed == 0;
}

// direction x speed, a speed above the camera's maximum taken as the maximum.
std::optional<int64_t> relativeValue(const AxisMove& move, const DriverRange& range) {
    if (isStop(move)) {
        return 0;
    }
    const int64_t speed = std::min<int64_t>(move.speed, range.maximum);
    if (speed < 1) {
        return std::nullopt;
    }
    return move.direction * speed;
}

std::string motionOf(const AxisMove& move) {
    const Axis& axis = kAxes[move.axis];
    if (isStop(move)) {
        return axis.stop;
    }
    return std::string(move.direction > 0 ? axis.forward : axis.backward) + " at speed " +
           std::to_string(move.speed);
}

void logCannotCarry(const AxisMove& move, const AxisPlan& plan) {
    const Axis& axis = kAxes[move.axis];
    std::string why;
    const char* verb = "carry";
    if (plan.relative == nullptr) {
        why = std::string("it has no ") + axis.speedControlName + " control";
    } else {
        why = std::string(axis.speedControlName) + " ranges over " +
              std::to_string(plan.relative->minimum) + ".." +
              std::to_string(plan.relative->maximum);
        if (plan.value && carries(*plan.relative, *plan.value)) {
            verb = "stop";  // the move itself would go, but nothing could stop it
        }
    }
    logLine(
        "uvcvideo: this kernel's driver cannot %s %s (%s) and the camera has no %s control; "
        "nothing sent",
        verb, motionOf(move).c_str(), why.c_str(), axis.absoluteControlName);
}

}  // namespace

UvcvideoRequests::UvcvideoRequests(VideoControlUnits units, VideoNode& node)
    : units_(std::move(units)), node_(node) {}

bool UvcvideoRequests::moveInProgress() const {
    return std::find(moving_.begin(), moving_.end(), true) != moving_.end();
}

UsbStatus UvcvideoRequests::carryOut(UsbDeviceRequest& request) {
    request.wLenDone = 0;
    if (!isWellFormed(request)) {
        return usb_status::kUnsupported;
    }
    const auto unit = static_cast<uint8_t>(request.wIndex >> 8);
    const auto selector = static_cast<uint8_t>(request.wValue >> 8);
    UsbStatus status = usb_status::kUnsupported;
    if (units_.cameraTerminalId && unit == *units_.cameraTerminalId) {
        status = request.bRequest == kUvcSetCur ? setCameraTerminal(selector, request)
                                                : getCameraTerminal(selector, request);
    } else if (units_.isExtensionUnit(unit)) {
        status = queryExtensionUnit(unit, selector, request);
    }
    if (status == usb_status::kSuccess) {
        request.wLenDone = request.wLength;
    } else if (status == usb_status::kNoDevice) {
        // Unplugged: nothing of this camera moves for us any more.
        moving_.fill(false);
    }
    return status;
}

UsbStatus UvcvideoRequests::queryExtensionUnit(uint8_t unit, uint8_t selector,
                                               UsbDeviceRequest& request) {
    uvc_xu_control_query query{};
    query.unit = unit;
    query.selector = selector;
    query.query = request.bRequest;
    query.size = request.wLength;
    query.data = request.pData;
    return statusFromDriverErrno(node_.ioctl("UVCIOC_CTRL_QUERY", UVCIOC_CTRL_QUERY, &query));
}

// The range the driver reports for a control, read once; null when the camera has no such
// control (the driver answers EINVAL).
UsbStatus UvcvideoRequests::rangeOf(uint32_t controlId, const DriverRange*& range) {
    auto known = ranges_.find(controlId);
    if (known == ranges_.end()) {
        v4l2_query_ext_ctrl query{};
        query.id = controlId;
        const int error = node_.ioctl("VIDIOC_QUERY_EXT_CTRL", VIDIOC_QUERY_EXT_CTRL, &query);
        if (error != 0 && error != EINVAL) {
            return statusFromDriverErrno(error);
        }
        std::optional<DriverRange> found;
        if (error == 0) {
            found = DriverRange{query.minimum, query.maximum, std::max<uint64_t>(query.step, 1),
                                query.flags};
        }
        known = ranges_.emplace(controlId, found).first;
    }
    range = known->second ? &*known->second : nullptr;
    return usb_status::kSuccess;
}

UsbStatus UvcvideoRequests::setCameraTerminal(uint8_t selector, UsbDeviceRequest& request) {
    const CameraTerminalControl* control = findCameraTerminalControl(selector);
    if (control == nullptr || request.wLength != control->length) {
        return usb_status::kUnsupported;
    }
    const std::span<const uint8_t> payload(request.pData, request.wLength);
    if (!control->relative) {
        std::array<v4l2_ext_control, 2> controls{};
        for (size_t i = 0; i < control->fieldCount; ++i) {
            controls[i] =
                controlOf(control->fields[i].controlId, decodeField(control->fields[i], payload));
        }
        return exchangeControls(node_, true, std::span(controls.data(), control->fieldCount));
    }
    // The direction byte, then the speed byte, of each axis the control moves.
    std::array<AxisMove, 2> moves{};
    std::array<std::pair<size_t, size_t>, 2> layout{};
    size_t count = 1;
    switch (selector) {
        case 0x0E:
            moves = {AxisMove{kPan, 0, 0}, AxisMove{kTilt, 0, 0}};
            layout = {std::pair{0, 1}, std::pair{2, 3}};
            count = 2;
            break;
        case 0x0C:
            moves[0] = AxisMove{kZoom, 0, 0};
            layout[0] = {0, 2};
            break;
        default:
            moves[0] = AxisMove{kFocus, 0, 0};
            layout[0] = {0, 1};
            break;
    }
    for (size_t i = 0; i < count; ++i) {
        const std::optional<int> direction = directionOf(payload[layout[i].first]);
        if (!direction) {
            return usb_status::kUnsupported;
        }
        moves[i].direction = *direction;
        moves[i].speed = payload[layout[i].second];
    }
    return move(std::span(moves.data(), count));
}

UsbStatus UvcvideoRequests::move(std::span<const AxisMove> moves) {
    std::array<AxisPlan, 2> plans{};
    bool relativeCarriesAll = true;
    for (size_t i = 0; i < moves.size(); ++i) {
        const Axis& axis = kAxes[moves[i].axis];
        AxisPlan& plan = plans[i];
        if (axis.speedControl != 0) {
            if (const UsbStatus status = rangeOf(axis.speedControl, plan.relative);
                status != usb_status::kSuccess) {
                return status;
            }
        }
        if (plan.relative != nullptr && (plan.relative->flags & V4L2_CTRL_FLAG_READ_ONLY) == 0) {
            plan.value = relativeValue(moves[i], *plan.relative);
            plan.relativeCarries =
                plan.value && carries(*plan.relative, 0) && carries(*plan.relative, *plan.value);
        }
        relativeCarriesAll = relativeCarriesAll && plan.relativeCarries;
    }
    bool absoluteReachesAll = !relativeCarriesAll;
    for (size_t i = 0; i < moves.size() && !relativeCarriesAll; ++i) {
        AxisPlan& plan = plans[i];
        if (const UsbStatus status = rangeOf(kAxes[moves[i].axis].absoluteControl, plan.absolute);
            status != usb_status::kSuccess) {
            return status;
        }
        // A stop holds the head where it is, which takes reading the control as well.
        constexpr uint32_t kUnusable =
            V4L2_CTRL_FLAG_READ_ONLY | V4L2_CTRL_FLAG_WRITE_ONLY | V4L2_CTRL_FLAG_DISABLED;
        if (plan.absolute != nullptr && (plan.absolute->flags & kUnusable) != 0) {
            plan.absolute = nullptr;
        }
        absoluteReachesAll = absoluteReachesAll && plan.absolute != nullptr;
    }

    std::array<v4l2_ext_control, 2> controls{};
    UsbStatus status = usb_status::kUnsupported;
    if (relativeCarriesAll) {
        for (size_t i = 0; i < moves.size(); ++i) {
            controls[i] =
                controlOf(kAxes[moves[i].axis].speedControl, static_cast<int32_t>(*plans[i].value));
        }
        status = exchangeControls(node_, true, std::span(controls.data(), moves.size()));
    } else if (absoluteReachesAll) {
        // A moving axis heads for the end of its range, a stopped one holds where it is.
        std::vector<v4l2_ext_control> held;
        for (size_t i = 0; i < moves.size(); ++i) {
            const Axis& axis = kAxes[moves[i].axis];
            controls[i] = controlOf(axis.absoluteControl);
            if (isStop(moves[i])) {
                held.push_back(controls[i]);
                continue;
            }
            const bool towardMinimum = (moves[i].direction < 0) != axis.forwardIsTowardMinimum;
            controls[i].value = static_cast<int32_t>(towardMinimum ? plans[i].absolute->minimum
                                                                   : plans[i].absolute->maximum);
        }
        if (!held.empty()) {
            status = exchangeControls(node_, false, held);
            if (status != usb_status::kSuccess) {
                return status;
            }
            for (size_t i = 0, next = 0; i < moves.size(); ++i) {
                if (isStop(moves[i])) {
                    controls[i].value = held[next++].value;
                }
            }
        }
        status = exchangeControls(node_, true, std::span(controls.data(), moves.size()));
    } else {
        for (size_t i = 0; i < moves.size(); ++i) {
            if (!plans[i].relativeCarries) {
                logCannotCarry(moves[i], plans[i]);
                break;
            }
        }
        return usb_status::kUnsupported;
    }
    if (status == usb_status::kSuccess) {
        for (const AxisMove& axisMove : moves) {
            moving_[axisMove.axis] = !isStop(axisMove);
        }
    }
    return status;
}

UsbStatus UvcvideoRequests::getCameraTerminal(uint8_t selector, UsbDeviceRequest& request) {
    const CameraTerminalControl* control = findCameraTerminalControl(selector);
    if (control == nullptr || control->fieldCount == 0 || request.wLength != control->length) {
        return usb_status::kUnsupported;
    }
    std::array<int64_t, 2> values{};
    if (request.bRequest == kUvcGetCur) {
        std::array<v4l2_ext_control, 2> controls{};
        for (size_t i = 0; i < control->fieldCount; ++i) {
            controls[i] = controlOf(control->fields[i].controlId);
        }
        const UsbStatus status =
            exchangeControls(node_, false, std::span(controls.data(), control->fieldCount));
        if (status != usb_status::kSuccess) {
            return status;
        }
        for (size_t i = 0; i < control->fieldCount; ++i) {
            values[i] = controls[i].value;
        }
    } else if ((request.bRequest == kUvcGetMin || request.bRequest == kUvcGetMax) &&
               !control->relative) {
        for (size_t i = 0; i < control->fieldCount; ++i) {
            const DriverRange* range = nullptr;
            const UsbStatus status = rangeOf(control->fields[i].controlId, range);
            if (status != usb_status::kSuccess) {
                return status;
            }
            if (range == nullptr) {
                return usb_status::kUnsupported;
            }
            values[i] = request.bRequest == kUvcGetMin ? range->minimum : range->maximum;
        }
    } else {
        return usb_status::kUnsupported;
    }
    const std::span<uint8_t> payload(request.pData, request.wLength);
    std::fill(payload.begin(), payload.end(), uint8_t{0});
    for (size_t i = 0; i < control->fieldCount; ++i) {
        encodeField(control->fields[i], values[i], payload);
    }
    return usb_status::kSuccess;
}

}  // namespace ptz
