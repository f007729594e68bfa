// The model of the uvcvideo driver against the kernel's own behaviour: the ranges it derives,
// how it rounds and clamps, the requests it adds on the wire, its checks and errnos.
#include "uvcvideo_driver_model.h"

#include <gtest/gtest.h>
#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <string>
#include <vector>

namespace ptz::testing {
namespace {

constexpr auto kReleased = UvcvideoKernel::kReleased;
constexpr auto kFixed = UvcvideoKernel::kFixed;

// The simulated camera bound to the modelled driver; what binding asked of it is forgotten.
struct DriverOnCamera {
    explicit DriverOnCamera(UvcvideoKernel kernel, uint8_t minimumSpeed = 1)
        : camera(clock, sim::CameraSpec{.minimumSpeed = minimumSpeed}), driver(camera, kernel) {
        camera.clearRequests();
    }

    int set(std::vector<std::pair<uint32_t, int32_t>> values,
            VideoNodeKind node = VideoNodeKind::kCapture) {
        std::vector<v4l2_ext_control> controls(values.size());
        for (size_t i = 0; i < values.size(); ++i) {
            controls[i].id = values[i].first;  // packed: no references to its fields
            controls[i].value = values[i].second;
        }
        v4l2_ext_controls group{};
        group.count = static_cast<uint32_t>(controls.size());
        group.controls = controls.data();
        return driver.ioctl(node, VIDIOC_S_EXT_CTRLS, &group);
    }

    // What reached the camera, one request after the other.
    std::string wire() const {
        std::string lines;
        for (const sim::RecordedRequest& request : camera.requests()) {
            lines += (lines.empty() ? "" : ", ") + sim::requestLine(request) +
                     (request.stalled ? " stall" : "");
        }
        return lines;
    }

    sim::ManualClock clock;
    sim::SimulatedCamera camera;
    UvcvideoDriverModel driver;
};

// The range each kernel reports from the camera's bytes (speeds minimum..24 pan, ..20 tilt,
// ..7 zoom), and what a set of `value` puts in the SET_CUR's data stage: rounded to the step
// from the minimum and clamped into the range, never refused.
TEST(UvcvideoDriverModel, RangesAndWhatTheDriverMakesOfAValue) {
    struct Case {
        UvcvideoKernel kernel;
        uint8_t minimumSpeed;
        uint32_t id;
        int64_t minimum, maximum;
        uint64_t step;
        int32_t value;
        const char* data;
    };
    const std::vector<Case> cases{
        // Released kernels: pan left becomes nothing or a crawl, zoom out and stop a zoom in.
        {kReleased, 0, V4L2_CID_PAN_SPEED, 0, 24, 1, -10, "00 00 00 00"},
        {kReleased, 1, V4L2_CID_PAN_SPEED, -1, 24, 1, -10, "ff 01 00 00"},
        {kReleased, 1, V4L2_CID_TILT_SPEED, -1, 20, 1, 30, "00 00 01 14"},
        {kReleased, 0, V4L2_CID_ZOOM_CONTINUOUS, 0, 7, 1, -3, "00 00 00"},
        {kReleased, 1, V4L2_CID_ZOOM_CONTINUOUS, 1, 7, 1, 0, "01 00 01"},
        {kFixed, 0, V4L2_CID_PAN_SPEED, -24, 24, 1, -10, "ff 0a 00 00"},
        {kFixed, 1, V4L2_CID_TILT_SPEED, -20, 20, 1, 0, "00 00 00 00"},
        {kFixed, 1, V4L2_CID_ZOOM_CONTINUOUS, -7, 7, 1, -3, "ff 00 03"},
        // Absolute values snap to the step from the minimum (1° here); unsigned ones clamp as
        // unsigned, so -5 is above the maximum.
        {kReleased, 1, V4L2_CID_PAN_ABSOLUTE, -612000, 612000, 3600, 2000,
         "10 0e 00 00 00 00 00 00"},
        {kFixed, 1, V4L2_CID_TILT_ABSOLUTE, -108000, 324000, 3600, -1000000,
         "00 00 00 00 20 5a fe ff"},
        {kFixed, 1, V4L2_CID_ZOOM_ABSOLUTE, 0, 16384, 1, -5, "00 40"},
        {kFixed, 1, V4L2_CID_FOCUS_AUTO, 0, 1, 1, 5, "01"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.id) + " with minimum speed " +
                     std::to_string(c.minimumSpeed));
        DriverOnCamera bound(c.kernel, c.minimumSpeed);
        v4l2_query_ext_ctrl query{};
        query.id = c.id;
        ASSERT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, VIDIOC_QUERY_EXT_CTRL, &query), 0);
        EXPECT_EQ(std::tuple(query.minimum, query.maximum, query.step),
                  std::tuple(c.minimum, c.maximum, c.step));
        ASSERT_EQ(bound.set({{c.id, c.value}}), 0);
        const std::string wire = bound.wire();
        EXPECT_EQ(wire.substr(wire.rfind('|') + 2), c.data);
    }
}

// uvc_ctrl_populate_cache asks the range on a control's first use; a set of part of a control
// (pan) reads the rest first, again each time for a control the camera updates itself.
TEST(UvcvideoDriverModel, TheDriverAddsItsOwnRequests) {
    DriverOnCamera bound(kReleased);
    ASSERT_EQ(bound.set({{V4L2_CID_PAN_SPEED, 10}}), 0);
    ASSERT_EQ(bound.set({{V4L2_CID_PAN_SPEED, 0}}), 0);
    EXPECT_EQ(bound.wire(),
              "a1 87 00 0e 00 01 04 00 | 00 0d 00 0b, a1 82 00 0e 00 01 04 00 | 00 01 00 01, "
              "a1 83 00 0e 00 01 04 00 | 00 18 00 14, a1 84 00 0e 00 01 04 00 | 00 01 00 01, "
              "a1 81 00 0e 00 01 04 00 | 00 00 00 00, 21 01 00 0e 00 01 04 00 | 01 0a 00 00, "
              "a1 81 00 0e 00 01 04 00 | 01 0a 00 00, 21 01 00 0e 00 01 04 00 | 00 00 00 00");
}

// uvc_xu_ctrl_query asks GET_LEN and GET_INFO on a control's first use, then the request.
TEST(UvcvideoDriverModel, ExtensionUnitQueriesAreCheckedAsTheDriverChecksThem) {
    const std::string first = "a1 85 00 01 00 13 02 00 | 02 00, a1 86 00 01 00 13 01 00 | 03";
    const std::string key = first + ", 21 01 00 01 00 13 02 00 | ";
    const std::string preset =
        "a1 85 00 05 00 14 02 00 | 01 00, a1 86 00 05 00 14 01 00 | 03, "
        "a1 81 00 05 00 14 01 00 | 00";
    struct Case {
        uint8_t unit, selector, query;
        std::vector<uint8_t> data;
        int error;
        std::string wire;
    };
    const std::vector<Case> cases{
        {19, 1, UVC_SET_CUR, {0, 0}, 0, first + ", 21 01 00 01 00 13 02 00 | 00 00"},
        {20,
         5,
         UVC_GET_CUR,
         {0xAA},
         0,
         "a1 85 00 05 00 14 02 00 | 01 00, a1 86 00 05 00 14 01 00 | 03, "
         "a1 81 00 05 00 14 01 00 | 00"},
        // Not an extension unit (the camera terminal), not one of its bmControls bits.
        {21, 1, UVC_SET_CUR, {0, 0}, ENOENT, ""},
        {1, 1, UVC_SET_CUR, {0, 0}, ENOENT, ""},
        {19, 8, UVC_SET_CUR, {0, 0}, ENOENT, ""},
        // A size other than GET_LEN's; a request code that is none.
        {19, 1, UVC_SET_CUR, {0}, ENOBUFS, first},
        {19, 1, 0x99, {0, 0}, EINVAL, first},
        // The camera stalls a key value other than 0 and reports "out of range" when asked.
        {19,
         1,
         UVC_SET_CUR,
         {1, 0},
         ERANGE,
         first + ", 21 01 00 01 00 13 02 00 | 01 00 stall, a1 81 00 02 00 00 01 00 | 04"},
    };
    for (Case c : cases) {
        SCOPED_TRACE(std::to_string(c.unit) + "/" + std::to_string(c.selector));
        DriverOnCamera bound(kReleased);
        uvc_xu_control_query query{c.unit, c.selector, c.query,
                                   static_cast<uint16_t>(c.data.size()), c.data.data()};
        EXPECT_EQ(bound.driver.ioctl(VideoNodeKind::kCapture, UVCIOC_CTRL_QUERY, &query), c.error);
        EXPECT_EQ(bound.wire(), c.wire);
    }
}

TEST(UvcvideoDriverModel, RefusalsOfTheControlIoctls) {
    DriverOnCamera bound(kReleased);
    // Focus absolute follows autofocus, which is on, unless the same call switches it off; the
    // driver then commits in the camera terminal's control order, focus absolute first, and
    // the camera, still in autofocus, answers "wrong state".
    EXPECT_EQ(bound.set({{V4L2_CID_FOCUS_ABSOLUTE, 10}}), EACCES);
    EXPECT_EQ(bound.set({{V4L2_CID_FOCUS_AUTO, 0}, {V4L2_CID_FOCUS_ABSOLUTE, 10}}), EILSEQ);
    EXPECT_EQ(bound.set({{V4L2_CID_FOCUS_RELATIVE, 1}}), EINVAL);
    // The metadata node has no controls; an unplugged camera none at all.
    EXPECT_EQ(bound.set({{V4L2_CID_ZOOM_ABSOLUTE, 1}}, VideoNodeKind::kMetadata), ENOTTY);
    bound.driver.disconnect();
    EXPECT_EQ(bound.set({{V4L2_CID_ZOOM_ABSOLUTE, 1}}), ENODEV);
}

}  // namespace
}  // namespace ptz::testing
