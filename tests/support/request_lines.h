// A SET_CUR of one of the command set's control rows as it reaches the camera:
// "21 01 00 0e 00 01 04 00 | 00 00 01 0a" (setup bytes, then the data stage).
#pragma once

#include <cstdio>
#include <string>

#include "camera/uvc_control_spec.h"

namespace ptz::testing {

inline std::string setCur(UvcControlRow row, const std::string& data) {
    const UvcControlSpec& control = uvc_controls[row];
    char setup[32];
    std::snprintf(setup, sizeof setup, "21 01 00 %02x 00 %02x %02x 00 | ", control.selector,
                  control.unitId, control.length);
    return setup + data;
}

}  // namespace ptz::testing
