// The uvcvideo backend on real ioctls to emulated nodes, answered by the model of the driver:
// what needs udev and /dev (which node is used, and for how long; a node name given to another
// camera).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "camera/uvc_camera_control.h"
#include "emulated_video_nodes.h"
#include "log_capture.h"
#include "platform/usb/uvcvideo_backend.h"
#include "platform/usb/uvcvideo_node.h"
#include "usb_testbed.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr uint8_t kVideoControl = 0;

EmulatedUsbCamera& addHeldByUvcvideo(UsbTestbed& bed, uint8_t deviceNumber) {
    UsbDeviceSpec spec;
    spec.deviceNumber = deviceNumber;
    spec.drivers[kVideoControl] = "uvcvideo";
    return bed.add(spec);
}

// The metadata node comes first by number here; the capture node is the one used, from a
// move's start to its stop, which closes it. Unplugged while it zooms, the camera's port and node
// names go to another camera: the binding's requests must not reach it, and the node held open for
// the move is let go.
TEST(UvcvideoNodes, OnlyTheBoundCamerasCaptureNodeFromAStartToItsStop) {
    UsbTestbed bed;
    LogCapture log;
    EmulatedUsbCamera& first = addHeldByUvcvideo(bed, 2);
    const std::string interfaceSyspath = first.interfaceSyspath(kVideoControl);
    constexpr VideoNodeNumbers kNumbers{.capture = 5, .metadata = 4};
    auto firstNodes = std::make_unique<EmulatedVideoNodes>(
        bed.umockdev(), interfaceSyspath, first.firmware(), UvcvideoKernel::kFixed, kNumbers);
    std::vector<std::string> calls;
    setUvcvideoCallTrace([&](std::string_view call, int) {
        if (call == "open" || call == "close") {
            calls.emplace_back(call);
        }
    });
    // Bound as the registry binds the camera's VideoControl interface.
    const auto control = UVCCameraControl::initWithInterface(std::make_unique<UvcvideoBackend>(
        VideoControlBinding{.deviceSyspath = first.syspath(),
                            .busNumber = first.spec().bus,
                            .deviceNumber = first.spec().deviceNumber,
                            .units = {1, {19, 20}}}));
    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());
    setUvcvideoCallTrace({});
    EXPECT_THAT(calls, ElementsAre("open", "close"));
    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());

    firstNodes->unplug();
    bed.unplug(first);
    EmulatedUsbCamera& second = addHeldByUvcvideo(bed, 3);
    EmulatedVideoNodes secondNodes(bed.umockdev(), second.interfaceSyspath(kVideoControl),
                                   second.firmware(), UvcvideoKernel::kFixed, kNumbers);
    ASSERT_EQ(second.interfaceSyspath(kVideoControl), interfaceSyspath);
    secondNodes.withFirmware([](sim::SimulatedCamera& firmware) { firmware.clearRequests(); });
    log.lines.clear();
    EXPECT_FALSE(control->ClickOsdOpencloseBtn());
    EXPECT_FALSE(control->ClickOsdOpencloseBtn());
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002c0",
                                       "CameraControl Error: Unable to open interface (e00002c0)"));
    secondNodes.withFirmware(
        [](sim::SimulatedCamera& firmware) { EXPECT_THAT(firmware.requests(), IsEmpty()); });
}

}  // namespace
}  // namespace ptz::testing
