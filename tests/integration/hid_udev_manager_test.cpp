// The udev HID layer against emulated hidraw nodes: what it reports of each node, when, and what
// opening a node does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QtCore/qtestsupport_core.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hid_testbed.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/usb/usb_status.h"

namespace ptz {
namespace {

using testing::HidTestbed;
using ::testing::IsEmpty;

struct Reported {
    HidDevice* device;
    std::string identity;  // "2e7e:0737 01230000 HD Camera uvc"
};

class UdevHidManagerTest : public ::testing::Test {
  protected:
    UdevHidManagerTest() {
        const auto record = [](std::vector<Reported>& into) {
            return [&into](HidDevice* device) {
                char identity[32];
                snprintf(identity, sizeof identity, "%04x:%04x %08x ", device->vendorId(),
                         device->productId(), device->locationId());
                into.push_back({device, identity + device->productName() +
                                            (device->hasVideoControl() ? " uvc" : "")});
            };
        };
        manager->setCallbacks(record(arrivals), record(removals));
    }
    bool waitFor(const std::vector<Reported>& reports, size_t count) {
        return QTest::qWaitFor([&] { return reports.size() >= count; });
    }

    HidTestbed testbed;
    std::unique_ptr<HidManager> manager = createHidManager();
    std::vector<Reported> arrivals, removals;
};

// A device's identity is its USB device's; a node on no USB device has none. Opening twice
// keeps one descriptor; a node that cannot be opened says so; a device gone while open is closed.
TEST_F(UdevHidManagerTest, NodesPresentAtOpenArriveFromTheEventLoopAndOpenTheirOwnNode) {
    const std::string camera = testbed.addUsbHidDevice({0x2e7e, 0x0737, "HD Camera", 1, "2.3"});
    testbed.addUsbHidDevice({.vendorId = 0x1234,
                             .productId = 0x0605,
                             .product = "Keyboard",
                             .ports = "4",
                             .videoControl = false});
    testbed.addVirtualHidNode();
    testbed.removeDeviceNode(testbed.addUsbHidDevice({0x2e7e, 0x0735, "Gone", 1, "3"}));
    ASSERT_EQ(manager->open(), 0);
    EXPECT_THAT(arrivals, IsEmpty()) << "not before open() has returned";
    ASSERT_TRUE(waitFor(arrivals, 4));
    std::map<std::string, HidDevice*> devices;
    for (const Reported& arrival : arrivals) {
        devices[arrival.identity] = arrival.device;
    }
    EXPECT_THAT(devices,
                ::testing::ElementsAre(::testing::Key("0000:0000 00000000 "),
                                       ::testing::Key("1234:0605 01400000 Keyboard"),
                                       ::testing::Key("2e7e:0735 01300000 Gone uvc"),
                                       ::testing::Key("2e7e:0737 01230000 HD Camera uvc")));
    EXPECT_EQ(manager->open(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(arrivals.size(), 4u) << "opening again reports nothing twice";

    HidDevice* present = devices["2e7e:0737 01230000 HD Camera uvc"];
    EXPECT_EQ(present->open(), 0);
    EXPECT_EQ(present->open(), 0);
    EXPECT_EQ(testbed.openDescriptors(camera), 1);
    EXPECT_EQ(present->close(), 0);
    EXPECT_EQ(testbed.openDescriptors(camera), 0);
    EXPECT_EQ(static_cast<uint32_t>(devices["2e7e:0735 01300000 Gone uvc"]->open()),
              usb_status::kNoDevice);
    ASSERT_EQ(present->open(), 0);
    testbed.unplug(camera);
    ASSERT_TRUE(waitFor(removals, 1));
    EXPECT_EQ(testbed.openDescriptors(camera), 0);
}

TEST_F(UdevHidManagerTest, EachPlugArrivesOnceAndItsRemovalReportsTheDeviceAsItArrived) {
    ASSERT_EQ(manager->open(), 0);
    const std::string camera = testbed.addUsbHidDevice({0x3242, 0x1000, "PTZ Camera", 2, "1"});
    testbed.sendUevent(camera, "add");  // announced twice, as when it appears during the open
    testbed.sendUevent(camera, "change");
    testbed.sendUevent(camera, "remove");
    testbed.sendUevent(camera, "add");  // plugged in again
    testbed.unplug(camera);             // sysfs entries are gone before the removal is read
    testbed.addUsbHidDevice({0x1234, 0x0606, "Sentinel", 1, "5"});
    ASSERT_TRUE(waitFor(arrivals, 3));  // uevents come in order: everything before it is handled
    EXPECT_EQ(arrivals[2].identity, "1234:0606 01500000 Sentinel uvc");
    ASSERT_EQ(removals.size(), 2u);
    for (size_t plug = 0; plug < 2; ++plug) {
        EXPECT_EQ(removals[plug].device, arrivals[plug].device);
        EXPECT_EQ(removals[plug].identity, "3242:1000 02100000 PTZ Camera uvc");
    }
}

}  // namespace
}  // namespace ptz
