// The synchronous enumeration behind the command line's camera list.
#include <gtest/gtest.h>

#include "hid_testbed.h"
#include "platform/hid/hid_device_info.h"
#include "platform/usb/usb_location_id.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using testing::HidTestbed;

TEST(UsbLocationId, BusInTheTopByteThenOneNibblePerPort) {
    EXPECT_EQ(usbLocationId(1, "0"), 0x01000000u);  // root hub
    EXPECT_EQ(usbLocationId(1, "2"), 0x01200000u);
    EXPECT_EQ(usbLocationId(1, "2.3"), 0x01230000u);
    EXPECT_EQ(usbLocationId(0x14, "1.4.2"), 0x14142000u);
    EXPECT_EQ(usbLocationId(3, "1.2.3.4.5.6"), 0x03123456u);
    EXPECT_EQ(usbLocationId(3, "1.2.3.4.5.6.7"), 0x03123456u);  // deeper ports do not fit
    EXPECT_EQ(usbLocationId(2, "15.1"), 0x02f10000u);
    EXPECT_EQ(usbLocationId(2, ""), 0x02000000u);

    // From the kernel's name of a usb_device; other devices' names give none.
    EXPECT_EQ(usbLocationIdOfDeviceName("1-2.3"), 0x01230000u);
    EXPECT_EQ(usbLocationIdOfDeviceName("usb3"), 0x03000000u);
    for (const char* other : {"1-2.3:1.0", "usb1-port2", "i2c-1", "0003:2E7E:0606.0001", "1-"}) {
        EXPECT_EQ(usbLocationIdOfDeviceName(other), std::nullopt) << other;
    }
}

TEST(HidEnumeration, ListsEveryHidNodeWithItsUsbIdentity) {
    testing::UsbTestbed usb;
    HidTestbed testbed(usb.umockdev());
    testing::EmulatedUsbCamera& uvc = usb.add(testing::cameraAt(2, {1}, 3));
    testbed.addHidNode(uvc.interfaceSyspath(uvc.firstInterfaceOfClass(3)));
    const std::string camera = testbed.addUsbHidDevice({0x2e7e, 0x0737, "HD Camera", 1, "2.3"});
    testbed.addSecondHidNode(camera);
    const std::string keyboard = testbed.addUsbHidDevice({.vendorId = 0x1234,
                                                          .productId = 0x0605,
                                                          .product = "Keyboard",
                                                          .ports = "4",
                                                          .videoControl = false});
    testbed.addUsbHidDevice({0x3242, 0x1000, std::nullopt, 3, "1"});
    testbed.addVirtualHidNode();

    const std::vector<HidDeviceInfo> devices = enumerateHidDevices();
    ASSERT_EQ(devices.size(), 6u);
    const HidDeviceInfo* first = nullptr;
    const HidDeviceInfo* lookAlike = nullptr;
    for (const HidDeviceInfo& device : devices) {
        if (device.devnode == testbed.devnode(camera)) {
            first = &device;
        } else if (device.devnode == testbed.devnode(keyboard)) {
            lookAlike = &device;
        }
    }
    ASSERT_NE(first, nullptr);
    ASSERT_NE(lookAlike, nullptr);
    // Only a USB device whose descriptors have a VideoControl interface is a UVC camera.
    EXPECT_TRUE(first->hasVideoControl);
    EXPECT_FALSE(lookAlike->hasVideoControl);
    EXPECT_EQ(first->vendorId, 0x2e7e);
    EXPECT_EQ(first->productId, 0x0737);
    EXPECT_EQ(first->productName, "HD Camera");
    EXPECT_EQ(first->locationId, 0x01230000u);
    EXPECT_EQ(first->usbDevicePath, "/sys/devices/pci0000:00/usb1/1-2.3");
}

TEST(HidEnumeration, NothingConnectedListsNothing) {
    HidTestbed testbed;
    EXPECT_TRUE(enumerateHidDevices().empty());
}

}  // namespace
}  // namespace ptz
