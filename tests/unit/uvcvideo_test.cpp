// The uvcvideo backend in process, over the model of the driver on the simulated camera, on
// released kernels and the fixed one. Requests and what reached the camera: "unit/selector: bytes".
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log_capture.h"
#include "platform/usb/usb_status_mapping.h"
#include "platform/usb/uvc_request_codes.h"
#include "platform/usb/uvcvideo_backend.h"
#include "platform/usb/video_node.h"
#include "uvcvideo_driver_model.h"

namespace ptz::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& hex) {
    Bytes bytes;
    for (size_t at = 0; at + 1 < hex.size(); at += 3) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(at, 2), nullptr, 16)));
    }
    return bytes;
}

// The capture node, answered in process by the model.
struct ModelVideoNode final : VideoNode {
    explicit ModelVideoNode(UvcvideoDriverModel& model) : driver(model) {}
    UsbStatus open() override { return usb_status::kSuccess; }
    int ioctl(const char*, unsigned long request, void* argument) override {
        return driver.ioctl(VideoNodeKind::kCapture, request, argument);
    }
    void close() override {}
    UvcvideoDriverModel& driver;
};

// The camera behind the modelled driver: half zoomed in, autofocus off and focus at 500, so
// that every move has room both ways (a camera without absolute controls as it starts).
struct UvcvideoPath {
    UvcvideoPath(UvcvideoKernel kernel, int minimumSpeed, bool absolute = true)
        : camera(clock, sim::CameraSpec{.minimumSpeed = static_cast<uint8_t>(minimumSpeed),
                                        .hasAbsoluteControls = absolute}) {
        for (const char* line : {"01/0b: 00 20", "01/08: 00", "01/06: f4 01"}) {
            const UsbDeviceRequest set = request(line, kUvcSetCur);
            if (absolute) {
                camera.controlRequest(set.setupPacket(), data);
            }
        }
        clock.advance(std::chrono::seconds(2));
        driver.emplace(camera, kernel);
        camera.clearRequests();
    }

    // A binding of its own, as another process (ptzctl) would have.
    std::unique_ptr<UvcvideoBackend> bind() {
        return std::make_unique<UvcvideoBackend>(VideoControlUnits{1, {19, 20}}, 0,
                                                 std::make_unique<ModelVideoNode>(*driver));
    }

    // "unit/selector: bytes" as the request `code` of those bytes, which then hold the answer.
    UsbDeviceRequest request(const std::string& line, uint8_t code) {
        const Bytes head = bytesOf(line.substr(0, 5));  // "uu/ss" parses as two bytes
        data = bytesOf(line.substr(7));
        return {code == kUvcSetCur ? kUvcSetRequestType : kUvcGetRequestType,
                code,
                static_cast<uint16_t>(head[1] << 8),
                static_cast<uint16_t>(head[0] << 8),
                static_cast<uint16_t>(data.size()),
                data.data()};
    }
    UsbStatus send(UvcvideoBackend& backend, const std::string& line, uint8_t code = kUvcSetCur) {
        UsbDeviceRequest sent = request(line, code);
        const UsbStatus status = backend.controlRequest(sent);
        EXPECT_EQ(sent.wLenDone, status == usb_status::kSuccess ? data.size() : 0) << line;
        return status;
    }

    // The SET_CURs that reached the camera since the last call.
    std::string wire() {
        std::string lines;
        for (const sim::RecordedRequest& request : camera.requests()) {
            const std::string line = sim::requestLine(request);
            if (request.setup[0] == kUvcSetRequestType) {
                lines += (lines.empty() ? "" : ", ") + line.substr(15, 2) + "/" +
                         line.substr(9, 2) + ":" + line.substr(line.find('|') + 1);
            }
        }
        camera.clearRequests();
        return lines;
    }

    sim::ManualClock clock;
    sim::SimulatedCamera camera;
    std::optional<UvcvideoDriverModel> driver;
    Bytes data;
};

// Each request as it would go raw ("start > stop": a move and its stop 200 ms later, sent by a
// binding of its own, as a stop must not depend on what started the move), and what reaches
// the camera: on a released kernel with slowest speed 0, with slowest speed 1, on the fixed
// kernel, and on a released kernel (slowest speed 1) for a camera without absolute controls
// ("": as the cell before; "-": the start unsupported, nothing sent). Where the driver cannot
// carry a move and its stop as the relative value exactly, a start goes to the end of the
// absolute range in its direction and a stop to where the head is: pan fully
// counter-clockwise is 60 a9 f6 ff (-170°), tilt up a0 f1 04 00 (90°); zoom from 8192 for
// 200 ms holds at 66 26 or 9a 19, focus from 500 at 90 01 (near, toward the minimum).
TEST(UvcvideoBackend, EveryRequestThroughEachDriver) {
    const std::vector<std::pair<std::string, std::array<std::string, 4>>> rows{
        {"01/0e: 01 0a 00 00 > 00 0a 00 00",
         {"01/0e: 01 0a 00 00, 01/0e: 00 00 00 00", "", "", ""}},
        {"01/0e: ff 0a 00 00 > 00 0a 00 00",
         {"01/0d: 60 a9 f6 ff 00 00 00 00, 01/0e: 00 00 00 00", "",
          "01/0e: ff 0a 00 00, 01/0e: 00 00 00 00", "-"}},
        {"01/0e: 00 00 01 0a > 00 00 00 0a",
         {"01/0e: 00 00 01 0a, 01/0e: 00 00 00 00", "", "", ""}},
        {"01/0e: 00 00 ff 0a > 00 00 00 0a",
         {"01/0d: 00 00 00 00 20 5a fe ff, 01/0e: 00 00 00 00", "",
          "01/0e: 00 00 ff 0a, 01/0e: 00 00 00 00", "-"}},
        // A diagonal at chosen speeds: its bytes go exactly.
        {"01/0e: ff 05 01 05 > 00 00 00 00",
         {"01/0d: 60 a9 f6 ff a0 f1 04 00, 01/0e: 00 00 00 00", "",
          "01/0e: ff 05 01 05, 01/0e: 00 00 00 00", "-"}},
        // Zoom in goes, but no stop could end it on a released kernel whose slowest speed is 1.
        {"01/0c: 01 00 03 > 00 00 03",
         {"01/0c: 01 00 03, 01/0c: 00 00 00", "01/0b: 00 40, 01/0b: 66 26",
          "01/0c: 01 00 03, 01/0c: 00 00 00", "-"}},
        {"01/0c: ff 00 03 > 00 00 03",
         {"01/0b: 00 00, 01/0c: 00 00 00", "01/0b: 00 00, 01/0b: 9a 19",
          "01/0c: ff 00 03, 01/0c: 00 00 00", "-"}},
        // Above the camera's maximum speed: at the maximum.
        {"01/0c: 01 00 1e > 00 00 00",
         {"01/0c: 01 00 07, 01/0c: 00 00 00", "01/0b: 00 40, 01/0b: 66 26",
          "01/0c: 01 00 07, 01/0c: 00 00 00", "-"}},
        // Focus relative has no V4L2 control on any kernel.
        {"01/07: 01 03 > 00 03", {"01/06: 00 00, 01/06: 90 01", "", "", "-"}},
        {"01/07: ff 03 > 00 03", {"01/06: e8 03, 01/06: 58 02", "", "", "-"}},
        // Absolute positions and extension units pass unchanged.
        {"01/0d: 10 0e 00 00 20 5a fe ff", {"01/0d: 10 0e 00 00 20 5a fe ff", "", "", "-"}},
        {"14/05: 09", {"14/05: 09", "", "", ""}},
    };
    for (const auto& [request, cells] : rows) {
        for (int column = 0; column < 4; ++column) {
            SCOPED_TRACE(request + ", column " + std::to_string(column));
            UvcvideoPath path(column == 2 ? UvcvideoKernel::kFixed : UvcvideoKernel::kReleased,
                              column == 0 ? 0 : 1, column != 3);
            int cell = column;
            while (cells[cell].empty()) {
                --cell;
            }
            const bool sent = cells[cell] != "-";
            const size_t stop = request.find(" > ");
            testing::LogCapture log;
            EXPECT_EQ(path.send(*path.bind(), request.substr(0, stop)),
                      sent ? usb_status::kSuccess : usb_status::kUnsupported);
            if (sent && stop != std::string::npos) {
                path.clock.advance(std::chrono::milliseconds(200));
                EXPECT_TRUE(path.camera.state().moving);
                EXPECT_EQ(path.send(*path.bind(), request.substr(0, 7) + request.substr(stop + 3)),
                          usb_status::kSuccess);
                path.clock.advance(std::chrono::seconds(1));
                EXPECT_FALSE(path.camera.state().moving) << "the stop leaves the head still";
            }
            EXPECT_EQ(path.wire(), sent ? cells[cell] : "");
            // A move that cannot be carried is said in one line.
            EXPECT_EQ(log.lines.size(), sent || stop == std::string::npos ? 0u : 1u);
            if (!log.lines.empty()) {
                EXPECT_TRUE(log.lines[0].ends_with("; nothing sent")) << log.lines[0];
            }
        }
    }
}

// Reads come back in the camera's own layout, except the ranges of relative controls, which
// the driver derives (wrongly on released kernels) instead of passing on: unsupported ("").
TEST(UvcvideoBackend, ReadsInTheCamerasLayout) {
    UvcvideoPath path(UvcvideoKernel::kFixed, 1);
    const auto backend = path.bind();
    ASSERT_EQ(path.send(*backend, "01/0e: 01 0a 00 00"), usb_status::kSuccess);  // pan right
    for (const auto& [code, read, answer] : std::vector<std::tuple<uint8_t, const char*, Bytes>>{
             {kUvcGetCur, "01/0e: 00 00 00 00", bytesOf("01 0a 00 00")},
             {kUvcGetCur, "01/0b: 00 00", bytesOf("00 20")},
             {kUvcGetMin, "01/0d: 00 00 00 00 00 00 00 00", bytesOf("60 a9 f6 ff 20 5a fe ff")},
             {kUvcGetMax, "01/0c: 00 00 00", {}}}) {
        EXPECT_EQ(path.send(*backend, read, code),
                  answer.empty() ? usb_status::kUnsupported : usb_status::kSuccess);
        EXPECT_EQ(path.data, answer.empty() ? bytesOf(std::string(read).substr(7)) : answer)
            << read;
    }
}

TEST(UvcvideoBackend, ErrnosAsStatuses) {
    using namespace usb_status;
    // errno, its status opening a node (statusFromErrno), from the driver's ioctls.
    const std::vector<std::tuple<int, UsbStatus, UsbStatus>> cases{
        {ENOENT, kNoDevice, kUnsupported},  // no such file; no such unit or control
        {EACCES, kNotPermitted, kNotPermitted},
        {EBUSY, kExclusiveAccess, kExclusiveAccess},
        {ETIMEDOUT, kTimeout, kTimeout},
        {EILSEQ, kPipeStalled, kPipeStalled},  // a stall's request error code: wrong state
        {ENOBUFS, kUnsupported, kUnsupported},
        {EIO, kGeneralError, kGeneralError},
    };
    for (const auto& [error, opening, driver] : cases) {
        EXPECT_EQ(statusFromErrno(error), opening) << error;
        EXPECT_EQ(statusFromDriverErrno(error), driver) << error;
    }
}

}  // namespace
}  // namespace ptz::testing
