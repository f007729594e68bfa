// The registry made on first use: not before, only once, and every request reaches it.
#include <gtest/gtest.h>

#include "fake_usb.h"
#include "platform/usb/lazy_usb_registry.h"

namespace ptz::testing {
namespace {

TEST(LazyUsbRegistry, MakesTheRegistryOnTheFirstRequestOnlyAndPassesEveryRequestOn) {
    SimulatedUsb usb;
    int made = 0;
    LazyUsbRegistry registry([&] {
        ++made;
        auto fake = std::make_unique<FakeUsbRegistry>(usb.script, usb.camera);
        fake->add({.vendorId = 0x1234, .productId = 0x5678, .locationId = 0x10});
        fake->add({.vendorId = 0x1234, .productId = 0x9abc, .locationId = 0x20});
        return fake;
    });
    EXPECT_EQ(made, 0);

    const std::vector<UsbDeviceIds> ids = registry.allDeviceIds();
    EXPECT_EQ(made, 1);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[1].productId, 0x9abcu);

    EXPECT_NE(registry.firstDeviceMatching(0x1234, 0x5678), nullptr);
    EXPECT_EQ(registry.firstDeviceMatching(0x1234, 0x0001), nullptr);
    EXPECT_EQ(registry.allDevices().size(), 2u);
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace ptz::testing
