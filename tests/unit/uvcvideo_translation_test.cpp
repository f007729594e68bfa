#include "platform/usb/uvcvideo_translation.h"

#include <gtest/gtest.h>
#include <linux/videodev2.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace ptz {
namespace {

using Bytes = std::vector<uint8_t>;
using Controls = std::vector<std::pair<uint32_t, int32_t>>;

constexpr uint8_t kSetCur = 0x01;
constexpr uint8_t kGetCur = 0x81;

VideoControlUnits cameraUnits() {
    return {1, {19, 20}};
}

// A request as the camera control encodes it; `payload` is its data stage.
UsbDeviceRequest request(uint8_t code, uint8_t unit, uint8_t selector, Bytes& payload) {
    UsbDeviceRequest r;
    r.bmRequestType = code == kSetCur ? 0x21 : 0xA1;
    r.bRequest = code;
    r.wValue = static_cast<uint16_t>(selector << 8);
    r.wIndex = static_cast<uint16_t>(unit << 8);
    r.wLength = static_cast<uint16_t>(payload.size());
    r.pData = payload.data();
    return r;
}

UvcvideoPlan plan(uint8_t code, uint8_t unit, uint8_t selector, Bytes payload,
                  const VideoControlUnits& units = cameraUnits()) {
    const UsbDeviceRequest r = request(code, unit, selector, payload);
    return planUvcvideoRequest(r, units);
}

Controls controlsOf(const UvcvideoPlan& p) {
    Controls controls;
    for (const V4l2ControlValue& c : p.controlList()) {
        controls.emplace_back(c.controlId, c.value);
    }
    return controls;
}

// The backend tests send only zeroes in the wide fields; signs and widths are checked here.
TEST(UvcvideoTranslation, AbsoluteSetsCarryTheirSignedFieldValues) {
    EXPECT_EQ(controlsOf(plan(kSetCur, 1, 0x0D, {0x9C, 0xFF, 0xFF, 0xFF, 0x45, 0x23, 0x01, 0x00})),
              (Controls{{V4L2_CID_PAN_ABSOLUTE, -100}, {V4L2_CID_TILT_ABSOLUTE, 0x12345}}));
    EXPECT_EQ(controlsOf(plan(kSetCur, 1, 0x0B, {0xFF, 0xFF})),
              (Controls{{V4L2_CID_ZOOM_ABSOLUTE, 65535}}));
}

TEST(UvcvideoTranslation, UnitsComeFromTheDescriptorsNotFixedNumbers) {
    const VideoControlUnits otherCamera{2, {6}};
    EXPECT_EQ(plan(kSetCur, 2, 0x08, {0x01}, otherCamera).route, UvcvideoRoute::kSetControls);
    EXPECT_EQ(plan(kSetCur, 6, 0x01, {0x00, 0x00}, otherCamera).route,
              UvcvideoRoute::kExtensionUnitQuery);
    EXPECT_EQ(plan(kSetCur, 1, 0x08, {0x01}, otherCamera).route, UvcvideoRoute::kUnsupported);
    EXPECT_EQ(plan(kSetCur, 19, 0x01, {0x00, 0x00}, otherCamera).route,
              UvcvideoRoute::kUnsupported);
    // Without a camera terminal in the descriptors nothing can address one.
    EXPECT_EQ(plan(kSetCur, 1, 0x08, {0x01}, VideoControlUnits{{}, {19}}).route,
              UvcvideoRoute::kUnsupported);
}

TEST(UvcvideoTranslation, RequestsTheDriverCannotExpressAreUnsupported) {
    // Focus relative: no V4L2 control exists.
    EXPECT_EQ(plan(kSetCur, 1, 0x07, {0x01, 0x03}).route, UvcvideoRoute::kUnsupported);
    // A camera-terminal selector outside the table, and a query other than CUR, MIN, MAX.
    EXPECT_EQ(plan(kSetCur, 1, 0x02, {0x01}).route, UvcvideoRoute::kUnsupported);
    EXPECT_EQ(plan(0x84, 1, 0x0B, Bytes(2, 0)).route, UvcvideoRoute::kUnsupported);
    // A length other than the control's would have the driver read or write the wrong bytes.
    EXPECT_EQ(plan(kSetCur, 1, 0x0E, {0x01, 0x0A}).route, UvcvideoRoute::kUnsupported);
    EXPECT_EQ(plan(kSetCur, 1, 0x0D, Bytes(4, 0)).route, UvcvideoRoute::kUnsupported);
    // A direction byte that means nothing is not guessed at.
    EXPECT_EQ(plan(kSetCur, 1, 0x0E, {0x02, 0x0A, 0x00, 0x00}).route, UvcvideoRoute::kUnsupported);
    EXPECT_EQ(plan(kSetCur, 1, 0x0C, {0x7F, 0x00, 0x03}).route, UvcvideoRoute::kUnsupported);

    // A GET code sent as host-to-device, a SET as device-to-host, a payload without a buffer.
    Bytes payload{0x01};
    UsbDeviceRequest r = request(kSetCur, 1, 0x08, payload);
    r.bmRequestType = 0xA1;
    EXPECT_EQ(planUvcvideoRequest(r, cameraUnits()).route, UvcvideoRoute::kUnsupported);
    r = request(kGetCur, 19, 0x01, payload);
    r.bmRequestType = 0x21;
    EXPECT_EQ(planUvcvideoRequest(r, cameraUnits()).route, UvcvideoRoute::kUnsupported);
    r = request(kSetCur, 19, 0x01, payload);
    r.pData = nullptr;
    EXPECT_EQ(planUvcvideoRequest(r, cameraUnits()).route, UvcvideoRoute::kUnsupported);
}

Bytes packed(uint8_t selector, std::vector<int64_t> values) {
    const CameraTerminalMapping* mapping = findCameraTerminalMapping(selector);
    EXPECT_NE(mapping, nullptr);
    if (mapping == nullptr) {
        return {};
    }
    Bytes payload(mapping->length, 0xEE);
    packCameraTerminalAnswer(*mapping, values, payload);
    return payload;
}

TEST(UvcvideoTranslation, AnswersArePackedInTheLayoutASetIsReadFrom) {
    const std::vector<std::pair<uint8_t, Bytes>> payloads{
        {0x0E, {0x01, 0x0A, 0xFF, 0x05}},
        {0x0D, {0x10, 0x27, 0x00, 0x00, 0xF0, 0xD8, 0xFF, 0xFF}},
        {0x0C, {0xFF, 0x00, 0x07}},
        {0x0B, {0x00, 0x40}},
        {0x08, {0x00}},
    };
    for (const auto& [selector, payload] : payloads) {
        std::vector<int64_t> values;
        const UvcvideoPlan decoded = plan(kSetCur, 1, selector, payload);
        for (const V4l2ControlValue& c : decoded.controlList()) {
            values.push_back(c.value);
        }
        EXPECT_EQ(packed(selector, values), payload) << int{selector};
    }
    // A speed beyond one byte saturates instead of wrapping to a slow one.
    EXPECT_EQ(packed(0x0E, {300, -256}), (Bytes{0x01, 0xFF, 0xFF, 0xFF}));
}

}  // namespace
}  // namespace ptz
