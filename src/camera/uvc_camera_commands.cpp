// The named commands: one per panel button, each a fixed row and payload.
#include "camera/uvc_camera_control.h"
#include "camera/uvc_payloads.h"

#include "platform/log.h"

namespace ptz {
namespace {

using namespace uvc_payload;

// One start/stop toggle: 0 means the next call starts, anything else that it stops. It flips
// only when the request went through, so a failed start is sent again.
bool toggleMove(int32_t& z, const auto& move) {
    const bool ok = move(z == 0);
    if (ok) {
        z = (z == 0) ? 1 : 0;
    }
    return ok;
}

// A chosen move's payload, sent exactly: as a float, a payload above 2^24 (a tilt speed with a
// pan direction, say) would lose its low bytes.
bool sendMove(UVCCameraControl& camera, UvcControlRow row, int32_t payload) {
    const UvcControlSpec& control = uvc_controls[row];
    return camera.setData(payload, control.length, control.selector, control.unitId);
}

}  // namespace

bool UVCCameraControl::sendRow(UvcControlRow row, int32_t value) {
    return setValue(static_cast<float>(value), &uvc_controls[row]);
}

bool UVCCameraControl::ClickOsdUpBtn() {
    const bool result = sendRow(osdUp, 0);
    ClickPtzUpBtn(false);
    return result;
}

bool UVCCameraControl::ClickOsdDownBtn() {
    const bool result = sendRow(osdDown, 0);
    ClickPtzDownBtn(false);
    return result;
}

bool UVCCameraControl::ClickOsdLeftBtn() {
    const bool result = sendRow(osdLeft, 0);
    ClickPtzLeftBtn(false);
    return result;
}

bool UVCCameraControl::ClickOsdRightBtn() {
    const bool result = sendRow(osdRight, 0);
    ClickPtzRightBtn(false);
    return result;
}

bool UVCCameraControl::ClickOsdOkBtn() {
    const bool result = sendRow(osdOk, 0);
    logLine("bRet = %d\n", result ? 1 : 0);
    return result;
}

bool UVCCameraControl::ClickOsdBackBtn() {
    return sendRow(osdBack, 0);
}

bool UVCCameraControl::ClickOsdOpencloseBtn() {
    return sendRow(osdOpenClose, 0);
}

bool UVCCameraControl::movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                                   uint8_t tiltSpeed) {
    return sendMove(*this, panTiltRelative,
                    panTilt(panDirection, panSpeed, tiltDirection, tiltSpeed));
}

bool UVCCameraControl::moveZoom(int direction, uint8_t speed) {
    return sendMove(*this, zoomRelative, zoom(direction, speed));
}

bool UVCCameraControl::moveFocus(int direction, uint8_t speed) {
    return sendMove(*this, focusRelative, focus(direction, speed));
}

bool UVCCameraControl::ClickPtzUpBtn(bool start) {
    return movePanTilt(0, 0, start ? 1 : 0, panTiltSpeed_);
}

bool UVCCameraControl::ClickPtzDownBtn(bool start) {
    return movePanTilt(0, 0, start ? -1 : 0, panTiltSpeed_);
}

bool UVCCameraControl::ClickPtzLeftBtn(bool start) {
    return movePanTilt(start ? -1 : 0, panTiltSpeed_, 0, 0);
}

bool UVCCameraControl::ClickPtzRightBtn(bool start) {
    return movePanTilt(start ? 1 : 0, panTiltSpeed_, 0, 0);
}

bool UVCCameraControl::ClickPtzHomeBtn() {
    sendRow(panTiltAbsolute, 0);
    sendRow(zoomAbsolute, 0);
    return true;
}

bool UVCCameraControl::ClickPtzZoomPlusBtn() {
    static int32_t z = 0;
    return toggleMove(z, [this](bool start) { return moveZoom(start ? 1 : 0, zoomFocusSpeed_); });
}

bool UVCCameraControl::ClickPtzZoomReduceBtn() {
    static int32_t z = 0;
    return toggleMove(z, [this](bool start) { return moveZoom(start ? -1 : 0, zoomFocusSpeed_); });
}

bool UVCCameraControl::ClickPtzFocusPlusBtn() {
    static int32_t z = 0;
    if (bAutoFocus_ == 1) {
        return false;
    }
    return toggleMove(z, [this](bool start) { return moveFocus(start ? 1 : 0, zoomFocusSpeed_); });
}

bool UVCCameraControl::ClickPtzFocusReduceBtn() {
    static int32_t z = 0;
    if (bAutoFocus_ == 1) {
        return false;
    }
    return toggleMove(z, [this](bool start) { return moveFocus(start ? -1 : 0, zoomFocusSpeed_); });
}

bool UVCCameraControl::ClickPtzAutoFocusBtn() {
    const bool turnOn = bAutoFocus_ == 0;
    const bool result = sendRow(focusAuto, turnOn ? 1 : 0);
    // The flag records what was asked for, whether or not the camera took it.
    bAutoFocus_ = turnOn ? 1 : 0;
    return result;
}

void UVCCameraControl::MakeAutoFocus(bool on) {
    bAutoFocus_ = on ? 1 : 0;
    sendRow(focusAuto, bAutoFocus_);
}

bool UVCCameraControl::ClickPtzSetBtn(int32_t preset) {
    return setValue(static_cast<float>(preset), &uvc_controls[presetSet]);
}

bool UVCCameraControl::ClickPtzCallBtn(int32_t preset) {
    return setValue(static_cast<float>(preset), &uvc_controls[presetCall]);
}

}  // namespace ptz
