#include "ptzctl_arguments.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <vector>

#include <CLI/CLI.hpp>

#include "camera/preset_number.h"

namespace ptz {
namespace {

constexpr uint32_t kHighestUsbId = 0xFFFF;
constexpr uint32_t kHighestSpeed = 0xFF;

struct Verb {
    std::string_view word;
    PtzctlAction action;
};

// A command of two words: the subject, then the key or move.
struct Subject {
    std::string_view name;
    std::string_view description;
    std::span<const Verb> verbs;
};

constexpr std::array<Verb, 7> kOsdKeys = {{
    {"up", PtzctlAction::OsdUp},
    {"down", PtzctlAction::OsdDown},
    {"left", PtzctlAction::OsdLeft},
    {"right", PtzctlAction::OsdRight},
    {"ok", PtzctlAction::OsdOk},
    {"back", PtzctlAction::OsdBack},
    {"menu", PtzctlAction::OsdMenu},
}};
constexpr std::array<Verb, 3> kPanMoves = {{
    {"left", PtzctlAction::PanLeft},
    {"right", PtzctlAction::PanRight},
    {"stop", PtzctlAction::PanStop},
}};
constexpr std::array<Verb, 3> kTiltMoves = {{
    {"up", PtzctlAction::TiltUp},
    {"down", PtzctlAction::TiltDown},
    {"stop", PtzctlAction::TiltStop},
}};
constexpr std::array<Verb, 3> kZoomMoves = {{
    {"in", PtzctlAction::ZoomIn},
    {"out", PtzctlAction::ZoomOut},
    {"stop", PtzctlAction::ZoomStop},
}};
constexpr std::array<Verb, 3> kFocusMoves = {{
    {"near", PtzctlAction::FocusNear},
    {"far", PtzctlAction::FocusFar},
    {"stop", PtzctlAction::FocusStop},
}};
constexpr std::array<Verb, 2> kAutofocusSwitches = {{
    {"on", PtzctlAction::AutofocusOn},
    {"off", PtzctlAction::AutofocusOff},
}};
constexpr std::array<Verb, 2> kPresetActions = {{
    {"set", PtzctlAction::PresetSet},
    {"call", PtzctlAction::PresetCall},
}};

constexpr std::array<Subject, 6> kSubjects = {{
    {"osd", "Press a key of the camera's on-screen menu", kOsdKeys},
    {"pan", "Start or stop panning (at --speed N)", kPanMoves},
    {"tilt", "Start or stop tilting (at --speed N)", kTiltMoves},
    {"zoom", "Start or stop zooming (at --speed N)", kZoomMoves},
    {"focus", "Switch autofocus off, start or stop focusing (at --speed N)", kFocusMoves},
    {"autofocus", "Switch autofocus on or off", kAutofocusSwitches},
}};

bool takesSpeed(PtzctlAction action) {
    for (const std::span<const Verb> moves : {kPanMoves, kTiltMoves, kZoomMoves, kFocusMoves}) {
        if (std::any_of(moves.begin(), moves.end(),
                        [&](const Verb& v) { return v.action == action; })) {
            return true;
        }
    }
    return false;
}

std::string inQuotes(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// Digits in `base`, nothing else, at most `max`.
std::optional<uint32_t> number(std::string_view text, int base, uint32_t max) {
    uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value > max) {
        return std::nullopt;
    }
    return value;
}

// Hexadecimal with an optional 0x.
std::optional<uint32_t> hexNumber(std::string_view text, uint32_t max) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        text.remove_prefix(2);
    }
    return number(text, 16, max);
}

CLI::Validator hexValidator(uint32_t max) {
    return CLI::Validator(
        [max](std::string& text) {
            return hexNumber(text, max) ? std::string()
                                        : inQuotes(text) + " is not a hexadecimal number up to " +
                                              (max == kHighestUsbId ? "ffff" : "ffffffff");
        },
        "");
}

CLI::Validator speedValidator() {
    return CLI::Validator(
        [](std::string& text) {
            return number(text, 10, kHighestSpeed).value_or(0) > 0
                       ? std::string()
                       : inQuotes(text) + " is not a speed in 1-255";
        },
        "");
}

CLI::Validator presetValidator() {
    return CLI::Validator(
        [](std::string& text) { return parsePresetNumber(text, PresetText::NumberOnly).whyNot; },
        "");
}

std::vector<std::string> wordsOf(std::span<const Verb> verbs) {
    std::vector<std::string> words;
    for (const Verb& verb : verbs) {
        words.emplace_back(verb.word);
    }
    return words;
}

PtzctlAction actionOf(std::span<const Verb> verbs, std::string_view word) {
    return std::find_if(verbs.begin(), verbs.end(), [&](const Verb& v) { return v.word == word; })
        ->action;
}

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

// Where the commands' positionals go.
struct CommandWords {
    std::string word;  // the key, move, switch or preset action
    std::string presetNumber;
    std::string rowName;
};

// Adds the commands that `wanted` names to `app`, in the help's order; returns how many.
int addCommands(CLI::App& app, CommandWords& words,
                const std::function<bool(std::string_view name)>& wanted) {
    int added = 0;
    const auto addCommand = [&](std::string_view name, std::string_view description) {
        if (!wanted(name)) {
            return static_cast<CLI::App*>(nullptr);
        }
        ++added;
        return app.add_subcommand(std::string(name), std::string(description))->group("Commands");
    };
    for (const Subject& subject : kSubjects) {
        if (CLI::App* command = addCommand(subject.name, subject.description)) {
            command->add_option(subject.name == "osd" ? "KEY" : "MOVE", words.word)
                ->required()
                ->check(CLI::IsMember(wordsOf(subject.verbs)));
        }
    }
    addCommand("home", "Pan, tilt and zoom to the home position");
    if (CLI::App* preset = addCommand("preset", "Store or recall preset N (0-255)")) {
        preset->add_option("ACTION", words.word)
            ->required()
            ->check(CLI::IsMember(wordsOf(kPresetActions)));
        preset->add_option("N", words.presetNumber, "Decimal, 0-255, with nothing after it")
            ->required()
            ->check(presetValidator());
    }
    for (const auto& [name, description] :
         {std::pair{"get", "Print a control's current value, each field labelled"},
          std::pair{"range", "Print a control's minimum and maximum, each field labelled"}}) {
        if (CLI::App* command = addCommand(name, description)) {
            const std::vector<std::string> rowNames(uvc_control_names.begin(),
                                                    uvc_control_names.end());
            command
                ->add_option("ROW", words.rowName, "A row of the control table, e.g. zoomAbsolute")
                ->required()
                ->check(CLI::IsMember(rowNames));
        }
    }
    addCommand("list", "Print the connected supported cameras: VID:PID LOCATION NAME");
    return added;
}

}  // namespace

PtzctlParseResult parsePtzctlArguments(std::span<const std::string_view> args) {
    CLI::App app("Sends the panel's commands to a UVC PTZ camera.", "ptzctl");
    app.set_help_flag("-h,--help", "Print this help; after a command, the command's");
    // At most one command; a missing one is told apart below, so that an unknown word is
    // called unexpected rather than missing.
    app.require_subcommand(0, 1);
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    // Options may also follow the command: "ptzctl pan left --speed 5".
    app.fallthrough();
    app.footer(
        "Without --vid and --pid or --location, the first connected camera of a supported\n"
        "model that can be opened is used.\n"
        "Exit status: 0 when every request went through, 1 when one failed, when there was no\n"
        "camera or when the output could not be written, 2 for a usage error.");

    std::string vendorId, productId, locationId, speed;
    bool dryRun = false, simulatedCamera = false;
    CLI::Option* vid = app.add_option("--vid", vendorId, "The camera's vendor id (with --pid)")
                           ->type_name("HEX")
                           ->check(hexValidator(kHighestUsbId));
    CLI::Option* pid = app.add_option("--pid", productId, "The camera's product id (with --vid)")
                           ->type_name("HEX")
                           ->check(hexValidator(kHighestUsbId));
    vid->needs(pid);
    pid->needs(vid);
    CLI::Option* location =
        app.add_option("--location", locationId, "The camera's location id, as list prints it")
            ->type_name("HEX")
            ->check(hexValidator(UINT32_MAX))
            ->excludes(vid)
            ->excludes(pid);
    CLI::Option* dry =
        app.add_flag("--dry-run", dryRun,
                     "Print the requests (setup bytes | data, hex) instead of sending them");
    app.add_flag("--simulated-camera", simulatedCamera,
                 "Use a fresh simulated camera and print its state afterwards")
        ->excludes(vid)
        ->excludes(pid)
        ->excludes(location)
        ->excludes(dry);
    CLI::Option* speedOption =
        app.add_option("--speed", speed,
                       "Speed of pan, tilt, zoom, focus: 1-255 (else the panel's)")
            ->type_name("N")
            ->check(speedValidator());

    // Making CLI11's commands costs more than the camera request: only those that the line
    // names are made, and all of them only for the help or when it names none (for the help's
    // list or the error). A word that names no command parses the same either way.
    const auto named = [&args](std::string_view word) {
        return std::find(args.begin(), args.end(), word) != args.end();
    };
    const bool help = named("-h") || named("--help");
    CommandWords words;
    if (addCommands(app, words, [&](std::string_view name) { return help || named(name); }) == 0) {
        addCommands(app, words, [](std::string_view) { return true; });
    }

    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {std::nullopt, app.help(), {}};
    } catch (const CLI::ParseError& error) {
        return {std::nullopt, {}, oneLine(error.what())};
    }

    if (app.get_subcommands().empty()) {
        return {std::nullopt, {}, "a command is required"};
    }
    PtzctlOptions options;
    options.dryRun = dryRun;
    options.simulatedCamera = simulatedCamera;
    if (vid->count() > 0) {
        options.vendorId = static_cast<uint16_t>(*hexNumber(vendorId, kHighestUsbId));
        options.productId = static_cast<uint16_t>(*hexNumber(productId, kHighestUsbId));
    }
    if (location->count() > 0) {
        options.locationId = *hexNumber(locationId, UINT32_MAX);
    }
    PtzctlCommand& command = options.command;
    const std::string name = app.get_subcommands().front()->get_name();
    const auto subject = std::find_if(kSubjects.begin(), kSubjects.end(),
                                      [&](const Subject& s) { return s.name == name; });
    if (subject != kSubjects.end()) {
        command.action = actionOf(subject->verbs, words.word);
    } else if (name == "preset") {
        command.action = actionOf(kPresetActions, words.word);
        command.preset = *parsePresetNumber(words.presetNumber, PresetText::NumberOnly).number;
    } else if (name == "get" || name == "range") {
        command.action = name == "get" ? PtzctlAction::Get : PtzctlAction::Range;
        command.row = *uvcControlRowNamed(words.rowName);
    } else {
        command.action = name == "home" ? PtzctlAction::Home : PtzctlAction::List;
    }

    if (speedOption->count() > 0) {
        if (!takesSpeed(command.action)) {
            return {std::nullopt, {}, "--speed is for pan, tilt, zoom and focus"};
        }
        command.speed = static_cast<uint8_t>(*number(speed, 10, kHighestSpeed));
    }
    if (command.action == PtzctlAction::List &&
        (options.vendorId || options.locationId || options.dryRun || options.simulatedCamera)) {
        return {std::nullopt, {}, "'list' takes no options"};
    }
    return {options, {}, {}};
}

}  // namespace ptz
