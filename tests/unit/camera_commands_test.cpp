// The command set's logic over the in-memory USB layer (the bytes of each command are checked
// on the libusb path): the zoom/focus toggles, the autofocus flag, which result a command
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
using ::testing::IsEmpty;
using testing::setCur;

const auto zoom = [](const char* data) { return setCur(zoomRelative, data); };
const auto focus = [](const char* data) { return setCur(focusRelative, data); };
constexpr UsbStatus kTimeout = usb_status::kTimeout;

class CameraCommands : public ::testing::Test {
  protected:
    void SetUp() override { camera->MakeAutoFocus(false); }

    testing::SimulatedUsb usb;
    testing::LogCapture log;
    std::shared_ptr<UVCCameraControl> camera = usb.bind();
};

// Success flips a button's toggle, failure keeps it; each button has its own, shared by every
// object of the process.
TEST_F(CameraCommands, TogglesFlipOnSuccessOnlyAndOutliveTheObject) {
    usb.sent();
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzZoomReduceBtn());
    usb.script.requestResults = {kTimeout};
    EXPECT_FALSE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzFocusReduceBtn());
    camera = usb.bind();
    camera->ClickPtzZoomPlusBtn();
    camera->ClickPtzFocusReduceBtn();
    camera->ClickPtzFocusPlusBtn();
    EXPECT_THAT(usb.sent(),
                ElementsAre(zoom("01 00 03"), zoom("ff 00 03"), zoom("00 00 03"), zoom("00 00 03"),
                            focus("ff 03"), zoom("01 00 03"), focus("00 03"), focus("01 03")));
}

TEST_F(CameraCommands, FocusIsRefusedUnsentOnlyWhileTheAutofocusFlagIsOne) {
    usb.sent();
    camera->setBAutoFocus(1);
    EXPECT_FALSE(camera->ClickPtzFocusPlusBtn());
    EXPECT_FALSE(camera->ClickPtzFocusReduceBtn());
    EXPECT_THAT(usb.sent(), IsEmpty());
    camera->setBAutoFocus(2);
    EXPECT_TRUE(camera->ClickPtzFocusPlusBtn());
    EXPECT_THAT(usb.sent(), ElementsAre(focus("01 03")));
}

TEST_F(CameraCommands, TheAutofocusFlagRecordsWhatWasAskedEvenWhenTheRequestFails) {
    EXPECT_TRUE(camera->ClickPtzAutoFocusBtn());
    EXPECT_EQ(camera->bAutoFocus(), 1);
    usb.script.requestResults = {kTimeout};
    EXPECT_FALSE(camera->ClickPtzAutoFocusBtn());
    EXPECT_EQ(camera->bAutoFocus(), 0);
    usb.script.requestResults = {kTimeout};
    camera->MakeAutoFocus(true);
    EXPECT_EQ(camera->bAutoFocus(), 1);
    auto unbound = UVCCameraControl::initWithInterface(nullptr);
    EXPECT_FALSE(unbound->ClickPtzAutoFocusBtn());
    EXPECT_EQ(unbound->bAutoFocus(), 1);
}

// An OSD direction key reports the key's result, not its stop's; home always reports success.
TEST_F(CameraCommands, ResultsReportedByKeysAndHome) {
    usb.script.requestResults = {usb_status::kSuccess, kTimeout};
    EXPECT_TRUE(camera->ClickOsdLeftBtn());
    usb.script.requestResults = {kTimeout, usb_status::kSuccess};
    EXPECT_FALSE(camera->ClickOsdDownBtn());
    EXPECT_EQ(usb.sent().size(), 5u);  // autofocus off, and the stop after a failed key too
    log.lines.clear();
    EXPECT_TRUE(camera->ClickOsdOkBtn());
    usb.script.requestResults = {kTimeout};
    EXPECT_FALSE(camera->ClickOsdOkBtn());
    usb.script.requestResults = {kTimeout, kTimeout};
    EXPECT_TRUE(camera->ClickPtzHomeBtn());
    EXPECT_THAT(log.lines, ElementsAre("bRet = 1",
                                       "CameraControl Error: Control request failed: "
                                       "e00002d6",
                                       "bRet = 0", ::testing::_, ::testing::_));
}

}  // namespace
}  // namespace ptz
