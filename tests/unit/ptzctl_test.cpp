// ptzctl in process: what each command sends, which lines it accepts, and its exit status and
// output over the in-memory USB layer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fake_usb.h"
#include "log_capture.h"
#include "ptzctl_arguments.h"
#include "ptzctl_runner.h"

namespace ptz {
namespace {

using ::testing::ElementsAreArray;
using testing::FakeBus;
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
    FakeBus bus;
    FakeUsbRegistry registry(bus);
    for (const auto& [command, requests] : commands) {
        FakeMachine machine(registry, {});
        Args dryRun = command;
        dryRun.insert(dryRun.begin(), "--dry-run");
        const Finished finished = run(dryRun, machine);
        EXPECT_EQ(finished.status, kPtzctlSuccess) << command[0];
        EXPECT_THAT(finished.out, ElementsAreArray(requests)) << command[0] << ' ' << command[1];
        EXPECT_FALSE(machine.usedUsb || machine.usedHid);
    }
}

PtzctlOptions optionsFor(PtzctlAction action) {
    PtzctlOptions options;
    options.command.action = action;
    return options;
}

TEST(PtzctlArguments, AcceptsTheseLinesAsTheseOptions) {
    std::vector<std::pair<Args, PtzctlOptions>> accepted;
    PtzctlOptions ids = optionsFor(PtzctlAction::ZoomIn);
    ids.vendorId = 0x2e7e;
    ids.productId = 0x0735;
    accepted.push_back({{"--vid", "0x2E7E", "--pid", "735", "zoom", "in"}, ids});
    PtzctlOptions location = optionsFor(PtzctlAction::Home);
    location.locationId = 0x01200000;
    location.dryRun = true;
    accepted.push_back({{"--dry-run", "--location", "01200000", "home"}, location});
    PtzctlOptions speedAfter = optionsFor(PtzctlAction::PanLeft);
    speedAfter.command.speed = 5;
    accepted.push_back({{"pan", "left", "--speed", "5"}, speedAfter});
    PtzctlOptions speedBefore = optionsFor(PtzctlAction::FocusStop);
    speedBefore.command.speed = 255;
    accepted.push_back({{"--speed", "255", "focus", "stop"}, speedBefore});
    // A sign and leading zeros, as the panel's preset box takes them.
    PtzctlOptions preset = optionsFor(PtzctlAction::PresetCall);
    preset.command.preset = 5;
    accepted.push_back({{"preset", "call", "+5"}, preset});
    preset.command.preset = 7;
    preset.command.action = PtzctlAction::PresetSet;
    accepted.push_back({{"preset", "set", "007"}, preset});
    PtzctlOptions get = optionsFor(PtzctlAction::Get);
    get.command.row = zoomAbsolute2;
    accepted.push_back({{"get", "zoomAbsolute2"}, get});
    PtzctlOptions range = optionsFor(PtzctlAction::Range);
    range.command.row = panTiltRelative;
    accepted.push_back({{"range", "panTiltRelative"}, range});
    PtzctlOptions simulated = optionsFor(PtzctlAction::OsdMenu);
    simulated.simulatedCamera = true;
    accepted.push_back({{"--simulated-camera", "osd", "menu"}, simulated});
    accepted.push_back({{"list"}, optionsFor(PtzctlAction::List)});

    for (const auto& [args, options] : accepted) {
        const PtzctlParseResult parsed = parsePtzctlArguments(args);
        EXPECT_EQ(parsed.options, options) << args.front() << ' ' << args.back() << parsed.error;
    }
    EXPECT_THAT(parsePtzctlArguments(Args{"pan", "--help"}).help, HasSubstr("left,right,stop"));
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

// A HID node of a USB device, as the enumeration reports it.
HidDeviceInfo hidNode(int32_t vendorId, int32_t productId, uint32_t locationId) {
    HidDeviceInfo node;
    node.vendorId = vendorId;
    node.productId = productId;
    node.locationId = locationId;
    node.usbDevicePath = "/sys/bus/usb/devices/" + std::to_string(locationId);
    node.productName = "PTZ";
    node.hasVideoControl = true;
    return node;
}

FakeDeviceSpec usbDevice(uint32_t locationId) {
    return {.vendorId = 0x2e7e, .productId = 0x0606, .locationId = locationId};
}

constexpr uint32_t kFirst = 0x01100000;
constexpr uint32_t kSecond = 0x01200000;
constexpr uint32_t kThird = 0x01300000;

struct Scenario {
    const char* what;
    Args args;
    std::vector<FakeDeviceSpec> usb;  // in the registry's order
    std::vector<HidDeviceInfo> hid;
    FakeBus script;  // open and request results, GET answers
    int status;
    Lines out = {};
    std::vector<const char*> err = {};  // a part of each line
    Lines log = {};
    bool usesMachine = true;
    bool usesHid = false;
};

TEST(PtzctlRun, ExitStatusOutputAndLinesOfEachOutcome) {
    const auto failing = [](std::deque<UsbStatus> opens, std::deque<UsbStatus> requests) {
        FakeBus bus;
        bus.openResults = std::move(opens);
        bus.requestResults = std::move(requests);
        return bus;
    };
    const auto answering = [](std::deque<std::vector<uint8_t>> answers) {
        FakeBus bus;
        bus.getAnswers = std::move(answers);
        return bus;
    };
    const FakeBus none;
    // A keyboard with a supported model's ids.
    HidDeviceInfo lookAlikeNode = hidNode(0x2e7e, 0x0606, kFirst);
    lookAlikeNode.hasVideoControl = false;
    const FakeDeviceSpec lookAlike = {
        .vendorId = 0x2e7e, .productId = 0x0606, .locationId = kFirst, .videoControlInterfaces = 0};
    const Scenario scenarios[] = {
        {"a usage error",
         {"jump"},
         {},
         {},
         none,
         kPtzctlUsage,
         {},
         {"jump (ptzctl --help"},
         {},
         false},
        {"help", {"--help"}, {}, {}, none, kPtzctlSuccess, {}, {}, {}, false},
        {"list without a camera",
         {"list"},
         {},
         {hidNode(0x046d, 0xc31c, kFirst)},
         none,
         kPtzctlFailure,
         {},
         {"ptzctl: no camera of a supported model is connected"},
         {},
         true,
         true},
        {"list",
         {"list"},
         {},
         {hidNode(0x2e7e, 0x0606, kSecond), hidNode(0x2e7e, 0x0606, kSecond)},
         none,
         kPtzctlSuccess,
         {"2e7e:0606 0x01200000 PTZ"},
         {},
         {},
         true,
         true},
        {"no camera",
         {"home"},
         {},
         {},
         none,
         kPtzctlFailure,
         {},
         {"ptzctl: no camera of a supported model is connected"},
         {},
         true,
         true},
        {"a look-alike and a camera that cannot be opened before a good one",
         {"osd", "menu"},
         {lookAlike, usbDevice(kSecond), usbDevice(kThird)},
         {lookAlikeNode, hidNode(0x2e7e, 0x0606, kSecond), hidNode(0x2e7e, 0x0606, kThird)},
         failing({usb_status::kExclusiveAccess}, {}),
         kPtzctlSuccess,
         {},
         {},
         {},
         true,
         true},
        {"only a camera that cannot be opened",
         {"osd", "menu"},
         {usbDevice(kSecond)},
         {hidNode(0x2e7e, 0x0606, kSecond)},
         failing({usb_status::kNotPermitted}, {}),
         kPtzctlFailure,
         {},
         {"ptzctl: no camera of a supported model can be opened (2e7e:0606 at 0x01200000: "
          "e00002e2)"},
         {},
         true,
         true},
        {"by location, past a device that refuses access",
         {"--location", "01200000", "autofocus", "on"},
         {{.locationId = kFirst, .devicePlugInStatus = usb_status::kNotPermitted},
          usbDevice(kSecond)},
         {},
         none,
         kPtzctlSuccess},
        {"nothing at the location",
         {"--location", "01300000", "home"},
         {usbDevice(kSecond)},
         {},
         none,
         kPtzctlFailure,
         {},
         {"ptzctl: no camera at location 0x01300000"}},
        {"no camera with the ids",
         {"--vid", "2e7e", "--pid", "0735", "home"},
         {usbDevice(kSecond)},
         {},
         none,
         kPtzctlFailure,
         {},
         {"ptzctl: no camera 2e7e:0735 could be bound"},
         {"CameraControl Error: IOCreatePlugInInterfaceForService returned 0xe00002c0."}},
        {"a stalled move",
         {"--vid", "2e7e", "--pid", "0606", "pan", "left"},
         {usbDevice(kSecond)},
         {},
         failing({}, {usb_status::kPipeStalled}),
         kPtzctlFailure,
         {},
         {},
         {"CameraControl Error: Control request failed: e000404f"}},
        {"the stop after an OSD key, which the key's own result leaves out",
         {"--location", "01200000", "osd", "up"},
         {usbDevice(kSecond)},
         {},
         failing({}, {usb_status::kSuccess, usb_status::kPipeStalled}),
         kPtzctlFailure,
         {},
         {},
         {"CameraControl Error: Control request failed: e000404f"}},
        {"home, whose own result is always success",
         {"--location", "01200000", "home"},
         {usbDevice(kSecond)},
         {},
         failing({usb_status::kNoDevice, usb_status::kNoDevice}, {}),
         kPtzctlFailure,
         {},
         {},
         {"CameraControl Error: Unable to open interface (e00002c0)",
          "CameraControl Error: Unable to open interface (e00002c0)"}},
        {"a failed read prints nothing",
         {"--location", "01200000", "get", "zoomAbsolute"},
         {usbDevice(kSecond)},
         {},
         failing({usb_status::kExclusiveAccess}, {}),
         kPtzctlFailure,
         {},
         {},
         {"CameraControl Error: Unable to open interface (e00002c5)"}},
        {"a value",
         {"--location", "01200000", "get", "zoomAbsolute"},
         {usbDevice(kSecond)},
         {},
         answering({{0x34, 0x12}}),
         kPtzctlSuccess,
         {"4660"}},
        {"a range",
         {"--location", "01200000", "range", "zoomAbsolute"},
         {usbDevice(kSecond)},
         {},
         answering({{0x00, 0x00}, {0x00, 0x40}}),
         kPtzctlSuccess,
         {"0 16384"}},
        {"fields, signed where they are",
         {"--location", "01200000", "get", "panTiltAbsolute"},
         {usbDevice(kSecond)},
         {},
         answering({{0x60, 0x73, 0xff, 0xff, 0xa0, 0xf1, 0x04, 0x00}}),
         kPtzctlSuccess,
         {"pan=-36000 tilt=324000"}},
        {"the fields' ranges",
         {"--location", "01200000", "range", "panTiltRelative"},
         {usbDevice(kSecond)},
         {},
         answering({{0xff, 0x01, 0xff, 0x01}, {0x01, 0x18, 0x01, 0x14}}),
         kPtzctlSuccess,
         {"panDirection=-1..1 panSpeed=1..24 tiltDirection=-1..1 tiltSpeed=1..20"}},
        {"the simulated camera",
         {"--simulated-camera", "pan", "left"},
         {},
         {},
         none,
         kPtzctlSuccess,
         {"pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed, moving pan"},
         {},
         {},
         false},
        {"the simulated camera refusing a speed beyond its range",
         {"--simulated-camera", "zoom", "in", "--speed", "8"},
         {},
         {},
         none,
         kPtzctlFailure,
         {"pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed"},
         {},
         {"CameraControl Error: Control request failed: e000404f"},
         false},
    };
    for (const Scenario& scenario : scenarios) {
        FakeBus bus = scenario.script;
        FakeUsbRegistry registry(bus);
        for (const FakeDeviceSpec& device : scenario.usb) {
            registry.add(device);
        }
        FakeMachine machine(registry, scenario.hid);
        testing::LogCapture log;
        const Finished finished = run(scenario.args, machine);

        EXPECT_EQ(finished.status, scenario.status) << scenario.what;
        if (scenario.args.front() != "--help") {
            EXPECT_THAT(finished.out, ElementsAreArray(scenario.out)) << scenario.what;
        } else {
            EXPECT_FALSE(finished.out.empty());
        }
        std::vector<Matcher<std::string>> err;
        for (const char* part : scenario.err) {
            err.push_back(HasSubstr(part));
        }
        EXPECT_THAT(finished.err, ElementsAreArray(err)) << scenario.what;
        EXPECT_THAT(log.lines, ElementsAreArray(scenario.log)) << scenario.what;
        EXPECT_EQ(machine.usedUsb || machine.usedHid, scenario.usesMachine) << scenario.what;
        EXPECT_EQ(machine.usedHid, scenario.usesHid) << scenario.what;
    }
}

}  // namespace
}  // namespace ptz
