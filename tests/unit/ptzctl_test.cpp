// ptzctl in process: what each command sends, which lines it accepts, and its exit status and
// output over the in-memory USB layer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "fake_usb.h"
#include "log_capture.h"
#include "ptzctl_arguments.h"
#include "ptzctl_commands.h"
#include "ptzctl_runner.h"

namespace ptz {
namespace {

using ::testing::ElementsAreArray;
using testing::FakeDeviceSpec;
using testing::FakeUsbRegistry;
using ::testing::HasSubstr;
using ::testing::Matcher;

using Args = std::vector<std::string_view>;
using Lines = std::vector<std::string>;

Lines linesOf(const std::string& text) {
    Lines lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class FakeMachine final : public PtzctlMachine {
  public:
    FakeMachine(FakeUsbRegistry& registry, std::vector<HidDeviceInfo> hid)
        : registry_(registry), hid_(std::move(hid)) {}

    UsbRegistry& usbRegistry() override {
        usedUsb = true;
        return registry_;
    }
    std::vector<HidDeviceInfo> hidDevices() override {
        usedHid = true;
        return hid_;
    }

    bool usedUsb = false;
    bool usedHid = false;

  private:
    FakeUsbRegistry& registry_;
    std::vector<HidDeviceInfo> hid_;
};

struct Finished {
    int status = -1;
    Lines out;
    Lines err;
};

Finished run(const Args& args, PtzctlMachine& machine) {
    std::ostringstream out, err;
    Finished finished;
    finished.status = runPtzctl(args, machine, out, err);
    finished.out = linesOf(out.str());
    finished.err = linesOf(err.str());
    return finished;
}

constexpr const char* kTiltStop = "21 01 00 0e 00 01 04 00 | 00 00 00 0a";
constexpr const char* kPanStop = "21 01 00 0e 00 01 04 00 | 00 0a 00 00";
constexpr const char* kAutofocusOff = "21 01 00 08 00 01 01 00 | 00";

// The panel's bytes for each command, and the chosen speed in the speed byte of starts and
// stops alike, as the dry run prints them.
TEST(PtzctlCommands, EachSendsThePanelsRequestsInOrder) {
    const std::pair<Args, Lines> commands[] = {
        {{"osd", "up"}, {"21 01 00 01 00 13 02 00 | 00 00", kTiltStop}},
        {{"osd", "down"}, {"21 01 00 02 00 13 02 00 | 00 00", kTiltStop}},
        {{"osd", "left"}, {"21 01 00 03 00 13 02 00 | 00 00", kPanStop}},
        {{"osd", "right"}, {"21 01 00 04 00 13 02 00 | 00 00", kPanStop}},
        {{"osd", "ok"}, {"21 01 00 05 00 13 02 00 | 00 00"}},
        {{"osd", "back"}, {"21 01 00 06 00 13 02 00 | 00 00"}},
        {{"osd", "menu"}, {"21 01 00 07 00 13 02 00 | 00 00"}},
        {{"pan", "left"}, {"21 01 00 0e 00 01 04 00 | ff 0a 00 00"}},
        {{"pan", "right"}, {"21 01 00 0e 00 01 04 00 | 01 0a 00 00"}},
        {{"pan", "stop"}, {kPanStop}},
        {{"tilt", "up"}, {"21 01 00 0e 00 01 04 00 | 00 00 01 0a"}},
        {{"tilt", "down"}, {"21 01 00 0e 00 01 04 00 | 00 00 ff 0a"}},
        {{"tilt", "stop"}, {kTiltStop}},
        {{"home"},
         {"21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00", "21 01 00 0b 00 01 02 00 | 00 00"}},
        {{"zoom", "in"}, {"21 01 00 0c 00 01 03 00 | 01 00 03"}},
        {{"zoom", "out"}, {"21 01 00 0c 00 01 03 00 | ff 00 03"}},
        {{"zoom", "stop"}, {"21 01 00 0c 00 01 03 00 | 00 00 03"}},
        {{"focus", "near"}, {kAutofocusOff, "21 01 00 07 00 01 02 00 | 01 03"}},
        {{"focus", "far"}, {kAutofocusOff, "21 01 00 07 00 01 02 00 | ff 03"}},
        {{"focus", "stop"}, {kAutofocusOff, "21 01 00 07 00 01 02 00 | 00 03"}},
        {{"autofocus", "on"}, {"21 01 00 08 00 01 01 00 | 01"}},
        {{"autofocus", "off"}, {kAutofocusOff}},
        {{"preset", "set", "7"}, {"21 01 00 04 00 14 01 00 | 07"}},
        {{"preset", "call", "255"}, {"21 01 00 05 00 14 01 00 | ff"}},
        {{"get", "zoomAbsolute"}, {"a1 81 00 0b 00 01 02 00 |"}},
        {{"range", "panTiltAbsolute"}, {"a1 82 00 0d 00 01 08 00 |", "a1 83 00 0d 00 01 08 00 |"}},
        {{"pan", "left", "--speed", "24"}, {"21 01 00 0e 00 01 04 00 | ff 18 00 00"}},
        {{"pan", "stop", "--speed", "24"}, {"21 01 00 0e 00 01 04 00 | 00 18 00 00"}},
        {{"tilt", "down", "--speed", "1"}, {"21 01 00 0e 00 01 04 00 | 00 00 ff 01"}},
        {{"tilt", "stop", "--speed", "1"}, {"21 01 00 0e 00 01 04 00 | 00 00 00 01"}},
        {{"zoom", "out", "--speed", "7"}, {"21 01 00 0c 00 01 03 00 | ff 00 07"}},
        {{"focus", "stop", "--speed", "255"}, {kAutofocusOff, "21 01 00 07 00 01 02 00 | 00 ff"}},
    };
    testing::SimulatedUsb usb;
    for (const auto& [command, requests] : commands) {
        FakeMachine machine(usb.registry, {});
        Args dryRun = command;
        dryRun.insert(dryRun.begin(), "--dry-run");
        const Finished finished = run(dryRun, machine);
        EXPECT_EQ(finished.status, kPtzctlSuccess) << command[0];
        EXPECT_THAT(finished.out, ElementsAreArray(requests)) << command[0] << ' ' << command[1];
        EXPECT_FALSE(machine.usedUsb || machine.usedHid);
    }
}

TEST(PtzctlArguments, AcceptsTheseLinesAsTheseOptions) {
    using enum PtzctlAction;
    const std::pair<Args, PtzctlOptions> accepted[] = {
        {{"--vid", "0x2E7E", "--pid", "735", "zoom", "in"},
         {.vendorId = 0x2e7e, .productId = 0x0735, .command = {.action = ZoomIn}}},
        {{"--dry-run", "--location", "01200000", "home"},
         {.locationId = 0x01200000, .dryRun = true, .command = {.action = Home}}},
        {{"pan", "left", "--speed", "5"}, {.command = {.action = PanLeft, .speed = 5}}},
        {{"--speed", "255", "focus", "stop"}, {.command = {.action = FocusStop, .speed = 255}}},
        // A sign and leading zeros, as the panel's preset box takes them.
        {{"preset", "call", "+5"}, {.command = {.action = PresetCall, .preset = 5}}},
        {{"preset", "set", "007"}, {.command = {.action = PresetSet, .preset = 7}}},
        {{"get", "zoomAbsolute2"}, {.command = {.action = Get, .row = zoomAbsolute2}}},
        {{"range", "panTiltRelative"}, {.command = {.action = Range, .row = panTiltRelative}}},
        {{"--simulated-camera", "osd", "menu"},
         {.simulatedCamera = true, .command = {.action = OsdMenu}}},
        {{"list"}, {.command = {.action = List}}},
    };
    for (const auto& [args, options] : accepted) {
        const PtzctlParseResult parsed = parsePtzctlArguments(args);
        EXPECT_EQ(parsed.options, options) << args.front() << ' ' << args.back() << parsed.error;
    }
    EXPECT_THAT(parsePtzctlArguments(Args{"pan", "--help"}).help, HasSubstr("left,right,stop"));
    EXPECT_THAT(parsePtzctlArguments(Args{"--help"}).help, HasSubstr("list  "));
}

TEST(PtzctlArguments, RefusesTheseLinesInOneLineNamingTheFault) {
    const std::pair<Args, const char*> refused[] = {
        {{}, "command"},
        {{"--dry-run"}, "command"},
        {{"jump"}, "jump"},
        {{"osd"}, "KEY"},
        {{"osd", "sideways"}, "sideways"},
        {{"pan", "up"}, "up"},
        {{"zoom", "in", "now"}, "now"},
        {{"home", "now"}, "now"},
        {{"preset", "store", "1"}, "store"},
        {{"preset", "set"}, "N"},
        {{"preset", "set", "256"}, "256"},
        {{"preset", "set", "-1"}, "-1"},
        {{"preset", "call", "5a"}, "5a"},
        {{"preset", "call", "1.5"}, "1.5"},
        {{"get", "ZoomAbsolute"}, "ZoomAbsolute"},
        {{"range"}, "ROW"},
        {{"--vid", "2e7e", "home"}, "--pid"},
        {{"--vid", "2e7e", "--pid", "0735", "--location", "1200000", "home"}, "--location"},
        {{"--vid", "12345", "--pid", "1", "home"}, "12345"},
        {{"--vid", "zz", "--pid", "1", "home"}, "zz"},
        {{"--location", "100000000", "home"}, "100000000"},
        {{"--verbose", "home"}, "--verbose"},
        {{"--speed", "0", "pan", "left"}, "'0'"},
        {{"pan", "left", "--speed", "256"}, "256"},
        {{"--speed", "5", "home"}, "--speed"},
        {{"--dry-run", "list"}, "list"},
        {{"--simulated-camera", "--dry-run", "home"}, "--dry-run"},
        {{"--simulated-camera", "--location", "1", "home"}, "--location"},
    };
    for (const auto& [args, fault] : refused) {
        const PtzctlParseResult parsed = parsePtzctlArguments(args);
        EXPECT_FALSE(parsed.options.has_value()) << fault;
        EXPECT_THAT(parsed.error, HasSubstr(fault));
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    }
}

// Readings as the payload's bytes read little-endian, printed as one number or labelled fields.
TEST(PtzctlCommands, ReadingsPrintOneValueOrEachFieldLabelled) {
    const std::tuple<UvcControlRow, PtzctlReading, const char*> readings[] = {
        {zoomAbsolute, {.current = 0x1234}, "4660"},
        {zoomAbsolute, {.minimum = 0, .maximum = 0x4000}, "0 16384"},
        {panTiltAbsolute, {.current = 0x0004f1a0'ffff7360}, "pan=-36000 tilt=324000"},
        {panTiltRelative,
         {.minimum = 0x01ff01ff, .maximum = 0x14011801},
         "panDirection=-1..1 panSpeed=1..24 tiltDirection=-1..1 tiltSpeed=1..20"},
        {zoomRelative, {.current = 0x0300ff}, "direction=-1 digitalZoom=0 speed=3"},
        {focusRelative, {.current = 0x0301}, "direction=1 speed=3"},
        {zoomAbsolute, {}, ""},
    };
    for (const auto& [row, reading, line] : readings) {
        EXPECT_EQ(readingLine(row, reading), line);
    }
}

// The machine of most outcomes: at 0x01100000 a keyboard with a supported model's ids, whose
// USB device does not give access; supported cameras at 0x01200000 and 0x01300000.
HidDeviceInfo hidNode(uint32_t locationId, bool hasVideoControl = true) {
    HidDeviceInfo node;
    node.usbDevicePath = std::to_string(locationId);
    node.vendorId = 0x2e7e;
    node.productId = 0x0606;
    node.productName = "PTZ";
    node.locationId = locationId;
    node.hasVideoControl = hasVideoControl;
    return node;
}

FakeDeviceSpec usbDevice(uint32_t locationId) {
    return {.vendorId = 0x2e7e, .productId = 0x0606, .locationId = locationId};
}

constexpr uint32_t kKeyboard = 0x01100000;
constexpr uint32_t kSecond = 0x01200000;
constexpr uint32_t kThird = 0x01300000;

// The results of the bus's opens and requests, front first; success once used up.
struct Script {
    std::deque<UsbStatus> opens = {};
    std::deque<UsbStatus> requests = {};
};

struct Scenario {
    const char* what;
    Args args;
    Script script = {};
    int status;
    Lines out = {};
    Lines log = {};
    std::vector<const char*> err = {};  // a part of each line
    bool usesUsb = true;
    bool usesHid = false;
    bool noCameras = false;
};

TEST(PtzctlRun, ExitStatusOutputAndLinesOfEachOutcome) {
    using namespace usb_status;
    const char* const kStall = "CameraControl Error: Control request failed: e000404f";
    const Scenario scenarios[] = {
        {.what = "a usage error",
         .args = {"jump"},
         .status = kPtzctlUsage,
         .err = {"jump (ptzctl --help"},
         .usesUsb = false},
        {.what = "list",
         .args = {"list"},
         .status = kPtzctlSuccess,
         .out = {"2e7e:0606 0x01200000 PTZ", "2e7e:0606 0x01300000 PTZ"},
         .usesUsb = false,
         .usesHid = true},
        {.what = "list without a camera",
         .args = {"list"},
         .status = kPtzctlFailure,
         .err = {"ptzctl: no camera of a supported model is connected"},
         .usesUsb = false,
         .usesHid = true,
         .noCameras = true},
        {.what = "no camera",
         .args = {"home"},
         .status = kPtzctlFailure,
         .err = {"ptzctl: no camera of a supported model is connected"},
         .usesUsb = false,
         .usesHid = true,
         .noCameras = true},
        {.what = "past the keyboard and a camera that cannot be opened, to the next",
         .args = {"osd", "menu"},
         .script = {.opens = {kExclusiveAccess}},
         .status = kPtzctlSuccess,
         .usesHid = true},
        {.what = "no camera that can be opened",
         .args = {"osd", "menu"},
         .script = {.opens = {kNotPermitted, kExclusiveAccess}},
         .status = kPtzctlFailure,
         .err = {"ptzctl: no camera of a supported model can be opened (2e7e:0606 at "
                 "0x01200000: e00002e2)"},
         .usesHid = true},
        {.what = "by location, past the keyboard",
         .args = {"--location", "01300000", "autofocus", "on"},
         .status = kPtzctlSuccess},
        {.what = "nothing at the location",
         .args = {"--location", "01400000", "home"},
         .status = kPtzctlFailure,
         .err = {"ptzctl: no camera at location 0x01400000"}},
        {.what = "no camera with the ids",
         .args = {"--vid", "2e7e", "--pid", "0735", "home"},
         .status = kPtzctlFailure,
         .log = {"CameraControl Error: IOCreatePlugInInterfaceForService returned 0xe00002c0."},
         .err = {"ptzctl: no camera 2e7e:0735 could be bound"}},
        {.what = "the stop after an OSD key, which the key's own result leaves out",
         .args = {"--location", "01200000", "osd", "up"},
         .script = {.requests = {kSuccess, kPipeStalled}},
         .status = kPtzctlFailure,
         .log = {kStall}},
        {.what = "home, whose own result is always success",
         .args = {"--location", "01200000", "home"},
         .script = {.opens = {kNoDevice, kNoDevice}},
         .status = kPtzctlFailure,
         .log = {"CameraControl Error: Unable to open interface (e00002c0)",
                 "CameraControl Error: Unable to open interface (e00002c0)"}},
        {.what = "a failed read prints nothing",
         .args = {"--location", "01200000", "get", "zoomAbsolute"},
         .script = {.requests = {kPipeStalled}},
         .status = kPtzctlFailure,
         .log = {kStall}},
        {.what = "the simulated camera",
         .args = {"--simulated-camera", "pan", "left"},
         .status = kPtzctlSuccess,
         .out = {"pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed, moving pan"},
         .usesUsb = false},
        {.what = "the simulated camera refusing a speed beyond its range",
         .args = {"--simulated-camera", "zoom", "in", "--speed", "8"},
         .status = kPtzctlFailure,
         .out = {"pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed"},
         .log = {kStall},
         .usesUsb = false},
    };
    for (const Scenario& scenario : scenarios) {
        testing::SimulatedUsb usb;
        usb.script.openResults = scenario.script.opens;
        usb.script.requestResults = scenario.script.requests;
        FakeUsbRegistry& registry = usb.registry;
        std::vector<HidDeviceInfo> hid;
        if (!scenario.noCameras) {
            registry.add({.vendorId = 0x2e7e,
                          .productId = 0x0606,
                          .locationId = kKeyboard,
                          .videoControlInterfaces = 0,
                          .devicePlugInStatus = kNotPermitted});
            registry.add(usbDevice(kSecond));
            registry.add(usbDevice(kThird));
            // The second camera has two HID nodes.
            hid = {hidNode(kKeyboard, false), hidNode(kSecond), hidNode(kSecond), hidNode(kThird)};
        }
        FakeMachine machine(registry, hid);
        testing::LogCapture log;
        const Finished finished = run(scenario.args, machine);

        EXPECT_EQ(finished.status, scenario.status) << scenario.what;
        EXPECT_THAT(finished.out, ElementsAreArray(scenario.out)) << scenario.what;
        EXPECT_THAT(log.lines, ElementsAreArray(scenario.log)) << scenario.what;
        std::vector<Matcher<std::string>> err;
        for (const char* part : scenario.err) {
            err.push_back(HasSubstr(part));
        }
        EXPECT_THAT(finished.err, ElementsAreArray(err)) << scenario.what;
        EXPECT_EQ(machine.usedUsb, scenario.usesUsb) << scenario.what;
        EXPECT_EQ(machine.usedHid, scenario.usesHid) << scenario.what;
    }
}

}  // namespace
}  // namespace ptz
