// The ptzctl program itself, as a child process behind the umockdev preload, on an emulated bus
// with a camera and a look-alike: a keyboard with a supported model's ids.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hid_testbed.h"
#include "run_ptzctl.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::StandardOutput;

constexpr uint8_t kHidClass = 3;

testing::PtzctlRun ptzctl(const std::vector<std::string>& args,
                          StandardOutput output = StandardOutput::Collected) {
    return testing::runPtzctl(PTZCTL_PATH, args, output);
}

TEST(PtzctlEndToEnd, ListsAndDrivesTheCameraAndSaysWhenItsOutputIsLost) {
    testing::UsbTestbed usb;
    testing::HidTestbed hid(usb.umockdev());
    hid.addUsbHidDevice(
        {.vendorId = 0x2e7e, .productId = 0x0606, .product = "Keyboard", .videoControl = false});
    testing::EmulatedUsbCamera& camera = usb.add(testing::cameraAt(1, {3}, 3));
    hid.addHidNode(camera.interfaceSyspath(camera.firstInterfaceOfClass(kHidClass)));

    const testing::PtzctlRun listed = ptzctl({"list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out, ElementsAre("2e7e:0606 0x01300000 Simulated PTZ Camera"));

    const testing::PtzctlRun opened = ptzctl({"osd", "menu"});
    EXPECT_EQ(opened.status, 0) << opened.err;
    EXPECT_THAT(camera.requestLines(), ElementsAre("21 01 00 07 00 13 02 00 | 00 00"));
    EXPECT_TRUE(camera.firmware().state().menu.open);

    const testing::PtzctlRun read = ptzctl({"get", "panTiltAbsolute"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_THAT(read.out, ElementsAre("pan=0 tilt=0"));

    for (const StandardOutput lost : {StandardOutput::DeviceFull, StandardOutput::Closed}) {
        const testing::PtzctlRun unwritten = ptzctl({"get", "zoomAbsolute"}, lost);
        EXPECT_EQ(unwritten.status, 1);
        EXPECT_THAT(unwritten.err, HasSubstr("ptzctl: cannot write standard output: "));
        EXPECT_EQ(std::count(unwritten.err.begin(), unwritten.err.end(), '\n'), 1) << unwritten.err;
    }
}

}  // namespace
}  // namespace ptz
