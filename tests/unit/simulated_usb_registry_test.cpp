// The simulated camera beside the machine's USB devices, through the real binding code.
#include <gtest/gtest.h>

#include "fake_usb.h"
#include "simcam/simulated_usb_registry.h"

namespace ptz::sim {
namespace {

TEST(SimulatedUsbRegistry, ComesAfterTheMachinesDevicesAndIsFoundByIdsAndByLocation) {
    testing::SimulatedUsb machine;  // every device of its registry reaches machine.camera
    ManualClock clock;
    SimulatedCamera simulated(clock);
    SimulatedUsbRegistry registry(machine.registry, simulated);
    const auto reached = [&](const std::shared_ptr<UVCCameraControl>& control) {
        simulated.clearRequests();
        machine.sent();
        control->ClickOsdOkBtn();
        return !simulated.requests().empty() ? "simulated"
               : machine.sent().empty()      ? "none"
                                             : "machine";
    };
    const auto byIds = [&](uint32_t productId) {
        return UVCCameraControl::initWithVendorID(registry, 0x2e7e, productId);
    };
    EXPECT_STREQ(reached(byIds(0x0606)), "simulated");
    EXPECT_STREQ(reached(byIds(0x0605)), "none");
    machine.registry.add({.vendorId = 0x2e7e, .productId = 0x0606, .locationId = 0x01100000});
    EXPECT_STREQ(reached(byIds(0x0606)), "machine");
    EXPECT_STREQ(reached(UVCCameraControl::initWithLocationID(registry, 0x00100000)), "simulated");
    EXPECT_EQ(registry.deviceAt(0x01200000), nullptr);
}

}  // namespace
}  // namespace ptz::sim
