// Binding steps and their failure lines, against the fake registry.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "log_capture.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::FakeUsbRegistry;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::SimulatedUsb;

class Binding : public ::testing::Test {
  protected:
    SimulatedUsb usb;
    FakeUsbRegistry& registry = usb.registry;
    std::vector<std::string>& calls = usb.script.calls;
    LogCapture log;
};

TEST_F(Binding, EachStepLogsItsOwnLine) {
    registry.add({.vendorId = 1, .productId = 1, .deviceQueryResult = -2147483647});
    registry.add(
        {.vendorId = 2, .productId = 2, .interfacePlugInStatus = usb_status::kNotPermitted});
    registry.add(
        {.vendorId = 3, .productId = 3, .interfaceQueryStatus = usb_status::kGeneralError});
    registry.add({.vendorId = 4, .productId = 4, .devicePlugInStatus = usb_status::kNotPermitted});
    for (uint32_t id = 1; id <= 4; ++id) {
        EXPECT_FALSE(UVCCameraControl::initWithVendorID(registry, id, id)->isBound());
    }
    EXPECT_THAT(log.lines,
                ElementsAre("CameraControl Error: QueryInterface returned -2147483647.",
                            "CameraControl Error: Unable to create a plug-in (e00002e2)",
                            "CameraControl Error: Couldn\u2019t create a device interface for the "
                            "interface (e00002bc)",
                            "CameraControl Error: IOCreatePlugInInterfaceForService returned "
                            "0xe00002e2."));
}

TEST_F(Binding, AnUnlistableDeviceIsSilentAndOnlyTheFirstInterfaceIsConsidered) {
    registry.add({.vendorId = 2, .productId = 2, .iteratorStatus = usb_status::kGeneralError});
    registry.add({.vendorId = 3, .productId = 3, .locationId = 9, .videoControlInterfaces = 2});
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(registry, 2, 2)->isBound());
    EXPECT_THAT(log.lines, IsEmpty());
    calls.clear();
    EXPECT_TRUE(UVCCameraControl::initWithVendorID(registry, 3, 3)->isBound());
    EXPECT_THAT(calls, ElementsAre("device-plugin 9", "interface-plugin 9/0", "close", "release"));
}

TEST_F(Binding, LocationSearchVisitsDevicesUntilItsMatch) {
    registry.add({.vendorId = 1,
                  .productId = 1,
                  .locationId = 0x01100000,
                  .devicePlugInStatus = usb_status::kNotPermitted});
    registry.add({.vendorId = 2, .productId = 2, .locationId = 0x01200000, .deviceQueryResult = 5});
    registry.add({.vendorId = 3, .productId = 3, .locationId = 0x01300000});
    registry.add({.vendorId = 4, .productId = 4, .locationId = 0x01400000});

    EXPECT_TRUE(UVCCameraControl::initWithLocationID(registry, 0x01300000)->isBound());
    EXPECT_THAT(calls, ElementsAre("device-plugin 17825792", "device-plugin 18874368",
                                   "device-plugin 19922944", "interface-plugin 19922944/0", "close",
                                   "release"));
    EXPECT_THAT(log.lines,
                ElementsAre("CameraControl Error: IOCreatePlugInInterfaceForService returned "
                            "0xe00002e2.",
                            "CameraControl Error: QueryInterface returned 5."));

    log.lines.clear();
    calls.clear();
    EXPECT_FALSE(UVCCameraControl::initWithLocationID(registry, 0x05000000)->isBound());
    EXPECT_EQ(calls.size(), 4u);      // every device visited
    EXPECT_EQ(log.lines.size(), 2u);  // only the failures met on the way
}

TEST_F(Binding, DestroyingAnUnboundObjectTouchesNothing) {
    UVCCameraControl::initWithLocationID(registry, 1).reset();
    EXPECT_THAT(calls, IsEmpty());
}

TEST_F(Binding, TwoObjectsOnOneCameraCoexist) {
    registry.add({.vendorId = 1, .productId = 1});
    auto first = UVCCameraControl::initWithVendorID(registry, 1, 1);
    auto second = UVCCameraControl::initWithVendorID(registry, 1, 1);
    first.reset();
    calls.clear();
    EXPECT_TRUE(second->ClickOsdBackBtn());
    EXPECT_THAT(calls, ElementsAre("open", "request", "close"));
}

}  // namespace
}  // namespace ptz
