// Binding through the real libusb registry on an emulated bus.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "camera/uvc_camera_control.h"
#include "fake_usb_camera.h"
#include "log_capture.h"
#include "platform/usb/usb_registry_factory.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::FakeCameraSpec;
using testing::FakeUsbCamera;
using testing::FakeUsbTestbed;
using ::testing::IsEmpty;
using testing::LogCapture;

constexpr const char* kNoInterface = "CameraControl Error: No interface to send request";

class LibusbBinding : public ::testing::Test {
  protected:
    FakeUsbTestbed bed;
    LogCapture log;
};

TEST_F(LibusbBinding, BindsTheCameraByIdsAndSendsThroughIt) {
    FakeUsbCamera& camera = bed.addCamera({});
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    ASSERT_TRUE(control->isBound());
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(camera.transferLines(), ElementsAre("21 01 00 06 00 13 02 00 | 00 00"));
    EXPECT_THAT(log.lines, IsEmpty());
}

}  // namespace
}  // namespace ptz
