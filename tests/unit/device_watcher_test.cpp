// The device watcher feeding the OSD panel: which HID devices become rows, which camera each
// row binds, and what an unplug does to the rows, the binding and the arrangement.
#include <gmock/gmock.h>

#include "discovery/device_watcher.h"
#include "fake_hid.h"
#include "fake_panels.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;

TEST_F(Panels, TheWatcherListsUvcCamerasOnlyAndKeepsRowsAndBindingInStepWithUnplugs) {
    FakeHidManager refusing(static_cast<int32_t>(usb_status::kNotPermitted));
    setUpDeviceWatcher(refusing, osd);
    EXPECT_THAT(log.lines, ::testing::IsEmpty()) << "only a successful open is logged";
    FakeHidDevice early{0x2e7e, 0x0737, "Early"};
    refusing.plug(early);
    EXPECT_THAT(osd.rows.rows, ElementsAre("Early")) << "its callbacks still report";
    refusing.unplug(early);
    log.lines.clear();

    // A keyboard that shares a camera's product id but has no video function, another
    // vendor's mouse, a camera whose node cannot be opened, twins of one model (the second
    // named to forge a log line) and a nameless camera of the PTZ-only model.
    FakeHidDevice lookAlike{0x1234, 0x0605, "Keyboard"}, mouse{0x046d, 0xc077, "Mouse"};
    lookAlike.videoControl = false;
    FakeHidDevice locked{0x2e7e, 0x0737, "Locked"};
    locked.openResult = static_cast<int32_t>(usb_status::kNotPermitted);
    FakeHidDevice twin{0x2e7e, 0x0737, "Twin", 0x01200000};
    FakeHidDevice forger{0x2e7e, 0x0737, "Evil\nCameraControl Error: x\x1b[2J", 0x01300000};
    FakeHidDevice nameless{0x3242, 0x1000, "", 0x02100000};
    FakeHidManager manager;
    setUpDeviceWatcher(manager, osd);
    for (FakeHidDevice* device : {&lookAlike, &mouse, &locked, &twin, &forger, &nameless}) {
        manager.plug(*device);
    }
    const char* const forgerRow = "Evil\\nCameraControl Error: x\\x1b[2J";
    EXPECT_THAT(osd.rows.rows, ElementsAre("Twin", forgerRow, "USB camera 3242:1000"));
    EXPECT_THAT(log.lines, ElementsAre("IOHIDManager打开成功", "my product name: Twin",
                                       std::string("my product name: ") + forgerRow,
                                       "my product name: USB camera 3242:1000"));
    EXPECT_FALSE(lookAlike.opened || mouse.opened) << "looked at, never opened";
    EXPECT_EQ(osd.rows.selected, 0);
    EXPECT_EQ(statusView.camera, "Twin \u00b7 USB 1-2") << "bound at its own place";
    EXPECT_THAT(tabs.items, ElementsAre(tabs.all[0])) << "arranged for its model";
    osd.OnPickCamera(1);
    EXPECT_EQ(statusView.camera, forgerRow + std::string(" \u00b7 USB 1-3"));
    osd.OnPickCamera(2);
    EXPECT_THAT(tabs.items, ElementsAre(tabs.all[1]));

    log.lines.clear();
    manager.unplug(forger);  // not the bound camera, but its twin's ids come first
    EXPECT_THAT(log.lines, ElementsAre("cursel:2", "cursel:2"));
    EXPECT_THAT(osd.rows.rows, ElementsAre("Twin", "USB camera 3242:1000"));
    EXPECT_FALSE(forger.opened);
    EXPECT_NE(osd.cameraControl(), nullptr);

    manager.unplug(nameless);  // the bound camera
    EXPECT_EQ(log.lines.back(), "断开成功");
    EXPECT_EQ(osd.cameraControl(), nullptr);
    EXPECT_EQ(statusView.camera, "");
    EXPECT_EQ(osd.rows.text, "");
    EXPECT_THAT(osd.cameraChoices(), ElementsAre("Twin \u00b7 USB 1-2"));
    EXPECT_EQ(tabs.items, tabs.all) << "the arrangement without a camera";
}

}  // namespace
}  // namespace ptz::testing
