// What each ptzctl command sends to a bound camera control: the same requests, in the same
// order, as the panel's matching button. Stateless: zoom and focus name their start or stop
// outright instead of going through the panel's start/stop toggles.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "camera/uvc_camera_control.h"
#include "ptzctl_arguments.h"

namespace ptz {

// What a read command got back: payloads as received, little-endian and zero-extended. Valid
// only if its requests went through.
struct PtzctlReading {
    std::optional<uint64_t> current = std::nullopt;  // get: GET_CUR
    std::optional<uint64_t> minimum = std::nullopt;  // range: GET_MIN, then GET_MAX
    std::optional<uint64_t> maximum = std::nullopt;
};

// Sends the command. Whether all its requests went through is told by the camera's
// failedRequestCount(), since some commands report one result of two, or none.
PtzctlReading sendPtzctlCommand(UVCCameraControl& camera, const PtzctlCommand& command);

// A reading as one line, or empty when there is none. A control of one value prints it as a
// number ("4660", or "0 16384" for a range); a control of several fields prints each, labelled:
// "pan=-36000 tilt=0", "pan=-612000..612000 tilt=-108000..324000".
std::string readingLine(UvcControlRow row, const PtzctlReading& reading);

}  // namespace ptz
