// The uvcvideo backend on real ioctls: emulated capture and metadata nodes under a camera that
// the driver holds, answered by the model of the driver over the camera's firmware. What needs
// udev and /dev: which node is used and for how long, a node name given to another camera, a
// node that may not be opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "camera/uvc_camera_control.h"
#include "emulated_video_nodes.h"
#include "log_capture.h"
#include "platform/usb/uvc_descriptors.h"
#include "platform/usb/uvcvideo_backend.h"
#include "platform/usb/uvcvideo_node.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::EmulatedUsbCamera;
using testing::EmulatedVideoNodes;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::UsbDeviceSpec;
using testing::UsbTestbed;
using testing::UvcvideoKernel;
using testing::VideoNodeKind;

constexpr uint8_t kVideoControl = 0;

UsbDeviceSpec heldByUvcvideo(uint8_t deviceNumber = 2, uint8_t minimumSpeed = 1) {
    UsbDeviceSpec spec;
    spec.deviceNumber = deviceNumber;
    spec.camera.minimumSpeed = minimumSpeed;
    spec.drivers[kVideoControl] = "uvcvideo";
    return spec;
}

// What the registry would hand the backend for the camera's VideoControl interface.
VideoControlBinding bindingOf(EmulatedUsbCamera& camera) {
    VideoControlBinding binding;
    binding.deviceSyspath = camera.syspath();
    binding.busNumber = camera.spec().bus;
    binding.deviceNumber = camera.spec().deviceNumber;
    binding.interfaceNumber = kVideoControl;
    const std::vector<uint8_t> descriptors = camera.firmware().configurationDescriptor();
    std::vector<uint8_t> all = camera.firmware().deviceDescriptor();
    all.insert(all.end(), descriptors.begin(), descriptors.end());
    binding.units =
        parseVideoControlDescriptors(findVideoControlInterfaces(all, 1).front().classSpecific);
    return binding;
}

std::shared_ptr<UVCCameraControl> bind(EmulatedUsbCamera& camera) {
    return UVCCameraControl::initWithInterface(
        std::make_unique<UvcvideoBackend>(bindingOf(camera)));
}

std::vector<std::string> setLines(sim::SimulatedCamera& firmware) {
    std::vector<std::string> lines;
    for (const sim::RecordedRequest& request : firmware.requests()) {
        if (request.setup[0] == 0x21) {
            lines.push_back(sim::requestLine(request));
        }
    }
    firmware.clearRequests();
    return lines;
}

class UvcvideoNodes : public ::testing::Test {
  protected:
    UsbTestbed bed;
    LogCapture log;
};

// The metadata node comes first by number here; the capture node is the one used, and it stays
// open from a start to its stop, which closes it.
TEST_F(UvcvideoNodes, TheCaptureNodeIsOpenFromAStartToItsStop) {
    EmulatedUsbCamera& camera = bed.add(heldByUvcvideo());
    EmulatedVideoNodes nodes(bed.umockdev(), camera.interfaceSyspath(kVideoControl),
                             camera.firmware(), UvcvideoKernel::kFixed,
                             {.capture = 5, .metadata = 4});
    std::vector<std::string> calls;
    setUvcvideoCallTrace([&](std::string_view call, int error) {
        calls.push_back(std::string(call) + (error != 0 ? " failed" : ""));
    });
    const auto control = bind(camera);

    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(control->ClickOsdOkBtn());
    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(control->ClickOsdBackBtn());
    setUvcvideoCallTrace({});

    EXPECT_THAT(calls, ElementsAre("open", "VIDIOC_QUERYCAP", "VIDIOC_QUERY_EXT_CTRL",
                                   "VIDIOC_S_EXT_CTRLS", "UVCIOC_CTRL_QUERY", "VIDIOC_S_EXT_CTRLS",
                                   "close", "open", "UVCIOC_CTRL_QUERY", "close"));
    EXPECT_THAT(nodes.ioctls(VideoNodeKind::kMetadata), IsEmpty());
    nodes.withFirmware([](sim::SimulatedCamera& firmware) {
        EXPECT_THAT(
            setLines(firmware),
            ElementsAre("21 01 00 0c 00 01 03 00 | 01 00 03", "21 01 00 05 00 13 02 00 | 00 00",
                        "21 01 00 0c 00 01 03 00 | 00 00 00", "21 01 00 06 00 13 02 00 | 00 00"));
    });
}

// The camera is unplugged and another one gets its port and node names: the binding's requests
// must not reach it.
TEST_F(UvcvideoNodes, NoRequestReachesACameraThatTookOverTheNodeName) {
    EmulatedUsbCamera& first = bed.add(heldByUvcvideo(2));
    auto firstNodes =
        std::make_unique<EmulatedVideoNodes>(bed.umockdev(), first.interfaceSyspath(kVideoControl),
                                             first.firmware(), UvcvideoKernel::kReleased);
    const auto control = bind(first);
    EXPECT_TRUE(control->ClickOsdOpencloseBtn());

    firstNodes->unplug();
    bed.unplug(first);
    EmulatedUsbCamera& second = bed.add(heldByUvcvideo(3));
    EmulatedVideoNodes secondNodes(bed.umockdev(), second.interfaceSyspath(kVideoControl),
                                   second.firmware(), UvcvideoKernel::kReleased);
    ASSERT_EQ(second.interfaceSyspath(kVideoControl), bindingOf(first).interfaceSyspath());
    secondNodes.withFirmware([](sim::SimulatedCamera& firmware) { firmware.clearRequests(); });
    log.lines.clear();

    EXPECT_FALSE(control->ClickOsdOpencloseBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002c0)"));
    secondNodes.withFirmware(
        [](sim::SimulatedCamera& firmware) { EXPECT_THAT(firmware.requests(), IsEmpty()); });
}

// Without the seat's access to /dev/video*.
TEST_F(UvcvideoNodes, ANodeThatMayNotBeOpenedIsNotPermitted) {
    EmulatedUsbCamera& camera = bed.add(heldByUvcvideo());
    EmulatedVideoNodes nodes(bed.umockdev(), camera.interfaceSyspath(kVideoControl),
                             camera.firmware(), UvcvideoKernel::kReleased);
    const auto control = bind(camera);
    bed.denyAccess(nodes.captureNode());
    EXPECT_FALSE(control->ClickOsdOkBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Unable to open interface (e00002e2)",
                                       "bRet = 0"));
}

}  // namespace
}  // namespace ptz
