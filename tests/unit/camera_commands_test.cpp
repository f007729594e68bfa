// The command set's logic over the in-memory USB layer (ptzctl's table checks each command's
// bytes): the zoom/focus toggles, the autofocus flag, which result a command
// reports. The toggles are process-wide; every case runs in its own process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "log_capture.h"
#include "request_lines.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::setCur;
constexpr UsbStatus kTimeout = usb_status::kTimeout;

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

}  // namespace
}  // namespace ptz
