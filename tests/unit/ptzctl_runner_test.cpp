// ptzctl's commands end to end over the in-memory USB layer: the dry run's lines for every
// command, binding without ids, and the exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fake_usb.h"
#include "ptzctl_runner.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::FakeBus;
using testing::FakeUsbRegistry;
using ::testing::IsEmpty;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct Outcome {
    int status = -1;
    std::vector<std::string> out;
    std::vector<std::string> log;
};

Outcome run(std::initializer_list<std::string_view> words, UsbRegistry* registry = nullptr) {
    const std::vector<std::string_view> args(words);
    const PtzctlParseResult parsed = parsePtzctlArguments(args);
    EXPECT_TRUE(parsed.options) << parsed.error;
    Outcome result;
    if (!parsed.options) {
        return result;
    }
    std::ostringstream out;
    result.status = runPtzctl(*parsed.options, registry, out,
                              [&](std::string_view line) { result.log.emplace_back(line); });
    result.out = linesOf(out.str());
    return result;
}

struct DryRunCase {
    std::vector<std::string_view> words;
    std::vector<std::string> lines;
};

constexpr const char* kTiltStop = "21 01 00 0e 00 01 04 00 | 00 00 00 0a";
constexpr const char* kPanStop = "21 01 00 0e 00 01 04 00 | 00 0a 00 00";
constexpr const char* kAutofocusOff = "21 01 00 08 00 01 01 00 | 00";

TEST(PtzctlDryRun, EveryCommandPrintsThePanelsBytes) {
    const std::vector<DryRunCase> cases = {
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
        {{"preset", "set", "5"}, {"21 01 00 04 00 14 01 00 | 05"}},
        {{"preset", "call", "255"}, {"21 01 00 05 00 14 01 00 | ff"}},
        {{"get", "zoomAbsolute"}, {"a1 81 00 0b 00 01 02 00 |"}},
        {{"range", "panTiltRelative"}, {"a1 82 00 0e 00 01 04 00 |", "a1 83 00 0e 00 01 04 00 |"}},
    };
    for (const DryRunCase& c : cases) {
        std::vector<std::string_view> args = {"--dry-run"};
        args.insert(args.end(), c.words.begin(), c.words.end());
        const PtzctlParseResult parsed = parsePtzctlArguments(args);
        ASSERT_TRUE(parsed.options) << parsed.error;
        std::ostringstream out;
        const int status = runPtzctl(*parsed.options, nullptr, out, [](std::string_view) {});
        EXPECT_EQ(status, kPtzctlSuccess) << c.words[0];
        EXPECT_THAT(linesOf(out.str()), ElementsAreArray(c.lines)) << c.words[0];
    }
}

TEST(PtzctlDryRun, StopsAreTheSameWhateverRanBefore) {
    // The panel's zoom button would stop on its second press; the command line says stop.
    EXPECT_THAT(run({"--dry-run", "zoom", "stop"}).out,
                ElementsAre("21 01 00 0c 00 01 03 00 | 00 00 03"));
    EXPECT_THAT(run({"--dry-run", "zoom", "in"}).out,
                ElementsAre("21 01 00 0c 00 01 03 00 | 01 00 03"));
    EXPECT_THAT(run({"--dry-run", "zoom", "in"}).out,
                ElementsAre("21 01 00 0c 00 01 03 00 | 01 00 03"));
}

class PtzctlRun : public ::testing::Test {
  protected:
    FakeBus bus;
    FakeUsbRegistry registry{bus};
};

TEST_F(PtzctlRun, WithoutIdsBindsTheFirstSupportedModel) {
    registry.add({.vendorId = 0x1d6b, .productId = 0x0002, .locationId = 0x01000000});
    registry.add({.vendorId = 0x046d, .productId = 0x0825, .locationId = 0x01100000});
    registry.add({.vendorId = 0x1234, .productId = 0x0606, .locationId = 0x01200000});
    registry.add({.vendorId = 0x3242, .productId = 0x1000, .locationId = 0x01300000});
    const Outcome result = run({"osd", "back"}, &registry);
    EXPECT_EQ(result.status, kPtzctlSuccess);
    EXPECT_THAT(bus.calls, ElementsAre("device-plugin 18874368", "interface-plugin 18874368/0",
                                       "open", "request", "close", "close", "release"));
    EXPECT_THAT(result.log, IsEmpty());
}

TEST_F(PtzctlRun, NoSupportedCameraIsAFailureWithOneLine) {
    registry.add({.vendorId = 0x046d, .productId = 0x0825});
    const Outcome result = run({"home"}, &registry);
    EXPECT_EQ(result.status, kPtzctlFailure);
    EXPECT_THAT(result.log, ElementsAre("ptzctl: no camera of a supported model is connected"));
    EXPECT_THAT(bus.transfers, IsEmpty());
}

TEST_F(PtzctlRun, UnboundCameraIsAFailure) {
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735, .videoControlInterfaces = 0});
    const Outcome result = run({"--vid", "2e7e", "--pid", "0735", "home"}, &registry);
    EXPECT_EQ(result.status, kPtzctlFailure);
    EXPECT_THAT(result.log, ElementsAre("ptzctl: no camera bound"));
    EXPECT_THAT(bus.transfers, IsEmpty());
}

TEST_F(PtzctlRun, ADroppedFailureStillFailsTheRun) {
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735});
    // The OSD key goes through; the stop that follows it fails, which the command itself
    // does not report.
    bus.requestResults = {usb_status::kSuccess, usb_status::kPipeStalled};
    const Outcome result = run({"--vid", "2e7e", "--pid", "735", "osd", "up"}, &registry);
    EXPECT_EQ(result.status, kPtzctlFailure);
    EXPECT_THAT(result.log, ElementsAre("CameraControl Error: Control request failed: e000404f"));
    EXPECT_EQ(bus.transfers.size(), 2u);
}

TEST_F(PtzctlRun, FailuresMetWhileSearchingByLocationDoNotCount) {
    registry.add({.locationId = 0x01100000, .devicePlugInStatus = usb_status::kNotPermitted});
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735, .locationId = 0x01200000});
    const Outcome result = run({"--location", "0x01200000", "autofocus", "on"}, &registry);
    EXPECT_EQ(result.status, kPtzctlSuccess);
    EXPECT_THAT(bus.transferLines(), ElementsAre("21 01 00 08 00 01 01 00 | 01"));
}

TEST_F(PtzctlRun, GetAndRangePrintRawIntegers) {
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735});
    bus.getAnswers = {{0xFF, 0xFF}};
    const Outcome get = run({"get", "zoomAbsolute"}, &registry);
    EXPECT_EQ(get.status, kPtzctlSuccess);
    EXPECT_THAT(get.out, ElementsAre("65535"));

    bus.getAnswers = {{0x9C, 0xFF, 0xFF, 0xFF}, {0x64, 0, 0, 0}};
    const Outcome range = run({"range", "panTiltRelative"}, &registry);
    EXPECT_EQ(range.status, kPtzctlSuccess);
    EXPECT_THAT(range.out, ElementsAre("-100 100"));
}

TEST_F(PtzctlRun, AFailedReadPrintsNothing) {
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735});
    bus.openResults = {usb_status::kExclusiveAccess};
    const Outcome result = run({"get", "focusAuto"}, &registry);
    EXPECT_EQ(result.status, kPtzctlFailure);
    EXPECT_THAT(result.out, IsEmpty());
    EXPECT_THAT(result.log,
                ElementsAre("CameraControl Error: Unable to open interface (e00002c5)"));
}

}  // namespace
}  // namespace ptz
