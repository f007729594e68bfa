// The request layer against the simulated camera: encoding on the bus, GET decoding, the float
// conversion, and the open-request-close sequence with its failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "log_capture.h"
#include "set_cur_examples.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::SimulatedUsb;

class ControlRequests : public ::testing::Test {
  protected:
    SimulatedUsb usb;
    LogCapture log;
    std::shared_ptr<UVCCameraControl> camera = usb.bind();

    std::string sent(const UvcControlSpec& spec, float value) {
        camera->setValue(value, &spec);
        const std::vector<std::string> lines = usb.sent();
        EXPECT_EQ(lines.size(), 1u);
        return lines.empty() ? "" : lines.front();
    }
};

TEST_F(ControlRequests, SetCurEncodesTheValueLittleEndianInTheControlsLength) {
    for (const testing::SetCurExample& example : testing::kSetCurExamples) {
        EXPECT_EQ(sent(example.control, example.value), example.bus) << example.value;
    }
    const std::tuple<UvcControlSpec, float, const char*> cases[] = {
        // Only the low 8 bits of unit and selector reach the wire.
        {{0x113, 0x201, 1}, 0.0f, "21 01 00 01 00 13 01 00 | 00"},
        // Floats truncate toward zero and sign-extend into the whole field.
        {{19, 1, 2}, -1.0f, "21 01 00 01 00 13 02 00 | ff ff"},
        {{1, 13, 8}, -1.0f, "21 01 00 0d 00 01 08 00 | ff ff ff ff ff ff ff ff"},
        {{19, 1, 2}, 2.7f, "21 01 00 01 00 13 02 00 | 02 00"},
        {{19, 1, 2}, -2.7f, "21 01 00 01 00 13 02 00 | fe ff"},
        // Beyond the 32-bit range the value saturates; NaN sends 0.
        {{1, 14, 4}, 1e20f, "21 01 00 0e 00 01 04 00 | ff ff ff 7f"},
        {{1, 13, 8}, -1e20f, "21 01 00 0d 00 01 08 00 | 00 00 00 80 ff ff ff ff"},
        {{1, 14, 4}, NAN, "21 01 00 0e 00 01 04 00 | 00 00 00 00"},
    };
    for (const auto& [spec, value, line] : cases) {
        EXPECT_EQ(sent(spec, value), line) << value;
    }
}

TEST_F(ControlRequests, GetAssemblesTheAnswerLittleEndianWithoutSignExtension) {
    // Pan -170° and tilt -30° in arc seconds, four bytes each.
    EXPECT_EQ(camera->getDataFor(kUvcGetMin, 8, 13, 1), static_cast<int64_t>(0xfffe5a20fff6a960));
    camera->ClickPtzCallBtn(200);
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 1, 5, 20), 200);
    EXPECT_THAT(usb.sent(),
                ElementsAre("a1 82 00 0d 00 01 08 00 | 60 a9 f6 ff 20 5a fe ff",
                            "21 01 00 05 00 14 01 00 | c8", "a1 81 00 05 00 14 01 00 | c8"));
}

TEST_F(ControlRequests, RangeReadsMinThenMaxAsSigned32) {
    const UvcRange zoom = camera->getRangeForControl(&uvc_controls[zoomAbsolute]);
    EXPECT_EQ(zoom.min, 0);
    EXPECT_EQ(zoom.max, 16384);
    // An 8-byte control counts only its first four bytes: pan, not tilt.
    const UvcRange panTilt = camera->getRangeForControl(&uvc_controls[panTiltAbsolute]);
    EXPECT_EQ(panTilt.min, -612000);
    EXPECT_EQ(panTilt.max, 612000);
    EXPECT_THAT(usb.sent(),
                ElementsAre("a1 82 00 0b 00 01 02 00 | 00 00", "a1 83 00 0b 00 01 02 00 | 00 40",
                            "a1 82 00 0d 00 01 08 00 | 60 a9 f6 ff 20 5a fe ff",
                            "a1 83 00 0d 00 01 08 00 | a0 56 09 00 a0 f1 04 00"));
}

TEST_F(ControlRequests, ValueIsTheCurrentPlaceInTheRange) {
    camera->setData(4096, 2, 11, 1);
    usb.clock.advance(std::chrono::seconds(1));
    EXPECT_FLOAT_EQ(camera->getValueForControl(&uvc_controls[zoomAbsolute]), 0.25f);

    // Autofocus is a boolean without a range: both range reads fail and give 0.
    const float autofocus = camera->getValueForControl(&uvc_controls[focusAuto]);
    EXPECT_TRUE(std::isinf(autofocus) && autofocus > 0);
    // A camera without the control: three failed reads, 0/0.
    SimulatedUsb relativeOnly({.hasAbsoluteControls = false});
    EXPECT_TRUE(std::isnan(relativeOnly.bind()->getValueForControl(&uvc_controls[zoomAbsolute])));
}

TEST_F(ControlRequests, EachRequestOpensSendsAndClosesAndFailuresAreLogged) {
    camera->setValue(1.0f, &uvc_controls[focusAuto]);
    EXPECT_THAT(usb.script.calls, ElementsAre("open", "request", "close"));
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_EQ(camera->failedRequestCount(), 0u);

    usb.script.calls.clear();
    usb.script.openResults = {usb_status::kExclusiveAccess};
    EXPECT_FALSE(camera->setValue(0.0f, &uvc_controls[focusAuto]));
    // The camera refuses manual focus while autofocus is on.
    EXPECT_FALSE(camera->setData(500, 2, 6, 1));
    EXPECT_THAT(usb.script.calls, ElementsAre("open", "open", "request", "close"));
    EXPECT_THAT(usb.sent(),
                ElementsAre("21 01 00 08 00 01 01 00 | 01", "21 01 00 06 00 01 02 00 | f4 01"));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)",
                                       "CameraControl Error: Control request failed: e000404f"));
    EXPECT_EQ(camera->failedRequestCount(), 2u);

    usb.script.calls.clear();
    camera.reset();
    EXPECT_THAT(usb.script.calls, ElementsAre("close", "release"));
}

TEST_F(ControlRequests, PayloadLongerThanEightBytesIsRefusedUnsent) {
    EXPECT_FALSE(camera->setData(1, 9, 1, 1));
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 64, 1, 1), 0);
    EXPECT_THAT(usb.script.calls, IsEmpty());
    EXPECT_EQ(camera->failedRequestCount(), 2u);
}

TEST(UnboundControl, EveryRequestFailsWithOneLineAndSendsNothing) {
    LogCapture log;
    auto camera = UVCCameraControl::initWithInterface(nullptr);
    EXPECT_FALSE(camera->isBound());
    EXPECT_FALSE(camera->setValue(0.0f, &uvc_controls[osdUp]));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: No interface to send request"));

    log.lines.clear();
    EXPECT_TRUE(std::isnan(camera->getValueForControl(&uvc_controls[zoomAbsolute])));
    EXPECT_EQ(log.lines.size(), 3u);
    EXPECT_EQ(camera->failedRequestCount(), 4u);
}

}  // namespace
}  // namespace ptz
