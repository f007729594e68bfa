// Binding through the real libusb registry on an emulated bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>

#include "camera/uvc_camera_control.h"
#include "fake_usb_camera.h"
#include "log_capture.h"
#include "platform/usb/libusb_device_location.h"
#include "platform/usb/usb_registry_factory.h"

namespace ptz {
namespace {

using testing::cameraAt;
using ::testing::ElementsAre;
using testing::FakeCameraSpec;
using testing::FakeUsbCamera;
using testing::FakeUsbTestbed;
using ::testing::IsEmpty;
using testing::LogCapture;

constexpr const char* kNoInterface = "CameraControl Error: No interface to send request";
constexpr const char* kOsdBack = "21 01 00 06 00 13 02 00 | 00 00";

class LibusbBinding : public ::testing::Test {
  protected:
    FakeUsbTestbed bed;
    LogCapture log;
};

TEST_F(LibusbBinding, BindsByIdsMatchedOnTheirLow32Bits) {
    FakeUsbCamera& camera = bed.addCamera({});
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x7'0000'2e7eLL, 0x1'0000'0735LL);
    ASSERT_TRUE(control->isBound());
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(camera.transferLines(), ElementsAre(kOsdBack));
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(LibusbBinding, MissingCameraGivesAnUnboundObjectAfterOnePlugInLine) {
    bed.addCamera(cameraAt(1, {2}, 2, 0x2e7e, 0x0606));
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    EXPECT_FALSE(control->isBound());
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: IOCreatePlugInInterfaceForService "
                                       "returned 0xe00002c0.",
                                       kNoInterface));
}

TEST_F(LibusbBinding, DeviceWithoutVideoControlInterfaceStaysUnboundSilently) {
    FakeCameraSpec spec;
    spec.hasVideoControl = false;
    FakeUsbCamera& camera = bed.addCamera(spec);
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    EXPECT_FALSE(control->isBound());
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_THAT(camera.ioctls(), ElementsAre("capabilities"));
}

TEST_F(LibusbBinding, TwoCamerasOfTheSameIdsBindTheFirstInRegistryOrder) {
    FakeUsbCamera& a = bed.addCamera(cameraAt(1, {1}, 2));
    FakeUsbCamera& b = bed.addCamera(cameraAt(1, {3}, 3));
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();

    // Which one libusb lists first is libusb's business; the binding must follow it.
    std::vector<std::unique_ptr<UsbDeviceService>> devices = registry->allDevices();
    ASSERT_EQ(devices.size(), 2u);
    ASSERT_EQ(devices.front()->createPlugIn(), usb_status::kSuccess);
    std::unique_ptr<UsbDevice> first;
    ASSERT_EQ(devices.front()->queryDeviceInterface(first), 0);
    const uint32_t firstLocation = first->locationId();
    ASSERT_TRUE(firstLocation == a.locationId() || firstLocation == b.locationId());
    FakeUsbCamera& expected = firstLocation == a.locationId() ? a : b;
    FakeUsbCamera& other = firstLocation == a.locationId() ? b : a;

    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(expected.transferLines(), ElementsAre(kOsdBack));
    EXPECT_THAT(other.transferLines(), IsEmpty());
}

TEST_F(LibusbBinding, BindsByLocationIdAlsoBehindAHub) {
    FakeUsbCamera& direct = bed.addCamera(cameraAt(1, {2}, 2));
    bed.addHub(3, {1}, 2);
    FakeUsbCamera& behindHub = bed.addCamera(cameraAt(3, {1, 4}, 5, 0x2e7e, 0x0737));
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    ASSERT_EQ(direct.locationId(), 0x01200000u);
    ASSERT_EQ(behindHub.locationId(), 0x03140000u);

    auto control = UVCCameraControl::initWithLocationID(*registry, 0x03140000u);
    ASSERT_TRUE(control->isBound());
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(behindHub.transferLines(), ElementsAre(kOsdBack));
    EXPECT_THAT(direct.transferLines(), IsEmpty());

    auto nowhere = UVCCameraControl::initWithLocationID(*registry, 0x02100000u);
    EXPECT_FALSE(nowhere->isBound());
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(LibusbBinding, InterfaceHeldByAnotherDriverStaysWithLibusbAndReportsBusy) {
    FakeCameraSpec spec;
    spec.videoControlDriver = "vendor-driver";
    FakeUsbCamera& camera = bed.addCamera(spec);
    camera.setClaimErrno(EBUSY);  // as usbfs answers for an interface a driver holds
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    ASSERT_TRUE(control->isBound());
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)"));
}

TEST(LibusbLocation, BusThenOneNibblePerPortFromTheRootDown) {
    const uint8_t deep[] = {1, 2, 3, 4, 5, 6, 7};
    const uint8_t wide[] = {2, 17};
    EXPECT_EQ(locationIdFromPath(1, {}), 0x01000000u);
    EXPECT_EQ(locationIdFromPath(3, std::span(deep, 2)), 0x03120000u);
    // Only six nibbles fit below the bus; a port above 15 keeps its low nibble.
    EXPECT_EQ(locationIdFromPath(0xFE, deep), 0xFE123456u);
    EXPECT_EQ(locationIdFromPath(2, wide), 0x02210000u);
    EXPECT_EQ(sysfsNameFromPath(1, {}), "usb1");
    EXPECT_EQ(sysfsNameFromPath(3, std::span(deep, 3)), "3-1.2.3");
}

}  // namespace
}  // namespace ptz
