// The model of the uvcvideo driver against the kernel's own behaviour: the ranges it derives,
// how it rounds and clamps, the requests it adds on the wire, its checks and errnos.
#include "uvcvideo_driver_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <string>
#include <utility>
#include <vector>

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Controls = std::vector<std::pair<uint32_t, int32_t>>;
using Bytes = std::vector<uint8_t>;

constexpr auto kReleased = UvcvideoKernel::kReleased;
constexpr auto kFixed = UvcvideoKernel::kFixed;

// The simulated camera bound to the modelled driver; what binding asked of it is forgotten.
struct DriverOnCamera {
    explicit DriverOnCamera(UvcvideoKernel kernel, uint8_t minimumSpeed = 1)
        : camera(clock, sim::CameraSpec{.minimumSpeed = minimumSpeed}), driver(camera, kernel) {
        camera.clearRequests();
    }

    int setControls(const Controls& values, VideoNodeKind node = VideoNodeKind::kCapture) {
        std::vector<v4l2_ext_control> controls;
        for (const auto& [id, value] : values) {
            v4l2_ext_control control{};
            control.id = id;
            control.value = value;
            controls.push_back(control);
        }
        v4l2_ext_controls group{};
        group.count = static_cast<uint32_t>(controls.size());
        group.controls = controls.data();
        return driver.ioctl(node, VIDIOC_S_EXT_CTRLS, &group);
    }

    int query(uvc_xu_control_query& query) {
        return driver.ioctl(VideoNodeKind::kCapture, UVCIOC_CTRL_QUERY, &query);
    }

    std::vector<std::string> wire() const {
        std::vector<std::string> lines;
        for (const sim::RecordedRequest& request : camera.requests()) {
            lines.push_back(sim::requestLine(request) + (request.stalled ? " stall" : ""));
        }
        return lines;
    }

    sim::ManualClock clock;
    sim::SimulatedCamera camera;
    UvcvideoDriverModel driver;
};

TEST(UvcvideoDriverModel, RangesAsEachKernelDerivesThemFromTheCamerasBytes) {
    struct Case {
        UvcvideoKernel kernel;
        uint8_t minimumSpeed;
        uint32_t id;
        int64_t minimum;
        int64_t maximum;
        uint64_t step;
    };
    // The camera: speeds minimum..24 (pan), ..20 (tilt), ..7 (zoom), step 1.
    const std::vector<Case> cases{
        {kReleased, 0, V4L2_CID_PAN_SPEED, 0, 24, 1},
        {kReleased, 1, V4L2_CID_PAN_SPEED, -1, 24, 1},
        {kReleased, 1, V4L2_CID_TILT_SPEED, -1, 20, 1},
        {kReleased, 0, V4L2_CID_ZOOM_CONTINUOUS, 0, 7, 1},
        {kReleased, 1, V4L2_CID_ZOOM_CONTINUOUS, 1, 7, 1},
        {kFixed, 0, V4L2_CID_PAN_SPEED, -24, 24, 1},
        {kFixed, 1, V4L2_CID_TILT_SPEED, -20, 20, 1},
        {kFixed, 1, V4L2_CID_ZOOM_CONTINUOUS, -7, 7, 1},
        {kReleased, 1, V4L2_CID_PAN_ABSOLUTE, -612000, 612000, 3600},
        {kReleased, 1, V4L2_CID_TILT_ABSOLUTE, -108000, 324000, 3600},
        {kFixed, 1, V4L2_CID_ZOOM_ABSOLUTE, 0, 16384, 1},
        {kFixed, 1, V4L2_CID_FOCUS_AUTO, 0, 1, 1},
    };
    for (const Case& c : cases) {
        DriverOnCamera bound(c.kernel, c.minimumSpeed);
        v4l2_query_ext_ctrl query{};
        query.id = c.id;
        ASSERT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_QUERY_EXT_CTRL, &query), 0);
        EXPECT_EQ(std::tuple(query.minimum, query.maximum, query.step),
                  std::tuple(c.minimum, c.maximum, c.step))
            << std::hex << c.id << " with minimum speed " << int{c.minimumSpeed};
    }
}

// What a set puts on the wire (the SET_CUR's data stage) after the driver's rounding and
// clamping.
TEST(UvcvideoDriverModel, ValuesAreRoundedToTheStepAndClampedNeverRefused) {
    struct Case {
        UvcvideoKernel kernel;
        uint8_t minimumSpeed;
        Controls set;
        const char* data;
    };
    const std::vector<Case> cases{
        // Released kernels: pan left becomes a crawl or nothing, zoom out and stop a zoom in.
        {kReleased, 1, {{V4L2_CID_PAN_SPEED, -10}, {V4L2_CID_TILT_SPEED, 0}}, "ff 01 00 00"},
        {kReleased, 0, {{V4L2_CID_PAN_SPEED, -10}, {V4L2_CID_TILT_SPEED, 0}}, "00 00 00 00"},
        {kReleased, 1, {{V4L2_CID_ZOOM_CONTINUOUS, -3}}, "01 00 01"},
        {kReleased, 1, {{V4L2_CID_ZOOM_CONTINUOUS, 0}}, "01 00 01"},
        {kReleased, 0, {{V4L2_CID_ZOOM_CONTINUOUS, -3}}, "00 00 00"},
        {kFixed, 1, {{V4L2_CID_PAN_SPEED, -10}, {V4L2_CID_TILT_SPEED, 30}}, "ff 0a 01 14"},
        {kFixed, 1, {{V4L2_CID_ZOOM_CONTINUOUS, -3}}, "ff 00 03"},
        {kFixed, 1, {{V4L2_CID_ZOOM_CONTINUOUS, 0}}, "00 00 00"},
        // Absolute values snap to the step from the minimum (1° here); unsigned ones clamp as
        // unsigned, so -5 is above the maximum.
        {kFixed,
         1,
         {{V4L2_CID_PAN_ABSOLUTE, 1000}, {V4L2_CID_TILT_ABSOLUTE, 2000}},
         "00 00 00 00 10 0e 00 00"},
        {kFixed, 1, {{V4L2_CID_ZOOM_ABSOLUTE, -5}}, "00 40"},
        {kFixed, 1, {{V4L2_CID_FOCUS_AUTO, 5}}, "01"},
    };
    for (const Case& c : cases) {
        DriverOnCamera bound(c.kernel, c.minimumSpeed);
        ASSERT_EQ(bound.setControls(c.set), 0) << c.data;
        const std::string line = bound.wire().back();
        EXPECT_EQ(line.substr(line.find('|') + 2), c.data);
    }
}

// uvc_ctrl_init_ctrl asks GET_INFO at binding; uvc_ctrl_populate_cache asks the range on first
// use; a set of part of a control (pan, tilt) reads the rest first, again each time for a
// control the camera updates itself.
TEST(UvcvideoDriverModel, TheDriverAddsItsOwnRequests) {
    sim::ManualClock clock;
    sim::SimulatedCamera camera(clock);
    UvcvideoDriverModel driver(camera, kReleased);
    std::vector<std::string> binding;
    for (const sim::RecordedRequest& request : camera.requests()) {
        binding.push_back(sim::requestLine(request));
    }
    // Manual focus reports itself disabled by autofocus (0x04), as long as that is on.
    EXPECT_THAT(binding, ElementsAre("a1 86 00 06 00 01 01 00 | 0f", "a1 86 00 07 00 01 01 00 | 0f",
                                     "a1 86 00 0b 00 01 01 00 | 0b", "a1 86 00 0c 00 01 01 00 | 0b",
                                     "a1 86 00 0d 00 01 01 00 | 0b", "a1 86 00 0e 00 01 01 00 | 0b",
                                     "a1 86 00 08 00 01 01 00 | 03"));

    DriverOnCamera bound(kReleased);
    ASSERT_EQ(bound.setControls({{V4L2_CID_PAN_SPEED, 10}, {V4L2_CID_TILT_SPEED, 0}}), 0);
    ASSERT_EQ(bound.setControls({{V4L2_CID_PAN_SPEED, 0}, {V4L2_CID_TILT_SPEED, 0}}), 0);
    EXPECT_THAT(bound.wire(), ElementsAre("a1 87 00 0e 00 01 04 00 | 00 0d 00 0b",  // GET_DEF
                                          "a1 82 00 0e 00 01 04 00 | 00 01 00 01",  // GET_MIN
                                          "a1 83 00 0e 00 01 04 00 | 00 18 00 14",  // GET_MAX
                                          "a1 84 00 0e 00 01 04 00 | 00 01 00 01",  // GET_RES
                                          "a1 81 00 0e 00 01 04 00 | 00 00 00 00",
                                          "21 01 00 0e 00 01 04 00 | 01 0a 00 00",
                                          "a1 81 00 0e 00 01 04 00 | 01 0a 00 00",
                                          "21 01 00 0e 00 01 04 00 | 00 00 00 00"));
}

TEST(UvcvideoDriverModel, ExtensionUnitQueriesAreCheckedAsTheDriverChecksThem) {
    constexpr const char* kLength = "a1 85 00 01 00 13 02 00 | 02 00";
    constexpr const char* kInfo = "a1 86 00 01 00 13 01 00 | 03";
    struct Case {
        uint8_t unit;
        uint8_t selector;
        uint8_t query;
        Bytes data;
        int error;
        std::vector<std::string> wire;
    };
    const std::vector<Case> cases{
        {19, 1, UVC_SET_CUR, {0x00, 0x00}, 0, {kLength, kInfo, "21 01 00 01 00 13 02 00 | 00 00"}},
        {20,
         5,
         UVC_GET_CUR,
         {0xAA},
         0,
         {"a1 85 00 05 00 14 02 00 | 01 00", "a1 86 00 05 00 14 01 00 | 03",
          "a1 81 00 05 00 14 01 00 | 00"}},
        // Not an extension unit of the chain, not one of its bmControls bits.
        {21, 1, UVC_SET_CUR, {0x00, 0x00}, ENOENT, {}},
        {1, 1, UVC_SET_CUR, {0x00, 0x00}, ENOENT, {}},
        {19, 8, UVC_SET_CUR, {0x00, 0x00}, ENOENT, {}},
        // A size other than GET_LEN's; a request code that is none.
        {19, 1, UVC_SET_CUR, {0x00}, ENOBUFS, {kLength, kInfo}},
        {19, 1, 0x99, {0x00, 0x00}, EINVAL, {kLength, kInfo}},
        // The camera stalls a key value other than 0 and reports "out of range" when asked.
        {19,
         1,
         UVC_SET_CUR,
         {0x01, 0x00},
         ERANGE,
         {kLength, kInfo, "21 01 00 01 00 13 02 00 | 01 00 stall", "a1 81 00 02 00 00 01 00 | 04"}},
    };
    for (const Case& c : cases) {
        DriverOnCamera bound(kReleased);
        Bytes data = c.data;
        uvc_xu_control_query query{c.unit, c.selector, c.query, static_cast<uint16_t>(data.size()),
                                   data.data()};
        EXPECT_EQ(bound.query(query), c.error) << int{c.unit} << "/" << int{c.selector};
        EXPECT_THAT(bound.wire(), ElementsAreArray(c.wire))
            << int{c.unit} << "/" << int{c.selector};
    }
}

TEST(UvcvideoDriverModel, RefusalsOfTheControlIoctls) {
    DriverOnCamera bound(kReleased);
    // Focus absolute follows autofocus, which is on, unless the same call switches it off; the
    // driver then commits in the camera terminal's control order, focus absolute first, and
    // the camera, still in autofocus, answers "wrong state".
    EXPECT_EQ(bound.setControls({{V4L2_CID_FOCUS_ABSOLUTE, 10}}), EACCES);
    EXPECT_EQ(bound.setControls({{V4L2_CID_FOCUS_AUTO, 0}, {V4L2_CID_FOCUS_ABSOLUTE, 10}}), EILSEQ);
    EXPECT_EQ(bound.setControls({{V4L2_CID_FOCUS_RELATIVE, 1}}), EINVAL);
    // The metadata node has no controls; an unplugged camera none at all.
    EXPECT_EQ(bound.setControls({{V4L2_CID_ZOOM_ABSOLUTE, 1}}, VideoNodeKind::kMetadata), ENOTTY);
    bound.driver.disconnect();
    EXPECT_EQ(bound.setControls({{V4L2_CID_ZOOM_ABSOLUTE, 1}}), ENODEV);
}

// How v4l2-ctl finds a control by name: VIDIOC_QUERY_EXT_CTRL with V4L2_CTRL_FLAG_NEXT_CTRL
// from 0 until EINVAL, the camera class first, then the controls by id.
TEST(UvcvideoDriverModel, ControlsAreEnumeratedInIdOrderAfterTheirClass) {
    DriverOnCamera bound(kReleased);
    std::vector<uint32_t> ids;
    v4l2_query_ext_ctrl query{};
    query.id = V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
    while (bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_QUERY_EXT_CTRL, &query) == 0) {
        ids.push_back(query.id);
        EXPECT_EQ(query.type == V4L2_CTRL_TYPE_CTRL_CLASS, query.id == V4L2_CID_CAMERA_CLASS)
            << query.name;
        query.id |= V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND;
    }
    EXPECT_THAT(ids,
                ElementsAre(V4L2_CID_CAMERA_CLASS, V4L2_CID_PAN_ABSOLUTE, V4L2_CID_TILT_ABSOLUTE,
                            V4L2_CID_FOCUS_ABSOLUTE, V4L2_CID_FOCUS_AUTO, V4L2_CID_ZOOM_ABSOLUTE,
                            V4L2_CID_ZOOM_CONTINUOUS, V4L2_CID_PAN_SPEED, V4L2_CID_TILT_SPEED));

    // The class itself, asked by its id, cannot be set.
    v4l2_queryctrl cameraClass{};
    cameraClass.id = V4L2_CID_CAMERA_CLASS;
    ASSERT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_QUERYCTRL, &cameraClass), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(cameraClass.name), "Camera Controls");
    EXPECT_EQ(bound.setControls({{V4L2_CID_CAMERA_CLASS, 0}}), EACCES);
}

// VIDIOC_TRY_EXT_CTRLS clamps as a set would, and sends nothing; v4l2-ctl asks it with no
// controls. No crop rectangle of the capture stream is there to read.
TEST(UvcvideoDriverModel, TryingAValueSetsNothingAndThereIsNoCrop) {
    DriverOnCamera bound(kReleased);
    v4l2_ext_control pan{};
    pan.id = V4L2_CID_PAN_SPEED;
    pan.value = 99;
    v4l2_ext_controls group{};
    group.count = 1;
    group.controls = &pan;
    EXPECT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_TRY_EXT_CTRLS, &group), 0);
    EXPECT_EQ(pan.value, 24);
    for (const std::string& line : bound.wire()) {
        EXPECT_EQ(line.rfind("a1 ", 0), 0u) << line;  // reads only
    }
    v4l2_ext_controls none{};
    EXPECT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_TRY_EXT_CTRLS, &none), 0);

    v4l2_selection crop{};
    crop.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    crop.target = V4L2_SEL_TGT_CROP;
    EXPECT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_G_SELECTION, &crop), EINVAL);
}

// The device's capabilities name capture on both nodes; only device_caps tells them apart.
TEST(UvcvideoDriverModel, BothNodesAnswerQuerycap) {
    DriverOnCamera bound(kFixed);
    for (const auto& [node, caps] : {std::pair{VideoNodeKind::kCapture, V4L2_CAP_VIDEO_CAPTURE},
                                     std::pair{VideoNodeKind::kMetadata, V4L2_CAP_META_CAPTURE}}) {
        v4l2_capability capability{};
        ASSERT_EQ(bound.driver.ioctl(node, VIDIOC_QUERYCAP, &capability), 0);
        EXPECT_NE(capability.capabilities & V4L2_CAP_VIDEO_CAPTURE, 0u);
        EXPECT_EQ(capability.device_caps & (V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE), caps);
    }
    EXPECT_THAT(bound.wire(), IsEmpty());
}

}  // namespace
}  // namespace ptz::testing
