// The ptzctl program against the fake camera: what each command puts on the bus, its output
// and its exit status. The program runs as a child process behind the same umockdev preload.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "run_ptzctl.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using testing::cameraAt;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::EmulatedUsbCamera;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using testing::UsbTestbed;
using Finished = testing::PtzctlRun;

Finished ptzctl(const std::vector<std::string>& args) {
    return testing::runPtzctl(PTZCTL_PATH, args);
}

std::vector<std::string> withIds(std::vector<std::string> command) {
    command.insert(command.begin(), {"--vid", "2e7e", "--pid", "0606"});
    return command;
}

class PtzctlOnTheBus : public ::testing::Test {
  protected:
    UsbTestbed bed;
};

constexpr const char* kTiltStop = "21 01 00 0e 00 01 04 00 | 00 00 00 0a";
constexpr const char* kPanStop = "21 01 00 0e 00 01 04 00 | 00 0a 00 00";
constexpr const char* kAutofocusOff = "21 01 00 08 00 01 01 00 | 00";

// Every command: the lines its dry run prints are the panel's bytes, and what it sends.
TEST_F(PtzctlOnTheBus, EveryCommandSendsThePanelsBytesAsItsDryRunPrintsThem) {
    EmulatedUsbCamera& camera = bed.add();
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> commands = {
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
    };
    for (const auto& [command, bytes] : commands) {
        const std::string name = command[0] + " " + command.back();
        std::vector<std::string> dryRun = command;
        dryRun.insert(dryRun.begin(), "--dry-run");
        const Finished printed = ptzctl(dryRun);
        EXPECT_EQ(printed.status, 0) << name << printed.err;
        EXPECT_THAT(printed.out, ElementsAreArray(bytes)) << name;

        camera.clearRequests();
        const Finished sent = ptzctl(withIds(command));
        EXPECT_EQ(sent.status, 0) << name << sent.err;
        EXPECT_THAT(sent.out, IsEmpty());
        EXPECT_THAT(camera.requestLines(), ElementsAreArray(bytes)) << name;
    }
}

// The value a recorded GET's answer reads as, its bytes little-endian and signed 32-bit.
int32_t answerOf(const std::string& line) {
    uint32_t value = 0;
    int shift = 0;
    for (size_t at = line.find('|') + 2; at + 1 < line.size() && shift < 32; at += 3, shift += 8) {
        value |= static_cast<uint32_t>(std::stoul(line.substr(at, 2), nullptr, 16)) << shift;
    }
    return static_cast<int32_t>(value);
}

TEST_F(PtzctlOnTheBus, GetAndRangePrintTheCamerasAnswers) {
    EmulatedUsbCamera& camera = bed.add();
    const Finished get = ptzctl(withIds({"get", "zoomAbsolute"}));
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_THAT(get.out, ElementsAre(std::to_string(camera.firmware().state().zoom)));

    camera.clearRequests();
    const Finished range = ptzctl(withIds({"range", "panTiltRelative"}));
    EXPECT_EQ(range.status, 0) << range.err;
    const std::vector<std::string> asked = camera.requestLines();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_THAT(range.out, ElementsAre(std::to_string(answerOf(asked[0])) + " " +
                                       std::to_string(answerOf(asked[1]))));
    // A dry run prints the reads' setup packets, with nothing after the bar.
    EXPECT_THAT(ptzctl({"--dry-run", "range", "panTiltRelative"}).out,
                ElementsAre("a1 82 00 0e 00 01 04 00 |", "a1 83 00 0e 00 01 04 00 |"));
}

TEST_F(PtzctlOnTheBus, WithoutIdsTheFirstSupportedCameraIsUsed) {
    EmulatedUsbCamera& webcam = bed.add(cameraAt(1, {1}, 2, 0x046d, 0x0825));
    EmulatedUsbCamera& ptz = bed.add(cameraAt(1, {2}, 3, 0x3242, 0x1000));
    const Finished result = ptzctl({"osd", "menu"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(ptz.requestLines(), ElementsAre("21 01 00 07 00 13 02 00 | 00 00"));
    EXPECT_THAT(webcam.requestLines(), IsEmpty());
}

TEST_F(PtzctlOnTheBus, FailuresGiveExitStatusOneAndTheLogOnStandardError) {
    testing::UsbDeviceSpec relativeOnly;
    relativeOnly.camera.hasAbsoluteControls = false;
    bed.add(relativeOnly);
    const Finished stalled = ptzctl(withIds({"home"}));
    EXPECT_EQ(stalled.status, 1);
    EXPECT_THAT(stalled.err, HasSubstr("CameraControl Error: Control request failed: e000404f"));

    const Finished missing = ptzctl({"--vid", "2e7e", "--pid", "0735", "home"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_THAT(missing.err, HasSubstr("IOCreatePlugInInterfaceForService returned 0xe00002c0."));

    const Finished usage = ptzctl({"preset", "call", "256"});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(std::count(usage.err.begin(), usage.err.end(), '\n'), 1);
}

TEST_F(PtzctlOnTheBus, BindsByLocation) {
    EmulatedUsbCamera& first = bed.add(cameraAt(1, {1}, 2));
    EmulatedUsbCamera& second = bed.add(cameraAt(1, {3}, 3));
    const Finished result = ptzctl({"--location", "01300000", "preset", "set", "1"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_THAT(second.requestLines(), ElementsAre("21 01 00 04 00 14 01 00 | 01"));
    EXPECT_THAT(first.requestLines(), IsEmpty());
}

}  // namespace
}  // namespace ptz
