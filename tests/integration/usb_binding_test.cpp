// Binding through the real registry on an emulated bus: which device and which interface a
// camera control ends up with, read from sysfs without opening anything.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera/uvc_camera_control.h"
#include "log_capture.h"
#include "platform/usb/usb_registry_factory.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::EmulatedUsbCamera;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::UsbDeviceSpec;
using testing::UsbTestbed;

constexpr uint16_t kVendorId = 0x2e7e;
constexpr uint16_t kProductId = 0x0735;

UsbDeviceSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                       uint16_t productId = kProductId) {
    return testing::cameraAt(bus, std::move(ports), deviceNumber, kVendorId, productId);
}

class Binding : public ::testing::Test {
  protected:
    // Sends one OSD key; true when it reached `device` alone.
    bool reaches(UVCCameraControl& control, EmulatedUsbCamera& device) {
        device.clearRequests();
        return control.ClickOsdBackBtn() && device.requestLines().size() == 1;
    }

    UsbTestbed bed;
    LogCapture log;
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
};

TEST_F(Binding, ByIdsMatchedOnTheirLow32BitsThePluggedInCamera) {
    // The registry lists what is there when asked: this camera arrives after it was made.
    EmulatedUsbCamera& camera = bed.add(cameraAt(1, {2}, 2));
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x7'0000'0000LL | kVendorId,
                                                      0x1'0000'0000LL | kProductId);
    EXPECT_TRUE(reaches(*control, camera));
    EXPECT_THAT(log.lines, IsEmpty());

    auto missing = UVCCameraControl::initWithVendorID(*registry, kVendorId, 0x0606);
    EXPECT_FALSE(missing->isBound());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: IOCreatePlugInInterfaceForService "
                                       "returned 0xe00002c0."));
}

TEST_F(Binding, OfTwoCamerasWithTheSameIdsTheFirstTheRegistryListsByLocationAnyOther) {
    EmulatedUsbCamera& second = bed.add(cameraAt(1, {3}, 3));
    EmulatedUsbCamera& first = bed.add(cameraAt(1, {1}, 2));
    bed.add(cameraAt(2, {1}, 2, 0x0737));  // another model, so that location has a choice
    EmulatedUsbCamera& behindHub = bed.add(cameraAt(3, {1, 4}, 5, 0x0737));

    const std::vector<std::unique_ptr<UsbDeviceService>> listed = registry->allDevices();
    ASSERT_EQ(listed.size(), 4u);
    std::unique_ptr<UsbDevice> firstListed;
    ASSERT_EQ(listed.front()->createPlugIn(), usb_status::kSuccess);
    ASSERT_EQ(listed.front()->queryDeviceInterface(firstListed), 0);
    ASSERT_EQ(firstListed->locationId(), first.locationId());  // listed by syspath
    for (const EmulatedUsbCamera* camera : {&first, &behindHub}) {
        std::unique_ptr<UsbDevice> found;
        const std::unique_ptr<UsbDeviceService> at = registry->deviceAt(camera->locationId());
        ASSERT_NE(at, nullptr);
        ASSERT_EQ(at->createPlugIn(), usb_status::kSuccess);
        ASSERT_EQ(at->queryDeviceInterface(found), 0);
        EXPECT_EQ(found->locationId(), camera->locationId());
    }
    EXPECT_EQ(registry->deviceAt(0x01400000u), nullptr);

    EXPECT_TRUE(
        reaches(*UVCCameraControl::initWithVendorID(*registry, kVendorId, kProductId), first));
    EXPECT_THAT(second.requestLines(), IsEmpty());
    EXPECT_TRUE(reaches(*UVCCameraControl::initWithLocationID(*registry, 0x03140000u), behindHub));
    EXPECT_TRUE(reaches(*UVCCameraControl::initWithLocationID(*registry, 0x01300000u), second));
    EXPECT_FALSE(UVCCameraControl::initWithLocationID(*registry, 0x02200000u)->isBound());
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(Binding, DeviceWithoutVideoControlInterfaceStaysUnboundSilently) {
    // A HID-only product under a supported product id.
    UsbDeviceSpec spec = cameraAt(1, {2}, 2);
    spec.descriptors = {18,   0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 64,   0x7e, 0x2e, 0x35,
                        0x07, 0x00, 0x01, 1,    2,    0,    1,    9,    0x02, 34,   0,
                        1,    1,    0,    0x80, 50,   9,    0x04, 0,    0,    1,    0x03,
                        0x00, 0x00, 0,    9,    0x21, 0x11, 0x01, 0x00, 1,    0x22, 0x22,
                        0x00, 7,    0x05, 0x81, 0x03, 0x08, 0x00, 10};
    EmulatedUsbCamera& device = bed.add(spec);
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(*registry, kVendorId, kProductId)->isBound());
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_EQ(device.claimAttempts(), 0);
}

}  // namespace
}  // namespace ptz
