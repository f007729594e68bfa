// One camera: its UVC control requests, its binding to the USB device and its named commands.
//
// Shared (std::shared_ptr) by the two panels; destroying the last reference closes and gives
// back the interface handle. Not thread-safe: used on the GUI thread only. Every request
// blocks until the USB layer's transfer finishes or times out.
#pragma once

#include <cstdint>
#include <memory>

#include "camera/uvc_control_spec.h"
#include "camera/uvc_payloads.h"
#include "platform/usb/usb_interface.h"
#include "platform/usb/uvc_request_codes.h"

namespace ptz {

class UVCCameraControl {
  public:
    // Binding. Neither fails for want of a camera: the result may be unbound, in which case
    // every request fails with a log line.
    static std::shared_ptr<UVCCameraControl> initWithVendorID(UsbRegistry& registry,
                                                              int64_t vendorId, int64_t productId);
    static std::shared_ptr<UVCCameraControl> initWithLocationID(UsbRegistry& registry,
                                                                uint32_t locationId);
    // An object bound to an interface handle that the caller already has (or unbound for
    // nullptr).
    static std::shared_ptr<UVCCameraControl> initWithInterface(
        std::unique_ptr<UsbInterface> interface);

    ~UVCCameraControl();
    UVCCameraControl(const UVCCameraControl&) = delete;
    UVCCameraControl& operator=(const UVCCameraControl&) = delete;

    bool isBound() const { return interface_ != nullptr; }

    // The device's first VideoControl interface as a handle, or nullptr.
    static std::unique_ptr<UsbInterface> getControlInferaceWithDeviceInterface(UsbDevice& device);

    // Requests.
    bool setValue(float value, const UvcControlSpec* control);
    bool setData(int64_t value, int32_t length, int32_t selector, int32_t unit);
    int64_t getDataFor(int32_t request, int32_t length, int32_t selector, int32_t unit);
    UvcRange getRangeForControl(const UvcControlSpec* control);
    float getValueForControl(const UvcControlSpec* control);
    float mapValue(float value, float fromMin, float fromMax, float toMin, float toMax);
    bool sendControlRequest(UsbDeviceRequest request);

    // The requests that have failed on this object, refused ones included. A command of several
    // requests may report one result or none (home, an OSD key's stop, MakeAutoFocus); a caller
    // that must know whether all of them went through compares this before and after.
    uint32_t failedRequestCount() const { return failedRequests_; }

    // OSD keys.
    bool ClickOsdUpBtn();
    bool ClickOsdDownBtn();
    bool ClickOsdLeftBtn();
    bool ClickOsdRightBtn();
    bool ClickOsdOkBtn();
    bool ClickOsdBackBtn();
    bool ClickOsdOpencloseBtn();

    // Pan/tilt: a true `start` starts the move, false stops it.
    bool ClickPtzUpBtn(bool start);
    bool ClickPtzDownBtn(bool start);
    bool ClickPtzLeftBtn(bool start);
    bool ClickPtzRightBtn(bool start);
    bool ClickPtzHomeBtn();

    // Zoom and focus alternate start and stop through process-wide toggles.
    bool ClickPtzZoomPlusBtn();
    bool ClickPtzZoomReduceBtn();
    bool ClickPtzFocusPlusBtn();
    bool ClickPtzFocusReduceBtn();

    bool ClickPtzAutoFocusBtn();
    void MakeAutoFocus(bool on);

    bool ClickPtzSetBtn(int32_t preset);
    bool ClickPtzCallBtn(int32_t preset);

    int32_t bAutoFocus() const { return bAutoFocus_; }
    void setBAutoFocus(int32_t value) { bAutoFocus_ = value; }

    // The speeds the commands above move at: the command set's own (10 for pan and tilt, 3 for
    // zoom and focus) until changed. Stops keep the speed byte, as the starts do.
    uint8_t panTiltSpeed() const { return panTiltSpeed_; }
    void setPanTiltSpeed(uint8_t speed) { panTiltSpeed_ = speed; }
    uint8_t zoomFocusSpeed() const { return zoomFocusSpeed_; }
    void setZoomFocusSpeed(uint8_t speed) { zoomFocusSpeed_ = speed; }

    // Moves named outright, for callers that keep their own state (the command line, a
    // gamepad): no toggle, no autofocus check. A direction is -1, 0 (stop) or +1, forward being
    // clockwise, up, toward telephoto and toward near. One SET_CUR each; its result.
    bool movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection, uint8_t tiltSpeed);
    bool moveZoom(int direction, uint8_t speed);
    bool moveFocus(int direction, uint8_t speed);

  private:
    UVCCameraControl() = default;

    bool sendRow(UvcControlRow row, int32_t value);
    // What goes in the low byte of wIndex: 0 while unbound.
    uint8_t boundInterfaceNumber() const;

    [[maybe_unused]] int64_t dataBuffer_ = 0;  // reserved
    std::unique_ptr<UsbInterface> interface_;
    int32_t bAutoFocus_ = 0;
    uint32_t failedRequests_ = 0;
    uint8_t panTiltSpeed_ = uvc_payload::kPanTiltSpeed;
    uint8_t zoomFocusSpeed_ = uvc_payload::kZoomFocusSpeed;
};

}  // namespace ptz
