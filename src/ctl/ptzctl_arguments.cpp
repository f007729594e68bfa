#include "ptzctl_arguments.h"

#include <array>
#include <charconv>

namespace ptz {
namespace {

constexpr uint32_t kMaxUsbId = 0xFFFF;
constexpr int32_t kMaxPreset = 255;

struct Word {
    std::string_view subject;
    std::string_view verb;
    PtzctlAction action;
};

// Commands of two words, the second naming the move or key. Presets, get and range take a
// number or a row name and are parsed on their own.
constexpr std::array<Word, 21> kTwoWordCommands = {{
    {"osd", "up", PtzctlAction::OsdUp},
    {"osd", "down", PtzctlAction::OsdDown},
    {"osd", "left", PtzctlAction::OsdLeft},
    {"osd", "right", PtzctlAction::OsdRight},
    {"osd", "ok", PtzctlAction::OsdOk},
    {"osd", "back", PtzctlAction::OsdBack},
    {"osd", "menu", PtzctlAction::OsdMenu},
    {"pan", "left", PtzctlAction::PanLeft},
    {"pan", "right", PtzctlAction::PanRight},
    {"pan", "stop", PtzctlAction::PanStop},
    {"tilt", "up", PtzctlAction::TiltUp},
    {"tilt", "down", PtzctlAction::TiltDown},
    {"tilt", "stop", PtzctlAction::TiltStop},
    {"zoom", "in", PtzctlAction::ZoomIn},
    {"zoom", "out", PtzctlAction::ZoomOut},
    {"zoom", "stop", PtzctlAction::ZoomStop},
    {"focus", "near", PtzctlAction::FocusNear},
    {"focus", "far", PtzctlAction::FocusFar},
    {"focus", "stop", PtzctlAction::FocusStop},
    {"autofocus", "on", PtzctlAction::AutofocusOn},
    {"autofocus", "off", PtzctlAction::AutofocusOff},
}};

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Hexadecimal with an optional 0x, at most `max`.
std::optional<uint32_t> parseHex(std::string_view text, uint32_t max) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

// Decimal digits only, 0 to 255: no sign, no hex, nothing that would wrap into a byte.
std::optional<int32_t> parsePreset(std::string_view text) {
    if (text.empty() || text.size() > 3) {
        return std::nullopt;
    }
    int32_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    return value <= kMaxPreset ? std::optional<int32_t>(value) : std::nullopt;
}

std::optional<PtzctlAction> twoWordAction(std::string_view subject, std::string_view verb) {
    for (const Word& word : kTwoWordCommands) {
        if (word.subject == subject && word.verb == verb) {
            return word.action;
        }
    }
    return std::nullopt;
}

bool takesSecondWord(std::string_view subject) {
    for (const Word& word : kTwoWordCommands) {
        if (word.subject == subject) {
            return true;
        }
    }
    return false;
}

// The command words after the options; an error text or nothing.
std::string parseCommand(std::span<const std::string_view> words, PtzctlCommand& command) {
    if (words.empty()) {
        return "missing command";
    }
    const std::string_view subject = words[0];
    size_t expected = 2;
    if (subject == "home") {
        command.action = PtzctlAction::Home;
        expected = 1;
    } else if (subject == "list") {
        command.action = PtzctlAction::List;
        expected = 1;
    } else if (subject == "get" || subject == "range") {
        if (words.size() < 2) {
            return quoted(subject) + " needs a row name";
        }
        const std::optional<UvcControlRow> row = uvcControlRowNamed(words[1]);
        if (!row) {
            return "unknown row " + quoted(words[1]);
        }
        command.action = subject == "get" ? PtzctlAction::Get : PtzctlAction::Range;
        command.row = *row;
    } else if (subject == "preset") {
        expected = 3;
        if (words.size() < 3) {
            return "'preset' needs set or call and a number";
        }
        if (words[1] != "set" && words[1] != "call") {
            return "unknown preset action " + quoted(words[1]);
        }
        const std::optional<int32_t> preset = parsePreset(words[2]);
        if (!preset) {
            return "preset number " + quoted(words[2]) + " is not in 0..255";
        }
        command.action = words[1] == "set" ? PtzctlAction::PresetSet : PtzctlAction::PresetCall;
        command.preset = *preset;
    } else if (takesSecondWord(subject)) {
        if (words.size() < 2) {
            return quoted(subject) + " needs an argument";
        }
        const std::optional<PtzctlAction> action = twoWordAction(subject, words[1]);
        if (!action) {
            return "unknown " + std::string(subject) + " argument " + quoted(words[1]);
        }
        command.action = *action;
    } else {
        return "unknown command " + quoted(subject);
    }
    if (words.size() > expected) {
        return "unexpected argument " + quoted(words[expected]);
    }
    return {};
}

}  // namespace

PtzctlParseResult parsePtzctlArguments(std::span<const std::string_view> args) {
    PtzctlOptions options;
    size_t i = 0;
    const auto fail = [](std::string message) {
        return PtzctlParseResult{std::nullopt, std::move(message)};
    };
    for (; i < args.size() && args[i].starts_with("-"); ++i) {
        const std::string_view option = args[i];
        if (option == "--dry-run") {
            options.dryRun = true;
            continue;
        }
        if (option == "--help" || option == "-h") {
            options.help = true;
            return {options, {}};
        }
        if (option != "--vid" && option != "--pid" && option != "--location") {
            return fail("unknown option " + quoted(option));
        }
        if (i + 1 >= args.size()) {
            return fail(std::string(option) + " needs a hexadecimal value");
        }
        const std::string_view value = args[++i];
        const std::optional<uint32_t> number =
            parseHex(value, option == "--location" ? UINT32_MAX : kMaxUsbId);
        if (!number) {
            return fail("bad value " + quoted(value) + " for " + std::string(option));
        }
        std::optional<uint16_t>& id = option == "--vid" ? options.vendorId : options.productId;
        if (option == "--location") {
            if (options.locationId) {
                return fail("--location given twice");
            }
            options.locationId = *number;
        } else {
            if (id) {
                return fail(std::string(option) + " given twice");
            }
            id = static_cast<uint16_t>(*number);
        }
    }
    if (options.vendorId.has_value() != options.productId.has_value()) {
        return fail("--vid and --pid go together");
    }
    if (options.locationId && options.vendorId) {
        return fail("--location excludes --vid and --pid");
    }
    const std::string error = parseCommand(args.subspan(i), options.command);
    if (!error.empty()) {
        return fail(error);
    }
    if (options.command.action == PtzctlAction::List &&
        (options.vendorId || options.locationId || options.dryRun)) {
        return fail("'list' takes no options");
    }
    return {options, {}};
}

std::string_view ptzctlUsage() {
    return "usage: ptzctl [--vid HEX --pid HEX | --location HEX] [--dry-run] COMMAND\n"
           "       ptzctl list            (the connected supported cameras: VID:PID LOCATION "
           "NAME)\n"
           "  osd up|down|left|right|ok|back|menu\n"
           "  pan left|right|stop    tilt up|down|stop    home\n"
           "  zoom in|out|stop       focus near|far|stop  (autofocus off first)\n"
           "  autofocus on|off       preset set|call N    (N in 0..255)\n"
           "  get ROW                range ROW            (ROW: a control row name)\n";
}

}  // namespace ptz
