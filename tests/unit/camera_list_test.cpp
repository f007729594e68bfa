#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/camera_list.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;

HidDeviceInfo node(const char* usbPath, int32_t vid, int32_t pid, const char* name,
                   uint32_t location) {
    HidDeviceInfo info;
    info.devnode = "/dev/hidraw0";
    info.usbDevicePath = usbPath;
    info.vendorId = vid;
    info.productId = pid;
    info.productName = name;
    info.locationId = location;
    return info;
}

TEST(CameraList, OneLinePerSupportedCameraInEnumerationOrder) {
    const std::vector<HidDeviceInfo> devices = {
        node("/sys/devices/usb1/1-1", 0x046d, 0xc31c, "Keyboard", 0x01100000),
        node("/sys/devices/usb1/1-2.3", 0x2e7e, 0x0737, "HD Camera", 0x01230000),
        // the same camera's second HID interface
        node("/sys/devices/usb1/1-2.3", 0x2e7e, 0x0737, "HD Camera", 0x01230000),
        node("/sys/devices/usb3/3-4", 0x3242, 0x1000, "", 0x03400000),
        node("/sys/devices/usb3/3-5", 0x3242, 0x1001, "Near Miss", 0x03500000),
        node("/sys/devices/usb2/2-1", 0x1234, 0x0606, "Other", 0x02100000),
    };
    EXPECT_THAT(
        supportedCameraLines(devices),
        ElementsAre("2e7e:0737 0x01230000 HD Camera", "3242:1000 0x03400000 USB camera 3242:1000",
                    "1234:0606 0x02100000 Other"));
    EXPECT_TRUE(supportedCameraLines({}).empty());
}

}  // namespace
}  // namespace ptz
