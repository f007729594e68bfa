// The uvcvideo backend against an emulated video node: what reaches the driver for each
// camera command, how answers come back, and how failures read in the log.
#include <gtest/gtest.h>
#include <linux/videodev2.h>
#include <umockdev.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "camera/uvc_camera_control.h"
#include "fake_video_node.h"
#include "log_capture.h"
#include "platform/usb/uvc_descriptors.h"
#include "platform/usb/uvcvideo_interface.h"
#include "platform/usb/video_node_lookup.h"

namespace ptz {
namespace {

using testing::FakeV4l2Control;
using testing::FakeVideoNode;
using testing::LogCapture;
using testing::VideoNodeCall;
using Bytes = std::vector<uint8_t>;
using Controls = std::vector<std::pair<uint32_t, int32_t>>;

constexpr const char* kInterfacePath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0";

// The class-specific VideoControl descriptors of the emulated camera: a header, camera
// terminal 1, extension units 19 and 20, and unit 21 which the driver does not know.
Bytes cameraDescriptors() {
    Bytes extra{0x0D, 0x24, 0x01, 0x00, 0x01, 0x4D, 0x00, 0x00, 0x6C, 0xDC, 0x02,
                0x01, 0x01, 0x12, 0x24, 0x02, 0x01, 0x01, 0x02, 0x00, 0x00, 0x00,
                0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x0A, 0x22};
    for (const uint8_t unit : {19, 20, 21}) {
        const Bytes extensionUnit{27,   0x24, 0x06, unit, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4,
                                  0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD,
                                  0xAE, 0xAF, 0x07, 0x01, 0x02, 0x02, 0x7F, 0x00, 0x00};
        extra.insert(extra.end(), extensionUnit.begin(), extensionUnit.end());
    }
    return extra;
}

class UvcvideoBackend : public ::testing::Test {
  protected:
    void SetUp() override {
        testbed_ = umockdev_testbed_new();
        testing::addUvcvideoInterface(testbed_, kInterfacePath);
        node_ = std::make_unique<FakeVideoNode>(testbed_, kInterfacePath);
        setUvcvideoCallTrace([this](std::string_view call, int error) {
            traced_.push_back(std::string(call) + (error != 0 ? " failed" : ""));
        });
    }
    void TearDown() override {
        setUvcvideoCallTrace({});
        node_.reset();
        g_object_unref(testbed_);
    }

    std::shared_ptr<UVCCameraControl> bindCamera(std::string nodePath = {}) {
        const std::optional<std::string> found = findVideoNode(kInterfacePath);
        EXPECT_EQ(found, "/dev/video0");
        return UVCCameraControl::initWithInterface(
            std::make_unique<UvcvideoInterface>(nodePath.empty() ? found.value_or("") : nodePath,
                                                parseVideoControlDescriptors(cameraDescriptors())));
    }

    // The ioctls that reached the node, one "NAME" per call with its controls or query.
    Controls setControls() const {
        Controls all;
        for (const VideoNodeCall& call : node_->calls()) {
            EXPECT_EQ(call.name, "VIDIOC_S_EXT_CTRLS");
            all.insert(all.end(), call.controls.begin(), call.controls.end());
        }
        return all;
    }

    UMockdevTestbed* testbed_ = nullptr;
    std::unique_ptr<FakeVideoNode> node_;
    std::vector<std::string> traced_;
    LogCapture log_;
};

TEST_F(UvcvideoBackend, ExtensionUnitQueriesPassThroughUnchanged) {
    const auto camera = bindCamera();
    EXPECT_TRUE(camera->ClickOsdOkBtn());
    EXPECT_TRUE(camera->ClickOsdOpencloseBtn());
    EXPECT_TRUE(camera->ClickPtzSetBtn(5));
    EXPECT_TRUE(camera->ClickPtzCallBtn(300));
    EXPECT_TRUE(camera->ClickOsdLeftBtn());  // the key, then a pan/tilt stop

    const std::vector<VideoNodeCall> calls = node_->calls();
    ASSERT_EQ(calls.size(), 6u);
    const std::vector<std::tuple<uint8_t, uint8_t, Bytes>> expected{{19, 5, {0x00, 0x00}},
                                                                    {19, 7, {0x00, 0x00}},
                                                                    {20, 4, {0x05}},
                                                                    {20, 5, {0x2C}},
                                                                    {19, 3, {0x00, 0x00}}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(calls[i].name, "UVCIOC_CTRL_QUERY");
        EXPECT_EQ(calls[i].query, 0x01);
        EXPECT_EQ(calls[i].unit, std::get<0>(expected[i]));
        EXPECT_EQ(calls[i].selector, std::get<1>(expected[i]));
        EXPECT_EQ(calls[i].data, std::get<2>(expected[i]));
    }
    EXPECT_EQ(calls[5].name, "VIDIOC_S_EXT_CTRLS");
    EXPECT_EQ(calls[5].controls, (Controls{{V4L2_CID_PAN_SPEED, 0}, {V4L2_CID_TILT_SPEED, 0}}));
    EXPECT_EQ(log_.lines, (std::vector<std::string>{"bRet = 1"}));
}

TEST_F(UvcvideoBackend, PanTiltStartsAndStopsArriveAsSpeedControlsInOneCall) {
    const auto camera = bindCamera();
    EXPECT_TRUE(camera->ClickPtzUpBtn(true));
    EXPECT_TRUE(camera->ClickPtzUpBtn(false));
    EXPECT_TRUE(camera->ClickPtzDownBtn(true));
    EXPECT_TRUE(camera->ClickPtzLeftBtn(true));
    EXPECT_TRUE(camera->ClickPtzRightBtn(true));
    EXPECT_TRUE(camera->ClickPtzRightBtn(false));

    const std::vector<VideoNodeCall> calls = node_->calls();
    const std::vector<Controls> expected{
        {{V4L2_CID_PAN_SPEED, 0}, {V4L2_CID_TILT_SPEED, 10}},
        {{V4L2_CID_PAN_SPEED, 0}, {V4L2_CID_TILT_SPEED, 0}},
        {{V4L2_CID_PAN_SPEED, 0}, {V4L2_CID_TILT_SPEED, -10}},
        {{V4L2_CID_PAN_SPEED, -10}, {V4L2_CID_TILT_SPEED, 0}},
        {{V4L2_CID_PAN_SPEED, 10}, {V4L2_CID_TILT_SPEED, 0}},
        {{V4L2_CID_PAN_SPEED, 0}, {V4L2_CID_TILT_SPEED, 0}},
    };
    ASSERT_EQ(calls.size(), expected.size());
    for (size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].name, "VIDIOC_S_EXT_CTRLS");
        EXPECT_EQ(calls[i].controls, expected[i]) << "request " << i;
    }
}

TEST_F(UvcvideoBackend, ZoomHomeAndAutofocusArriveAsTheirControls) {
    const auto camera = bindCamera();
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickPtzZoomReduceBtn());
    EXPECT_TRUE(camera->ClickPtzHomeBtn());
    EXPECT_TRUE(camera->ClickPtzAutoFocusBtn());
    camera->MakeAutoFocus(false);

    EXPECT_EQ(setControls(), (Controls{{V4L2_CID_ZOOM_CONTINUOUS, 3},
                                       {V4L2_CID_ZOOM_CONTINUOUS, 0},
                                       {V4L2_CID_ZOOM_CONTINUOUS, -3},
                                       {V4L2_CID_PAN_ABSOLUTE, 0},
                                       {V4L2_CID_TILT_ABSOLUTE, 0},
                                       {V4L2_CID_ZOOM_ABSOLUTE, 0},
                                       {V4L2_CID_FOCUS_AUTO, 1},
                                       {V4L2_CID_FOCUS_AUTO, 0}}));
    EXPECT_EQ(node_->calls().size(), 7u);  // home's pan and tilt travel together
    EXPECT_TRUE(log_.lines.empty());
}

TEST_F(UvcvideoBackend, GetsAreDecodedAsTheRawAnswersWouldBe) {
    node_->setV4l2Control(V4L2_CID_ZOOM_ABSOLUTE, {300, 100, 1100});
    node_->setV4l2Control(V4L2_CID_PAN_SPEED, {-5, -16, 16});
    node_->setV4l2Control(V4L2_CID_TILT_SPEED, {7, -16, 16});
    node_->setV4l2Control(V4L2_CID_PAN_ABSOLUTE, {1000, -36000, 36000});
    node_->setExtensionUnitControl(20, 5, {0x2C});
    const auto camera = bindCamera();

    EXPECT_FLOAT_EQ(camera->getValueForControl(&uvc_controls[zoomAbsolute]), 0.2f);
    // FF 05 01 07: pan backward at 5, tilt forward at 7.
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 4, 14, 1), 0x070105FF);
    // The first four bytes of pan/tilt absolute are the pan field.
    const UvcRange panRange = camera->getRangeForControl(&uvc_controls[panTiltAbsolute]);
    EXPECT_EQ(panRange.min, -36000);
    EXPECT_EQ(panRange.max, 36000);
    EXPECT_EQ(camera->getDataFor(kUvcGetCur, 1, 5, 20), 0x2C);

    std::vector<std::string> names;
    for (const VideoNodeCall& call : node_->calls()) {
        names.push_back(call.name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{
                         "VIDIOC_QUERY_EXT_CTRL", "VIDIOC_QUERY_EXT_CTRL", "VIDIOC_G_EXT_CTRLS",
                         "VIDIOC_G_EXT_CTRLS",
                         // a pan/tilt range takes one query per axis, for min and for max
                         "VIDIOC_QUERY_EXT_CTRL", "VIDIOC_QUERY_EXT_CTRL", "VIDIOC_QUERY_EXT_CTRL",
                         "VIDIOC_QUERY_EXT_CTRL", "UVCIOC_CTRL_QUERY"}));
    EXPECT_TRUE(log_.lines.empty());
}

// A request costs one open, one ioctl and one close; focus relative, which no V4L2 control
// carries, fails cleanly without reaching the driver.
TEST_F(UvcvideoBackend, EachRequestIsOneIoctlAndFocusRelativeFailsCleanly) {
    const auto camera = bindCamera();
    EXPECT_TRUE(camera->ClickPtzZoomPlusBtn());
    EXPECT_TRUE(camera->ClickOsdOkBtn());
    EXPECT_FALSE(camera->ClickPtzFocusPlusBtn());
    EXPECT_EQ(traced_, (std::vector<std::string>{"open", "VIDIOC_S_EXT_CTRLS", "close", "open",
                                                 "UVCIOC_CTRL_QUERY", "close", "open", "close"}));
    EXPECT_EQ(log_.lines,
              (std::vector<std::string>{"bRet = 1",
                                        "CameraControl Error: Control request failed: e00002c7"}));
    EXPECT_EQ(node_->calls().size(), 2u);
}

TEST_F(UvcvideoBackend, DriverErrorsBecomeFailedRequests) {
    const auto camera = bindCamera();
    // Unit 21 is an extension unit by the descriptors, but the driver has no such unit.
    EXPECT_FALSE(camera->setData(0, 2, 1, 21));
    node_->failNextCall(ETIMEDOUT);
    EXPECT_FALSE(camera->ClickPtzUpBtn(true));
    node_->failNextCall(EIO);
    EXPECT_FALSE(camera->ClickPtzCallBtn(1));
    // Unplugged: the driver answers ENODEV on a node still open.
    node_->failNextCall(ENODEV);
    EXPECT_FALSE(camera->ClickPtzSetBtn(2));
    EXPECT_EQ(log_.lines,
              (std::vector<std::string>{"CameraControl Error: Control request failed: e00002c0",
                                        "CameraControl Error: Control request failed: e00002d6",
                                        "CameraControl Error: Control request failed: e00002bc",
                                        "CameraControl Error: Control request failed: e00002c0"}));
    // The next request goes through as usual.
    EXPECT_TRUE(camera->ClickPtzUpBtn(false));
}

TEST_F(UvcvideoBackend, ANodeThatCannotBeOpenedFailsAtOpen) {
    const auto camera = bindCamera("/dev/video7");
    EXPECT_FALSE(camera->ClickOsdBackBtn());
    EXPECT_EQ(
        log_.lines,
        (std::vector<std::string>{"CameraControl Error: Unable to open interface (e00002c0)"}));
    EXPECT_EQ(traced_, (std::vector<std::string>{"open failed"}));
}

TEST_F(UvcvideoBackend, VideoNodeLookupPrefersTheCaptureNode) {
    const std::string interface2 = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.0";
    testing::addUvcvideoInterface(testbed_, interface2);
    FakeVideoNode metadata(testbed_, interface2, "video2", 1);
    FakeVideoNode capture(testbed_, interface2, "video3", 0);
    EXPECT_EQ(findVideoNode(interface2), "/dev/video3");

    const std::string withoutNodes = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-3/1-3:1.0";
    testing::addUvcvideoInterface(testbed_, withoutNodes);
    EXPECT_EQ(findVideoNode(withoutNodes), std::nullopt);
    EXPECT_EQ(findVideoNode("/sys/devices/no/such/interface"), std::nullopt);
}

}  // namespace
}  // namespace ptz
