// The UVC controls that the camera commands address, one descriptor per row.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ptz {

struct UvcControlSpec {
    int32_t unitId;    // entity id of the unit or terminal; only the low 8 bits reach the wire
    int32_t selector;  // control selector; only the low 8 bits reach the wire
    int32_t length;    // payload length in bytes, 1 to 8
};

struct UvcRange {
    int32_t min;
    int32_t max;
};

// Row positions of uvc_controls; commands address rows by position.
enum UvcControlRow : size_t {
    osdUp,
    osdDown,
    osdLeft,
    osdRight,
    osdOk,
    osdBack,
    osdOpenClose,
    panTiltRelative,
    panTiltAbsolute,
    zoomRelative,
    zoomAbsolute,
    focusRelative,
    zoomAbsolute2,
    focusAuto,
    presetSet,
    presetCall,
    uvcControlRowCount,
};

// Unit 1 is the camera terminal; 19 takes the OSD keys and 20 the presets (vendor units).
inline constexpr int32_t kCameraTerminalUnit = 1;
inline constexpr int32_t kOsdExtensionUnit = 19;
inline constexpr int32_t kPresetExtensionUnit = 20;

inline constexpr std::array<UvcControlSpec, uvcControlRowCount> uvc_controls = {{
    {19, 1, 2},  // osdUp
    {19, 2, 2},  // osdDown
    {19, 3, 2},  // osdLeft
    {19, 4, 2},  // osdRight
    {19, 5, 2},  // osdOk
    {19, 6, 2},  // osdBack
    {19, 7, 2},  // osdOpenClose
    {1, 14, 4},  // panTiltRelative: CT_PANTILT_RELATIVE_CONTROL
    {1, 13, 8},  // panTiltAbsolute: CT_PANTILT_ABSOLUTE_CONTROL
    {1, 12, 3},  // zoomRelative: CT_ZOOM_RELATIVE_CONTROL
    {1, 11, 2},  // zoomAbsolute: CT_ZOOM_ABSOLUTE_CONTROL
    {1, 7, 2},   // focusRelative: CT_FOCUS_RELATIVE_CONTROL
    {1, 11, 2},  // zoomAbsolute2: CT_ZOOM_ABSOLUTE_CONTROL again
    {1, 8, 1},   // focusAuto: CT_FOCUS_AUTO_CONTROL
    {20, 4, 1},  // presetSet
    {20, 5, 1},  // presetCall
}};

inline constexpr std::array<std::string_view, uvcControlRowCount> uvc_control_names = {
    "osdUp",           "osdDown",      "osdLeft",      "osdRight",
    "osdOk",           "osdBack",      "osdOpenClose", "panTiltRelative",
    "panTiltAbsolute", "zoomRelative", "zoomAbsolute", "focusRelative",
    "zoomAbsolute2",   "focusAuto",    "presetSet",    "presetCall",
};

// The row with this name, or nothing.
std::optional<UvcControlRow> uvcControlRowNamed(std::string_view name);

}  // namespace ptz
