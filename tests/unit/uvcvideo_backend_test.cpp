// The uvcvideo backend over the model of the driver (both behaviours, cameras whose slowest
// speed is 0 or 1) and the simulated camera: what each request, as it would go raw, puts on
// the camera's pipe.
#include "platform/usb/uvcvideo_backend.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log_capture.h"
#include "model_video_node.h"
#include "platform/usb/usb_status_mapping.h"
#include "platform/usb/uvc_request_codes.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::UvcvideoKernel;
using Bytes = std::vector<uint8_t>;

constexpr uint8_t kCameraTerminal = 1;

// The head starts half zoomed in, with autofocus off and focus at 500, so that every move has
// room both ways.
struct UvcvideoPath {
    UvcvideoPath(UvcvideoKernel kernel, uint8_t minimumSpeed, bool absoluteControls = true)
        : camera(clock, sim::CameraSpec{.minimumSpeed = minimumSpeed,
                                        .hasAbsoluteControls = absoluteControls}) {
        if (absoluteControls) {
            for (auto [selector, value] :
                 {std::pair{0x0B, Bytes{0x00, 0x20}}, std::pair{0x08, Bytes{0x00}},
                  std::pair{0x06, Bytes{0xF4, 0x01}}}) {
                UsbDeviceRequest request = setCur(kCameraTerminal, selector, value);
                camera.controlRequest(request.setupPacket(), value);
            }
            clock.advance(std::chrono::seconds(2));
        }
        driver.emplace(camera, kernel);
        camera.clearRequests();
    }

    // A binding of its own, as another process (ptzctl) would have.
    std::unique_ptr<UvcvideoBackend> bind() {
        auto backend =
            std::make_unique<UvcvideoBackend>(VideoControlUnits{kCameraTerminal, {19, 20}}, 0,
                                              std::make_unique<testing::ModelVideoNode>(*driver));
        EXPECT_EQ(backend->open(), usb_status::kSuccess);
        return backend;
    }

    static UsbDeviceRequest setCur(uint8_t unit, int selector, Bytes& data) {
        return {kUvcSetRequestType,
                kUvcSetCur,
                static_cast<uint16_t>(selector << 8),
                static_cast<uint16_t>(unit << 8),
                static_cast<uint16_t>(data.size()),
                data.data()};
    }

    // The SET_CURs that reached the camera since the last call, as "unit/selector: data".
    std::vector<std::string> sets() {
        std::vector<std::string> lines;
        for (const sim::RecordedRequest& request : camera.requests()) {
            if (request.setup[0] == kUvcSetRequestType) {
                const std::string line = sim::requestLine(request);
                char prefix[8];
                std::snprintf(prefix, sizeof prefix, "%02x/%02x:", request.setup[5],
                              request.setup[3]);
                lines.push_back(prefix + line.substr(line.find('|') + 1));
            }
        }
        camera.clearRequests();
        return lines;
    }

    sim::ManualClock clock;
    sim::SimulatedCamera camera;
    std::optional<testing::UvcvideoDriverModel> driver;
};

// Each request as it would go raw, and for a move its stop 200 ms later, sent by a binding of
// its own (a stop must not depend on what started the move); what reaches the camera on a
// released kernel with slowest speed 0, with slowest speed 1, and on the fixed kernel. Where
// the driver cannot carry a move and its stop as the relative value, a start goes to the end
// of the absolute range in its direction and a stop to where the head is.
TEST(UvcvideoBackend, EveryRequestThroughEachDriver) {
    // Pan fully counter-clockwise (-170°), tilt fully down (-30°) and up (90°), in arc seconds.
    const std::string panMinimum = "60 a9 f6 ff", tiltMinimum = "20 5a fe ff";
    const std::string panTiltStop = "01/0e: 00 00 00 00", zoomStop = "01/0c: 00 00 00";
    using Lines = std::vector<std::string>;
    struct Row {
        uint8_t unit, selector;
        Bytes start, stop;
        Lines released0, released1, fixed;
    };
    const Lines right{"01/0e: 01 0a 00 00", panTiltStop}, up{"01/0e: 00 00 01 0a", panTiltStop};
    // Zoom from 8192 for 200 ms at 8192 a second holds at 9830 or 6554; focus from 500 at 500
    // a second at 400 or 600.
    const Lines zoomIn{"01/0c: 01 00 03", zoomStop}, zoomInAbsolute{"01/0b: 00 40", "01/0b: 66 26"};
    const Lines near{"01/06: 00 00", "01/06: 90 01"}, far{"01/06: e8 03", "01/06: 58 02"};
    const std::vector<Row> rows{
        {1, 0x0E, {0x01, 0x0A, 0, 0}, {0x00, 0x0A, 0, 0}, right, right, right},
        {1,
         0x0E,
         {0xFF, 0x0A, 0, 0},
         {0x00, 0x0A, 0, 0},
         {"01/0d: " + panMinimum + " 00 00 00 00", panTiltStop},
         {"01/0d: " + panMinimum + " 00 00 00 00", panTiltStop},
         {"01/0e: ff 0a 00 00", panTiltStop}},
        {1, 0x0E, {0, 0, 0x01, 0x0A}, {0, 0, 0x00, 0x0A}, up, up, up},
        {1,
         0x0E,
         {0, 0, 0xFF, 0x0A},
         {0, 0, 0x00, 0x0A},
         {"01/0d: 00 00 00 00 " + tiltMinimum, panTiltStop},
         {"01/0d: 00 00 00 00 " + tiltMinimum, panTiltStop},
         {"01/0e: 00 00 ff 0a", panTiltStop}},
        // A diagonal at chosen speeds: its bytes go exactly.
        {1,
         0x0E,
         {0xFF, 0x05, 0x01, 0x05},
         {0, 0, 0, 0},
         {"01/0d: " + panMinimum + " a0 f1 04 00", panTiltStop},
         {"01/0d: " + panMinimum + " a0 f1 04 00", panTiltStop},
         {"01/0e: ff 05 01 05", panTiltStop}},
        {1, 0x0C, {0x01, 0, 0x03}, {0, 0, 0x03}, zoomIn, zoomInAbsolute, zoomIn},
        {1,
         0x0C,
         {0xFF, 0, 0x03},
         {0, 0, 0x03},
         {"01/0b: 00 00", zoomStop},
         {"01/0b: 00 00", "01/0b: 9a 19"},
         {"01/0c: ff 00 03", zoomStop}},
        // Above the camera's maximum speed: at the maximum.
        {1,
         0x0C,
         {0x01, 0, 0x1E},
         {0, 0, 0},
         {"01/0c: 01 00 07", zoomStop},
         zoomInAbsolute,
         {"01/0c: 01 00 07", zoomStop}},
        // Focus relative has no V4L2 control on any kernel: near is toward the minimum.
        {1, 0x07, {0x01, 0x03}, {0x00, 0x03}, near, near, near},
        {1, 0x07, {0xFF, 0x03}, {0x00, 0x03}, far, far, far},
        // Absolute controls and extension units pass unchanged.
        {1,
         0x0D,
         {0x10, 0x0E, 0, 0, 0x20, 0x1C, 0, 0},
         {},
         {"01/0d: 10 0e 00 00 20 1c 00 00"},
         {"01/0d: 10 0e 00 00 20 1c 00 00"},
         {"01/0d: 10 0e 00 00 20 1c 00 00"}},
        {1, 0x08, {0x01}, {}, {"01/08: 01"}, {"01/08: 01"}, {"01/08: 01"}},
        {19, 0x05, {0, 0}, {}, {"13/05: 00 00"}, {"13/05: 00 00"}, {"13/05: 00 00"}},
    };
    for (const Row& row : rows) {
        for (const auto& [kernel, minimumSpeed, expected] :
             {std::tuple{UvcvideoKernel::kReleased, 0, &row.released0},
              std::tuple{UvcvideoKernel::kReleased, 1, &row.released1},
              std::tuple{UvcvideoKernel::kFixed, 1, &row.fixed}}) {
            SCOPED_TRACE(expected->front() + ", slowest speed " + std::to_string(minimumSpeed) +
                         (kernel == UvcvideoKernel::kFixed ? " fixed" : " released"));
            UvcvideoPath path(kernel, static_cast<uint8_t>(minimumSpeed));
            Bytes start = row.start;
            UsbDeviceRequest request = UvcvideoPath::setCur(row.unit, row.selector, start);
            EXPECT_EQ(path.bind()->controlRequest(request), usb_status::kSuccess);
            EXPECT_EQ(request.wLenDone, start.size());
            if (!row.stop.empty()) {
                path.clock.advance(std::chrono::milliseconds(200));
                Bytes stop = row.stop;
                request = UvcvideoPath::setCur(row.unit, row.selector, stop);
                EXPECT_EQ(path.bind()->controlRequest(request), usb_status::kSuccess);
            }
            EXPECT_EQ(path.sets(), *expected);
        }
    }
}

// Without absolute controls, what the driver cannot carry is not sent at all.
TEST(UvcvideoBackend, ACameraWithoutAbsoluteControlsGetsNothingItWouldMisread) {
    struct Case {
        UvcvideoKernel kernel;
        uint8_t minimumSpeed, selector;
        Bytes data;
        const char* line;
    };
    const std::vector<Case> cases{
        {UvcvideoKernel::kReleased,
         0,
         0x0E,
         {0xFF, 0x0A, 0, 0},
         "uvcvideo: this kernel's driver cannot carry pan counter-clockwise at speed 10 (Pan, "
         "Speed ranges over 0..24) and the camera has no Pan, Absolute control; nothing sent"},
        {UvcvideoKernel::kReleased,
         1,
         0x0C,
         {0xFF, 0, 0x03},
         "uvcvideo: this kernel's driver cannot carry zoom out at speed 3 (Zoom, Continuous "
         "ranges over 1..7) and the camera has no Zoom, Absolute control; nothing sent"},
        // The zoom in would go, but no stop could end it.
        {UvcvideoKernel::kReleased,
         1,
         0x0C,
         {0x01, 0, 0x03},
         "uvcvideo: this kernel's driver cannot stop zoom in at speed 3 (Zoom, Continuous ranges "
         "over 1..7) and the camera has no Zoom, Absolute control; nothing sent"},
        {UvcvideoKernel::kFixed,
         1,
         0x07,
         {0x01, 0x03},
         "uvcvideo: this kernel's driver cannot carry focus near at speed 3 (it has no Focus, "
         "Relative control) and the camera has no Focus, Absolute control; nothing sent"},
    };
    for (Case c : cases) {
        testing::LogCapture log;
        UvcvideoPath path(c.kernel, c.minimumSpeed, false);
        UsbDeviceRequest request = UvcvideoPath::setCur(kCameraTerminal, c.selector, c.data);
        EXPECT_EQ(path.bind()->controlRequest(request), usb_status::kUnsupported);
        EXPECT_THAT(path.sets(), IsEmpty());
        EXPECT_THAT(log.lines, ElementsAre(c.line));
    }
}

// Reads come back in the camera's own layout, except the ranges of relative controls, which
// the driver derives (wrongly on released kernels) instead of passing on.
TEST(UvcvideoBackend, ReadsInTheCamerasLayout) {
    struct Case {
        uint8_t request, selector;
        Bytes answer;  // empty: unsupported
    };
    const std::vector<Case> cases{
        {kUvcGetCur, 0x0B, {0x00, 0x20}},
        {kUvcGetCur, 0x0E, {0x01, 0x0A, 0x00, 0x00}},  // while panning right
        {kUvcGetMin, 0x0D, {0x60, 0xA9, 0xF6, 0xFF, 0x20, 0x5A, 0xFE, 0xFF}},
        {kUvcGetMax, 0x0B, {0x00, 0x40}},
        {kUvcGetMin, 0x0E, {}},
        {kUvcGetMax, 0x0C, {}},
    };
    UvcvideoPath path(UvcvideoKernel::kFixed, 1);
    const auto backend = path.bind();
    Bytes right{0x01, 0x0A, 0x00, 0x00};
    UsbDeviceRequest start = UvcvideoPath::setCur(kCameraTerminal, 0x0E, right);
    ASSERT_EQ(backend->controlRequest(start), usb_status::kSuccess);
    for (const Case& c : cases) {
        Bytes data(c.selector == 0x0D ? 8
                                      : (c.selector == 0x0E ? 4 : (c.selector == 0x0C ? 3 : 2)));
        UsbDeviceRequest request{kUvcGetRequestType,
                                 c.request,
                                 static_cast<uint16_t>(c.selector << 8),
                                 kCameraTerminal << 8,
                                 static_cast<uint16_t>(data.size()),
                                 data.data()};
        const UsbStatus status = backend->controlRequest(request);
        EXPECT_EQ(status, c.answer.empty() ? usb_status::kUnsupported : usb_status::kSuccess)
            << int{c.selector};
        if (!c.answer.empty()) {
            EXPECT_EQ(data, c.answer) << int{c.selector};
        }
    }
}

TEST(UvcvideoBackend, ErrnosAsStatuses) {
    struct Case {
        int error;
        UsbStatus opening, driver;  // statusFromErrno, statusFromDriverErrno
    };
    using namespace usb_status;
    const std::vector<Case> cases{
        {ENOENT, kNoDevice, kUnsupported},  // no such file; no such unit or control
        {ENODEV, kNoDevice, kNoDevice},        {EACCES, kNotPermitted, kNotPermitted},
        {EPERM, kNotPermitted, kNotPermitted}, {EBUSY, kExclusiveAccess, kExclusiveAccess},
        {ETIMEDOUT, kTimeout, kTimeout},       {EPIPE, kPipeStalled, kPipeStalled},
        {EILSEQ, kPipeStalled, kPipeStalled},  {EREMOTE, kPipeStalled, kPipeStalled},
        {ERANGE, kPipeStalled, kPipeStalled},  {ENOBUFS, kUnsupported, kUnsupported},
        {EBADRQC, kUnsupported, kUnsupported}, {ENOTTY, kUnsupported, kUnsupported},
        {EIO, kGeneralError, kGeneralError},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(statusFromErrno(c.error), c.opening) << c.error;
        EXPECT_EQ(statusFromDriverErrno(c.error), c.driver) << c.error;
    }
}

}  // namespace
}  // namespace ptz
