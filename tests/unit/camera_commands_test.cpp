// The command set against the simulated camera: exact requests per command, the zoom/focus
// toggles and autofocus flag. The toggles are process-wide; every case runs in its own process.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "log_capture.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::SimulatedUsb;

constexpr auto kOsdKey = [](int selector) {
    return "21 01 00 0" + std::to_string(selector) + " 00 13 02 00 | 00 00";
};
constexpr const char* kPanTilt = "21 01 00 0e 00 01 04 00 | ";
constexpr const char* kZoomRel = "21 01 00 0c 00 01 03 00 | ";
constexpr const char* kFocusRel = "21 01 00 07 00 01 02 00 | ";
constexpr const char* kFocusAuto = "21 01 00 08 00 01 01 00 | ";

std::string panTilt(const char* data) {
    return std::string(kPanTilt) + data;
}
std::string zoom(const char* data) {
    return std::string(kZoomRel) + data;
}
std::string focus(const char* data) {
    return std::string(kFocusRel) + data;
}
std::string autoFocus(const char* data) {
    return std::string(kFocusAuto) + data;
}

// The camera focuses by hand: it refuses focus moves while its autofocus is on.
class CameraCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        camera->MakeAutoFocus(false);
        usb.sent();
        log.lines.clear();
    }
    std::vector<std::string> run(const std::function<void()>& command) {
        usb.sent();
        command();
        return usb.sent();
    }

    SimulatedUsb usb;
    LogCapture log;
    std::shared_ptr<UVCCameraControl> camera = usb.bind();
};

TEST_F(CameraCommands, OsdKeysSendTheKeyThenAPanTiltStop) {
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickOsdUpBtn()); }),
                ElementsAre(kOsdKey(1), panTilt("00 00 00 0a")));
    EXPECT_THAT(run([&] { camera->ClickOsdDownBtn(); }),
                ElementsAre(kOsdKey(2), panTilt("00 00 00 0a")));
    EXPECT_THAT(run([&] { camera->ClickOsdLeftBtn(); }),
                ElementsAre(kOsdKey(3), panTilt("00 0a 00 00")));
    EXPECT_THAT(run([&] { camera->ClickOsdRightBtn(); }),
                ElementsAre(kOsdKey(4), panTilt("00 0a 00 00")));
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickOsdOkBtn()); }), ElementsAre(kOsdKey(5)));
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickOsdBackBtn()); }), ElementsAre(kOsdKey(6)));
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickOsdOpencloseBtn()); }), ElementsAre(kOsdKey(7)));
    EXPECT_THAT(log.lines, ElementsAre("bRet = 1"));
}

TEST_F(CameraCommands, OsdDirectionReportsTheKeyNotTheStop) {
    usb.script.requestResults = {usb_status::kSuccess, usb_status::kTimeout};
    EXPECT_TRUE(camera->ClickOsdLeftBtn());
    usb.script.requestResults = {usb_status::kTimeout, usb_status::kSuccess};
    EXPECT_FALSE(camera->ClickOsdLeftBtn());
    EXPECT_EQ(usb.sent().size(), 4u);  // the stop is sent after a failed key too

    usb.script.requestResults = {usb_status::kTimeout};
    EXPECT_FALSE(camera->ClickOsdOkBtn());
    EXPECT_EQ(log.lines.back(), "bRet = 0");
}

TEST_F(CameraCommands, PanTiltStartsAndStops) {
    EXPECT_THAT(run([&] {
                    camera->ClickPtzUpBtn(true);
                    camera->ClickPtzUpBtn(false);
                    camera->ClickPtzDownBtn(true);
                    camera->ClickPtzDownBtn(false);
                    camera->ClickPtzLeftBtn(true);
                    camera->ClickPtzLeftBtn(false);
                    camera->ClickPtzRightBtn(true);
                    camera->ClickPtzRightBtn(false);
                }),
                ElementsAre(panTilt("00 00 01 0a"), panTilt("00 00 00 0a"), panTilt("00 00 ff 0a"),
                            panTilt("00 00 00 0a"), panTilt("ff 0a 00 00"), panTilt("00 0a 00 00"),
                            panTilt("01 0a 00 00"), panTilt("00 0a 00 00")));
    usb.script.requestResults = {usb_status::kTimeout};
    EXPECT_FALSE(camera->ClickPtzRightBtn(true));
}

TEST_F(CameraCommands, ChosenSpeedsReachTheSpeedBytesOfStartsAndStops) {
    camera->setPanTiltSpeed(0x18);
    camera->setZoomFocusSpeed(7);
    EXPECT_THAT(
        run([&] {
            camera->ClickPtzDownBtn(true);
            camera->ClickPtzLeftBtn(false);
            camera->ClickPtzZoomPlusBtn();
            camera->ClickPtzFocusReduceBtn();
            camera->ClickOsdUpBtn();
            camera->movePanTilt(-1, 3, 1, 0xFF);
            camera->movePanTilt(-1, 5, 1, 5);
            camera->moveZoom(0, 2);
            camera->moveFocus(1, 1);
        }),
        ElementsAre(panTilt("00 00 ff 18"), panTilt("00 18 00 00"), zoom("01 00 07"),
                    focus("ff 07"), kOsdKey(1), panTilt("00 00 00 18"), panTilt("ff 03 01 ff"),
                    panTilt("ff 05 01 05"), zoom("00 00 02"), focus("01 01")));
}

TEST_F(CameraCommands, HomeSendsAbsoluteZeroesAndAlwaysSucceeds) {
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickPtzHomeBtn()); }),
                ElementsAre("21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00",
                            "21 01 00 0b 00 01 02 00 | 00 00"));
    auto unbound = UVCCameraControl::initWithInterface(nullptr);
    log.lines.clear();
    EXPECT_TRUE(unbound->ClickPtzHomeBtn());
    EXPECT_EQ(log.lines.size(), 2u);
}

// The toggles' state table: success flips, failure keeps, each button its own, process-wide.
TEST_F(CameraCommands, ZoomTogglesFlipOnSuccessOnlyAndOutliveTheObject) {
    EXPECT_THAT(run([&] {
                    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
                    EXPECT_TRUE(camera->ClickPtzZoomReduceBtn());
                    usb.script.requestResults = {usb_status::kTimeout};
                    EXPECT_FALSE(camera->ClickPtzZoomPlusBtn());
                    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
                    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
                }),
                ElementsAre(zoom("01 00 03"), zoom("ff 00 03"), zoom("00 00 03"), zoom("00 00 03"),
                            zoom("01 00 03")));

    camera->ClickPtzFocusReduceBtn();
    camera = usb.bind();
    EXPECT_THAT(run([&] {
                    camera->ClickPtzZoomPlusBtn();
                    camera->ClickPtzZoomReduceBtn();
                    camera->ClickPtzFocusReduceBtn();
                    camera->ClickPtzFocusPlusBtn();
                }),
                ElementsAre(zoom("00 00 03"), zoom("00 00 03"), focus("00 03"), focus("01 03")));
}

TEST_F(CameraCommands, FocusAlternatesAndIsRefusedOnlyWhileAutofocusIsOne) {
    EXPECT_THAT(run([&] {
                    camera->ClickPtzFocusPlusBtn();
                    camera->ClickPtzFocusPlusBtn();
                    camera->ClickPtzFocusReduceBtn();
                    camera->ClickPtzFocusReduceBtn();
                }),
                ElementsAre(focus("01 03"), focus("00 03"), focus("ff 03"), focus("00 03")));

    camera->setBAutoFocus(1);
    EXPECT_THAT(run([&] {
                    EXPECT_FALSE(camera->ClickPtzFocusPlusBtn());
                    EXPECT_FALSE(camera->ClickPtzFocusReduceBtn());
                }),
                IsEmpty());
    camera->setBAutoFocus(2);
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickPtzFocusPlusBtn()); }),
                ElementsAre(focus("01 03")));  // toggle unchanged by the refusal
}

TEST_F(CameraCommands, AutofocusFlipsTheFlagEvenWhenTheRequestFails) {
    EXPECT_EQ(camera->bAutoFocus(), 0);
    EXPECT_THAT(run([&] { EXPECT_TRUE(camera->ClickPtzAutoFocusBtn()); }),
                ElementsAre(autoFocus("01")));
    EXPECT_EQ(camera->bAutoFocus(), 1);
    EXPECT_THAT(run([&] { camera->ClickPtzAutoFocusBtn(); }), ElementsAre(autoFocus("00")));
    EXPECT_EQ(camera->bAutoFocus(), 0);

    usb.script.requestResults = {usb_status::kTimeout};
    EXPECT_FALSE(camera->ClickPtzAutoFocusBtn());
    EXPECT_EQ(camera->bAutoFocus(), 1);

    auto unbound = UVCCameraControl::initWithInterface(nullptr);
    EXPECT_FALSE(unbound->ClickPtzAutoFocusBtn());
    EXPECT_EQ(unbound->bAutoFocus(), 1);
}

TEST_F(CameraCommands, MakeAutoFocusStoresThenSends) {
    camera->setBAutoFocus(1);
    EXPECT_THAT(run([&] {
                    camera->MakeAutoFocus(false);
                    EXPECT_EQ(camera->bAutoFocus(), 0);
                    EXPECT_TRUE(camera->ClickPtzFocusPlusBtn());
                    camera->MakeAutoFocus(true);
                }),
                ElementsAre(autoFocus("00"), focus("01 03"), autoFocus("01")));
    EXPECT_EQ(camera->bAutoFocus(), 1);

    usb.script.requestResults = {usb_status::kTimeout};
    camera->MakeAutoFocus(false);
    EXPECT_EQ(camera->bAutoFocus(), 0);
}

TEST_F(CameraCommands, PresetsSendTheLowByte) {
    EXPECT_THAT(run([&] {
                    camera->ClickPtzSetBtn(5);
                    camera->ClickPtzSetBtn(255);
                    camera->ClickPtzSetBtn(256);
                    camera->ClickPtzCallBtn(300);
                    camera->ClickPtzCallBtn(-1);
                }),
                ElementsAre("21 01 00 04 00 14 01 00 | 05", "21 01 00 04 00 14 01 00 | ff",
                            "21 01 00 04 00 14 01 00 | 00", "21 01 00 05 00 14 01 00 | 2c",
                            "21 01 00 05 00 14 01 00 | ff"));
}

}  // namespace
}  // namespace ptz
