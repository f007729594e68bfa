#include "ptzctl_commands.h"

#include "camera/uvc_payloads.h"

namespace ptz {
namespace {

using uvc_payload::Field;

// A manual focus step switches autofocus off first, as the panel does before each one.
void focus(UVCCameraControl& camera, int direction) {
    camera.MakeAutoFocus(false);
    camera.moveFocus(direction, camera.zoomFocusSpeed());
}

uint64_t get(UVCCameraControl& camera, int32_t request, UvcControlRow row) {
    const UvcControlSpec& control = uvc_controls[row];
    return static_cast<uint64_t>(
        camera.getDataFor(request, control.length, control.selector, control.unitId));
}

}  // namespace

PtzctlReading sendPtzctlCommand(UVCCameraControl& camera, const PtzctlCommand& command) {
    if (command.speed) {
        camera.setPanTiltSpeed(*command.speed);
        camera.setZoomFocusSpeed(*command.speed);
    }
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
            camera.moveZoom(1, camera.zoomFocusSpeed());
            break;
        case PtzctlAction::ZoomOut:
            camera.moveZoom(-1, camera.zoomFocusSpeed());
            break;
        case PtzctlAction::ZoomStop:
            camera.moveZoom(0, camera.zoomFocusSpeed());
            break;
        case PtzctlAction::FocusNear:
            focus(camera, 1);
            break;
        case PtzctlAction::FocusFar:
            focus(camera, -1);
            break;
        case PtzctlAction::FocusStop:
            focus(camera, 0);
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
        case PtzctlAction::Get:
            reading.current = get(camera, kUvcGetCur, command.row);
            break;
        case PtzctlAction::Range:
            // Both halves of an 8-byte range, where getRangeForControl keeps the first four.
            reading.minimum = get(camera, kUvcGetMin, command.row);
            reading.maximum = get(camera, kUvcGetMax, command.row);
            break;
        case PtzctlAction::List:  // answered from the HID enumeration, before any binding
            break;
    }
    return reading;
}

std::string readingLine(UvcControlRow row, const PtzctlReading& reading) {
    std::string line;
    for (const Field& field : uvc_payload::fieldsOf(row)) {
        if (!line.empty()) {
            line += ' ';
        }
        if (!field.label.empty()) {
            line += std::string(field.label) + '=';
        }
        if (reading.current) {
            line += std::to_string(uvc_payload::fieldValue(*reading.current, field));
        } else if (reading.minimum && reading.maximum) {
            line += std::to_string(uvc_payload::fieldValue(*reading.minimum, field)) +
                    (field.label.empty() ? " " : "..") +
                    std::to_string(uvc_payload::fieldValue(*reading.maximum, field));
        } else {
            return {};
        }
    }
    return line;
}

}  // namespace ptz
