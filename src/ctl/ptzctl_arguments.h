// ptzctl's command line, parsed into what to bind and what to send. Portable: no platform
// headers, no I/O.
//
//   ptzctl [--vid HEX --pid HEX | --location HEX] [--dry-run] COMMAND
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "camera/uvc_control_spec.h"

namespace ptz {

enum class PtzctlAction {
    OsdUp,
    OsdDown,
    OsdLeft,
    OsdRight,
    OsdOk,
    OsdBack,
    OsdMenu,
    PanLeft,
    PanRight,
    PanStop,
    TiltUp,
    TiltDown,
    TiltStop,
    Home,
    ZoomIn,
    ZoomOut,
    ZoomStop,
    FocusNear,
    FocusFar,
    FocusStop,
    AutofocusOn,
    AutofocusOff,
    PresetSet,
    PresetCall,
    Get,
    Range,
    List,  // the connected supported cameras; sends nothing
};

struct PtzctlCommand {
    PtzctlAction action = PtzctlAction::Home;
    int32_t preset = 0;         // PresetSet, PresetCall: 0..255
    UvcControlRow row = osdUp;  // Get, Range
};

struct PtzctlOptions {
    // Both or neither of vendor and product id; never together with the location id.
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
    std::optional<uint32_t> locationId;
    bool dryRun = false;
    bool help = false;  // --help: print the usage and send nothing
    PtzctlCommand command;
};

struct PtzctlParseResult {
    std::optional<PtzctlOptions> options;  // set when the line is valid
    std::string error;                     // one line without a line break, otherwise
};

// `args` excludes the program name.
PtzctlParseResult parsePtzctlArguments(std::span<const std::string_view> args);

// The usage text, several lines, ending with a line break.
std::string_view ptzctlUsage();

}  // namespace ptz
