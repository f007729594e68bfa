// The libusb path through the real registry to emulated cameras: the bytes each command puts on
// the bus, the binding by ids and by location, and every way a request fails there.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <sstream>

#include "camera/uvc_camera_control.h"
#include "descriptor_fixtures.h"
#include "emulated_video_nodes.h"
#include "log_capture.h"
#include "platform/usb/usb_registry_factory.h"
#include "ptzctl_runner.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using testing::EmulatedUsbCamera;
using ::testing::Ge;
using ::testing::IsEmpty;
using ::testing::Lt;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

class LibusbPath : public ::testing::Test, PtzctlMachine {
  protected:
    std::shared_ptr<UVCCameraControl> bindByIds() {
        auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0606);
        EXPECT_TRUE(control->isBound());
        return control;
    }
    // ptzctl, on the testbed's devices.
    UsbRegistry& usbRegistry() override { return *registry; }
    std::vector<HidDeviceInfo> hidDevices() override { return {}; }
    int ptzctl(const std::string& line, std::ostream& out) {
        std::istringstream in(line);
        std::vector<std::string> words;
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
        std::ostringstream err;
        const int status =
            runPtzctl(std::vector<std::string_view>(words.begin(), words.end()), *this, out, err);
        EXPECT_EQ(err.str(), "");
        return status;
    }

    testing::UsbTestbed bed;
    testing::LogCapture log;
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
};

// Each command once, from ptzctl's command line or the panel's calls, on a real camera's
// descriptors with the HID interface first: setup bytes in bus order (bmRequestType, bRequest,
// wValue, wIndex = unit << 8 | VideoControl interface 1, wLength) | data stage.
TEST_F(LibusbPath, EachCommandPutsTheseBytesOnTheBus) {
    constexpr const char* kTiltStop = "21 01 00 0e 01 01 04 00 | 00 00 00 0a";
    constexpr const char* kPanStop = "21 01 00 0e 01 01 04 00 | 00 0a 00 00";
    constexpr const char* kAfOff = "21 01 00 08 01 01 01 00 | 00";
    struct Row {
        const char* ptzctl;
        std::vector<const char*> wire;
        const char* printed = "";
    };
    const Row rows[] = {
        {"osd up", {"21 01 00 01 01 13 02 00 | 00 00", kTiltStop}},
        {"osd down", {"21 01 00 02 01 13 02 00 | 00 00", kTiltStop}},
        {"osd left", {"21 01 00 03 01 13 02 00 | 00 00", kPanStop}},
        {"osd right", {"21 01 00 04 01 13 02 00 | 00 00", kPanStop}},
        {"osd ok", {"21 01 00 05 01 13 02 00 | 00 00"}},
        {"osd back", {"21 01 00 06 01 13 02 00 | 00 00"}},
        {"osd menu", {"21 01 00 07 01 13 02 00 | 00 00"}},
        {"pan left", {"21 01 00 0e 01 01 04 00 | ff 0a 00 00"}},
        {"pan right", {"21 01 00 0e 01 01 04 00 | 01 0a 00 00"}},
        {"pan stop", {kPanStop}},
        {"tilt up", {"21 01 00 0e 01 01 04 00 | 00 00 01 0a"}},
        {"tilt down", {"21 01 00 0e 01 01 04 00 | 00 00 ff 0a"}},
        {"tilt stop", {kTiltStop}},
        {"home",
         {"21 01 00 0d 01 01 08 00 | 00 00 00 00 00 00 00 00", "21 01 00 0b 01 01 02 00 | 00 00"}},
        {"zoom in", {"21 01 00 0c 01 01 03 00 | 01 00 03"}},
        {"zoom out --speed 7", {"21 01 00 0c 01 01 03 00 | ff 00 07"}},
        {"zoom stop", {"21 01 00 0c 01 01 03 00 | 00 00 03"}},
        {"focus near", {kAfOff, "21 01 00 07 01 01 02 00 | 01 03"}},
        {"focus far --speed 2", {kAfOff, "21 01 00 07 01 01 02 00 | ff 02"}},
        {"focus stop", {kAfOff, "21 01 00 07 01 01 02 00 | 00 03"}},
        {"autofocus on", {"21 01 00 08 01 01 01 00 | 01"}},
        {"autofocus off", {kAfOff}},
        {"preset set 7", {"21 01 00 04 01 14 01 00 | 07"}},
        {"preset call 255", {"21 01 00 05 01 14 01 00 | ff"}},
        {"pan left --speed 24", {"21 01 00 0e 01 01 04 00 | ff 18 00 00"}},
        {"tilt stop --speed 1", {"21 01 00 0e 01 01 04 00 | 00 00 00 01"}},
        {"get zoomAbsolute", {"a1 81 00 0b 01 01 02 00 | 00 00"}, "0\n"},
        {"range panTiltRelative",
         {"a1 82 00 0e 01 01 04 00 | 00 01 00 01", "a1 83 00 0e 01 01 04 00 | 00 18 00 14"},
         "panDirection=0..0 panSpeed=1..24 tiltDirection=0..0 tiltSpeed=1..20\n"},
    };
    testing::UsbDeviceSpec spec = testing::cameraAt(1, {2}, 2, 0x2e7e, 0x0893);
    spec.descriptors = testing::fixtureDescriptors("2e7e_0893_ptz_hid_first");
    spec.camera.videoControlInterface = 1;
    EmulatedUsbCamera& camera = bed.add(spec);
    for (const Row& row : rows) {
        camera.clearRequests();
        std::ostringstream out;
        EXPECT_EQ(ptzctl(std::string("--location 01200000 ") + row.ptzctl, out), 0) << row.ptzctl;
        EXPECT_EQ(out.str(), row.printed);
        EXPECT_THAT(camera.requestLines(), ElementsAreArray(row.wire)) << row.ptzctl;
    }
    // The panel's own: the stops of right and down, the toggles, moves named outright (exact,
    // where a float would lose the low bytes above 2^24), and the autofocus button. Bound by
    // location: sysfs name 1-2 is bus 1, port 2.
    camera.clearRequests();
    const auto panel = UVCCameraControl::initWithLocationID(*registry, 0x01200000);
    panel->ClickPtzRightBtn(false);
    panel->ClickPtzDownBtn(false);
    for (int press = 0; press < 2; ++press) {
        panel->ClickPtzZoomPlusBtn();
        panel->ClickPtzZoomReduceBtn();
    }
    panel->movePanTilt(-1, 3, 1, 5);
    panel->moveFocus(1, 1);
    panel->ClickPtzFocusPlusBtn();
    panel->ClickPtzFocusReduceBtn();
    panel->ClickPtzAutoFocusBtn();
    EXPECT_THAT(
        camera.requestLines(),
        ElementsAre(kPanStop, kTiltStop, "21 01 00 0c 01 01 03 00 | 01 00 03",
                    "21 01 00 0c 01 01 03 00 | ff 00 03", "21 01 00 0c 01 01 03 00 | 00 00 03",
                    "21 01 00 0c 01 01 03 00 | 00 00 03", "21 01 00 0e 01 01 04 00 | ff 03 01 05",
                    "21 01 00 07 01 01 02 00 | 01 01", "21 01 00 07 01 01 02 00 | 01 03",
                    "21 01 00 07 01 01 02 00 | ff 03", "21 01 00 08 01 01 01 00 | 01"));
    EXPECT_EQ(panel->failedRequestCount(), 0u);
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
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0605)->isBound());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: IOCreatePlugInInterfaceForService "
                                       "returned 0xe00002c0."));
}

TEST_F(LibusbPath, ADeviceWithoutVideoControlInterfaceStaysUnboundSilently) {
    testing::UsbDeviceSpec spec;
    // A HID-only product under a supported product id: device, configuration, interface,
    // HID and endpoint descriptors.
    spec.descriptors = {18, 1,  0,    2, 0, 0, 0,  64,   0x7e, 0x2e, 6, 6,    0, 1, 1, 2, 0, 1,
                        9,  2,  34,   0, 1, 1, 0,  0x80, 50,   9,    4, 0,    0, 1, 3, 0, 0, 0,
                        9,  33, 0x11, 1, 0, 1, 34, 34,   0,    7,    5, 0x81, 3, 8, 0, 10};
    bed.add(spec);
    EXPECT_FALSE(UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0606)->isBound());
    EXPECT_THAT(log.lines, IsEmpty());
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

}  // namespace
}  // namespace ptz
