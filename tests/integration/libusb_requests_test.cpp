// Requests through the real libusb backend to the fake camera: the bytes on the bus, the
// answers, and every way a request can fail.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "camera/uvc_camera_control.h"
#include "fake_usb_camera.h"
#include "log_capture.h"
#include "platform/usb/libusb_interface.h"
#include "platform/usb/libusb_registry.h"
#include "platform/usb/usb_registry_factory.h"
#include "set_cur_examples.h"

namespace ptz {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using testing::FakeUsbCamera;
using testing::FakeUsbTestbed;
using ::testing::IsEmpty;
using testing::LogCapture;

class LibusbRequests : public ::testing::Test {
  protected:
    void SetUp() override {
        registry = createUsbRegistry();
        control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
        ASSERT_TRUE(control->isBound());
        camera.clearRecords();
    }

    FakeUsbTestbed bed;
    FakeUsbCamera& camera = bed.addCamera({});
    LogCapture log;
    std::unique_ptr<UsbRegistry> registry;
    std::shared_ptr<UVCCameraControl> control;
};

TEST_F(LibusbRequests, SetCurWorkedExamplesReachTheBusByteForByte) {
    for (const testing::SetCurExample& example : testing::kSetCurExamples) {
        camera.clearRecords();
        EXPECT_TRUE(control->setValue(example.value, &example.control));
        EXPECT_THAT(camera.transferLines(), ElementsAre(example.bus));
        // One claim, the transfer's own submit and reap, one release: nothing else per request.
        EXPECT_THAT(camera.ioctls(),
                    ElementsAre("claim 0", "submit", "reap", "reap-empty", "release 0"));
    }
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(LibusbRequests, GetAnswersAreDecoded) {
    camera.setAnswer(0x82, 0x0B00, 0x0100, {0xFF, 0xFF});
    camera.setAnswer(0x83, 0x0B00, 0x0100, {0x10, 0x00});
    camera.setAnswer(0x82, 0x0D00, 0x0100, {0x9C, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0});
    camera.setAnswer(0x83, 0x0D00, 0x0100, {0x64, 0, 0, 0, 0, 0, 0, 0});
    camera.setAnswer(0x81, 0x0D00, 0x0100, {0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0});
    // A short answer leaves the missing high bytes 0.
    camera.setAnswer(0x81, 0x0B00, 0x0100, {0x07});

    const UvcRange zoom = control->getRangeForControl(&uvc_controls[zoomAbsolute]);
    EXPECT_EQ(zoom.min, 65535);
    EXPECT_EQ(zoom.max, 16);
    EXPECT_EQ(control->getDataFor(kUvcGetCur, 2, 11, 1), 7);
    EXPECT_FLOAT_EQ(control->getValueForControl(&uvc_controls[panTiltAbsolute]), 0.5f);
    EXPECT_THAT(camera.transferLines(),
                ElementsAre("a1 82 00 0b 00 01 02 00 | ff ff", "a1 83 00 0b 00 01 02 00 | 10 00",
                            "a1 81 00 0b 00 01 02 00 | 07",
                            "a1 82 00 0d 00 01 08 00 | 9c ff ff ff 00 00 00 00",
                            "a1 83 00 0d 00 01 08 00 | 64 00 00 00 00 00 00 00",
                            "a1 81 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00"));
    EXPECT_THAT(log.lines, IsEmpty());
}

TEST_F(LibusbRequests, StallFailsTheRequestAndReleasesTheInterface) {
    camera.setStalling(true);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_EQ(control->getDataFor(kUvcGetCur, 2, 6, 19), 0);
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e000404f",
                                       "CameraControl Error: Control request failed: e000404f"));
    EXPECT_EQ(camera.ioctls().back(), "release 0");
}

TEST_F(LibusbRequests, BusyInterfaceCannotBeOpenedAndIsNotReleased) {
    camera.setClaimErrno(EBUSY);
    EXPECT_FALSE(control->ClickPtzUpBtn(true));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)"));
    EXPECT_THAT(camera.ioctls(), ElementsAre("claim 0 Device or resource busy"));
    EXPECT_THAT(camera.transferLines(), IsEmpty());
}

TEST_F(LibusbRequests, UnpluggedCameraFailsEveryRequestWithoutCrashing) {
    camera.setUnplugged(true);
    EXPECT_FALSE(control->ClickOsdUpBtn());
    EXPECT_TRUE(control->ClickPtzHomeBtn());
    EXPECT_EQ(control->getDataFor(kUvcGetCur, 2, 11, 1), 0);
    EXPECT_THAT(log.lines,
                ::testing::Each("CameraControl Error: Unable to open interface (e00002c0)"));
    EXPECT_EQ(log.lines.size(), 5u);
    // Destroying the control afterwards is safe too.
    control.reset();
    EXPECT_THAT(camera.transferLines(), IsEmpty());
}

TEST_F(LibusbRequests, UnplugDuringARequestFailsTheTransferAndStillReleases) {
    // The claim went through; the device is gone by the time the transfer is submitted.
    camera.setSubmitErrno(ENODEV);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002c0"));
    EXPECT_THAT(camera.ioctls(), ElementsAre("claim 0", "submit No such device", "release 0"));
}

TEST_F(LibusbRequests, ABoundControlOutlivesItsRegistry) {
    registry.reset();
    EXPECT_TRUE(control->ClickOsdOkBtn());
    EXPECT_THAT(log.lines, ElementsAre("bRet = 1"));
}

class LibusbTimeout : public ::testing::Test {
  protected:
    FakeUsbTestbed bed;
    FakeUsbCamera& camera = bed.addCamera({});
    LogCapture log;

    // Binds the camera, makes it hang and times one request, which must fail.
    std::chrono::steady_clock::duration hungRequestTime(UVCCameraControl& control) {
        EXPECT_TRUE(control.isBound());
        camera.setHanging(true);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(control.ClickOsdBackBtn());
        return std::chrono::steady_clock::now() - start;
    }
};

TEST_F(LibusbTimeout, HungTransferFailsAfterTheTimeOut) {
    int error = 0;
    const std::unique_ptr<UsbRegistry> registry =
        LibusbRegistry::create(libusbInterfaceMaker(std::chrono::milliseconds(100)), error);
    ASSERT_NE(registry, nullptr) << error;
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    const auto elapsed = hungRequestTime(*control);
    EXPECT_GE(elapsed, std::chrono::milliseconds(100));
    EXPECT_LT(elapsed, std::chrono::milliseconds(900));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002d6"));
    EXPECT_THAT(camera.ioctls(), Contains("discard"));
    EXPECT_EQ(camera.ioctls().back(), "release 0");

    // The camera answers again: the next request goes through.
    camera.setHanging(false);
    EXPECT_TRUE(control->ClickOsdBackBtn());
}

TEST_F(LibusbTimeout, TheAppsRegistryBoundsEveryTransfer) {
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0735);
    const auto elapsed = hungRequestTime(*control);
    EXPECT_GE(elapsed, kLibusbTransferTimeout);
    EXPECT_LT(elapsed, kLibusbTransferTimeout + std::chrono::seconds(2));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002d6"));
}

}  // namespace
}  // namespace ptz
