// The request layer and the binding steps over the in-memory USB layer: value encoding, GET
// decoding, the open-request-close sequence, and the failure line of each step.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "log_capture.h"

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
};

TEST_F(ControlRequests, SetValueTruncatesSaturatesAndFillsTheControlsLengthLittleEndian) {
    const std::tuple<UvcControlSpec, float, const char*> cases[] = {
        // Only the low 8 bits of unit and selector reach the wire.
        {{0x113, 0x201, 1}, 0.0f, "21 01 00 01 00 13 01 00 | 00"},
        {{1, 14, 4}, 184483840.0f, "21 01 00 0e 00 01 04 00 | 00 00 ff 0a"},
        {{19, 1, 2}, -1.0f, "21 01 00 01 00 13 02 00 | ff ff"},
        {{1, 13, 8}, -1.0f, "21 01 00 0d 00 01 08 00 | ff ff ff ff ff ff ff ff"},
        {{19, 1, 2}, 2.7f, "21 01 00 01 00 13 02 00 | 02 00"},
        {{19, 1, 2}, -2.7f, "21 01 00 01 00 13 02 00 | fe ff"},
        {{1, 14, 4}, 1e20f, "21 01 00 0e 00 01 04 00 | ff ff ff 7f"},
        {{1, 13, 8}, -1e20f, "21 01 00 0d 00 01 08 00 | 00 00 00 80 ff ff ff ff"},
        {{1, 14, 4}, NAN, "21 01 00 0e 00 01 04 00 | 00 00 00 00"},
    };
    for (const auto& [spec, value, line] : cases) {
        camera->setValue(value, &spec);
        EXPECT_THAT(usb.sent(), ElementsAre(line)) << value;
    }
}

TEST_F(ControlRequests, GetsAreReadLittleEndianUnsignedAndRangesAsSigned32) {
    // Pan -170° and tilt -30° in arc seconds.
    EXPECT_EQ(camera->getDataFor(kUvcGetMin, 8, 13, 1), static_cast<int64_t>(0xfffe5a20fff6a960));
    const UvcRange panTilt = camera->getRangeForControl(&uvc_controls[panTiltAbsolute]);
    EXPECT_EQ(panTilt.min, -612000);  // pan's four bytes only
    EXPECT_EQ(panTilt.max, 612000);
    camera->setData(4096, 2, 11, 1);
    usb.clock.advance(std::chrono::seconds(1));
    EXPECT_FLOAT_EQ(camera->getValueForControl(&uvc_controls[zoomAbsolute]), 0.25f);
    EXPECT_EQ(usb.sent().size(), 7u);
}

TEST_F(ControlRequests, EachRequestOpensSendsAndClosesAndFailuresAreLoggedAndCounted) {
    camera->setValue(1.0f, &uvc_controls[focusAuto]);
    EXPECT_THAT(usb.script.calls, ElementsAre("open", "request", "close"));
    usb.script.calls.clear();
    usb.script.openResults = {usb_status::kExclusiveAccess};
    EXPECT_FALSE(camera->setValue(0.0f, &uvc_controls[focusAuto]));
    EXPECT_FALSE(camera->setData(500, 2, 6, 1));  // no manual focus under autofocus: a stall
    EXPECT_THAT(usb.script.calls, ElementsAre("open", "open", "request", "close"));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)",
                                       "CameraControl Error: Control request failed: e000404f"));
    EXPECT_EQ(camera->failedRequestCount(), 2u);
    usb.script.calls.clear();
    camera.reset();
    EXPECT_THAT(usb.script.calls, ElementsAre("close", "release"));
}

// Mended fault: a payload longer than the 8-byte buffer let the transport run past it.
TEST_F(ControlRequests, APayloadLongerThanEightBytesIsRefusedUnsent) {
    EXPECT_FALSE(camera->setData(1, 9, 1, 1));
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 64, 1, 1), 0);
    EXPECT_THAT(usb.script.calls, IsEmpty());
    EXPECT_EQ(camera->failedRequestCount(), 2u);
}

TEST(UnboundControl, EveryRequestFailsWithOneLineAndSendsNothing) {
    LogCapture log;
    auto camera = UVCCameraControl::initWithInterface(nullptr);
    EXPECT_FALSE(camera->setValue(0.0f, &uvc_controls[osdUp]));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: No interface to send request"));
    EXPECT_TRUE(std::isnan(camera->getValueForControl(&uvc_controls[zoomAbsolute])));
    EXPECT_EQ(camera->failedRequestCount(), 4u);
}

// By ids, each failing step logs its own line. By location, devices that cannot be opened on
// the way are passed with their lines. Only the first VideoControl interface counts.
TEST(Binding, EachFailingStepLogsItsLineAndByLocationIsPassedOnTheWay) {
    SimulatedUsb usb;
    LogCapture log;
    const char* const kQuery = "CameraControl Error: QueryInterface returned -2147483647.";
    const char* const kDevicePlugIn =
        "CameraControl Error: IOCreatePlugInInterfaceForService returned 0xe00002e2.";
    usb.registry.add(
        {.vendorId = 1, .productId = 1, .locationId = 1, .deviceQueryResult = -2147483647});
    usb.registry.add(
        {.vendorId = 2, .productId = 2, .locationId = 2, .interfacePlugInStatus = 0xe00002e2});
    usb.registry.add(
        {.vendorId = 3, .productId = 3, .locationId = 3, .interfaceQueryStatus = 0xe00002bc});
    usb.registry.add(
        {.vendorId = 4, .productId = 4, .locationId = 4, .devicePlugInStatus = 0xe00002e2});
    usb.registry.add(
        {.vendorId = 5, .productId = 5, .locationId = 5, .iteratorStatus = 0xe00002bc});
    usb.registry.add({.vendorId = 6, .productId = 6, .locationId = 6, .videoControlInterfaces = 2});
    for (uint32_t id = 1; id <= 5; ++id) {
        EXPECT_FALSE(UVCCameraControl::initWithVendorID(usb.registry, id, id)->isBound());
    }
    EXPECT_THAT(log.lines,
                ElementsAre(kQuery, "CameraControl Error: Unable to create a plug-in (e00002e2)",
                            "CameraControl Error: Couldn\u2019t create a device interface for the "
                            "interface (e00002bc)",
                            kDevicePlugIn));
    log.lines.clear();
    usb.script.calls.clear();
    EXPECT_TRUE(UVCCameraControl::initWithLocationID(usb.registry, 6)->isBound());
    EXPECT_THAT(log.lines, ElementsAre(kQuery, kDevicePlugIn));
    EXPECT_THAT(usb.script.calls,
                ElementsAre("device-plugin 1", "device-plugin 2", "device-plugin 3",
                            "device-plugin 4", "device-plugin 5", "device-plugin 6",
                            "interface-plugin 6/0", "close", "release"));
    EXPECT_FALSE(UVCCameraControl::initWithLocationID(usb.registry, 7)->isBound());
}

}  // namespace
}  // namespace ptz
