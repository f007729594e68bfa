// A camera whose VideoControl interface the uvcvideo driver holds, bound through the real
// registry: the factory must route its requests through the video node, never usbfs.
#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "camera/uvc_camera_control.h"
#include "fake_video_node.h"
#include "log_capture.h"
#include "platform/usb/usb_registry_factory.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using testing::EmulatedUsbCamera;
using testing::FakeVideoNode;
using testing::LogCapture;
using testing::UsbDeviceSpec;
using testing::UsbTestbed;
using testing::VideoNodeCall;
using Controls = std::vector<std::pair<uint32_t, int32_t>>;

UsbDeviceSpec heldByUvcvideo() {
    UsbDeviceSpec spec;
    spec.drivers[spec.camera.videoControlInterface] = "uvcvideo";
    return spec;
}

class UvcvideoBinding : public ::testing::Test {
  protected:
    UsbTestbed bed;
    LogCapture log;
};

TEST_F(UvcvideoBinding, RequestsOfAHeldCameraGoThroughItsVideoNode) {
    EmulatedUsbCamera& camera = bed.add(heldByUvcvideo());
    FakeVideoNode node(bed.umockdev(),
                       camera.interfaceSyspath(camera.spec().camera.videoControlInterface));
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    const auto control = UVCCameraControl::initWithVendorID(*registry, 0x2e7e, 0x0606);
    ASSERT_TRUE(control->isBound());

    EXPECT_TRUE(control->ClickOsdBackBtn());
    EXPECT_TRUE(control->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(control->ClickPtzCallBtn(7));

    const std::vector<VideoNodeCall> calls = node.calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].name, "UVCIOC_CTRL_QUERY");
    EXPECT_EQ(calls[0].unit, 19);
    EXPECT_EQ(calls[0].selector, 6);
    EXPECT_EQ(calls[0].data, (std::vector<uint8_t>{0x00, 0x00}));
    EXPECT_EQ(calls[1].name, "VIDIOC_S_EXT_CTRLS");
    EXPECT_EQ(calls[1].controls, (Controls{{V4L2_CID_ZOOM_CONTINUOUS, 3}}));
    EXPECT_EQ(calls[2].name, "UVCIOC_CTRL_QUERY");
    EXPECT_EQ(calls[2].unit, 20);
    EXPECT_EQ(calls[2].data, (std::vector<uint8_t>{0x07}));

    // Nothing went to the device through usbfs.
    EXPECT_TRUE(camera.requestLines().empty());
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
}  // namespace ptz
