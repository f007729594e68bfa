// The ptzctl program itself, as child processes behind the umockdev preload, on an emulated bus
// with a camera and a look-alike: a keyboard with a supported model's ids, listed first.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hid_testbed.h"
#include "run_ptzctl.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(PtzctlEndToEnd, APanStartedByOneRunIsStoppedByTheNextAndLostOutputFailsTheRun) {
    testing::UsbTestbed usb;
    testing::HidTestbed hid(usb.umockdev());
    hid.addUsbHidDevice({.vendorId = 0x2e7e, .productId = 0x0606, .product = "Keyboard"});
    testing::EmulatedUsbCamera& camera = usb.add(testing::cameraAt(1, {3}, 3));
    hid.addHidNode(camera.interfaceSyspath(camera.firstInterfaceOfClass(3)));
    const auto ptzctl = [](std::vector<std::string> args,
                           testing::StandardOutput output = testing::StandardOutput::Collected) {
        return testing::runPtzctl(PTZCTL_PATH, args, output);
    };

    const testing::PtzctlRun listed = ptzctl({"list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_THAT(listed.out, ElementsAre("2e7e:0606 0x01300000 Simulated PTZ Camera"));

    EXPECT_EQ(ptzctl({"pan", "right"}).status, 0);
    EXPECT_TRUE(camera.firmware().state().moving);
    camera.clock().advance(std::chrono::seconds(1));
    const testing::PtzctlRun stopped = ptzctl({"pan", "stop"});
    EXPECT_EQ(stopped.status, 0) << stopped.err;
    EXPECT_FALSE(camera.firmware().state().moving);
    EXPECT_EQ(camera.firmware().state().pan, 40 * 3600);  // 4° a second per speed step

    const testing::PtzctlRun unwritten =
        ptzctl({"get", "zoomAbsolute"}, testing::StandardOutput::DeviceFull);
    EXPECT_EQ(unwritten.status, 1);
    EXPECT_THAT(unwritten.err, HasSubstr("ptzctl: cannot write standard output: "));
    EXPECT_EQ(std::count(unwritten.err.begin(), unwritten.err.end(), '\n'), 1) << unwritten.err;
}

}  // namespace
}  // namespace ptz
