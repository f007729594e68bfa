// The USB layer through the real registry to emulated cameras, and the ptzctl program itself.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "camera/uvc_camera_control.h"
#include "descriptor_fixtures.h"
#include "emulated_machine.h"
#include "log_capture.h"
#include "platform/usb/usb_registry_factory.h"
#include "platform/usb/uvcvideo_backend.h"
#include "platform/usb/uvcvideo_node.h"

namespace ptz {
namespace {

using ::testing::AllOf;
using ::testing::ElementsAre;
using testing::EmulatedUsbDevice;
using ::testing::Ge;
using ::testing::IsEmpty;
using ::testing::Lt;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr uint8_t kVideoControl = 0, kHid = 2;  // the simulated camera's interfaces

class UsbLayer : public ::testing::Test {
  protected:
    std::shared_ptr<UVCCameraControl> bindByIds() {
        auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0606);
        EXPECT_TRUE(control->isBound());
        return control;
    }

    testing::EmulatedMachine machine;
    testing::LogCapture log;
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
};

// On a real camera's descriptors with the HID interface first: wIndex carries VideoControl
// interface 1 (unit << 8 | interface), a SET its data stage, a GET the camera's answer back.
TEST_F(UsbLayer, RequestsCarryTheInterfaceNumberAndGetsBringTheAnswerBack) {
    testing::UsbDeviceSpec spec = testing::cameraAt(1, {2}, 2, 0x2e7e, 0x0893);
    spec.descriptors = testing::fixtureDescriptors("2e7e_0893_ptz_hid_first");
    spec.camera.videoControlInterface = 1;
    EmulatedUsbDevice& camera = machine.add(spec);
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
TEST_F(UsbLayer, BindsByIdsAndByLocation) {
    EmulatedUsbDevice& later = machine.add(testing::cameraAt(1, {3}, 3));
    EmulatedUsbDevice& first = machine.add(testing::cameraAt(1, {1}, 2));
    EmulatedUsbDevice& behindHub = machine.add(testing::cameraAt(3, {1, 4}, 5, 0x2e7e, 0x0737));
    const auto reaches = [](const std::shared_ptr<UVCCameraControl>& control,
                            EmulatedUsbDevice& device) {
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

// A claim another program refuses is tried again for a while, then fails as exclusive access. A
// camera that never answers holds the caller for a bounded time, neither forever nor not at all.
// The same camera plugged in again at its port under a new device number is not the old
// binding's. A node that may not be opened: not permitted.
TEST_F(UsbLayer, EachWayARequestFailsOnTheBus) {
    EmulatedUsbDevice& camera = machine.add();
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

    machine.unplug(camera);
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EmulatedUsbDevice& successor = machine.add(testing::cameraAt(1, {2}, 3));
    EXPECT_FALSE(control->ClickOsdBackBtn());
    EXPECT_THAT(successor.requestLines(), IsEmpty());
    machine.denyAccess(successor.devnode());
    EXPECT_FALSE(bindByIds()->ClickOsdBackBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c5)",
                                       "CameraControl Error: Control request failed: e00002d6",
                                       "CameraControl Error: Unable to open interface (e00002c0)",
                                       "CameraControl Error: Unable to open interface (e00002c0)",
                                       "CameraControl Error: Unable to open interface (e00002e2)"));
}

// Bound while no driver held the interface. uvcvideo takes it (its metadata node numbered first
// here): requests go to the capture node, open from a move's start to its stop; let go, through
// usbfs again. Unplugged mid-move, and a camera at the same port with the same node names: the
// held node fails and is let go, and nothing reaches the newcomer.
TEST_F(UsbLayer, EachRequestGoesWhereTheInterfaceIsHeldThen) {
    testing::UsbDeviceSpec spec;
    spec.videoNodes = testing::VideoNodeNumbers{.capture = 5, .metadata = 4};
    EmulatedUsbDevice& camera = machine.add(spec);
    const auto control = bindByIds();
    machine.setDriver(camera, kVideoControl, "uvcvideo");
    std::vector<std::string> calls;
    setUvcvideoCallTrace([&](std::string_view call, int) {
        if (call == "open" || call == "close") {
            calls.emplace_back(call);
        }
    });
    EXPECT_TRUE(control->moveZoom(1, 3));
    EXPECT_TRUE(control->moveZoom(0, 3));
    setUvcvideoCallTrace({});
    EXPECT_THAT(calls, ElementsAre("open", "close"));
    machine.setDriver(camera, kVideoControl, "");
    camera.clearRequests();
    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_THAT(camera.requestLines(), ElementsAre("21 01 00 06 00 13 02 00 | 00 00"));

    // The uvcvideo backend alone, as the registry binds it to the VideoControl interface.
    machine.setDriver(camera, kVideoControl, "uvcvideo");
    const auto held = UVCCameraControl::initWithInterface(
        std::make_unique<UvcvideoBackend>(VideoControlBinding{.deviceSyspath = camera.syspath(),
                                                              .busNumber = spec.bus,
                                                              .deviceNumber = spec.deviceNumber,
                                                              .units = {1, {19, 20}}}));
    EXPECT_TRUE(held->moveZoom(1, 3));
    machine.unplug(camera);
    spec.deviceNumber = 3;
    spec.drivers[kVideoControl] = "uvcvideo";
    EmulatedUsbDevice& successor = machine.add(spec);
    ASSERT_EQ(successor.syspath(), camera.syspath());
    successor.clearRequests();  // the driver's own, as it bound
    EXPECT_FALSE(held->ClickOsdOpencloseBtn());
    EXPECT_FALSE(held->ClickOsdOpencloseBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002c0",
                                       "CameraControl Error: Unable to open interface (e00002c0)"));
    EXPECT_THAT(successor.requestLines(), IsEmpty());
}

// The output of a ptzctl run, which must exit with 0; the child inherits the preload and testbed.
std::vector<std::string> ptzctl(const std::string& arguments) {
    std::vector<std::string> lines;
    std::FILE* pipe = popen((PTZCTL_PATH " " + arguments + " 2>&1").c_str(), "r");
    char line[256];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        lines.emplace_back(line, std::strcspn(line, "\n"));
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments << ": " << status;
    return lines;
}

TEST(PtzctlEndToEnd, ListsTheCameraAndAPanStartedByOneRunIsStoppedByTheNext) {
    testing::EmulatedMachine machine;
    // Listed first, a look-alike: a keyboard with a supported model's ids, no video interface.
    testing::UsbDeviceSpec keyboard = testing::cameraAt(1, {2}, 2);
    keyboard.camera.product = "Keyboard";
    keyboard.camera.videoControlInterface = 0xff;
    // clang-format off
    keyboard.descriptors = {
        18, 1, 0, 2, 0, 0, 0, 8, 0x7e, 0x2e, 0x06, 0x06, 0, 1, 1, 2, 0, 1,  // device
        9, 2, 34, 0, 1, 1, 0, 0x80, 50,       // configuration 1: 34 bytes, one interface
        9, 4, 0, 0, 1, 3, 1, 1, 0,            // interface 0: HID, boot keyboard
        9, 0x21, 0x11, 1, 0, 1, 0x22, 63, 0,  // its HID descriptor
        7, 5, 0x81, 3, 8, 0, 10};             // an interrupt IN endpoint
    // clang-format on
    keyboard.drivers[0] = "usbhid";
    machine.add(keyboard);
    testing::UsbDeviceSpec spec = testing::cameraAt(1, {3}, 3);
    spec.drivers[kHid] = "usbhid";
    testing::EmulatedUsbDevice& camera = machine.add(spec);

    EXPECT_THAT(ptzctl("list"), ElementsAre("2e7e:0606 0x01300000 Simulated PTZ Camera"));
    ptzctl("pan right");
    EXPECT_TRUE(camera.state().moving);
    camera.advanceClock(std::chrono::seconds(1));
    EXPECT_THAT(ptzctl("pan stop"), IsEmpty());
    EXPECT_FALSE(camera.state().moving);
    EXPECT_EQ(camera.state().pan, 40 * 3600);  // 4° a second per speed step
}

}  // namespace
}  // namespace ptz

int main(int argc, char** argv) {
    ptz::testing::ensureUmockdevPreload(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
