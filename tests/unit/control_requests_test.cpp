// The request layer: encoding on the bus, GET decoding, the float conversion and failures.
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
using testing::FakeBus;
using testing::FakeUsbInterface;
using testing::LogCapture;

class ControlRequests : public ::testing::Test {
  protected:
    FakeBus bus;
    LogCapture log;
    std::shared_ptr<UVCCameraControl> camera =
        UVCCameraControl::initWithInterface(std::make_unique<FakeUsbInterface>(bus));

    std::string sent(const UvcControlSpec& spec, float value) {
        bus.clear();
        EXPECT_TRUE(camera->setValue(value, &spec));
        EXPECT_EQ(bus.transfers.size(), 1u);
        return bus.transferLines().front();
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

TEST_F(ControlRequests, GetDecodesLittleEndianZeroExtended) {
    bus.getAnswers = {{0xff, 0xff}, {0x34}, {0x9c, 0xff, 0xff, 0xff, 0x01, 0x00, 0x00, 0x80}};
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 2, 11, 1), 65535);
    // A short answer leaves the missing high bytes 0.
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 2, 11, 1), 0x34);
    EXPECT_EQ(camera->getDataFor(kUvcGetMax, 8, 13, 1),
              static_cast<int64_t>(0x80000001ffffff9cULL));
    EXPECT_THAT(bus.transferLines(),
                ElementsAre("a1 81 00 0b 00 01 02 00 | ff ff", "a1 81 00 0b 00 01 02 00 | 34",
                            "a1 83 00 0d 00 01 08 00 | 9c ff ff ff 01 00 00 80"));
}

TEST_F(ControlRequests, RangeReadsMinThenMaxAsSigned32) {
    bus.getAnswers = {{0xff, 0xff}, {0x10, 0x00}};
    const UvcRange twoByte = camera->getRangeForControl(&uvc_controls[zoomAbsolute]);
    EXPECT_EQ(twoByte.min, 65535);
    EXPECT_EQ(twoByte.max, 16);
    EXPECT_THAT(bus.transferLines(),
                ElementsAre("a1 82 00 0b 00 01 02 00 | ff ff", "a1 83 00 0b 00 01 02 00 | 10 00"));

    bus.getAnswers = {{0x9c, 0xff, 0xff, 0xff}, {0x64, 0, 0, 0}};
    const UvcRange fourByte = camera->getRangeForControl(&uvc_controls[panTiltRelative]);
    EXPECT_EQ(fourByte.min, -100);
    EXPECT_EQ(fourByte.max, 100);

    // An 8-byte control counts only its first four bytes.
    bus.getAnswers = {{0x01, 0, 0, 0, 0x7f, 0, 0, 0}, {0xfe, 0xff, 0xff, 0xff, 0x7f, 0, 0, 0}};
    const UvcRange eightByte = camera->getRangeForControl(&uvc_controls[panTiltAbsolute]);
    EXPECT_EQ(eightByte.min, 1);
    EXPECT_EQ(eightByte.max, -2);
}

TEST_F(ControlRequests, ValueIsScaledToTheRangeWithoutClamping) {
    bus.getAnswers = {{0x00, 0x00}, {0x64, 0x00}, {0x19, 0x00}};
    EXPECT_FLOAT_EQ(camera->getValueForControl(&uvc_controls[zoomAbsolute]), 0.25f);
    EXPECT_THAT(bus.transferLines(),
                ElementsAre("a1 82 00 0b 00 01 02 00 | 00 00", "a1 83 00 0b 00 01 02 00 | 64 00",
                            "a1 81 00 0b 00 01 02 00 | 19 00"));

    bus.getAnswers = {{0x0a, 0x00}, {0x14, 0x00}, {0x1e, 0x00}};
    EXPECT_FLOAT_EQ(camera->getValueForControl(&uvc_controls[zoomAbsolute]), 2.0f);
}

TEST_F(ControlRequests, EmptyRangeGivesNanOrInfinity) {
    bus.getAnswers = {{0x05, 0x00}, {0x05, 0x00}, {0x05, 0x00}};
    EXPECT_TRUE(std::isnan(camera->getValueForControl(&uvc_controls[zoomAbsolute])));

    bus.getAnswers = {{0x05, 0x00}, {0x05, 0x00}, {0x07, 0x00}};
    const float above = camera->getValueForControl(&uvc_controls[zoomAbsolute]);
    EXPECT_TRUE(std::isinf(above) && above > 0);

    // Three failed reads all give 0: 0/0.
    bus.requestResults = {usb_status::kPipeStalled, usb_status::kPipeStalled,
                          usb_status::kPipeStalled};
    EXPECT_TRUE(std::isnan(camera->getValueForControl(&uvc_controls[zoomAbsolute])));
}

TEST_F(ControlRequests, EveryRequestOpensTransfersAndClosesOnce) {
    camera->setValue(1.0f, &uvc_controls[focusAuto]);
    camera->getDataFor(kUvcGetCur, 1, 8, 1);
    EXPECT_THAT(bus.calls, ElementsAre("open", "request", "close", "open", "request", "close"));
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(camera->failedRequestCount(), 0u);
}

TEST_F(ControlRequests, FailedOpenIsNotClosedAndFailedTransferIs) {
    bus.openResults = {usb_status::kExclusiveAccess};
    EXPECT_FALSE(camera->setValue(1.0f, &uvc_controls[focusAuto]));
    EXPECT_THAT(bus.calls, ElementsAre("open"));
    EXPECT_TRUE(bus.transfers.empty());

    bus.clear();
    bus.requestResults = {usb_status::kPipeStalled};
    EXPECT_FALSE(camera->setValue(1.0f, &uvc_controls[focusAuto]));
    EXPECT_THAT(bus.calls, ElementsAre("open", "request", "close"));

    bus.clear();
    bus.requestResults = {usb_status::kNoDevice};
    bus.getAnswers = {{0x42}};
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 1, 8, 1), 0);

    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)",
                                       "CameraControl Error: Control request failed: e000404f",
                                       "CameraControl Error: Control request failed: e00002c0"));
    EXPECT_EQ(camera->failedRequestCount(), 3u);
}

TEST_F(ControlRequests, DestructionClosesThenReleasesTheInterface) {
    camera.reset();
    EXPECT_THAT(bus.calls, ElementsAre("close", "release"));
}

TEST_F(ControlRequests, PayloadLongerThanEightBytesIsRefusedUnsent) {
    EXPECT_FALSE(camera->setData(1, 9, 1, 1));
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 64, 1, 1), 0);
    EXPECT_TRUE(bus.calls.empty());
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
