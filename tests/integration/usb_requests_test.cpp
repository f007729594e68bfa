// The libusb path through the real registry to emulated cameras: requests on the bus, the
// binding by ids and by location, and every way a request fails there; and the ptzctl program
// itself, as child processes behind the same preload, past a look-alike: a keyboard with a
// supported model's ids, listed first.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "camera/uvc_camera_control.h"
#include "descriptor_fixtures.h"
#include "emulated_video_nodes.h"
#include "hid_testbed.h"
#include "log_capture.h"
#include "platform/usb/usb_registry_factory.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using testing::EmulatedUsbCamera;
using ::testing::Ge;
using ::testing::IsEmpty;
using ::testing::Lt;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class LibusbPath : public ::testing::Test {
  protected:
    std::shared_ptr<UVCCameraControl> bindByIds() {
        auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0606);
        EXPECT_TRUE(control->isBound());
        return control;
    }

    testing::UsbTestbed bed;
    testing::LogCapture log;
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
};

// On a real camera's descriptors with the HID interface first: wIndex carries VideoControl
// interface 1 (unit << 8 | interface), a SET its data stage, a GET the camera's answer back.
TEST_F(LibusbPath, RequestsCarryTheInterfaceNumberAndGetsBringTheAnswerBack) {
    testing::UsbDeviceSpec spec = testing::cameraAt(1, {2}, 2, 0x2e7e, 0x0893);
    spec.descriptors = testing::fixtureDescriptors("2e7e_0893_ptz_hid_first");
    spec.camera.videoControlInterface = 1;
    EmulatedUsbCamera& camera = bed.add(spec);
    const auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0893);
    EXPECT_TRUE(control->ClickOsdUpBtn());
    const UvcRange range = control->getRangeForControl(&uvc_controls[panTiltRelative]);
    EXPECT_EQ(range.min, 0x01000100);
    EXPECT_EQ(range.max, 0x14001800);
    EXPECT_THAT(camera.requestLines(), ElementsAre("21 01 00 01 01 13 02 00 | 00 00",
                                                   "21 01 00 0e 01 01 04 00 | 00 00 00 0a",
                                                   "a1 82 00 0e 01 01 04 00 | 00 01 00 01",
                                                   "a1 83 00 0e 01 01 04 00 | 00 18 00 14"));
    EXPECT_EQ(control->failedRequestCount(), 0u);
}

// By ids, of which only the low 32 bits count: the first listed in syspath order (1-1 before
// 1-3); by location, the device at that bus and port path, behind a hub too.
TEST_F(LibusbPath, BindsByIdsAndByLocation) {
    EmulatedUsbCamera& later = bed.add(testing::cameraAt(1, {3}, 3));
    EmulatedUsbCamera& first = bed.add(testing::cameraAt(1, {1}, 2));
    EmulatedUsbCamera& behindHub = bed.add(testing::cameraAt(3, {1, 4}, 5, 0x2e7e, 0x0737));
    const auto reaches = [](const std::shared_ptr<UVCCameraControl>& control,
                            EmulatedUsbCamera& device) {
        device.clearRequests();
        return control->ClickOsdBackBtn() && device.requestLines().size() == 1;
    };
    EXPECT_TRUE(reaches(UVCCameraControl::initWithVendorID(*registry, 0x7'0000'2e7e, 0x1'0000'0606),
                        first));
    EXPECT_THAT(later.requestLines(), IsEmpty());
    EXPECT_TRUE(reaches(UVCCameraControl::initWithLocationID(*registry, 0x03140000), behindHub));
    EXPECT_TRUE(reaches(UVCCameraControl::initWithLocationID(*registry, 0x01300000), later));
    EXPECT_FALSE(UVCCameraControl::initWithLocationID(*registry, 0x01400000)->isBound());
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0605)->isBound());
}

// Another program holds the interface for a moment: the claim is tried again for a while, then
// the request fails as exclusive access. A camera that never answers holds the caller for a
// bounded time, not forever nor not at all.
TEST_F(LibusbPath, ABusyInterfaceIsWaitedOutForAWhileAndAHungTransferTimesOut) {
    EmulatedUsbCamera& camera = bed.add();
    const auto control = bindByIds();
    camera.refuseClaims(EBUSY, 3);
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, IsEmpty());

    camera.refuseClaims(EBUSY);
    camera.clearRequests();
    auto start = Clock::now();
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(Clock::now() - start, AllOf(Ge(50ms), Lt(1s)));
    EXPECT_THAT(camera.requestLines(), IsEmpty());

    camera.refuseClaims(0, 0);
    camera.setHanging(true);
    start = Clock::now();
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(Clock::now() - start, AllOf(Ge(300ms), Lt(3s)));
    camera.setHanging(false);
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)",
                                       "CameraControl Error: Control request failed: e00002d6"));
}

// Unplugged, and the same camera plugged in again at the same port with a new device number:
// the old binding reaches nothing. A node that may not be opened: not permitted.
TEST_F(LibusbPath, NothingReachesTheDeviceThatTakesAnUnpluggedOnesPlaceOrAForbiddenNode) {
    EmulatedUsbCamera& camera = bed.add();
    const auto control = bindByIds();
    bed.unplug(camera);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EmulatedUsbCamera& successor = bed.add(testing::cameraAt(1, {2}, 3));
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(successor.requestLines(), IsEmpty());
    bed.denyAccess(successor.devnode());
    EXPECT_FALSE(bindByIds()->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c0)",
                                       "CameraControl Error: Unable to open interface (e00002c0)",
                                       "CameraControl Error: Unable to open interface (e00002e2)"));
}

// Bound while no driver held the interface; uvcvideo takes it, and later lets it go again.
TEST_F(LibusbPath, EachRequestGoesWhereTheInterfaceIsHeldThen) {
    EmulatedUsbCamera& camera = bed.add();
    const auto control = bindByIds();
    bed.setDriver(camera, 0, "uvcvideo");
    testing::EmulatedVideoNodes nodes(bed.umockdev(), camera.interfaceSyspath(0), camera.firmware(),
                                      testing::UvcvideoKernel::kReleased);
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_EQ(nodes.ioctls(testing::VideoNodeKind::kCapture).size(), 2u);
    bed.setDriver(camera, 0, "");
    camera.clearRequests();
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_EQ(nodes.ioctls(testing::VideoNodeKind::kCapture).size(), 2u);
    EXPECT_THAT(camera.requestLines(), ElementsAre("21 01 00 06 00 13 02 00 | 00 00"));
}

struct PtzctlRun {
    int status = -1;
    std::vector<std::string> lines;  // standard output and error
};

// The child inherits this process's preload and so its testbed.
PtzctlRun ptzctl(const std::string& arguments) {
    PtzctlRun run;
    std::FILE* pipe = popen((PTZCTL_PATH " " + arguments + " 2>&1").c_str(), "r");
    char line[256];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        run.lines.emplace_back(line, std::strcspn(line, "\n"));
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(PtzctlEndToEnd, ListsTheCameraAndAPanStartedByOneRunIsStoppedByTheNext) {
    testing::UsbTestbed usb;
    testing::HidTestbed hid(usb.umockdev());
    hid.addUsbHidDevice({.vendorId = 0x2e7e, .productId = 0x0606, .product = "Keyboard"});
    testing::EmulatedUsbCamera& camera = usb.add(testing::cameraAt(1, {3}, 3));
    hid.addHidNode(camera.interfaceSyspath(camera.firstInterfaceOfClass(3)));

    const PtzctlRun listed = ptzctl("list");
    EXPECT_EQ(listed.status, 0);
    EXPECT_THAT(listed.lines, ElementsAre("2e7e:0606 0x01300000 Simulated PTZ Camera"));

    EXPECT_EQ(ptzctl("pan right").status, 0);
    EXPECT_TRUE(camera.firmware().state().moving);
    camera.clock().advance(std::chrono::seconds(1));
    const PtzctlRun stopped = ptzctl("pan stop");
    EXPECT_EQ(stopped.status, 0);
    EXPECT_THAT(stopped.lines, IsEmpty());
    EXPECT_FALSE(camera.firmware().state().moving);
    EXPECT_EQ(camera.firmware().state().pan, 40 * 3600);  // 4° a second per speed step
}

}  // namespace
}  // namespace ptz
