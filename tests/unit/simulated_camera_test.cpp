// The simulated camera's firmware as a host sees it on the default pipe: requests and their
// stalls with the UVC request error codes, the head's motion over (manual) time and presets.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "simcam/simulated_camera.h"

namespace ptz::sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kSet = 0x01, kGetCur = 0x81, kGetMin = 0x82, kGetLen = 0x85;
constexpr uint8_t kCt = 1, kOsd = 19, kPreset = 20;
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

struct Bench {
    explicit Bench(CameraSpec spec = {}) : camera(clock, spec) {}

    // A SET sends `data`; a GET answers into it. False when the request stalled.
    bool send(uint8_t request, uint8_t entity, uint8_t selector, Bytes& data) {
        const uint8_t type = request == kSet ? 0x21 : 0xA1, length = data.size() & 0xFF;
        const std::array<uint8_t, 8> setup = {type, request, 0, selector, 0, entity, length};
        return !camera.controlRequest(setup, data).stalled;
    }
    uint8_t errorCode() {  // VC_REQUEST_ERROR_CODE_CONTROL of the interface
        Bytes code = {0xEE};
        return send(kGetCur, 0, 2, code) ? code[0] : 0xEE;
    }

    ManualClock clock;
    SimulatedCamera camera;
};

// One request, `afterMs` after the one before. A SET sends `data`; a GET expects it as the
// answer. `error` is the request error code it leaves, 0 when it succeeds; a stalling GET asks
// for `length` bytes.
struct Step {
    int afterMs;
    uint8_t request, entity, selector;
    Bytes data;
    uint8_t error = 0;
    size_t length = 0;
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    struct {  // `afterMs` after the last step: where the head is, and whether it still moves
        int afterMs;
        int32_t pan, tilt;
        uint16_t zoom, focus;
        bool moving;
    } then;
};

TEST(SimulatedCamera, AnswersRequestsAndMovesAsUvcDefines) {
    const int32_t at50 = 50 * kDegree, at90 = 90 * kDegree;
    const Case cases[] = {
        {"pan clockwise at speed 10 for a second, GET_CUR reports the motion",
         {{0, kSet, kCt, kPanTiltRel, {0x01, 10, 0x00, 0}},
          {1000, kGetCur, kCt, kPanTiltRel, {0x01, 10, 0x00, 0}}},
         {0, 40 * kDegree, 0, 0, 300, true}},
        {"a relative move ends at the limit and GET_CUR shows it stopped",
         {{0, kSet, kCt, kPanTiltRel, {0x01, 24, 0x01, 20}},
          {10000, kGetCur, kCt, kPanTiltRel, {0x00, 24, 0x00, 20}}},
         {0, 170 * kDegree, 90 * kDegree, 0, 300, false}},
        {"an absolute target is reached at a fixed rate, GET_CUR mid-move",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(at90, -10 * kDegree)},
          {500, kGetCur, kCt, kPanTiltAbs, panTiltAbsolute(at50, -10 * kDegree)}},
         {1000, at90, -10 * kDegree, 0, 300, false}},
        {"a target outside the range, a speed too high, a bad direction stall; nothing moves",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(171 * kDegree, 0), 4},
          {0, kSet, kCt, kPanTiltRel, {0x01, 25, 0x00, 0}, 4},
          {0, kSet, kCt, kPanTiltRel, {0x02, 10, 0x00, 0}, 8}},
         {1000, 0, 0, 0, 300, false}},
        {"missing selector, unit, request, wrong length, an OSD key other than 0 stall with codes",
         {{0, kSet, kCt, 0x20, {0, 0}, 6},
          {0, kSet, 9, 1, {0, 0}, 5},
          {0, kGetMin, kCt, kFocusAuto, {}, 7, 1},
          {0, kSet, kCt, kPanTiltRel, {0x01, 10, 0x00}, 7},
          {0, kSet, kCt, kZoomAbs, {0x00, 0x01, 0x00}, 7},
          {0, kSet, 0, 2, {0}, 7},
          {0, kGetLen, 0, 2, {}, 7, 2},
          {0, kGetLen, kCt, kPanTiltAbs, {8, 0}},
          {0, kSet, kOsd, 7, {1, 0}, 4}},
         {0, 0, 0, 0, 300, false}},
        {"manual focus stalls with wrong state under autofocus, then moves toward near",
         {{0, kSet, kCt, kFocusRel, {0x01, 3}, 2},
          {0, kSet, kCt, kFocusAbs, {0x20, 0x03}, 2},
          {0, kSet, kCt, kFocusAuto, {0x00}},
          {0, kSet, kCt, kFocusRel, {0x01, 3}},
          {1000, kGetCur, kCt, kFocusRel, {0x01, 3}}},
         {0, 0, 0, 0, 300 - 120, true}},
        // Recalls of stored presets are walked in the panels' test.
        {"a preset holds pan, tilt and zoom",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(-45 * kDegree, 30 * kDegree)},
          {0, kSet, kCt, kZoomAbs, {0x00, 0x20}},
          {3000, kSet, kPreset, 4, {3}},
          {0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(0, 0)},
          {0, kSet, kCt, kZoomAbs, {0, 0}},
          {3000, kSet, kPreset, 5, {3}}},
         {3000, -45 * kDegree, 30 * kDegree, 0x2000, 400, false}},  // autofocus follows zoom
        {"a preset never stored recalls home",
         {{0, kSet, kCt, kPanTiltAbs, panTiltAbsolute(at50, 0)}, {3000, kSet, kPreset, 5, {200}}},
         {3000, 0, 0, 0, 300, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        for (const Step& step : c.steps) {
            SCOPED_TRACE(&step - c.steps.data());
            bench.clock.advance(std::chrono::milliseconds(step.afterMs));
            Bytes data = step.data;
            if (step.request != kSet) {
                data.assign(step.error != 0 ? step.length : step.data.size(), 0xEE);
            }
            EXPECT_EQ(bench.send(step.request, step.entity, step.selector, data), step.error == 0);
            if (step.request != kSet && step.error == 0) {
                EXPECT_EQ(data, step.data);
            }
            EXPECT_EQ(bench.errorCode(), step.error);
        }
        bench.clock.advance(std::chrono::milliseconds(c.then.afterMs));
        const CameraState state = bench.camera.state();
        EXPECT_EQ(std::tuple(state.pan, state.tilt, state.zoom, state.focus, state.moving),
                  std::tuple(c.then.pan, c.then.tilt, c.then.zoom, c.then.focus, c.then.moving));
    }
}

}  // namespace
}  // namespace ptz::sim
