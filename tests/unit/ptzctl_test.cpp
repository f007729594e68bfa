// ptzctl in process over the in-memory USB layer: which lines it accepts, how it prints
// readings, and its exit status and output for each outcome (the bytes each command sends are
// checked on the libusb path).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "fake_usb.h"
#include "log_capture.h"
#include "ptzctl_arguments.h"
#include "ptzctl_commands.h"
#include "ptzctl_runner.h"

namespace ptz {
namespace {

using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using Args = std::vector<std::string_view>;
using Lines = std::vector<std::string>;

TEST(PtzctlArguments, AcceptsTheseLinesAsTheseOptions) {
    using enum PtzctlAction;
    const std::pair<Args, PtzctlOptions> accepted[] = {
        {{"--vid", "0x2E7E", "--pid", "735", "zoom", "in"},
         {.vendorId = 0x2e7e, .productId = 0x0735, .command = {.action = ZoomIn}}},
        {{"--dry-run", "--location", "01200000", "home"},
         {.locationId = 0x01200000, .dryRun = true, .command = {.action = Home}}},
        {{"--speed", "255", "focus", "stop"}, {.command = {.action = FocusStop, .speed = 255}}},
        {{"preset", "call", "+5"}, {.command = {.action = PresetCall, .preset = 5}}},
        {{"get", "zoomAbsolute2"}, {.command = {.action = Get, .row = zoomAbsolute2}}},
        {{"--simulated-camera", "osd", "menu"},
         {.simulatedCamera = true, .command = {.action = OsdMenu}}},
    };
    for (const auto& [args, options] : accepted) {
        EXPECT_EQ(parsePtzctlArguments(args).options, options) << args.back();
    }
    EXPECT_THAT(parsePtzctlArguments(Args{"pan", "--help"}).help, HasSubstr("left,right,stop"));
}

TEST(PtzctlArguments, RefusesTheseLinesInOneLineNamingTheFault) {
    const std::pair<Args, const char*> refused[] = {
        {{}, "command"},
        {{"osd", "sideways"}, "sideways"},
        {{"pan", "up"}, "up"},
        {{"home", "now"}, "now"},
        {{"preset", "set", "256"}, "256"},
        {{"preset", "call", "5a"}, "5a"},
        {{"get", "ZoomAbsolute"}, "ZoomAbsolute"},
        {{"--vid", "2e7e", "home"}, "--pid"},
        {{"--vid", "2e7e", "--pid", "0735", "--location", "1200000", "home"}, "--location"},
        {{"--vid", "12345", "--pid", "1", "home"}, "12345"},
        {{"--location", "100000000", "home"}, "100000000"},
        {{"--speed", "0", "pan", "left"}, "'0'"},
        {{"pan", "left", "--speed", "256"}, "256"},
        {{"--speed", "5", "home"}, "--speed"},
        {{"--dry-run", "list"}, "list"},
        {{"--simulated-camera", "--dry-run", "home"}, "--dry-run"},
    };
    for (const auto& [args, fault] : refused) {
        const PtzctlParseResult parsed = parsePtzctlArguments(args);
        EXPECT_FALSE(parsed.options.has_value()) << fault;
        EXPECT_THAT(parsed.error, HasSubstr(fault));
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    }
}

// The payload's bytes read little-endian, as one number or labelled, signed fields.
TEST(PtzctlCommands, ReadingsPrintOneValueOrEachFieldLabelled) {
    const std::tuple<UvcControlRow, PtzctlReading, const char*> readings[] = {
        {zoomAbsolute, {.minimum = 0, .maximum = 0x4000}, "0 16384"},
        {panTiltAbsolute, {.current = 0x0004f1a0'ffff7360}, "pan=-36000 tilt=324000"},
        {zoomRelative, {.current = 0x0300ff}, "direction=-1 digitalZoom=0 speed=3"},
        {zoomAbsolute, {}, ""},
    };
    for (const auto& [row, reading, line] : readings) {
        EXPECT_EQ(readingLine(row, reading), line);
    }
}

// At 0x01100000 a keyboard with a supported model's ids, whose USB device gives no access;
// supported cameras at 0x01200000 (two HID nodes) and 0x01300000.
class FakeMachine final : public PtzctlMachine {
  public:
    explicit FakeMachine(testing::FakeUsbRegistry& registry, bool cameras) : registry_(registry) {
        if (!cameras) {
            return;
        }
        registry.add({0x2e7e, 0x0606, 0x01100000, 0, usb_status::kNotPermitted});
        registry.add({0x2e7e, 0x0606, 0x01200000});
        registry.add({0x2e7e, 0x0606, 0x01300000});
        for (const uint32_t location : {0x01100000u, 0x01200000u, 0x01200000u, 0x01300000u}) {
            HidDeviceInfo& node = hid_.emplace_back();
            node.usbDevicePath = std::to_string(location);
            node.vendorId = 0x2e7e;
            node.productId = 0x0606;
            node.productName = "PTZ";
            node.locationId = location;
            node.hasVideoControl = location != 0x01100000u;
        }
    }
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
    testing::FakeUsbRegistry& registry_;
    std::vector<HidDeviceInfo> hid_;
};

struct Scenario {
    Args args;
    std::deque<UsbStatus> opens, requests;
    int status;
    Lines out, log;
    const char* err;  // a part of its one line, or nullptr for none
    bool usesUsb = true, usesHid = false, cameras = true;
};

TEST(PtzctlRun, ExitStatusOutputAndLinesOfEachOutcome) {
    using namespace usb_status;
    const char* const kStall = "CameraControl Error: Control request failed: e000404f";
    const char* const kNone = "ptzctl: no camera of a supported model is connected";
    const Scenario scenarios[] = {
        {{"jump"}, {}, {}, kPtzctlUsage, {}, {}, "jump (ptzctl --help", false},
        {{"list"},
         {},
         {},
         0,
         {"2e7e:0606 0x01200000 PTZ", "2e7e:0606 0x01300000 PTZ"},
         {},
         nullptr,
         false,
         true},
        {{"list"}, {}, {}, kPtzctlFailure, {}, {}, kNone, false, true, false},
        {{"home"}, {}, {}, kPtzctlFailure, {}, {}, kNone, false, true, false},
        // Past the keyboard and a camera that cannot be opened, to the next.
        {{"osd", "menu"}, {kExclusiveAccess}, {}, 0, {}, {}, nullptr, true, true},
        {{"osd", "menu"},
         {kNotPermitted, kExclusiveAccess},
         {},
         kPtzctlFailure,
         {},
         {},
         "can be opened (2e7e:0606 at 0x01200000: e00002e2)",
         true,
         true},
        {{"--location", "01400000", "home"},
         {},
         {},
         kPtzctlFailure,
         {},
         {},
         "no camera at location 0x01400000"},
        {{"--vid", "2e7e", "--pid", "0735", "home"},
         {},
         {},
         kPtzctlFailure,
         {},
         {"CameraControl Error: IOCreatePlugInInterfaceForService returned 0xe00002c0."},
         "no camera 2e7e:0735 could be bound"},
        // The stop after an OSD key, whose failure the key's own result leaves out.
        {{"--location", "01200000", "osd", "up"},
         {},
         {kSuccess, kPipeStalled},
         kPtzctlFailure,
         {},
         {kStall},
         nullptr},
        {{"--location", "01300000", "get", "zoomAbsolute"},
         {},
         {kPipeStalled},
         kPtzctlFailure,
         {},
         {kStall},
         nullptr},
        {{"--dry-run", "osd", "ok"},
         {},
         {},
         0,
         {"21 01 00 05 00 13 02 00 | 00 00"},
         {"bRet = 1"},
         nullptr,
         false},
        {{"--simulated-camera", "pan", "left"},
         {},
         {},
         0,
         {"pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed, moving pan"},
         {},
         nullptr,
         false},
        {{"--simulated-camera", "zoom", "in", "--speed", "8"},
         {},
         {},
         kPtzctlFailure,
         {"pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed"},
         {kStall},
         nullptr,
         false},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(std::string(scenario.args.front()) + " " + std::string(scenario.args.back()));
        testing::SimulatedUsb usb;
        usb.script.openResults = scenario.opens;
        usb.script.requestResults = scenario.requests;
        FakeMachine machine(usb.registry, scenario.cameras);
        testing::LogCapture log;
        std::ostringstream out, err;
        EXPECT_EQ(runPtzctl(scenario.args, machine, out, err), scenario.status);
        Lines printed;
        std::istringstream lines(out.str());
        for (std::string line; std::getline(lines, line);) {
            printed.push_back(line);
        }
        EXPECT_THAT(printed, ElementsAreArray(scenario.out));
        EXPECT_THAT(log.lines, ElementsAreArray(scenario.log));
        const std::string errText = err.str();
        EXPECT_THAT(errText, HasSubstr(scenario.err ? scenario.err : ""));
        EXPECT_EQ(std::count(errText.begin(), errText.end(), '\n'), scenario.err ? 1 : 0);
        EXPECT_EQ(machine.usedUsb, scenario.usesUsb);
        EXPECT_EQ(machine.usedHid, scenario.usesHid);
    }
}

}  // namespace
}  // namespace ptz
