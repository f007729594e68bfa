// The simulated camera as a host sees it through the USB layer: requests and their stalls with
// the UVC request error codes, the head's motion over (manual) time, the OSD keys, presets and
// the descriptors our parser reads.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/usb/uvc_descriptors.h"
#include "simcam/simulated_camera.h"
#include "simcam/simulated_camera_interface.h"

namespace ptz::sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSet = 0x01;
constexpr uint8_t kGetCur = 0x81;
constexpr uint8_t kGetMin = 0x82;
constexpr uint8_t kGetMax = 0x83;
constexpr uint8_t kGetLen = 0x85;
constexpr uint8_t kGetInfo = 0x86;

constexpr uint8_t kCt = 1;
constexpr uint8_t kFocusAbs = 0x06, kFocusRel = 0x07, kFocusAuto = 0x08;
constexpr uint8_t kZoomAbs = 0x0B, kZoomRel = 0x0C, kPanTiltAbs = 0x0D, kPanTiltRel = 0x0E;
constexpr int32_t kDegree = 3600;

Bytes panTiltAbsolute(int32_t pan, int32_t tilt) {
    Bytes bytes;
    for (const int32_t value : {pan, tilt}) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(value) >> shift));
        }
    }
    return bytes;
}

// A camera behind the USB layer's handle, on a clock that moves only when told.
struct Bench {
    explicit Bench(CameraSpec spec = {}) : camera(clock, spec), usb(camera) {}

    UsbStatus send(uint8_t request, uint8_t entity, uint8_t selector, Bytes& data,
                   uint8_t interface) {
        UsbDeviceRequest r{static_cast<uint8_t>(request == kSet ? 0x21 : 0xA1),
                           request,
                           static_cast<uint16_t>(selector << 8),
                           static_cast<uint16_t>(entity << 8 | interface),
                           static_cast<uint16_t>(data.size()),
                           data.data()};
        const UsbStatus status = usb.controlRequest(r);
        lastLength = r.wLenDone;
        return status;
    }
    // The answer of a GET, or nothing when it stalled.
    std::optional<Bytes> get(uint8_t request, uint8_t entity, uint8_t selector, size_t length) {
        Bytes data(length, 0xEE);
        return send(request, entity, selector, data, usb.interfaceNumber()) == usb_status::kSuccess
                   ? std::optional(data)
                   : std::nullopt;
    }
    uint8_t errorCode() { return get(kGetCur, 0, 2, 1).value_or(Bytes{0xEE})[0]; }

    ManualClock clock;
    SimulatedCamera camera;
    SimulatedCameraInterface usb;
    uint32_t lastLength = 0;  // wLenDone of the last request
};

// One request, `afterMs` after the one before. A SET sends `data`; a GET expects it as the
// answer (ignored when the request stalls). `error` is the request error code it leaves, 0
// when it succeeds.
struct Step {
    int afterMs;
    uint8_t request;
    uint8_t entity;
    uint8_t selector;
    Bytes data;
    uint8_t error = 0;
    size_t length = 0;  // wLength of a stalling GET; else data's size
};

struct Expected {
    int32_t pan, tilt;
    uint16_t zoom, focus;
    bool moving;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    int finallyAfterMs;
    Expected state;
    bool absoluteControls = true;
};

TEST(SimulatedCamera, AnswersRequestsAndMovesAsUvcDefines) {
    const int32_t at50 = 50 * kDegree, at90 = 90 * kDegree;
    const std::vector<Case> cases = {
        {"pan clockwise at speed 10 for a second, GET_CUR reports the motion",
         {{0, kSet, kCt, kPanTiltRel, {0x01, 10, 0x00, 0}},
          {1000, kGetCur, kCt, kPanTiltRel, {0x01, 10, 0x00, 0}}},
         0,
         {40 * kDegree, 0, 0, 300, true}},
        {"tilt down, then a stop with speed 0 (as the driver sends it) holds",
         {{0, kSet, kCt, kPanTiltRel, {0x00, 0, 0xFF, 10}},
          {500, kSet, kCt, kPanTiltRel, {0x00, 0, 0x00, 0}}},
         1000,
         {0, -20 * kDegree, 0, 300, false}},
        {"a relative move ends at the limit and GET_CUR shows it stopped",
         {{0, kSet, kCt, kPanTiltRel, {0x01, 24, 0x01, 20}},
          {10000, kGetCur, kCt, kPanTiltRel, {0x00, 24, 0x00, 20}}},
         0,
         {170 * kDegree, 90 * kDegree, 0, 300, false}},
        {"an absolute target is reached at a fixed rate, GET_CUR mid-move",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(at90, -10 * kDegree)},
          {500, kGetCur, kCt, kPanTiltAbs, panTiltAbsolute(at50, -10 * kDegree)}},
         1000,
         {at90, -10 * kDegree, 0, 300, false}},
        {"a relative stop replaces an absolute move",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(at90, 0)},
          {500, kSet, kCt, kPanTiltRel, {0x00, 10, 0x00, 10}}},
         1000,
         {at50, 0, 0, 300, false}},
        {"targets outside the range and bad relative values stall, nothing moves",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(171 * kDegree, 0), 4},
          {0, kSet, kCt, kPanTiltRel, {0x01, 25, 0x00, 0}, 4},
          {0, kSet, kCt, kPanTiltRel, {0x00, 0, 0x01, 0}, 4},
          {0, kSet, kCt, kPanTiltRel, {0x02, 10, 0x00, 0}, 8},
          {0, kSet, kCt, kZoomAbs, {0x01, 0x40}, 4},
          {0, kSet, kCt, kZoomRel, {0x01, 0x01, 3}, 4},
          {0, kSet, kCt, kFocusAuto, {0x02}, 4}},
         1000,
         {0, 0, 0, 300, false}},
        {"requests the camera lacks stall with their codes; GET_* report ranges and info",
         {{0, kSet, kCt, 0x20, {0, 0}, 6},
          {0, kSet, 9, 1, {0, 0}, 5},
          {0, kGetMin, kCt, kFocusAuto, {}, 7, 1},
          {0, kSet, kCt, kPanTiltRel, {0x01, 10, 0x00}, 7},
          {0, kSet, 0, 2, {0}, 7},
          {0, kGetMin, kCt, kPanTiltRel, {0, 1, 0, 1}},
          {0, kGetMax, kCt, kPanTiltRel, {0, 24, 0, 20}},
          {0, kGetMax, kCt, kZoomRel, {0, 0, 7}},
          {0, kGetLen, kCt, kPanTiltAbs, {8, 0}},
          {0, kGetInfo, kCt, kPanTiltRel, {0x0B}},
          {0, kGetInfo, kCt, kFocusAuto, {0x03}},
          {0, kGetInfo, kCt, kFocusAbs, {0x0F}},  // disabled: autofocus drives it
          {0, kGetInfo, 0, 2, {0x01}},
          {0, kGetLen, 0, 2, {}, 7, 2}},
         0,
         {0, 0, 0, 300, false}},
        // In focus at 300 + 200 * 1800 / 16384.
        {"zoom toward telephoto at speed 3; autofocus follows the subject",
         {{0, kSet, kCt, kZoomRel, {0x01, 0, 3}}, {1000, kSet, kCt, kZoomRel, {0x00, 0, 0}}},
         2000,
         {0, 0, 1800, 321, false}},
        {"manual focus stalls with wrong state under autofocus, then moves toward near",
         {{0, kSet, kCt, kFocusRel, {0x01, 3}, 2},
          {0, kSet, kCt, kFocusAbs, {0x20, 0x03}, 2},
          {0, kSet, kCt, kFocusAuto, {0x00}},
          {0, kSet, kCt, kFocusRel, {0x01, 3}},
          {1000, kGetCur, kCt, kFocusRel, {0x01, 3}}},
         0,
         {0, 0, 0, 300 - 120, true}},
        {"focus to an absolute distance with autofocus off; turned on, it settles back",
         {{0, kSet, kCt, kFocusAuto, {0x00}},
          {0, kSet, kCt, kFocusAbs, {0x20, 0x03}},
          {2000, kGetCur, kCt, kFocusAbs, {0x20, 0x03}},
          {0, kSet, kCt, kFocusAuto, {0x01}}},
         1000,
         {0, 0, 0, 800 - 250, true}},
        {"without absolute controls they are unknown, relative moves remain",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(0, 0), 6},
          {0, kGetCur, kCt, kZoomAbs, {}, 6, 2},
          {0, kSet, kCt, kZoomRel, {0xFF, 0, 7}}},
         1000,
         {0, 0, 0, 300, false},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CameraSpec spec;
        spec.hasAbsoluteControls = c.absoluteControls;
        Bench bench(spec);
        for (size_t i = 0; i < c.steps.size(); ++i) {
            SCOPED_TRACE(i);
            const Step& step = c.steps[i];
            bench.clock.advance(std::chrono::milliseconds(step.afterMs));
            Bytes data = step.data;
            if (step.request != kSet) {
                data.assign(step.error != 0 ? step.length : step.data.size(), 0xEE);
            }
            const UsbStatus status = bench.send(step.request, step.entity, step.selector, data, 0);
            EXPECT_EQ(status, step.error == 0 ? usb_status::kSuccess : usb_status::kPipeStalled);
            if (step.request != kSet && step.error == 0) {
                EXPECT_EQ(data, step.data);
            }
            EXPECT_EQ(bench.errorCode(), step.error);
        }
        bench.clock.advance(std::chrono::milliseconds(c.finallyAfterMs));
        const CameraState state = bench.camera.state();
        EXPECT_EQ(state.pan, c.state.pan);
        EXPECT_EQ(state.tilt, c.state.tilt);
        EXPECT_EQ(state.zoom, c.state.zoom);
        EXPECT_EQ(state.focus, c.state.focus);
        EXPECT_EQ(state.moving, c.state.moving);
        if (state.autoFocus && !state.moving) {
            EXPECT_EQ(state.focus, state.inFocus) << "autofocus settles where the subject is sharp";
        }
    }
}

TEST(SimulatedCamera, RecordsRequestsAndStallsOtherInterfacesWithoutAnErrorCode) {
    CameraSpec spec;
    spec.videoControlInterface = 1;
    Bench bench(spec);
    EXPECT_EQ(bench.usb.interfaceNumber(), 1);
    Bytes start = {0x01, 10, 0x00, 0};
    EXPECT_EQ(bench.send(kSet, kCt, kPanTiltRel, start, 1), usb_status::kSuccess);
    EXPECT_EQ(bench.lastLength, 4u);
    Bytes tooFast = {0x01, 30, 0x00, 0};
    EXPECT_EQ(bench.send(kSet, kCt, kPanTiltRel, tooFast, 1), usb_status::kPipeStalled);
    Bytes stop = {0x00, 0, 0x00, 0};
    EXPECT_EQ(bench.send(kSet, kCt, kPanTiltRel, stop, 0), usb_status::kPipeStalled);
    EXPECT_EQ(bench.errorCode(), 4);
    EXPECT_EQ(bench.lastLength, 1u);
    EXPECT_TRUE(bench.camera.state().moving);

    const std::vector<RecordedRequest>& requests = bench.camera.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requestLine(requests[0]), "21 01 00 0e 01 01 04 00 | 01 0a 00 00");
    EXPECT_EQ(requestLine(requests[3]), "a1 81 00 02 01 00 01 00 | 04");
    EXPECT_FALSE(requests[0].stalled);
    EXPECT_TRUE(requests[1].stalled);
    EXPECT_TRUE(requests[2].stalled);

    bench.camera.setRecording(false);
    bench.send(kSet, kCt, kPanTiltRel, stop, 1);
    EXPECT_TRUE(requests.empty());
    EXPECT_FALSE(bench.camera.state().moving);
}

TEST(SimulatedCamera, OsdKeysDriveTheMenu) {
    Bench bench;
    int changes = 0;
    bench.camera.setChangeCallback([&] { ++changes; });
    const auto press = [&](uint8_t key) {
        Bytes data = {0, 0};
        EXPECT_EQ(bench.send(kSet, 19, key, data, 0), usb_status::kSuccess);
    };
    constexpr uint8_t kUp = 1, kDown = 2, kLeft = 3, kRight = 4, kOk = 5, kBack = 6, kOpen = 7;

    press(kDown);  // closed: nothing happens
    EXPECT_FALSE(bench.camera.state().menu.open);
    EXPECT_EQ(changes, 0);

    press(kOpen);
    press(kDown);
    press(kDown);
    press(kRight);
    OsdMenuView menu = bench.camera.state().menu;
    EXPECT_TRUE(menu.open);
    EXPECT_EQ(menu.title, "Setup");
    EXPECT_EQ(menu.cursor, 2);
    EXPECT_EQ(menu.lines[2], "Brightness    8");
    EXPECT_EQ(changes, 4);

    press(kUp);
    press(kUp);
    press(kOk);  // into Exposure
    press(kDown);
    press(kLeft);
    menu = bench.camera.state().menu;
    EXPECT_EQ(menu.title, "Exposure");
    EXPECT_EQ(menu.lines[menu.cursor], "Compensation  -1");
    EXPECT_EQ(bench.camera.describe(),
              "pan 0.0° tilt 0.0° zoom 0 focus 300 af on, menu Exposure: Compensation  -1");

    press(kBack);
    EXPECT_EQ(bench.camera.state().menu.title, "Setup");
    press(kUp);  // wraps to "Exit"
    press(kOk);
    EXPECT_FALSE(bench.camera.state().menu.open);

    Bytes notAPress = {1, 0};
    EXPECT_EQ(bench.send(kSet, 19, kOpen, notAPress, 0), usb_status::kPipeStalled);
    EXPECT_EQ(bench.errorCode(), 4);
}

TEST(SimulatedCamera, PresetsRecallStoredPlacesAndHomeForUnstoredOnes) {
    Bench bench;
    const auto preset = [&](uint8_t selector, uint8_t number) {
        Bytes data = {number};
        EXPECT_EQ(bench.send(kSet, 20, selector, data, 0), usb_status::kSuccess);
    };
    Bytes place = panTiltAbsolute(-45 * kDegree, 30 * kDegree);
    Bytes zoom = {0x00, 0x20};
    bench.send(kSet, kCt, kPanTiltAbs, place, 0);
    bench.send(kSet, kCt, kZoomAbs, zoom, 0);
    bench.clock.advance(std::chrono::seconds(3));
    preset(4, 3);

    Bytes elsewhere = panTiltAbsolute(120 * kDegree, -20 * kDegree);
    bench.send(kSet, kCt, kPanTiltAbs, elsewhere, 0);
    bench.clock.advance(std::chrono::seconds(3));
    int changes = 0;
    bench.camera.setChangeCallback([&] { ++changes; });
    preset(5, 3);
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(bench.camera.state().moving);
    bench.clock.advance(std::chrono::seconds(3));
    CameraState state = bench.camera.state();
    EXPECT_EQ(state.pan, -45 * kDegree);
    EXPECT_EQ(state.tilt, 30 * kDegree);
    EXPECT_EQ(state.zoom, 0x2000);
    EXPECT_EQ(bench.get(kGetCur, 20, 5, 1), Bytes{3});

    preset(5, 200);
    bench.clock.advance(std::chrono::seconds(3));
    state = bench.camera.state();
    EXPECT_EQ(state.pan, 0);
    EXPECT_EQ(state.tilt, 0);
    EXPECT_EQ(state.zoom, 0);
    EXPECT_FALSE(state.moving);
}

TEST(SimulatedCamera, DescriptorsShowItsControlsToOurParser) {
    for (const uint8_t videoControl : {0, 1}) {
        for (const bool absolute : {true, false}) {
            SCOPED_TRACE(testing::Message() << "VideoControl " << int{videoControl}
                                            << (absolute ? " with" : " without") << " absolute");
            ManualClock clock;
            const SimulatedCamera camera(
                clock, {.videoControlInterface = videoControl, .hasAbsoluteControls = absolute});

            Bytes descriptors = camera.deviceDescriptor();
            ASSERT_EQ(descriptors.size(), 18u);
            EXPECT_EQ((Bytes{descriptors[4], descriptors[5], descriptors[6]}),
                      (Bytes{0xEF, 0x02, 0x01}));
            EXPECT_EQ(descriptors[8] | descriptors[9] << 8, 0x2e7e);
            EXPECT_EQ(descriptors[10] | descriptors[11] << 8, 0x0606);
            EXPECT_NE(descriptors[15], 0);  // iProduct

            // As sysfs shows them: the device descriptor, then the configuration.
            const Bytes configuration = camera.configurationDescriptor();
            descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
            const auto found = findVideoControlInterfaces(descriptors, configuration.at(5));
            ASSERT_EQ(found.size(), 1u);
            EXPECT_EQ(found[0].interfaceNumber, videoControl);
            const Bytes& vc = found[0].classSpecific;
            const VideoControlUnits units = parseVideoControlDescriptors(vc);
            EXPECT_EQ(units.cameraTerminalId, 1);
            EXPECT_EQ(units.extensionUnitIds, (std::vector<uint8_t>{19, 20}));
            // The camera terminal's bmControls: focus, zoom and pan/tilt (absolute, relative),
            // autofocus (bit 17).
            const Bytes terminal(vc.begin() + vc[0], vc.begin() + vc[0] + 18);
            EXPECT_EQ((Bytes{terminal[15], terminal[16], terminal[17]}),
                      absolute ? (Bytes{0x60, 0x1E, 0x02}) : (Bytes{0x40, 0x14, 0x02}));
        }
    }
}

}  // namespace
}  // namespace ptz::sim
