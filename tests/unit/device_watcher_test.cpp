#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "discovery/device_watcher.h"
#include "discovery/st_dev_ref.h"
#include "fake_device_list_panel.h"
#include "fake_hid.h"
#include "log_capture.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::FakeDeviceListPanel;
using testing::FakeHidDevice;
using testing::FakeHidManager;
using ::testing::IsEmpty;
using testing::LogCapture;

constexpr int32_t kNotPermitted = static_cast<int32_t>(0xe00002e2);

class DeviceWatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        arrDevList.emplace();
        productName.clear();
    }
    void TearDown() override { arrDevList.reset(); }

    // Sets the watcher up and forgets what the set-up itself did.
    void startWatching() {
        setUpDeviceWatcher(manager, panel);
        panel.clearCalls();
        log.lines.clear();
    }
    void forgetCalls() {
        panel.clearCalls();
        log.lines.clear();
    }

    std::vector<HidDevice*> listedDevices() const {
        std::vector<HidDevice*> devices;
        for (const st_DevRef& entry : *arrDevList) {
            devices.push_back(entry.devRef);
        }
        return devices;
    }

    LogCapture log;
    FakeHidManager manager;
    FakeDeviceListPanel panel;
    FakeHidDevice osdCamera{0x2e7e, 0x0737, "OSD Camera"};
    FakeHidDevice ptzCamera{0x2e7e, 0x0735, "PTZ Camera"};
    FakeHidDevice otherVendorCamera{0x1234, 0x0606, "Other Camera"};
};

TEST_F(DeviceWatcherTest, SetUpRegistersBeforeOpeningAndLogsOnlyASuccessfulOpen) {
    setUpDeviceWatcher(manager, panel);
    EXPECT_THAT(manager.calls, ElementsAre("setCallbacks", "open"));
    EXPECT_THAT(log.lines, ElementsAre("IOHIDManager打开成功"));
    EXPECT_THAT(panel.calls, IsEmpty());

    LogCapture failedLog;
    FakeHidManager failing(kNotPermitted);
    setUpDeviceWatcher(failing, panel);
    EXPECT_THAT(failedLog.lines, IsEmpty());
    // The callbacks stay registered: a device still arrives.
    failing.plug(osdCamera);
    EXPECT_THAT(panel.combo.rows, ElementsAre("OSD Camera"));
}

TEST_F(DeviceWatcherTest, ModelFilterDecidesBeforeTheDeviceIsOpened) {
    startWatching();
    struct Case {
        int32_t vid;
        int32_t pid;
        bool listed;
    };
    const Case cases[] = {
        {0x1234, 0x0606, true},  {0x1234, 0x0605, true},  {0x0000, 0x0735, true},
        {0xabcd, 0x0737, true},  {0x3242, 0x1000, true},  {0x2e7e, 0x0604, false},
        {0x2e7e, 0x0607, false}, {0x2e7e, 0x0734, false}, {0x2e7e, 0x0736, false},
        {0x3242, 0x1001, false}, {0x2e7e, 0x1000, false}, {0x046d, 0xc31c, false},
        {0x0000, 0x0000, false},
    };
    std::vector<std::unique_ptr<FakeHidDevice>> devices;
    size_t expectedRows = 0;
    for (const Case& c : cases) {
        devices.push_back(std::make_unique<FakeHidDevice>(c.vid, c.pid, "Device"));
        FakeHidDevice& device = *devices.back();
        const size_t logLinesBefore = log.lines.size();
        manager.plug(device);
        expectedRows += c.listed ? 1 : 0;
        SCOPED_TRACE(::testing::Message() << std::hex << c.vid << ":" << c.pid);
        EXPECT_EQ(panel.combo.rows.size(), expectedRows);
        EXPECT_EQ(arrDevList->size(), expectedRows);
        // A rejected device (a keyboard, say) is never opened, so it is not held open either.
        EXPECT_EQ(device.openCalls, c.listed ? 1 : 0);
        EXPECT_EQ(log.lines.size(), logLinesBefore + (c.listed ? 1 : 0));
    }
}

TEST_F(DeviceWatcherTest, FirstCameraIsShownSelectedBoundAndArranged) {
    startWatching();
    manager.plug(osdCamera);

    EXPECT_THAT(log.lines, ElementsAre("my product name: OSD Camera"));
    EXPECT_EQ(productName, "OSD Camera");
    EXPECT_THAT(panel.calls,
                ElementsAre("numberOfItems", "EnableCtrl 1", "setStringValue OSD Camera",
                            "addItemWithObjectValue OSD Camera", "selectItemAtIndex 0",
                            "InitUvcContrl 1847 11902", "ReInitUI 11902 1847"));
    ASSERT_EQ(arrDevList->size(), 1u);
    EXPECT_EQ(arrDevList->front().devRef, &osdCamera);
    EXPECT_EQ(arrDevList->front().vid, 0x2e7e);
    EXPECT_EQ(arrDevList->front().pid, 0x0737);
    ASSERT_TRUE(panel.lastArrangement);
    EXPECT_EQ(panel.lastArrangement->devRef, &osdCamera);
    EXPECT_TRUE(osdCamera.isOpen());
}

TEST_F(DeviceWatcherTest, TwoCamerasAtStartFirstIsBoundSecondOnlyGetsARow) {
    manager.presentAtOpen = {&osdCamera, &ptzCamera};
    startWatching();
    manager.deliverPresentDevices();

    EXPECT_THAT(log.lines,
                ElementsAre("my product name: OSD Camera", "my product name: PTZ Camera"));
    EXPECT_EQ(productName, "PTZ Camera");
    EXPECT_THAT(panel.combo.rows, ElementsAre("OSD Camera", "PTZ Camera"));
    EXPECT_THAT(listedDevices(), ElementsAre(&osdCamera, &ptzCamera));
    EXPECT_EQ(panel.combo.selected, 0);
    EXPECT_EQ(panel.combo.text, "OSD Camera");
    EXPECT_EQ(panel.boundVidPid, std::make_pair(0x2e7e, 0x0737));
    EXPECT_EQ(std::count(panel.calls.begin(), panel.calls.end(), "InitUvcContrl 1847 11902"), 1);
    EXPECT_EQ(panel.calls.back(), "addItemWithObjectValue PTZ Camera");
}

TEST_F(DeviceWatcherTest, RemovingTheSelectedCameraUnbindsAndLeavesTheOtherUnselected) {
    startWatching();
    manager.plug(osdCamera);
    manager.plug(ptzCamera);
    forgetCalls();

    manager.unplug(osdCamera);

    EXPECT_THAT(log.lines, ElementsAre("cursel:0", "断开成功"));
    EXPECT_THAT(panel.calls, ElementsAre("indexOfSelectedItem", "UnInitUvcContrl",
                                         "setStringValue ", "removeItemAtIndex 0", "ReInitUI 0 0"));
    EXPECT_EQ(osdCamera.closeCalls, 1);
    EXPECT_FALSE(osdCamera.isOpen());
    EXPECT_THAT(panel.combo.rows, ElementsAre("PTZ Camera"));
    EXPECT_THAT(listedDevices(), ElementsAre(&ptzCamera));
    EXPECT_EQ(panel.combo.selected, -1);
    EXPECT_EQ(panel.combo.text, "");
    EXPECT_FALSE(panel.boundVidPid);
    EXPECT_EQ(panel.lastArrangement->devRef, &osdCamera);

    // Nothing re-binds by itself: the next camera only gets a row.
    forgetCalls();
    manager.plug(otherVendorCamera);
    EXPECT_THAT(panel.calls, ElementsAre("numberOfItems", "addItemWithObjectValue Other Camera"));
    EXPECT_FALSE(panel.boundVidPid);
}

TEST_F(DeviceWatcherTest, RemovingTheOtherCameraKeepsBindingButResetsArrangement) {
    startWatching();
    manager.plug(osdCamera);
    manager.plug(ptzCamera);
    forgetCalls();

    manager.unplug(ptzCamera);

    EXPECT_THAT(log.lines, ElementsAre("cursel:0", "cursel:0"));
    EXPECT_THAT(panel.calls,
                ElementsAre("indexOfSelectedItem", "removeItemAtIndex 1", "ReInitUI 0 0"));
    EXPECT_EQ(ptzCamera.closeCalls, 1);
    EXPECT_THAT(listedDevices(), ElementsAre(&osdCamera));
    EXPECT_EQ(panel.combo.selected, 0);
    EXPECT_EQ(panel.combo.text, "OSD Camera");
    EXPECT_EQ(panel.boundVidPid, std::make_pair(0x2e7e, 0x0737));
}

TEST_F(DeviceWatcherTest, RemovingTheOnlyCameraEmptiesBothAndTheNextTakesTheFirstPath) {
    startWatching();
    manager.plug(osdCamera);
    manager.unplug(osdCamera);
    EXPECT_THAT(*arrDevList, IsEmpty());
    EXPECT_THAT(panel.combo.rows, IsEmpty());
    EXPECT_FALSE(panel.boundVidPid);
    EXPECT_TRUE(panel.keysEnabled);  // nothing disables the keys again

    forgetCalls();
    manager.plug(ptzCamera);
    EXPECT_THAT(panel.calls,
                ElementsAre("numberOfItems", "EnableCtrl 1", "setStringValue PTZ Camera",
                            "addItemWithObjectValue PTZ Camera", "selectItemAtIndex 0",
                            "InitUvcContrl 1845 11902", "ReInitUI 11902 1845"));
}

TEST_F(DeviceWatcherTest, RemovalWithAnEmptyListChangesNothing) {
    startWatching();
    FakeHidDevice keyboard(0x046d, 0xc31c, "Keyboard");
    manager.plug(keyboard);
    forgetCalls();
    manager.unplug(keyboard);
    manager.unplug(osdCamera);
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_THAT(panel.calls, ElementsAre("indexOfSelectedItem", "indexOfSelectedItem"));
    EXPECT_EQ(keyboard.closeCalls + osdCamera.closeCalls, 0);
}

TEST_F(DeviceWatcherTest, EveryEntryExaminedLogsTheSelectedIndex) {
    startWatching();
    manager.plug(osdCamera);
    manager.plug(ptzCamera);
    manager.plug(otherVendorCamera);
    panel.userPicksRow(1);
    forgetCalls();

    manager.unplug(otherVendorCamera);
    EXPECT_THAT(log.lines, ElementsAre("cursel:1", "cursel:1", "cursel:1"));
    EXPECT_EQ(panel.combo.selected, 1);

    // A device that is not listed is searched for through the whole list, and that is all.
    FakeHidDevice unlisted(0x2e7e, 0x0737, "Elsewhere");
    forgetCalls();
    manager.unplug(unlisted);
    EXPECT_THAT(log.lines, ElementsAre("cursel:1", "cursel:1"));
    EXPECT_THAT(panel.calls, ElementsAre("indexOfSelectedItem"));
    EXPECT_EQ(unlisted.closeCalls, 0);
}

TEST_F(DeviceWatcherTest, SupportedCameraThatCannotBeOpenedIsIgnored) {
    startWatching();
    FakeHidDevice locked(0x2e7e, 0x0737, "Locked Camera", kNotPermitted);
    manager.plug(locked);
    EXPECT_EQ(locked.openCalls, 1);
    EXPECT_THAT(log.lines, IsEmpty());
    EXPECT_THAT(panel.calls, IsEmpty());
    EXPECT_THAT(*arrDevList, IsEmpty());

    manager.plug(osdCamera);
    forgetCalls();
    manager.unplug(locked);
    EXPECT_THAT(log.lines, ElementsAre("cursel:0"));
    EXPECT_THAT(panel.calls, ElementsAre("indexOfSelectedItem"));
    EXPECT_EQ(locked.closeCalls, 0);
    EXPECT_THAT(listedDevices(), ElementsAre(&osdCamera));
}

TEST_F(DeviceWatcherTest, TwoHidNodesOfOneCameraGiveTwoRows) {
    startWatching();
    FakeHidDevice firstNode(0x2e7e, 0x0737, "OSD Camera");
    FakeHidDevice secondNode(0x2e7e, 0x0737, "OSD Camera");
    manager.plug(firstNode);
    manager.plug(secondNode);
    EXPECT_THAT(panel.combo.rows, ElementsAre("OSD Camera", "OSD Camera"));
    EXPECT_THAT(listedDevices(), ElementsAre(&firstNode, &secondNode));

    // Entries are told apart by the device, not by the ids.
    manager.unplug(secondNode);
    EXPECT_THAT(listedDevices(), ElementsAre(&firstNode));
    EXPECT_EQ(panel.combo.selected, 0);
    EXPECT_EQ(secondNode.closeCalls, 1);
    EXPECT_EQ(firstNode.closeCalls, 0);
}

TEST_F(DeviceWatcherTest, CameraWithoutAProductNameIsNamedByItsIds) {
    startWatching();
    FakeHidDevice nameless(0x2e7e, 0x0737, "");
    FakeHidDevice namelessOther(0x3242, 0x1000, "");
    manager.plug(nameless);
    manager.plug(namelessOther);
    EXPECT_THAT(log.lines, ElementsAre("my product name: USB camera 2e7e:0737",
                                       "my product name: USB camera 3242:1000"));
    EXPECT_EQ(productName, "USB camera 3242:1000");
    EXPECT_EQ(panel.combo.text, "USB camera 2e7e:0737");
    EXPECT_THAT(panel.combo.rows, ElementsAre("USB camera 2e7e:0737", "USB camera 3242:1000"));
    EXPECT_EQ(arrDevList->size(), panel.combo.rows.size());
}

// Plugs, unplugs and picks at random among cameras and other HID devices, and checks after
// every step that the list, the rows, the selection and the binding agree with a plain model
// of what should be listed, and that every device open is a listed one.
TEST_F(DeviceWatcherTest, RandomPlugAndUnplugKeepsListRowsAndBindingInStep) {
    startWatching();
    std::vector<std::unique_ptr<FakeHidDevice>> pool;
    pool.push_back(std::make_unique<FakeHidDevice>(0x2e7e, 0x0737, "OSD Camera"));
    pool.push_back(std::make_unique<FakeHidDevice>(0x2e7e, 0x0737, "OSD Camera"));  // twin
    pool.push_back(std::make_unique<FakeHidDevice>(0x2e7e, 0x0735, "PTZ Camera"));
    pool.push_back(std::make_unique<FakeHidDevice>(0x3242, 0x1000, "PTZ Only"));
    pool.push_back(std::make_unique<FakeHidDevice>(0x1234, 0x0605, ""));
    pool.push_back(std::make_unique<FakeHidDevice>(0x1234, 0x0606, "Other Vendor"));
    pool.push_back(std::make_unique<FakeHidDevice>(0x2e7e, 0x0737, "Locked", kNotPermitted));
    pool.push_back(std::make_unique<FakeHidDevice>(0x046d, 0xc31c, "Keyboard"));
    pool.push_back(std::make_unique<FakeHidDevice>(0x046d, 0xc077, "Mouse"));
    pool.push_back(std::make_unique<FakeHidDevice>(0x3242, 0x1001, "Near Miss"));

    std::mt19937 random(20261206);
    std::vector<FakeHidDevice*> plugged;
    std::vector<FakeHidDevice*> expectedListed;  // the model: listed devices in arrival order
    const auto expectedName = [](const FakeHidDevice& d) {
        if (!d.productName().empty()) {
            return d.productName();
        }
        char text[32];
        snprintf(text, sizeof text, "USB camera %04x:%04x", d.vendorId(), d.productId());
        return std::string(text);
    };
    const auto listable = [](const FakeHidDevice& d) {
        return d.productName() != "Locked" &&
               (d.productId() == 0x0737 || d.productId() == 0x0735 || d.productId() == 0x0605 ||
                d.productId() == 0x0606 || (d.vendorId() == 0x3242 && d.productId() == 0x1000));
    };

    int plugs = 0;
    int unplugs = 0;
    int firstPaths = 0;
    for (int step = 0; step < 3000; ++step) {
        const int action = std::uniform_int_distribution<int>(0, 9)(random);
        if (action < 5) {
            std::vector<FakeHidDevice*> unplugged;
            for (auto& device : pool) {
                if (std::find(plugged.begin(), plugged.end(), device.get()) == plugged.end()) {
                    unplugged.push_back(device.get());
                }
            }
            if (unplugged.empty()) {
                continue;
            }
            FakeHidDevice* device =
                unplugged[std::uniform_int_distribution<size_t>(0, unplugged.size() - 1)(random)];
            firstPaths += (expectedListed.empty() && listable(*device)) ? 1 : 0;
            manager.plug(*device);
            plugged.push_back(device);
            if (listable(*device)) {
                expectedListed.push_back(device);
            }
            ++plugs;
        } else if (action < 9) {
            if (plugged.empty()) {
                continue;
            }
            const size_t at = std::uniform_int_distribution<size_t>(0, plugged.size() - 1)(random);
            FakeHidDevice* device = plugged[at];
            manager.unplug(*device);
            plugged.erase(plugged.begin() + static_cast<std::ptrdiff_t>(at));
            expectedListed.erase(std::remove(expectedListed.begin(), expectedListed.end(), device),
                                 expectedListed.end());
            ++unplugs;
        } else if (!panel.combo.rows.empty()) {
            panel.userPicksRow(std::uniform_int_distribution<int>(
                0, static_cast<int>(panel.combo.rows.size()) - 1)(random));
        }

        ASSERT_EQ(listedDevices().size(), expectedListed.size()) << "step " << step;
        ASSERT_TRUE(
            std::equal(expectedListed.begin(), expectedListed.end(), listedDevices().begin()))
            << "step " << step;
        ASSERT_EQ(panel.combo.rows.size(), arrDevList->size()) << "step " << step;
        for (size_t i = 0; i < expectedListed.size(); ++i) {
            ASSERT_EQ(panel.combo.rows[i], expectedName(*expectedListed[i])) << "step " << step;
            ASSERT_EQ((*arrDevList)[i].vid, expectedListed[i]->vendorId());
            ASSERT_EQ((*arrDevList)[i].pid, expectedListed[i]->productId());
        }
        const int selected = panel.combo.selected;
        if (selected < 0) {
            ASSERT_FALSE(panel.boundVidPid) << "step " << step;
        } else {
            const st_DevRef& entry = (*arrDevList)[static_cast<size_t>(selected)];
            ASSERT_EQ(panel.boundVidPid, std::make_pair(entry.vid, entry.pid)) << "step " << step;
        }
        for (auto& device : pool) {
            const bool listed = std::find(expectedListed.begin(), expectedListed.end(),
                                          device.get()) != expectedListed.end();
            ASSERT_EQ(device->isOpen(), listed) << device->productName() << " step " << step;
        }
    }

    EXPECT_GE(plugs + unplugs, 2000);
    EXPECT_GT(firstPaths, 10);  // the empty list was reached and left many times
    int opened = 0;
    int closed = 0;
    for (auto& device : pool) {
        EXPECT_EQ(device->misuses, 0) << device->productName();
        opened += device->successfulOpens;
        closed += device->closeCalls;
        if (!listable(*device)) {
            EXPECT_EQ(device->successfulOpens, 0) << device->productName();
        }
    }
    EXPECT_EQ(opened, closed + static_cast<int>(arrDevList->size()));
    EXPECT_EQ(panel.invalidCalls, 0);
}

}  // namespace
}  // namespace ptz
