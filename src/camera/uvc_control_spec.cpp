#include "camera/uvc_control_spec.h"

namespace ptz {

std::optional<UvcControlRow> uvcControlRowNamed(std::string_view name) {
    for (size_t row = 0; row < uvc_control_names.size(); ++row) {
        if (uvc_control_names[row] == name) {
            return static_cast<UvcControlRow>(row);
        }
    }
    return std::nullopt;
}

}  // namespace ptz
