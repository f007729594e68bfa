// The request layer: SET_CUR/GET_* encoding and the open-transfer-close sequence.
#include "camera/uvc_camera_control.h"

#include <array>
#include <cmath>
#include <limits>

#include "platform/log.h"

namespace ptz {
namespace {

constexpr int32_t kMaxPayloadLength = 8;

// Truncation toward zero; out-of-range values saturate and NaN gives 0, where a plain cast
// would be undefined.
int32_t truncateToInt32(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483648.0f) {
        return std::numeric_limits<int32_t>::max();
    }
    if (value <= -2147483648.0f) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

UsbDeviceRequest makeRequest(uint8_t requestType, uint8_t request, int32_t length, int32_t selector,
                             int32_t unit, uint8_t interfaceNumber, uint8_t* payload) {
    UsbDeviceRequest r;
    r.bmRequestType = requestType;
    r.bRequest = request;
    r.wValue = static_cast<uint16_t>(static_cast<uint32_t>(selector) << 8);
    // UVC addresses the entity within the VideoControl interface named by the low byte.
    r.wIndex = static_cast<uint16_t>((static_cast<uint32_t>(unit) << 8) | interfaceNumber);
    r.wLength = static_cast<uint16_t>(length);
    r.pData = payload;
    r.wLenDone = 0;
    return r;
}

bool isPayloadLength(int32_t length) {
    return length >= 0 && length <= kMaxPayloadLength;
}

}  // namespace

std::shared_ptr<UVCCameraControl> UVCCameraControl::initWithInterface(
    std::unique_ptr<UsbInterface> interface) {
    std::shared_ptr<UVCCameraControl> control(new UVCCameraControl());
    control->interface_ = std::move(interface);
    return control;
}

UVCCameraControl::~UVCCameraControl() {
    if (interface_) {
        interface_->close();
    }
}

uint8_t UVCCameraControl::boundInterfaceNumber() const {
    return interface_ ? interface_->interfaceNumber() : 0;
}

bool UVCCameraControl::sendControlRequest(UsbDeviceRequest request) {
    if (!interface_) {
        logLine("CameraControl Error: No interface to send request");
        ++failedRequests_;
        return false;
    }
    const UsbStatus openStatus = interface_->open();
    if (openStatus != usb_status::kSuccess) {
        logLine("CameraControl Error: Unable to open interface (%08x)\n", openStatus);
        ++failedRequests_;
        return false;
    }
    const UsbStatus requestStatus = interface_->controlRequest(request);
    interface_->close();
    if (requestStatus != usb_status::kSuccess) {
        logLine("CameraControl Error: Control request failed: %08x", requestStatus);
        ++failedRequests_;
        return false;
    }
    return true;
}

bool UVCCameraControl::setData(int64_t value, int32_t length, int32_t selector, int32_t unit) {
    // A longer payload than the 8-byte buffer would let the transport run past it.
    if (!isPayloadLength(length)) {
        ++failedRequests_;
        return false;
    }
    std::array<uint8_t, kMaxPayloadLength> payload{};
    const auto bits = static_cast<uint64_t>(value);
    for (size_t i = 0; i < payload.size(); ++i) {
        payload[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    return sendControlRequest(makeRequest(kUvcSetRequestType, kUvcSetCur, length, selector, unit,
                                          boundInterfaceNumber(), payload.data()));
}

int64_t UVCCameraControl::getDataFor(int32_t request, int32_t length, int32_t selector,
                                     int32_t unit) {
    if (!isPayloadLength(length)) {
        ++failedRequests_;
        return 0;
    }
    std::array<uint8_t, kMaxPayloadLength> payload{};
    if (!sendControlRequest(makeRequest(kUvcGetRequestType, static_cast<uint8_t>(request), length,
                                        selector, unit, boundInterfaceNumber(), payload.data()))) {
        return 0;
    }
    // Bytes the device did not send stay 0; nothing is sign-extended.
    uint64_t bits = 0;
    for (size_t i = 0; i < payload.size(); ++i) {
        bits |= static_cast<uint64_t>(payload[i]) << (8 * i);
    }
    return static_cast<int64_t>(bits);
}

UvcRange UVCCameraControl::getRangeForControl(const UvcControlSpec* control) {
    const int64_t min = getDataFor(kUvcGetMin, control->length, control->selector, control->unitId);
    const int64_t max = getDataFor(kUvcGetMax, control->length, control->selector, control->unitId);
    return UvcRange{static_cast<int32_t>(min), static_cast<int32_t>(max)};
}

float UVCCameraControl::mapValue(float value, float fromMin, float fromMax, float toMin,
                                 float toMax) {
    const float offset = value - fromMin;
    const float fromSpan = fromMax - fromMin;
    const float toSpan = toMax - toMin;
    const float quotient = offset / fromSpan;
    const float product = quotient * toSpan;
    return product + toMin;
}

float UVCCameraControl::getValueForControl(const UvcControlSpec* control) {
    const UvcRange range = getRangeForControl(control);
    const auto current = static_cast<int32_t>(
        getDataFor(kUvcGetCur, control->length, control->selector, control->unitId));
    return mapValue(static_cast<float>(current), static_cast<float>(range.min),
                    static_cast<float>(range.max), 0.0f, 1.0f);
}

bool UVCCameraControl::setValue(float value, const UvcControlSpec* control) {
    const int64_t payload = truncateToInt32(value);
    return setData(payload, control->length, control->selector, control->unitId);
}

}  // namespace ptz
