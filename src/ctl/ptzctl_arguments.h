// ptzctl's command line, parsed into what to bind and what to send. Portable: no platform
// headers, no I/O.
//
//   ptzctl [--vid HEX --pid HEX | --location HEX | --simulated-camera] [--dry-run]
//          [--speed N] COMMAND
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
    // Pan, tilt, zoom and focus: the speed byte in place of the command set's own.
    std::optional<uint8_t> speed = std::nullopt;

    bool operator==(const PtzctlCommand&) const = default;
};

struct PtzctlOptions {
    // Both or neither of vendor and product id; never together with the location id.
    std::optional<uint16_t> vendorId = std::nullopt;
    std::optional<uint16_t> productId = std::nullopt;
    std::optional<uint32_t> locationId = std::nullopt;
    bool dryRun = false;
    // A fresh simulated camera in place of the machine's; never with ids or a dry run.
    bool simulatedCamera = false;
    PtzctlCommand command;

    bool operator==(const PtzctlOptions&) const = default;
};

struct PtzctlParseResult {
    std::optional<PtzctlOptions> options;  // set when the line is valid
    std::string help;                      // or the usage text that --help asks for
    std::string error;                     // or one line without a line break
};

// `args` excludes the program name.
PtzctlParseResult parsePtzctlArguments(std::span<const std::string_view> args);

}  // namespace ptz
