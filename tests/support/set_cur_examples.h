// SET_CUR requests with the exact bytes they put on the bus: one control of each length and
// unit in use, checked against the fake USB layer and against the emulated camera alike.
#pragma once

#include <array>

#include "camera/uvc_control_spec.h"

namespace ptz::testing {

struct SetCurExample {
    UvcControlSpec control;
    float value;
    const char* bus;  // setup bytes | data stage
};

inline constexpr std::array<SetCurExample, 7> kSetCurExamples = {{
    {{1, 8, 1}, 1.0f, "21 01 00 08 00 01 01 00 | 01"},
    {{19, 1, 2}, 0.0f, "21 01 00 01 00 13 02 00 | 00 00"},
    {{1, 7, 2}, 2815.0f, "21 01 00 07 00 01 02 00 | ff 0a"},
    {{1, 12, 3}, 196863.0f, "21 01 00 0c 00 01 03 00 | ff 00 03"},
    {{1, 14, 4}, 184483840.0f, "21 01 00 0e 00 01 04 00 | 00 00 ff 0a"},
    {{1, 13, 8}, 0.0f, "21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00"},
    {{20, 5, 1}, 3.0f, "21 01 00 05 00 14 01 00 | 03"},
}};

}  // namespace ptz::testing
