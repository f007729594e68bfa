// ptzctl in process over the in-memory USB layer: which lines it accepts, the requests each
// command sends, how it prints readings, and its exit status and output for each outcome.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ranges>
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

Args words(std::string_view line) {
    Args args;
    for (const auto word : std::views::split(line, ' ')) {
        args.emplace_back(word.begin(), word.end());
    }
    return args;
}

TEST(PtzctlArguments, RefusesTheseLinesInOneLineNamingTheFault) {
    const std::pair<const char*, const char*> refused[] = {
        {"osd sideways", "sideways"},
        {"pan up", "up"},
        {"preset call 5a", "5a"},
        {"get ZoomAbsolute", "ZoomAbsolute"},
        {"--vid 2e7e home", "--pid"},
        {"--vid 2e7e --pid 0735 --location 1200000 home", "--location"},
        {"--vid 12345 --pid 1 home", "12345"},
        {"--location 100000000 home", "100000000"},
        {"--speed 0 pan left", "'0'"},
        {"pan left --speed 256", "256"},
    };
    for (const auto& [line, fault] : refused) {
        const PtzctlParseResult parsed = parsePtzctlArguments(words(line));
        EXPECT_FALSE(parsed.options.has_value()) << line;
        EXPECT_THAT(parsed.error, HasSubstr(fault));
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos) << parsed.error;
    }
    EXPECT_THAT(parsePtzctlArguments(words("pan --help")).help, HasSubstr("left,right,stop"));
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

constexpr int kUsb = 1, kHid = 2;

// At 0x01100000 a keyboard with a supported model's ids, whose USB device gives no access;
// supported cameras at 0x01200000 (two HID nodes) and 0x01300000. Records what was asked.
class FakeMachine final : public PtzctlMachine {
  public:
    FakeMachine(testing::FakeUsbRegistry& registry, bool cameras) : registry_(registry) {
        if (!cameras) {
            return;
        }
        for (const uint32_t location : {0x01100000u, 0x01200000u, 0x01200000u, 0x01300000u}) {
            const bool keyboard = location == 0x01100000u;
            if (hid_.empty() || hid_.back().locationId != location) {
                registry.add({0x2e7e, 0x0606, location, keyboard ? 0 : 1,
                              keyboard ? usb_status::kNotPermitted : usb_status::kSuccess});
            }
            HidDeviceInfo& node = hid_.emplace_back();
            node.usbDevicePath = std::to_string(location);
            std::tie(node.vendorId, node.productId, node.productName) =
                std::tuple(0x2e7e, 0x0606, "PTZ");
            node.locationId = location;
            node.hasVideoControl = !keyboard;
        }
    }
    UsbRegistry& usbRegistry() override {
        touched |= kUsb;
        return registry_;
    }
    std::vector<HidDeviceInfo> hidDevices() override {
        touched |= kHid;
        return hid_;
    }
    int touched = 0;

  private:
    testing::FakeUsbRegistry& registry_;
    std::vector<HidDeviceInfo> hid_;
};

struct Outcome {
    int status;
    std::vector<std::string> out;  // line by line
    std::string err;
};

Outcome run(std::string_view line, PtzctlMachine& machine) {
    std::ostringstream out, err;
    Outcome result{runPtzctl(words(line), machine, out, err), {}, err.str()};
    std::istringstream lines(out.str());
    for (std::string printed; std::getline(lines, printed);) {
        result.out.push_back(printed);
    }
    return result;
}

struct Scenario {
    const char* line;
    std::deque<UsbStatus> opens, requests;  // their scripted results
    int status;
    std::vector<std::string> out, log;
    const char* err;  // a part of ptzctl's one error line, or "" for none
    int touches = kUsb;
    bool cameras = true;
};

TEST(PtzctlRun, ExitStatusOutputAndLinesOfEachOutcome) {
    using namespace usb_status;
    const char* const kStall = "CameraControl Error: Control request failed: e000404f";
    const char* const kNone = "ptzctl: no camera of a supported model is connected";
    const int kFailed = kPtzctlFailure;
    const char* const kRefused = "can be opened (2e7e:0606 at 0x01200000: e00002e2)";
    const std::string kUnbound =
        "CameraControl Error: IOCreatePlugInInterfaceForService returned 0xe00002c0.";
    const std::string kAtRest = "pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu closed";
    const char* const kRange =
        "panDirection=0..0 panSpeed=1..24 tiltDirection=0..0 tiltSpeed=1..20";
    const Scenario scenarios[] = {
        {"jump", {}, {}, kPtzctlUsage, {}, {}, "jump (ptzctl --help", 0},
        {"list", {}, {}, kFailed, {}, {}, kNone, kHid, false},
        {"home", {}, {}, kFailed, {}, {}, kNone, kHid, false},
        // Past the keyboard and a camera that cannot be opened, to the next.
        {"osd menu", {kExclusiveAccess}, {}, 0, {}, {}, "", kUsb | kHid},
        {"osd menu", {kNotPermitted, kExclusiveAccess}, {}, kFailed, {}, {}, kRefused, kUsb | kHid},
        {"--location 01400000 home", {}, {}, kFailed, {}, {}, "no camera at location 0x01400000"},
        {"--vid 0x2E7E --pid 735 home", {}, {}, kFailed, {}, {kUnbound}, "2e7e:0735 could be"},
        // The stop after an OSD key fails the run, though the key's own result leaves it out.
        {"--location 01200000 osd up", {}, {kSuccess, kPipeStalled}, kFailed, {}, {kStall}, ""},
        {"--location 01300000 get zoomAbsolute", {}, {kPipeStalled}, kFailed, {}, {kStall}, ""},
        {"--simulated-camera zoom in --speed 8", {}, {}, kFailed, {kAtRest}, {kStall}, "", 0},
        {"--simulated-camera pan left", {}, {}, 0, {kAtRest + ", moving pan"}, {}, "", 0},
        {"--simulated-camera range panTiltRelative", {}, {}, 0, {kRange, kAtRest}, {}, "", 0},
    };
    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.line);
        testing::SimulatedUsb usb;
        usb.script.openResults = scenario.opens;
        usb.script.requestResults = scenario.requests;
        FakeMachine machine(usb.registry, scenario.cameras);
        testing::LogCapture log;
        const Outcome result = run(scenario.line, machine);
        EXPECT_EQ(result.status, scenario.status);
        EXPECT_THAT(result.out, ElementsAreArray(scenario.out));
        EXPECT_THAT(log.lines, ElementsAreArray(scenario.log));
        EXPECT_THAT(result.err, HasSubstr(scenario.err));
        EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), *scenario.err ? 1 : 0);
        EXPECT_EQ(machine.touched, scenario.touches);
    }
}

// Output lost for want of space fails the run with one line.
TEST(PtzctlRun, LostOutputFailsTheRun) {
    std::FILE* full = std::fopen("/dev/full", "w");
    ASSERT_NE(full, nullptr);
    std::ostringstream err;
    EXPECT_EQ(writePtzctlOutput(kPtzctlSuccess, "0\n", full, err), kPtzctlFailure);
    std::fclose(full);
    EXPECT_EQ(err.str(), "ptzctl: cannot write standard output: No space left on device\n");
}

// Each command's requests as --dry-run prints them, setup bytes in bus order (bmRequestType,
// bRequest, wValue, wIndex = unit << 8 | interface 0, wLength) | data stage; a GET has none.
TEST(PtzctlCommands, EachCommandSendsTheseRequests) {
    const char* const kTiltStop = "21 01 00 0e 00 01 04 00 | 00 00 00 0a";
    const char* const kPanStop = "21 01 00 0e 00 01 04 00 | 00 0a 00 00";
    const char* const kAfOff = "21 01 00 08 00 01 01 00 | 00";
    const std::pair<const char*, std::vector<std::string>> rows[] = {
        {"osd up", {"21 01 00 01 00 13 02 00 | 00 00", kTiltStop}},
        {"osd down", {"21 01 00 02 00 13 02 00 | 00 00", kTiltStop}},
        {"osd left", {"21 01 00 03 00 13 02 00 | 00 00", kPanStop}},
        {"osd right", {"21 01 00 04 00 13 02 00 | 00 00", kPanStop}},
        {"osd ok", {"21 01 00 05 00 13 02 00 | 00 00"}},
        {"osd back", {"21 01 00 06 00 13 02 00 | 00 00"}},
        {"osd menu", {"21 01 00 07 00 13 02 00 | 00 00"}},
        {"pan left", {"21 01 00 0e 00 01 04 00 | ff 0a 00 00"}},
        {"pan right", {"21 01 00 0e 00 01 04 00 | 01 0a 00 00"}},
        {"pan stop", {kPanStop}},
        {"tilt up", {"21 01 00 0e 00 01 04 00 | 00 00 01 0a"}},
        {"tilt down", {"21 01 00 0e 00 01 04 00 | 00 00 ff 0a"}},
        {"tilt stop", {kTiltStop}},
        {"home",
         {"21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00", "21 01 00 0b 00 01 02 00 | 00 00"}},
        {"zoom in", {"21 01 00 0c 00 01 03 00 | 01 00 03"}},
        {"zoom out --speed 7", {"21 01 00 0c 00 01 03 00 | ff 00 07"}},
        {"zoom stop", {"21 01 00 0c 00 01 03 00 | 00 00 03"}},
        {"focus near", {kAfOff, "21 01 00 07 00 01 02 00 | 01 03"}},
        {"focus far --speed 2", {kAfOff, "21 01 00 07 00 01 02 00 | ff 02"}},
        {"focus stop", {kAfOff, "21 01 00 07 00 01 02 00 | 00 03"}},
        {"autofocus on", {"21 01 00 08 00 01 01 00 | 01"}},
        {"autofocus off", {kAfOff}},
        {"preset set 7", {"21 01 00 04 00 14 01 00 | 07"}},
        {"preset call +255", {"21 01 00 05 00 14 01 00 | ff"}},
        {"pan left --speed 255", {"21 01 00 0e 00 01 04 00 | ff ff 00 00"}},
        {"tilt stop --speed 1", {"21 01 00 0e 00 01 04 00 | 00 00 00 01"}},
        {"get zoomAbsolute", {"a1 81 00 0b 00 01 02 00 |"}},
        {"range panTiltRelative", {"a1 82 00 0e 00 01 04 00 |", "a1 83 00 0e 00 01 04 00 |"}},
    };
    testing::SimulatedUsb usb;
    FakeMachine machine(usb.registry, false);
    for (const auto& [line, requests] : rows) {
        EXPECT_THAT(run(std::string("--dry-run ") + line, machine).out, ElementsAreArray(requests))
            << line;
    }
    EXPECT_EQ(machine.touched, 0);  // no camera is bound
}

}  // namespace
}  // namespace ptz
