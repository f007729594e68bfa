// How the evdev backend scales a pad's raw axis values.
#include <gtest/gtest.h>

#include "platform/input/evdev_gamepad.h"

namespace ptz {
namespace {

input_absinfo axis(int32_t minimum, int32_t maximum, int32_t flat) {
    input_absinfo info{};
    info.minimum = minimum;
    info.maximum = maximum;
    info.flat = flat;
    return info;
}

TEST(EvdevAxisScaling, FlatZoneIsRestAndTheRestRisesToTheEnds) {
    const input_absinfo xpadStick = axis(-32768, 32767, 128);  // the middle is -0.5
    const input_absinfo hid = axis(0, 255, 15);  // hid-input gives pads a flat of range / 16
    const input_absinfo flatWiderThanTheRange = axis(0, 10, 20);
    const struct {
        const input_absinfo& info;
        bool trigger;
        int value;
        double expected;
    } cases[] = {
        {xpadStick, false, 127, 0.0},
        {xpadStick, false, -128, 0.0},
        {xpadStick, false, 32767, 1.0},
        {xpadStick, false, -32768, -1.0},
        {xpadStick, false, 16447, 0.49999},
        {hid, false, 120, 0.0},
        {hid, false, 0, -1.0},
        {hid, false, 255, 1.0},
        {hid, false, 210, 0.6},
        {hid, true, 15, 0.0},
        {hid, true, 135, 0.5},
        {hid, true, 255, 1.0},
        {flatWiderThanTheRange, false, 10, 0.0},
        {flatWiderThanTheRange, true, 10, 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "value " << c.value << " trigger " << c.trigger);
        const double scaled =
            c.trigger ? triggerTravel(c.value, c.info) : stickDeflection(c.value, c.info);
        EXPECT_NEAR(scaled, c.expected, 1e-5);
    }
}

}  // namespace
}  // namespace ptz
