// What each ptzctl command sends to a bound camera control: the same requests, in the same
// order, as the panel's matching button. Stateless: zoom and focus name their start or stop
// value explicitly instead of going through the panel's start/stop toggles.
#pragma once

#include <cstdint>
#include <optional>

#include "camera/uvc_camera_control.h"
#include "ptzctl_arguments.h"

namespace ptz {

// What a read command got back (valid only if its requests succeeded).
struct PtzctlReading {
    std::optional<int64_t> current;  // get: GET_CUR, zero-extended as received
    std::optional<UvcRange> range;   // range: GET_MIN and GET_MAX
};

PtzctlReading sendPtzctlCommand(UVCCameraControl& camera, const PtzctlCommand& command);

}  // namespace ptz
