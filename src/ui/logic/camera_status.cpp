#include "ui/logic/camera_status.h"

#include <cstdio>

#include "camera/uvc_control_spec.h"
#include "platform/usb/uvc_request_codes.h"

namespace ptz {
namespace {

// A relative control's direction byte.
enum class Direction { Stop, Forward, Backward };
Direction directionOf(uint8_t byte) {
    return byte == 0 ? Direction::Stop : (byte == 1 ? Direction::Forward : Direction::Backward);
}

// What the request asked the camera to do, as words that follow "cannot" or "refused to".
std::string actionOf(const RequestFailure& failure) {
    if (failure.request != kUvcSetCur) {
        return "report its settings";
    }
    // The OSD keys' rows, osdUp to osdOpenClose, in order.
    static const char* const kKeys[] = {"press the menu's up key",   "press the menu's down key",
                                        "press the menu's left key", "press the menu's right key",
                                        "press the menu's OK key",   "press the menu's back key",
                                        "open or close its menu"};
    for (size_t row = osdUp; row <= osdOpenClose; ++row) {
        if (failure.unit == uvc_controls[row].unitId &&
            failure.selector == uvc_controls[row].selector) {
            return kKeys[row - osdUp];
        }
    }
    for (const UvcControlRow row : {presetSet, presetCall}) {
        if (failure.unit == uvc_controls[row].unitId &&
            failure.selector == uvc_controls[row].selector) {
            return std::string(row == presetSet ? "store preset " : "recall preset ") +
                   std::to_string(failure.data[0]);
        }
    }
    if (failure.unit != kCameraTerminalUnit) {
        return "carry out this command";
    }
    const UvcControlSpec& panTilt = uvc_controls[panTiltRelative];
    if (failure.selector == panTilt.selector) {
        const Direction pan = directionOf(failure.data[0]);
        const Direction tilt = directionOf(failure.data[2]);
        if (pan == Direction::Stop && tilt == Direction::Stop) {
            return "stop panning and tilting";
        }
        std::string words;
        if (pan != Direction::Stop) {
            words = pan == Direction::Forward ? "pan right" : "pan left";
        }
        if (tilt != Direction::Stop) {
            words += std::string(words.empty() ? "" : " and ") +
                     (tilt == Direction::Forward ? "tilt up" : "tilt down");
        }
        return words;
    }
    if (failure.selector == uvc_controls[zoomRelative].selector) {
        static const char* const kZoom[] = {"stop zooming", "zoom in", "zoom out"};
        return kZoom[static_cast<int>(directionOf(failure.data[0]))];
    }
    if (failure.selector == uvc_controls[focusRelative].selector) {
        static const char* const kFocus[] = {"stop focusing", "focus nearer", "focus farther"};
        return kFocus[static_cast<int>(directionOf(failure.data[0]))];
    }
    if (failure.selector == uvc_controls[focusAuto].selector) {
        return failure.data[0] != 0 ? "switch autofocus on" : "switch autofocus off";
    }
    if (failure.selector == uvc_controls[panTiltAbsolute].selector ||
        failure.selector == uvc_controls[zoomAbsolute].selector) {
        return "go to its home position";
    }
    return "carry out this command";
}

}  // namespace

std::string cameraDescription(const std::string& name, uint32_t locationId) {
    if (locationId == 0) {
        return name;
    }
    std::string port = std::to_string(locationId >> 24);
    for (int shift = 20; shift >= 0; shift -= 4) {
        const uint32_t nibble = (locationId >> shift) & 0xF;
        if (nibble == 0) {
            break;
        }
        port += (shift == 20 ? "-" : ".") + std::to_string(nibble);
    }
    return name + " \u00b7 USB " + port;
}

std::string failureMessage(const RequestFailure& failure) {
    if (failure.noInterface) {
        return "The camera could not be opened: plug it in again, or pick it again in the "
               "camera list";
    }
    switch (failure.status) {
        case usb_status::kNotPermitted:
            return "Permission denied: the udev rule is not installed \u2014 see Installing";
        case usb_status::kExclusiveAccess:
            return "The camera is busy: another program is using it \u2014 close that program "
                   "and try again";
        case usb_status::kNoDevice:
            return "The camera was unplugged: plug it in again";
        case usb_status::kTimeout:
            return "The camera did not answer";
        case usb_status::kPipeStalled:
            return "The camera refused to " + actionOf(failure);
        case usb_status::kUnsupported:
            return "This kernel's driver cannot " + actionOf(failure) + " on this camera";
        default: {
            char code[9];
            std::snprintf(code, sizeof code, "%08x", failure.status);
            return "The camera could not " + actionOf(failure) + " (error " + code + ")";
        }
    }
}

void CameraStatus::showCamera(const std::string& description) {
    view_.showCamera(description);
    view_.showMessage({});
}

}  // namespace ptz
