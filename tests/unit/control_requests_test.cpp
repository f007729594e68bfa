// The camera control over the in-memory USB layer: encoding, decoding, the open-request-close
// sequence, binding failures, the commands' toggles and results (ptzctl's table checks their
// bytes), the log line. The toggles are process-wide: every case runs in its own process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "log_capture.h"
#include "request_lines.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::setCur;
using testing::SimulatedUsb;
constexpr UsbStatus kTimeout = usb_status::kTimeout;

class ControlRequests : public ::testing::Test {
  protected:
    SimulatedUsb usb;
    LogCapture log;
    std::shared_ptr<UVCCameraControl> camera = usb.bind();
};

TEST_F(ControlRequests, SetValueTruncatesSaturatesAndFillsTheControlsLengthLittleEndian) {
    const std::tuple<UvcControlSpec, float, const char*> cases[] = {
        {{1, 14, 4}, 184483840.0f, "21 01 00 0e 00 01 04 00 | 00 00 ff 0a"},
        {{19, 1, 2}, -1.0f, "21 01 00 01 00 13 02 00 | ff ff"},
        {{1, 13, 8}, -1.0f, "21 01 00 0d 00 01 08 00 | ff ff ff ff ff ff ff ff"},
        {{19, 1, 2}, 2.7f, "21 01 00 01 00 13 02 00 | 02 00"},
        {{19, 1, 2}, -2.7f, "21 01 00 01 00 13 02 00 | fe ff"},
        {{1, 14, 4}, 1e20f, "21 01 00 0e 00 01 04 00 | ff ff ff 7f"},
        {{1, 13, 8}, -1e20f, "21 01 00 0d 00 01 08 00 | 00 00 00 80 ff ff ff ff"},
        {{1, 14, 4}, NAN, "21 01 00 0e 00 01 04 00 | 00 00 00 00"},
    };
    for (const auto& [spec, value, line] : cases) {
        camera->setValue(value, &spec);
        EXPECT_THAT(usb.sent(), ElementsAre(line)) << value;
    }
}

TEST_F(ControlRequests, GetsAreReadLittleEndianUnsignedAndRangesAsSigned32) {
    // Pan -170° and tilt -30° in arc seconds.
    EXPECT_EQ(camera->getDataFor(kUvcGetMin, 8, 13, 1), static_cast<int64_t>(0xfffe5a20fff6a960));
    const UvcRange panTilt = camera->getRangeForControl(&uvc_controls[panTiltAbsolute]);
    EXPECT_EQ(panTilt.min, -612000);  // pan's four bytes only
    EXPECT_EQ(panTilt.max, 612000);
    camera->setData(4096, 2, 11, 1);
    usb.clock.advance(std::chrono::seconds(1));
    EXPECT_FLOAT_EQ(camera->getValueForControl(&uvc_controls[zoomAbsolute]), 0.25f);
}

TEST_F(ControlRequests, EachRequestOpensSendsAndClosesAndFailuresAreLoggedAndCounted) {
    camera->setValue(1.0f, &uvc_controls[focusAuto]);
    EXPECT_THAT(usb.script.calls, ElementsAre("open", "request", "close"));
    usb.script.calls.clear();
    usb.script.openResults = {usb_status::kExclusiveAccess};
    EXPECT_FALSE(camera->setValue(0.0f, &uvc_controls[focusAuto]));
    EXPECT_FALSE(camera->setData(500, 2, 6, 1));  // no manual focus under autofocus: a stall
    EXPECT_THAT(usb.script.calls, ElementsAre("open", "open", "request", "close"));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)",
                                       "CameraControl Error: Control request failed: e000404f"));
    EXPECT_EQ(camera->failedRequestCount(), 2u);
    usb.script.calls.clear();
    camera.reset();
    EXPECT_THAT(usb.script.calls, ElementsAre("close", "release"));
}

// Mended fault: a payload longer than the 8-byte buffer let the transport run past it.
TEST_F(ControlRequests, APayloadLongerThanEightBytesIsRefusedUnsent) {
    EXPECT_FALSE(camera->setData(1, 9, 1, 1));
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 64, 1, 1), 0);
    EXPECT_THAT(usb.script.calls, IsEmpty());
    EXPECT_EQ(camera->failedRequestCount(), 2u);
}

// The steps the machine's registry can fail: a device gone between the listing and the
// binding, and its interfaces unreadable. By location, such devices are passed on the way.
// Only the first VideoControl interface counts.
TEST(Binding, EachFailingStepLogsItsLineAndByLocationIsPassedOnTheWay) {
    SimulatedUsb usb;
    LogCapture log;
    const char* const kGone =
        "CameraControl Error: IOCreatePlugInInterfaceForService returned 0xe00002c0.";
    usb.registry.add(
        {.productId = 1, .locationId = 1, .devicePlugInStatus = usb_status::kNoDevice});
    usb.registry.add({.productId = 2, .locationId = 2, .iteratorStatus = usb_status::kNoDevice});
    usb.registry.add({.productId = 3, .locationId = 3, .videoControlInterfaces = 2});
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(usb.registry, 0, 1)->isBound());
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(usb.registry, 0, 2)->isBound());
    EXPECT_THAT(log.lines, ElementsAre(kGone));
    usb.script.calls.clear();
    EXPECT_TRUE(UVCCameraControl::initWithLocationID(usb.registry, 3)->isBound());
    EXPECT_THAT(log.lines, ElementsAre(kGone, kGone));
    EXPECT_THAT(usb.script.calls,
                ElementsAre("device-plugin 1", "device-plugin 2", "device-plugin 3",
                            "interface-plugin 3/0", "close", "release"));
    EXPECT_FALSE(UVCCameraControl::initWithLocationID(usb.registry, 4)->isBound());
}

// Success flips a button's toggle, failure keeps it; each button has its own, shared by every
// object of the process. Focus is refused unsent while the autofocus flag is 1 (only 1).
TEST(CameraCommands, TogglesFlipOnSuccessOnlyAndOutliveTheObject) {
    testing::SimulatedUsb usb;
    auto camera = usb.bind();
    camera->MakeAutoFocus(false);
    usb.sent();
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzZoomReduceBtn());
    usb.script.requestResults = {kTimeout};
    EXPECT_FALSE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzFocusReduceBtn());
    camera = usb.bind();
    camera->setBAutoFocus(1);
    EXPECT_FALSE(camera->ClickPtzFocusPlusBtn());
    camera->setBAutoFocus(2);
    camera->ClickPtzZoomPlusBtn();
    camera->ClickPtzFocusReduceBtn();
    camera->ClickPtzFocusPlusBtn();
    // The panel's own: the right and down stops, and moves named outright (exact, where a
    // float would lose the low bytes above 2^24).
    camera->ClickPtzRightBtn(false);
    camera->ClickPtzDownBtn(false);
    camera->movePanTilt(-1, 3, 1, 5);
    camera->moveFocus(1, 1);
    const auto zoom = [](const char* data) { return setCur(zoomRelative, data); };
    const auto focus = [](const char* data) { return setCur(focusRelative, data); };
    const auto panTilt = [](const char* data) { return setCur(panTiltRelative, data); };
    EXPECT_THAT(usb.sent(),
                ElementsAre(zoom("01 00 03"), zoom("ff 00 03"), zoom("00 00 03"), zoom("00 00 03"),
                            focus("ff 03"), zoom("01 00 03"), focus("00 03"), focus("01 03"),
                            panTilt("00 0a 00 00"), panTilt("00 00 00 0a"), panTilt("ff 03 01 05"),
                            focus("01 01")));
}

// The autofocus flag records what was asked, even when the request failed. An OSD direction
// key reports the key's result, not its stop's; home always reports success.
TEST(CameraCommands, FlagsAndResultsOfCommandsOfSeveralRequests) {
    testing::SimulatedUsb usb;
    testing::LogCapture log;
    const auto camera = usb.bind();
    EXPECT_TRUE(camera->ClickPtzAutoFocusBtn());
    EXPECT_EQ(camera->bAutoFocus(), 1);
    usb.script.requestResults = {kTimeout};
    EXPECT_FALSE(camera->ClickPtzAutoFocusBtn());
    EXPECT_EQ(camera->bAutoFocus(), 0);
    usb.script.requestResults = {kTimeout};
    camera->MakeAutoFocus(true);
    EXPECT_EQ(camera->bAutoFocus(), 1);
    usb.script.requestResults = {usb_status::kSuccess, kTimeout};
    EXPECT_TRUE(camera->ClickOsdLeftBtn());
    usb.script.requestResults = {kTimeout, usb_status::kSuccess};
    EXPECT_FALSE(camera->ClickOsdDownBtn());
    EXPECT_EQ(usb.sent().size(), 7u);  // the stop goes after a failed key too
    usb.script.requestResults = {kTimeout, kTimeout};
    EXPECT_TRUE(camera->ClickPtzHomeBtn());
    log.lines.clear();
    EXPECT_TRUE(camera->ClickOsdOkBtn());
    usb.script.requestResults = {kTimeout};
    EXPECT_FALSE(camera->ClickOsdOkBtn());
    EXPECT_THAT(log.lines, ElementsAre("bRet = 1",
                                       "CameraControl Error: Control request failed: "
                                       "e00002d6",
                                       "bRet = 0"));
}

TEST(Log, DefaultLineCarriesTimeStampAndProcess) {
    EXPECT_THAT(stampedLogLine("断开成功"),
                ::testing::MatchesRegex("[0-9]{4}(-[0-9]{2}){2} ([0-9]{2}:){2}[0-9]{2}[.][0-9]{3} "
                                        "unit_tests\\[[0-9]+\\] 断开成功"));
}

}  // namespace
}  // namespace ptz
