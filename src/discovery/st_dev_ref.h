// One listed device, and the process-wide list of them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace ptz {

class HidDevice;

struct st_DevRef {
    HidDevice* devRef;  // identifies the device; compared by identity, not owned
    int32_t vid;
    int32_t pid;
};

// One entry per connected supported device, in order of arrival; entry i is row i of the
// OSD panel's device combo box. Created by the OSD panel's load, then kept for the process.
extern std::optional<std::vector<st_DevRef>> arrDevList;

}  // namespace ptz
