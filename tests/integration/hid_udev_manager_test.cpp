// The udev HID layer against emulated hidraw nodes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>
#include <string>
#include <vector>

#include "hid_testbed.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/hid/udev_hid_device.h"
#include "platform/usb/usb_status.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::EmulatedUsbDevice;
using testing::EventWaiter;
using testing::HidTestbed;
using ::testing::IsEmpty;

struct Reported {
    HidDevice* device;
    int32_t vendorId;
    int32_t productId;
    std::string name;
};

class UdevHidManagerTest : public ::testing::Test {
  protected:
    void watch() {
        manager->setCallbacks(
            [this](HidDevice* device) {
                arrivals.push_back(
                    {device, device->vendorId(), device->productId(), device->productName()});
                waiter.notify();
            },
            [this](HidDevice* device) {
                removals.push_back(
                    {device, device->vendorId(), device->productId(), device->productName()});
                waiter.notify();
            });
    }
    bool waitForArrivals(size_t count) {
        return waiter.waitUntil([&] { return arrivals.size() >= count; });
    }
    bool waitForRemovals(size_t count) {
        return waiter.waitUntil([&] { return removals.size() >= count; });
    }

    HidTestbed testbed;
    EventWaiter waiter;
    std::unique_ptr<HidManager> manager = createHidManager();
    std::vector<Reported> arrivals;
    std::vector<Reported> removals;
};

TEST_F(UdevHidManagerTest, DevicesPresentAtOpenArriveFromTheEventLoopAfterOpenReturns) {
    testbed.addUsbHidDevice({0x2e7e, 0x0737, "HD Camera", 1, "2"});
    testbed.addUsbHidDevice({0x046d, 0xc31c, "USB Keyboard", 1, "3"});
    watch();

    ASSERT_EQ(manager->open(), 0);
    EXPECT_THAT(arrivals, IsEmpty());
    ASSERT_TRUE(waitForArrivals(2));
    EXPECT_EQ(arrivals[0].vendorId, 0x2e7e);
    EXPECT_EQ(arrivals[0].productId, 0x0737);
    EXPECT_EQ(arrivals[0].name, "HD Camera");
    EXPECT_EQ(arrivals[1].vendorId, 0x046d);
    EXPECT_EQ(arrivals[1].productId, 0xc31c);
    EXPECT_EQ(arrivals[1].name, "USB Keyboard");
    // Opening again changes nothing and reports nothing twice.
    EXPECT_EQ(manager->open(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(arrivals.size(), 2u);
}

TEST_F(UdevHidManagerTest, RemovalReportsTheArrivalsObjectWithItsIdsKeptAfterSysfsIsGone) {
    watch();
    ASSERT_EQ(manager->open(), 0);
    const std::string camera = testbed.addUsbHidDevice({0x3242, 0x1000, "PTZ Camera", 2, "1.4"});
    ASSERT_TRUE(waitForArrivals(1));
    EXPECT_EQ(arrivals[0].vendorId, 0x3242);
    EXPECT_EQ(arrivals[0].productId, 0x1000);
    EXPECT_EQ(arrivals[0].name, "PTZ Camera");

    testbed.unplug(camera);  // sysfs entries are gone before the removal is read
    ASSERT_TRUE(waitForRemovals(1));
    EXPECT_EQ(removals[0].device, arrivals[0].device);
    EXPECT_EQ(removals[0].vendorId, 0x3242);
    EXPECT_EQ(removals[0].productId, 0x1000);
    EXPECT_EQ(removals[0].name, "PTZ Camera");
}

TEST_F(UdevHidManagerTest, ReplugGivesANewArrivalAndRepeatedUeventsAreReportedOnce) {
    const std::string camera = testbed.addUsbHidDevice({});
    watch();
    ASSERT_EQ(manager->open(), 0);
    // The node is enumerated and then announced again, as when it appears during the open.
    testbed.sendUevent(camera, "add");
    testbed.sendUevent(camera, "change");
    testbed.sendUevent(camera, "remove");
    testbed.sendUevent(camera, "remove");
    testbed.sendUevent(camera, "add");
    ASSERT_TRUE(waitForArrivals(2));
    ASSERT_TRUE(waitForRemovals(1));
    const std::string sentinel = testbed.addUsbHidDevice({0x1234, 0x0606, "Sentinel", 1, "5"});
    ASSERT_TRUE(waitForArrivals(3));  // events come in order: everything before it is handled
    EXPECT_EQ(arrivals[2].name, "Sentinel");
    EXPECT_EQ(removals.size(), 1u);
    EXPECT_EQ(removals[0].device, arrivals[0].device);
}

TEST_F(UdevHidManagerTest, OpenUsesTheNodeAndFailsWhenTheNodeIsMissing) {
    const std::string camera = testbed.addUsbHidDevice({0x2e7e, 0x0737, "HD Camera", 1, "2"});
    const std::string missing = testbed.addUsbHidDevice({0x2e7e, 0x0735, "Gone", 1, "3"});
    testbed.removeDeviceNode(missing);
    watch();
    ASSERT_EQ(manager->open(), 0);
    ASSERT_TRUE(waitForArrivals(2));

    HidDevice* present = arrivals[0].device;
    HidDevice* absent = arrivals[1].device;
    EXPECT_EQ(testbed.openDescriptors(camera), 0);
    EXPECT_EQ(present->open(), 0);
    EXPECT_EQ(testbed.openDescriptors(camera), 1);
    EXPECT_EQ(present->open(), 0);  // already open: still one descriptor
    EXPECT_EQ(testbed.openDescriptors(camera), 1);
    EXPECT_EQ(present->close(), 0);
    EXPECT_EQ(testbed.openDescriptors(camera), 0);
    EXPECT_EQ(static_cast<uint32_t>(absent->open()), usb_status::kNoDevice);

    // A device still open when it goes is closed with it.
    ASSERT_EQ(present->open(), 0);
    testbed.unplug(camera);
    ASSERT_TRUE(waitForRemovals(1));
    EXPECT_EQ(testbed.openDescriptors(camera), 0);
}

TEST_F(UdevHidManagerTest, HidNodeOutsideUsbHasNoIds) {
    testbed.addVirtualHidNode();
    watch();
    ASSERT_EQ(manager->open(), 0);
    ASSERT_TRUE(waitForArrivals(1));
    EXPECT_EQ(arrivals[0].vendorId, 0);
    EXPECT_EQ(arrivals[0].productId, 0);
    EXPECT_EQ(arrivals[0].name, "");
}

TEST_F(UdevHidManagerTest, ManagerDestroyedBeforeTheLoopRunsReportsNothing) {
    testbed.addUsbHidDevice({});
    watch();
    ASSERT_EQ(manager->open(), 0);
    manager.reset();
    QCoreApplication::processEvents();
    EXPECT_THAT(arrivals, IsEmpty());
}

}  // namespace
}  // namespace ptz
