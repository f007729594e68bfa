// The simulated camera beside the machine's USB devices, through the real binding code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera/uvc_camera_control.h"
#include "fake_usb.h"
#include "simcam/simulated_usb_registry.h"

namespace ptz::sim {
namespace {

TEST(SimulatedUsbRegistry, ComesAfterTheMachinesDevicesAndIsFoundByIdsAndByLocation) {
    testing::SimulatedUsb machine;  // its registry's devices all reach machine.camera
    ManualClock clock;
    SimulatedCamera simulated(clock);
    SimulatedUsbRegistry registry(machine.registry, simulated);
    // Which camera a binding reached: the one that saw its request.
    const auto reached = [&](const std::shared_ptr<UVCCameraControl>& control) {
        machine.camera.clearRequests();
        simulated.clearRequests();
        control->ClickOsdOkBtn();
        return simulated.requests().size() == 1    ? "simulated"
               : machine.camera.requests().empty() ? "none"
                                                   : "machine";
    };
    const auto byIds = [&] { return UVCCameraControl::initWithVendorID(registry, 0x2e7e, 0x0606); };

    EXPECT_STREQ(reached(byIds()), "simulated");
    machine.registry.add({.vendorId = 0x2e7e, .productId = 0x0606, .locationId = 0x01100000});
    EXPECT_STREQ(reached(byIds()), "machine");
    EXPECT_STREQ(
        reached(UVCCameraControl::initWithLocationID(registry, kSimulatedCameraLocationId)),
        "simulated");
    EXPECT_STREQ(reached(UVCCameraControl::initWithVendorID(registry, 0x2e7e, 0x0605)), "none");

    const std::vector<UsbDeviceIds> ids = registry.allDeviceIds();
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids.back().productId, 0x0606u);
    EXPECT_EQ(registry.allDevices().size(), 2u);
}

}  // namespace
}  // namespace ptz::sim
