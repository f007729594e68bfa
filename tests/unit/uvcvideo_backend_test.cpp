// Every command of the panels and ptzctl through the uvcvideo backend, on both behaviours of
// the driver (its model) and with cameras whose slowest speed is 0 or 1: the bytes that reach
// the simulated camera, and what the head does. The zoom and focus toggles are process-wide;
// each case runs in its own process and leaves them as it found them.
#include "platform/usb/uvcvideo_backend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/uvc_camera_control.h"
#include "log_capture.h"
#include "model_video_node.h"
#include "platform/usb/usb_status_mapping.h"
#include "ptzctl_commands.h"
#include "uvcvideo_driver_model.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::UvcvideoKernel;
using Lines = std::vector<std::string>;

constexpr std::chrono::milliseconds kWhileHeld{200};

// The simulated camera behind the modelled driver and the backend, bound as the panel binds.
// The head starts half zoomed in with focus at 500 and autofocus off, so that every move has
// room both ways.
class UvcvideoPath {
  public:
    UvcvideoPath(UvcvideoKernel kernel, uint8_t minimumSpeed, bool absoluteControls = true)
        : camera(clock, sim::CameraSpec{.minimumSpeed = minimumSpeed,
                                        .hasAbsoluteControls = absoluteControls}) {
        if (absoluteControls) {
            setOnCamera(0x0B, {0x00, 0x20});  // zoom 8192
            setOnCamera(0x08, {0x00});        // autofocus off
            setOnCamera(0x06, {0xF4, 0x01});  // focus 500
            clock.advance(std::chrono::seconds(2));
        }
        driver.emplace(camera, kernel);
        camera.clearRequests();
        control = UVCCameraControl::initWithInterface(std::make_unique<UvcvideoBackend>(
            VideoControlUnits{1, {19, 20}}, 0, std::make_unique<testing::ModelVideoNode>(*driver)));
    }

    // The SET_CUR requests that reached the camera since the last call.
    Lines sets() {
        Lines lines;
        for (const sim::RecordedRequest& request : camera.requests()) {
            if (request.setup[0] == 0x21) {
                lines.push_back(sim::requestLine(request));
            }
        }
        camera.clearRequests();
        return lines;
    }

    sim::ManualClock clock;
    sim::SimulatedCamera camera;
    std::optional<testing::UvcvideoDriverModel> driver;
    std::shared_ptr<UVCCameraControl> control;

  private:
    void setOnCamera(uint8_t selector, std::vector<uint8_t> value) {
        const std::array<uint8_t, 8> setup{
            0x21, 0x01, 0x00, selector, 0x00, 0x01, static_cast<uint8_t>(value.size()), 0x00};
        ASSERT_FALSE(camera.controlRequest(setup, value).stalled);
    }
};

enum class Axis { kNone, kPan, kTilt, kZoom, kFocus };

int32_t positionOf(const sim::CameraState& state, Axis axis) {
    switch (axis) {
        case Axis::kPan:
            return state.pan;
        case Axis::kTilt:
            return state.tilt;
        case Axis::kZoom:
            return state.zoom;
        case Axis::kFocus:
            return state.focus;
        case Axis::kNone:
            break;
    }
    return 0;
}

using Command = std::function<bool(UVCCameraControl&)>;

Command ptzctl(PtzctlAction action, int32_t preset = 0) {
    return [=](UVCCameraControl& camera) {
        sendPtzctlCommand(camera, PtzctlCommand{action, preset});
        return true;
    };
}

// A command, and for a move its stop, the axis it moves, which way and at least how far while
// held: half of what its speed would cover, so a crawl fails.
struct Row {
    const char* name;
    Command start;
    Command stop = {};
    Axis axis = Axis::kNone;
    int direction = 0;
    int32_t leastTravel = 0;
};

const std::vector<Row>& commands() {
    constexpr int32_t kPanTilt10 = 4 * 3600;  // 10 speed steps of 4°/s for 200 ms, halved
    static const std::vector<Row> rows{
        {"osd up", [](auto& c) { return c.ClickOsdUpBtn(); }},
        {"osd down", [](auto& c) { return c.ClickOsdDownBtn(); }},
        {"osd left", [](auto& c) { return c.ClickOsdLeftBtn(); }},
        {"osd right", [](auto& c) { return c.ClickOsdRightBtn(); }},
        {"osd ok", [](auto& c) { return c.ClickOsdOkBtn(); }},
        {"osd back", [](auto& c) { return c.ClickOsdBackBtn(); }},
        {"osd menu", [](auto& c) { return c.ClickOsdOpencloseBtn(); }},
        {"home", [](auto& c) { return c.ClickPtzHomeBtn(); }},
        {"autofocus", [](auto& c) { return c.ClickPtzAutoFocusBtn(); }},
        {"autofocus off", [](auto& c) { return c.MakeAutoFocus(false), true; }},
        {"preset set", [](auto& c) { return c.ClickPtzSetBtn(7); }},
        {"preset call", [](auto& c) { return c.ClickPtzCallBtn(255); }},
        // The panel: latches give the direction commands start and stop, the zoom and focus
        // commands toggle, and every focus step switches autofocus off first.
        {"up", [](auto& c) { return c.ClickPtzUpBtn(true); },
         [](auto& c) { return c.ClickPtzUpBtn(false); }, Axis::kTilt, 1, kPanTilt10},
        {"down", [](auto& c) { return c.ClickPtzDownBtn(true); },
         [](auto& c) { return c.ClickPtzDownBtn(false); }, Axis::kTilt, -1, kPanTilt10},
        {"left", [](auto& c) { return c.ClickPtzLeftBtn(true); },
         [](auto& c) { return c.ClickPtzLeftBtn(false); }, Axis::kPan, -1, kPanTilt10},
        {"right", [](auto& c) { return c.ClickPtzRightBtn(true); },
         [](auto& c) { return c.ClickPtzRightBtn(false); }, Axis::kPan, 1, kPanTilt10},
        {"zoom +", [](auto& c) { return c.ClickPtzZoomPlusBtn(); },
         [](auto& c) { return c.ClickPtzZoomPlusBtn(); }, Axis::kZoom, 1, 180},
        {"zoom -", [](auto& c) { return c.ClickPtzZoomReduceBtn(); },
         [](auto& c) { return c.ClickPtzZoomReduceBtn(); }, Axis::kZoom, -1, 180},
        {"focus +", [](auto& c) { return c.MakeAutoFocus(false), c.ClickPtzFocusPlusBtn(); },
         [](auto& c) { return c.MakeAutoFocus(false), c.ClickPtzFocusPlusBtn(); }, Axis::kFocus, -1,
         12},
        {"focus -", [](auto& c) { return c.MakeAutoFocus(false), c.ClickPtzFocusReduceBtn(); },
         [](auto& c) { return c.MakeAutoFocus(false), c.ClickPtzFocusReduceBtn(); }, Axis::kFocus,
         1, 12},
        // ptzctl: a start and a stop, each on its own.
        {"ptzctl pan left", ptzctl(PtzctlAction::PanLeft), ptzctl(PtzctlAction::PanStop),
         Axis::kPan, -1, kPanTilt10},
        {"ptzctl pan right", ptzctl(PtzctlAction::PanRight), ptzctl(PtzctlAction::PanStop),
         Axis::kPan, 1, kPanTilt10},
        {"ptzctl tilt up", ptzctl(PtzctlAction::TiltUp), ptzctl(PtzctlAction::TiltStop),
         Axis::kTilt, 1, kPanTilt10},
        {"ptzctl tilt down", ptzctl(PtzctlAction::TiltDown), ptzctl(PtzctlAction::TiltStop),
         Axis::kTilt, -1, kPanTilt10},
        {"ptzctl zoom in", ptzctl(PtzctlAction::ZoomIn), ptzctl(PtzctlAction::ZoomStop),
         Axis::kZoom, 1, 180},
        {"ptzctl zoom out", ptzctl(PtzctlAction::ZoomOut), ptzctl(PtzctlAction::ZoomStop),
         Axis::kZoom, -1, 180},
        {"ptzctl focus near", ptzctl(PtzctlAction::FocusNear), ptzctl(PtzctlAction::FocusStop),
         Axis::kFocus, -1, 12},
        {"ptzctl focus far", ptzctl(PtzctlAction::FocusFar), ptzctl(PtzctlAction::FocusStop),
         Axis::kFocus, 1, 12},
        // Explicit moves at chosen speeds; 30 is above every maximum.
        {"diagonal", [](auto& c) { return c.movePanTilt(-1, 5, 1, 5); },
         [](auto& c) { return c.movePanTilt(0, 0, 0, 0); }, Axis::kPan, -1, 2 * 3600},
        {"zoom at 30", [](auto& c) { return c.moveZoom(1, 30); },
         [](auto& c) { return c.moveZoom(0, 0); }, Axis::kZoom, 1, 420},
        {"focus at 5", [](auto& c) { return c.moveFocus(-1, 5); },
         [](auto& c) { return c.moveFocus(0, 5); }, Axis::kFocus, 1, 20},
    };
    return rows;
}

// What reaches the camera for a command, whatever the driver: the keys with the pan/tilt stop
// the OSD direction keys send, home, autofocus and presets.
const std::map<std::string, Lines>& sameOnEveryKernel() {
    constexpr auto key = [](char selector) {
        return std::string("21 01 00 0") + selector + " 00 13 02 00 | 00 00";
    };
    const std::string stop = "21 01 00 0e 00 01 04 00 | 00 00 00 00";
    static const std::map<std::string, Lines> lines{
        {"osd up", {key('1'), stop}},
        {"osd down", {key('2'), stop}},
        {"osd left", {key('3'), stop}},
        {"osd right", {key('4'), stop}},
        {"osd ok", {key('5')}},
        {"osd back", {key('6')}},
        {"osd menu", {key('7')}},
        {"home",
         {"21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00", "21 01 00 0b 00 01 02 00 | 00 00"}},
        {"autofocus", {"21 01 00 08 00 01 01 00 | 01"}},
        {"autofocus off", {"21 01 00 08 00 01 01 00 | 00"}},
        {"preset set", {"21 01 00 04 00 14 01 00 | 07"}},
        {"preset call", {"21 01 00 05 00 14 01 00 | ff"}},
    };
    return lines;
}

const std::string kPanTiltRelative = "21 01 00 0e 00 01 04 00 | ";
const std::string kPanTiltAbsolute = "21 01 00 0d 00 01 08 00 | ";
const std::string kZoomRelative = "21 01 00 0c 00 01 03 00 | ";
const std::string kZoomAbsolute = "21 01 00 0b 00 01 02 00 | ";
const std::string kFocusAbsolute = "21 01 00 06 00 01 02 00 | ";
const std::string kAutofocusOff = "21 01 00 08 00 01 01 00 | 00";
// Pan fully counter-clockwise (-170°), tilt fully down (-30°) and up (90°), in arc seconds.
const std::string kPanMinimum = "60 a9 f6 ff";
const std::string kTiltMinimum = "20 5a fe ff";
const std::string kTiltMaximum = "a0 f1 04 00";

// Focus near from 500 for 200 ms at 500 a second holds at 400, far at 600.
const Lines kFocusNear{kAutofocusOff, kFocusAbsolute + "00 00", kAutofocusOff,
                       kFocusAbsolute + "90 01"};
const Lines kFocusFar{kAutofocusOff, kFocusAbsolute + "e8 03", kAutofocusOff,
                      kFocusAbsolute + "58 02"};

// Runs every command on a fresh path: the bytes, then for a move the head's way and speed
// while held, that the node stays open until the stop, and a still head after it.
void checkEveryCommand(UvcvideoKernel kernel, uint8_t minimumSpeed,
                       const std::map<std::string, Lines>& moves) {
    for (const Row& row : commands()) {
        SCOPED_TRACE(std::string(row.name) + ", slowest speed " + std::to_string(minimumSpeed));
        LogCapture log;
        UvcvideoPath path(kernel, minimumSpeed);
        const auto same = sameOnEveryKernel().find(row.name);
        const auto expected = same != sameOnEveryKernel().end() ? same : moves.find(row.name);
        ASSERT_NE(expected, moves.end());

        const int32_t before = positionOf(path.camera.state(), row.axis);
        EXPECT_TRUE(row.start(*path.control));
        Lines sent = path.sets();
        if (row.stop) {
            path.clock.advance(kWhileHeld);
            const int32_t travel = positionOf(path.camera.state(), row.axis) - before;
            EXPECT_GE(travel * row.direction, row.leastTravel) << "travel " << travel;
            EXPECT_EQ(path.driver->openHandles(), 1);
            EXPECT_TRUE(row.stop(*path.control));
            const Lines stop = path.sets();
            sent.insert(sent.end(), stop.begin(), stop.end());
            path.clock.advance(kWhileHeld);
            const sim::CameraState held = path.camera.state();
            path.clock.advance(std::chrono::seconds(1));
            EXPECT_FALSE(path.camera.state().moving) << path.camera.describe();
            EXPECT_EQ(path.camera.state().pan, held.pan);
            EXPECT_EQ(path.camera.state().zoom, held.zoom);
        }
        EXPECT_THAT(sent, ElementsAreArray(expected->second));
        EXPECT_EQ(path.driver->openHandles(), 0);
        EXPECT_THAT(log.lines, row.name == std::string("osd ok") ? Lines{"bRet = 1"} : Lines{});
    }
}

// Released kernels carry what falls into their ranges (pan and tilt from -(slowest) up, zoom
// from +(slowest) up) as relative values; the rest, and zoom altogether when a stop of 0 is
// outside the range, go to the absolute controls.
TEST(UvcvideoBackend, EveryCommandOnAReleasedKernel) {
    const std::string panStop = kPanTiltRelative + "00 00 00 00";
    const std::string zoomStop = kZoomRelative + "00 00 00";
    for (const uint8_t minimumSpeed : {0, 1}) {
        const bool zoomHasStop = minimumSpeed == 0;
        const Lines panLeft{kPanTiltAbsolute + kPanMinimum + " 00 00 00 00", panStop};
        const Lines panRight{kPanTiltRelative + "01 0a 00 00", panStop};
        const Lines tiltUp{kPanTiltRelative + "00 00 01 0a", panStop};
        const Lines tiltDown{kPanTiltAbsolute + "00 00 00 00 " + kTiltMinimum, panStop};
        // Zoom from 8192 for 200 ms at 8192 a second holds at 9830 or 6554.
        const Lines zoomIn = zoomHasStop ? Lines{kZoomRelative + "01 00 03", zoomStop}
                                         : Lines{kZoomAbsolute + "00 40", kZoomAbsolute + "66 26"};
        const Lines zoomOut{kZoomAbsolute + "00 00",
                            zoomHasStop ? zoomStop : kZoomAbsolute + "9a 19"};
        const Lines zoomAt30 = zoomHasStop
                                   ? Lines{kZoomRelative + "01 00 07", zoomStop}
                                   : Lines{kZoomAbsolute + "00 40", kZoomAbsolute + "66 26"};
        checkEveryCommand(
            UvcvideoKernel::kReleased, minimumSpeed,
            {{"up", tiltUp},
             {"down", tiltDown},
             {"left", panLeft},
             {"right", panRight},
             {"zoom +", zoomIn},
             {"zoom -", zoomOut},
             {"focus +", kFocusNear},
             {"focus -", kFocusFar},
             {"ptzctl pan left", panLeft},
             {"ptzctl pan right", panRight},
             {"ptzctl tilt up", tiltUp},
             {"ptzctl tilt down", tiltDown},
             {"ptzctl zoom in", zoomIn},
             {"ptzctl zoom out", zoomOut},
             {"ptzctl focus near", kFocusNear},
             {"ptzctl focus far", kFocusFar},
             {"diagonal", {kPanTiltAbsolute + kPanMinimum + " " + kTiltMaximum, panStop}},
             {"zoom at 30", zoomAt30},
             {"focus at 5", {kFocusAbsolute + "e8 03", kFocusAbsolute + "58 02"}}});
    }
}

// The fixed driver ranges every relative control from -maximum: all moves are relative
// values, a stop carries speed 0, and a speed above the maximum goes at the maximum. Focus
// has no relative control on any kernel.
TEST(UvcvideoBackend, EveryCommandOnTheFixedKernel) {
    const std::string panStop = kPanTiltRelative + "00 00 00 00";
    const std::string zoomStop = kZoomRelative + "00 00 00";
    const std::map<std::string, Lines> moves{
        {"up", {kPanTiltRelative + "00 00 01 0a", panStop}},
        {"down", {kPanTiltRelative + "00 00 ff 0a", panStop}},
        {"left", {kPanTiltRelative + "ff 0a 00 00", panStop}},
        {"right", {kPanTiltRelative + "01 0a 00 00", panStop}},
        {"zoom +", {kZoomRelative + "01 00 03", zoomStop}},
        {"zoom -", {kZoomRelative + "ff 00 03", zoomStop}},
        {"focus +", kFocusNear},
        {"focus -", kFocusFar},
        {"ptzctl pan left", {kPanTiltRelative + "ff 0a 00 00", panStop}},
        {"ptzctl pan right", {kPanTiltRelative + "01 0a 00 00", panStop}},
        {"ptzctl tilt up", {kPanTiltRelative + "00 00 01 0a", panStop}},
        {"ptzctl tilt down", {kPanTiltRelative + "00 00 ff 0a", panStop}},
        {"ptzctl zoom in", {kZoomRelative + "01 00 03", zoomStop}},
        {"ptzctl zoom out", {kZoomRelative + "ff 00 03", zoomStop}},
        {"ptzctl focus near", kFocusNear},
        {"ptzctl focus far", kFocusFar},
        {"diagonal", {kPanTiltRelative + "ff 05 01 05", panStop}},
        {"zoom at 30", {kZoomRelative + "01 00 07", zoomStop}},
        {"focus at 5", {kFocusAbsolute + "e8 03", kFocusAbsolute + "58 02"}},
    };
    for (const uint8_t minimumSpeed : {0, 1}) {
        checkEveryCommand(UvcvideoKernel::kFixed, minimumSpeed, moves);
    }
}

// Without absolute controls, what the driver cannot carry is not sent at all.
TEST(UvcvideoBackend, ACameraWithoutAbsoluteControlsGetsNothingItWouldMisread) {
    struct Case {
        UvcvideoKernel kernel;
        uint8_t minimumSpeed;
        Command command;
        const char* line;
    };
    const std::vector<Case> cases{
        {UvcvideoKernel::kReleased, 0, [](auto& c) { return c.ClickPtzLeftBtn(true); },
         "uvcvideo: this kernel's driver cannot carry pan counter-clockwise at speed 10 (Pan, "
         "Speed ranges over 0..24) and the camera has no Pan, Absolute control; nothing sent"},
        {UvcvideoKernel::kReleased, 1, [](auto& c) { return c.moveZoom(-1, 3); },
         "uvcvideo: this kernel's driver cannot carry zoom out at speed 3 (Zoom, Continuous "
         "ranges over 1..7) and the camera has no Zoom, Absolute control; nothing sent"},
        // The zoom in would go, but no stop could end it.
        {UvcvideoKernel::kReleased, 1, [](auto& c) { return c.moveZoom(1, 3); },
         "uvcvideo: this kernel's driver cannot stop zoom in at speed 3 (Zoom, Continuous ranges "
         "over 1..7) and the camera has no Zoom, Absolute control; nothing sent"},
        {UvcvideoKernel::kReleased, 1, [](auto& c) { return c.moveZoom(0, 3); },
         "uvcvideo: this kernel's driver cannot carry a zoom stop (Zoom, Continuous ranges over "
         "1..7) and the camera has no Zoom, Absolute control; nothing sent"},
        {UvcvideoKernel::kFixed, 1, [](auto& c) { return c.moveFocus(1, 3); },
         "uvcvideo: this kernel's driver cannot carry focus near at speed 3 (it has no Focus, "
         "Relative control) and the camera has no Focus, Absolute control; nothing sent"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        UvcvideoPath path(c.kernel, c.minimumSpeed, false);
        EXPECT_FALSE(c.command(*path.control));
        EXPECT_THAT(path.sets(), IsEmpty());
        EXPECT_THAT(log.lines,
                    ElementsAre(c.line, "CameraControl Error: Control request failed: e00002c7"));
    }
}

// Reads come back in the camera's own layout, except the ranges of relative controls, which the
// driver derives (wrongly on released kernels) instead of passing on.
TEST(UvcvideoBackend, ReadsAndTheRangesTheDriverMakesUp) {
    LogCapture log;
    UvcvideoPath path(UvcvideoKernel::kReleased, 1);
    const UvcRange zoom = path.control->getRangeForControl(&uvc_controls[zoomAbsolute]);
    EXPECT_EQ(std::pair(zoom.min, zoom.max), std::pair(0, 16384));
    EXPECT_EQ(path.control->getDataFor(kUvcGetCur, 2, 11, 1), 8192);
    EXPECT_TRUE(path.control->ClickPtzCallBtn(9));
    EXPECT_EQ(path.control->getDataFor(kUvcGetCur, 1, 5, 20), 9);
    EXPECT_TRUE(path.control->ClickPtzRightBtn(true));
    EXPECT_EQ(path.control->getDataFor(kUvcGetCur, 4, 14, 1), 0x00000A01);
    log.lines.clear();

    const UvcRange panTilt = path.control->getRangeForControl(&uvc_controls[panTiltRelative]);
    EXPECT_EQ(std::pair(panTilt.min, panTilt.max), std::pair(0, 0));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002c7",
                                       "CameraControl Error: Control request failed: e00002c7"));
}

TEST(UvcvideoBackend, TheDriversErrnosAsStatuses) {
    struct Case {
        int error;
        UsbStatus status;
    };
    for (const Case& c : std::vector<Case>{{ENOENT, usb_status::kUnsupported},
                                           {ENOBUFS, usb_status::kUnsupported},
                                           {EBADRQC, usb_status::kUnsupported},
                                           {EPIPE, usb_status::kPipeStalled},
                                           {EILSEQ, usb_status::kPipeStalled},
                                           {EREMOTE, usb_status::kPipeStalled},
                                           {ERANGE, usb_status::kPipeStalled},
                                           {EACCES, usb_status::kNotPermitted},
                                           {EPERM, usb_status::kNotPermitted},
                                           {ENODEV, usb_status::kNoDevice},
                                           {ETIMEDOUT, usb_status::kTimeout}}) {
        EXPECT_EQ(statusFromDriverErrno(c.error), c.status) << c.error;
    }
    // Opening a node that is not there.
    EXPECT_EQ(statusFromErrno(ENOENT), usb_status::kNoDevice);
}

}  // namespace
}  // namespace ptz
