// The ptzctl program itself, as child processes behind the umockdev preload, on an emulated bus
// with a camera and a look-alike: a keyboard with a supported model's ids, listed first.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>

#include "hid_testbed.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct PtzctlRun {
    int status = -1;
    std::vector<std::string> lines;  // standard output and error
};

// The child inherits this process's preload and so its testbed.
PtzctlRun ptzctl(const std::string& arguments) {
    PtzctlRun run;
    std::FILE* pipe = popen((PTZCTL_PATH " " + arguments + " 2>&1").c_str(), "r");
    char line[256];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        run.lines.emplace_back(line, std::strcspn(line, "\n"));
    }
    const int status = pipe != nullptr ? pclose(pipe) : -1;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(PtzctlEndToEnd, ListsTheCameraAndAPanStartedByOneRunIsStoppedByTheNext) {
    testing::UsbTestbed usb;
    testing::HidTestbed hid(usb.umockdev());
    hid.addUsbHidDevice({.vendorId = 0x2e7e, .productId = 0x0606, .product = "Keyboard"});
    testing::EmulatedUsbCamera& camera = usb.add(testing::cameraAt(1, {3}, 3));
    hid.addHidNode(camera.interfaceSyspath(camera.firstInterfaceOfClass(3)));

    const PtzctlRun listed = ptzctl("list");
    EXPECT_EQ(listed.status, 0);
    EXPECT_THAT(listed.lines, ElementsAre("2e7e:0606 0x01300000 Simulated PTZ Camera"));

    EXPECT_EQ(ptzctl("pan right").status, 0);
    EXPECT_TRUE(camera.firmware().state().moving);
    camera.clock().advance(std::chrono::seconds(1));
    const PtzctlRun stopped = ptzctl("pan stop");
    EXPECT_EQ(stopped.status, 0);
    EXPECT_THAT(stopped.lines, IsEmpty());
    EXPECT_FALSE(camera.firmware().state().moving);
    EXPECT_EQ(camera.firmware().state().pan, 40 * 3600);  // 4° a second per speed step
}

}  // namespace
}  // namespace ptz
