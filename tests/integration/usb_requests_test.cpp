// Requests through the real USB layer to emulated cameras: what reaches the firmware through
// libusb, every way a request fails there, and the backend chosen anew for each request.
#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>

#include "camera/uvc_camera_control.h"
#include "descriptor_fixtures.h"
#include "emulated_video_nodes.h"
#include "log_capture.h"
#include "platform/usb/libusb_backend.h"
#include "platform/usb/usb_registry_factory.h"
#include "set_cur_examples.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using testing::EmulatedUsbCamera;
using ::testing::IsEmpty;
using testing::LogCapture;
using ::testing::SizeIs;
using testing::UsbDeviceSpec;
using testing::UsbTestbed;
using Clock = std::chrono::steady_clock;

constexpr const char* kOsdBack = "21 01 00 06 00 13 02 00 | 00 00";

// libusb keeps a timerfd for as long as it runs; nothing else here makes one.
int libusbTimers() {
    int timers = 0;
    DIR* fds = opendir("/proc/self/fd");
    while (dirent* entry = readdir(fds)) {
        char target[PATH_MAX] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        if (readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::string(target) == "anon_inode:[timerfd]") {
            ++timers;
        }
    }
    closedir(fds);
    return timers;
}

class Requests : public ::testing::Test {
  protected:
    std::shared_ptr<UVCCameraControl> bind() {
        auto control = UVCCameraControl::initWithVendorID(*registry, camera.spec().camera.vendorId,
                                                          camera.spec().camera.productId);
        EXPECT_TRUE(control->isBound());
        return control;
    }

    UsbTestbed bed;
    EmulatedUsbCamera& camera = bed.add();
    LogCapture log;
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
};

TEST_F(Requests, ReachTheFirmwareByteForByteAndItsAnswersComeBack) {
    const auto control = bind();
    std::vector<std::string> expected;
    for (const testing::SetCurExample& example : testing::kSetCurExamples) {
        control->setValue(example.value, &example.control);
        expected.push_back(example.bus);
    }
    // A GET's data stage comes back from the camera: the relative pan/tilt range's speeds.
    const UvcRange range = control->getRangeForControl(&uvc_controls[panTiltRelative]);
    const std::vector<std::string> lines = camera.requestLines();
    ASSERT_EQ(lines.size(), expected.size() + 2);
    EXPECT_EQ(std::vector(lines.begin(), lines.end() - 2), expected);
    EXPECT_EQ(lines[expected.size() + 1].substr(0, 26), "a1 83 00 0e 00 01 04 00 | ");
    EXPECT_EQ(range.max & 0xFF00, camera.spec().camera.maximumPanSpeed << 8);
}

TEST_F(Requests, ABusyInterfaceIsWaitedOutWithinItsBudget) {
    const auto control = bind();
    camera.refuseClaims(EBUSY, 3);
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_EQ(camera.claimAttempts(), 4);
    EXPECT_THAT(log.lines, IsEmpty());

    camera.refuseClaims(EBUSY);
    camera.clearRequests();
    const auto start = Clock::now();
    EXPECT_FALSE(control->ClickOsdBackBtn());
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, kClaimBusyBudget / 2);
    EXPECT_LT(waited, kClaimBusyBudget + std::chrono::milliseconds(500));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)"));
    EXPECT_THAT(camera.requestLines(), IsEmpty());
}

TEST_F(Requests, AHungTransferFailsAfterTheTimeOut) {
    const auto control = bind();
    camera.setHanging(true);
    const auto start = Clock::now();
    EXPECT_FALSE(control->ClickOsdBackBtn());
    const auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, kLibusbTransferTimeout);
    EXPECT_LT(elapsed, kLibusbTransferTimeout + std::chrono::seconds(2));
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002d6"));
    camera.setHanging(false);
    EXPECT_TRUE(control->ClickOsdBackBtn());
}

TEST_F(Requests, ANodeThatMayNotBeOpenedIsNotPermitted) {
    const auto control = bind();
    bed.denyAccess(camera);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002e2)"));
}

TEST_F(Requests, AfterAnUnplugNothingReachesTheDeviceThatTakesItsPlace) {
    const auto control = bind();
    bed.unplug(camera);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    control->ClickPtzHomeBtn();  // two requests

    // The same camera plugged in again at the same port: same syspath, a new device number.
    UsbDeviceSpec again = camera.spec();
    again.deviceNumber = 3;
    EmulatedUsbCamera& successor = bed.add(again);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(successor.requestLines(), IsEmpty());
    EXPECT_THAT(log.lines, Each("CameraControl Error: Unable to open interface (e00002c0)"));
    EXPECT_EQ(log.lines.size(), 4u);
}

TEST_F(Requests, WIndexNamesTheVideoControlInterfaceWhereverItSits) {
    UsbDeviceSpec spec;
    spec.bus = 2;
    spec.descriptors = testing::fixtureDescriptors("2e7e_0893_ptz_hid_first");
    spec.camera.vendorId = 0x2e7e;
    spec.camera.productId = 0x0893;
    spec.camera.videoControlInterface = 1;
    EmulatedUsbCamera& hidFirst = bed.add(spec);
    const auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0893);
    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());
    EXPECT_THAT(hidFirst.requestLines(), ElementsAre("21 01 00 0c 01 01 03 00 | 01 00 03"));
}

// Bound while no driver held the interface; uvcvideo takes it, and later lets it go again.
TEST_F(Requests, EachRequestGoesWhereTheInterfaceIsHeldThen) {
    const auto control = bind();
    bed.setDriver(camera, camera.spec().camera.videoControlInterface, "uvcvideo");
    testing::EmulatedVideoNodes nodes(
        bed.umockdev(), camera.interfaceSyspath(camera.spec().camera.videoControlInterface),
        camera.firmware(), testing::UvcvideoKernel::kReleased);
    camera.clearRequests();
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(nodes.ioctls(testing::VideoNodeKind::kCapture), SizeIs(2));
    EXPECT_THAT(camera.requestLines(), Contains(kOsdBack));
    EXPECT_EQ(libusbTimers(), 0);  // libusb was never started

    bed.setDriver(camera, camera.spec().camera.videoControlInterface, "");
    camera.clearRequests();
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(camera.requestLines(), ElementsAre(kOsdBack));
    EXPECT_THAT(nodes.ioctls(testing::VideoNodeKind::kCapture), SizeIs(2));
    EXPECT_EQ(libusbTimers(), 1);
}

}  // namespace
}  // namespace ptz
