// ptzctl's exit status over the in-memory USB layer, for failures the emulated camera cannot
// produce. The bytes of every command are checked on the emulated bus.
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
using testing::FakeUsbRegistry;
using ::testing::IsEmpty;
using testing::SimulatedUsb;

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

Outcome run(std::initializer_list<std::string_view> words, UsbRegistry* registry) {
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

class PtzctlRun : public ::testing::Test {
  protected:
    SimulatedUsb usb;
    FakeUsbRegistry& registry = usb.registry;
};

TEST_F(PtzctlRun, NoCameraIsAFailureWithOneLine) {
    registry.add({.vendorId = 0x046d, .productId = 0x0825});
    const Outcome none = run({"home"}, &registry);
    EXPECT_EQ(none.status, kPtzctlFailure);
    EXPECT_THAT(none.log, ElementsAre("ptzctl: no camera of a supported model is connected"));
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735, .videoControlInterfaces = 0});
    const Outcome unbound = run({"--vid", "2e7e", "--pid", "0735", "home"}, &registry);
    EXPECT_EQ(unbound.status, kPtzctlFailure);
    EXPECT_THAT(unbound.log, ElementsAre("ptzctl: no camera bound"));
    EXPECT_THAT(usb.sent(), IsEmpty());
}

TEST_F(PtzctlRun, ADroppedFailureStillFailsTheRun) {
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735});
    // The OSD key goes through; the stop that follows it fails, which the command itself
    // does not report.
    usb.script.requestResults = {usb_status::kSuccess, usb_status::kPipeStalled};
    const Outcome result = run({"--vid", "2e7e", "--pid", "735", "osd", "up"}, &registry);
    EXPECT_EQ(result.status, kPtzctlFailure);
    EXPECT_THAT(result.log, ElementsAre("CameraControl Error: Control request failed: e000404f"));
    EXPECT_EQ(usb.sent().size(), 2u);
}

TEST_F(PtzctlRun, FailuresMetWhileSearchingByLocationDoNotCount) {
    registry.add({.locationId = 0x01100000, .devicePlugInStatus = usb_status::kNotPermitted});
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735, .locationId = 0x01200000});
    const Outcome result = run({"--location", "0x01200000", "autofocus", "on"}, &registry);
    EXPECT_EQ(result.status, kPtzctlSuccess);
    EXPECT_THAT(usb.sent(), ElementsAre("21 01 00 08 00 01 01 00 | 01"));
}

TEST_F(PtzctlRun, AFailedReadPrintsNothing) {
    registry.add({.vendorId = 0x2e7e, .productId = 0x0735});
    usb.script.openResults = {usb_status::kExclusiveAccess};
    const Outcome result = run({"get", "focusAuto"}, &registry);
    EXPECT_EQ(result.status, kPtzctlFailure);
    EXPECT_THAT(result.out, IsEmpty());
    EXPECT_THAT(result.log,
                ElementsAre("CameraControl Error: Unable to open interface (e00002c5)"));
}

}  // namespace
}  // namespace ptz
