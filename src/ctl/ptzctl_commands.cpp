#include "ptzctl_commands.h"

#include "camera/uvc_payloads.h"

namespace ptz {
namespace {

using namespace uvc_payload;

void send(UVCCameraControl& camera, UvcControlRow row, int32_t value) {
    camera.setValue(static_cast<float>(value), &uvc_controls[row]);
}

// A manual focus step switches autofocus off first, as the panel does before each one.
void focus(UVCCameraControl& camera, int32_t value) {
    camera.MakeAutoFocus(false);
    send(camera, focusRelative, value);
}

}  // namespace

PtzctlReading sendPtzctlCommand(UVCCameraControl& camera, const PtzctlCommand& command) {
    PtzctlReading reading;
    switch (command.action) {
        case PtzctlAction::OsdUp:
            camera.ClickOsdUpBtn();
            break;
        case PtzctlAction::OsdDown:
            camera.ClickOsdDownBtn();
            break;
        case PtzctlAction::OsdLeft:
            camera.ClickOsdLeftBtn();
            break;
        case PtzctlAction::OsdRight:
            camera.ClickOsdRightBtn();
            break;
        case PtzctlAction::OsdOk:
            camera.ClickOsdOkBtn();
            break;
        case PtzctlAction::OsdBack:
            camera.ClickOsdBackBtn();
            break;
        case PtzctlAction::OsdMenu:
            camera.ClickOsdOpencloseBtn();
            break;
        case PtzctlAction::PanLeft:
            camera.ClickPtzLeftBtn(true);
            break;
        case PtzctlAction::PanRight:
            camera.ClickPtzRightBtn(true);
            break;
        case PtzctlAction::PanStop:
            camera.ClickPtzLeftBtn(false);  // the left and right stops are the same bytes
            break;
        case PtzctlAction::TiltUp:
            camera.ClickPtzUpBtn(true);
            break;
        case PtzctlAction::TiltDown:
            camera.ClickPtzDownBtn(true);
            break;
        case PtzctlAction::TiltStop:
            camera.ClickPtzUpBtn(false);  // the up and down stops are the same bytes
            break;
        case PtzctlAction::Home:
            camera.ClickPtzHomeBtn();
            break;
        case PtzctlAction::ZoomIn:
            send(camera, zoomRelative, kZoomIn);
            break;
        case PtzctlAction::ZoomOut:
            send(camera, zoomRelative, kZoomOut);
            break;
        case PtzctlAction::ZoomStop:
            send(camera, zoomRelative, kZoomStop);
            break;
        case PtzctlAction::FocusNear:
            focus(camera, kFocusNear);
            break;
        case PtzctlAction::FocusFar:
            focus(camera, kFocusFar);
            break;
        case PtzctlAction::FocusStop:
            focus(camera, kFocusStop);
            break;
        case PtzctlAction::AutofocusOn:
            camera.MakeAutoFocus(true);
            break;
        case PtzctlAction::AutofocusOff:
            camera.MakeAutoFocus(false);
            break;
        case PtzctlAction::PresetSet:
            camera.ClickPtzSetBtn(command.preset);
            break;
        case PtzctlAction::PresetCall:
            camera.ClickPtzCallBtn(command.preset);
            break;
        case PtzctlAction::Get: {
            const UvcControlSpec& control = uvc_controls[command.row];
            reading.current =
                camera.getDataFor(kUvcGetCur, control.length, control.selector, control.unitId);
            break;
        }
        case PtzctlAction::Range:
            reading.range = camera.getRangeForControl(&uvc_controls[command.row]);
            break;
        case PtzctlAction::List:  // answered from the HID enumeration, before any binding
            break;
    }
    return reading;
}

}  // namespace ptz
