// The device watcher over a fake HID manager: a manager that fails to open, and a long random
// run checked against a model after every step. The edge cases run on udev in the integration
// tests.
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

// A keyboard of another vendor that shares a camera's product id is no camera; twin cameras
// of one model are told apart by their location; a name cannot add a line of its own.
TEST_F(DeviceWatcherTest, ListsUvcCamerasOnlyBindsEachAtItsLocationAndEscapesTheirNames) {
    FakeHidDevice keyboard{0x1234, 0x0605, "Keyboard"};
    keyboard.setVideoControl(false);
    FakeHidDevice first{0x2e7e, 0x0737, "Twin"};
    first.setLocationId(0x01200000);
    FakeHidDevice second{0x2e7e, 0x0737, "Evil\nCameraControl Error: forged\x1b[2J"};
    second.setLocationId(0x01300000);
    startWatching();

    for (FakeHidDevice* device : {&keyboard, &first, &second}) {
        manager.plug(*device);
    }
    EXPECT_EQ(keyboard.openCalls, 0);
    EXPECT_THAT(panel.combo.rows,
                ElementsAre("Twin", "Evil\\nCameraControl Error: forged\\x1b[2J"));
    EXPECT_THAT(log.lines, ElementsAre("my product name: Twin",
                                       "my product name: Evil\\nCameraControl Error: "
                                       "forged\\x1b[2J"));
    EXPECT_THAT(panel.calls, ::testing::Contains("InitUvcContrl 1847 11902 0x01200000"));
    panel.userPicksRow(1);
    EXPECT_EQ(panel.boundLocation, 0x01300000u);
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
    pool.push_back(std::make_unique<FakeHidDevice>(0x1234, 0x0606, "Look-alike Keyboard"));
    pool.back()->setVideoControl(false);
    for (size_t i = 0; i < pool.size(); ++i) {
        pool[i]->setLocationId(0x01000000u | static_cast<uint32_t>(i + 1) << 20);
    }

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
        return d.productName() != "Locked" && d.hasVideoControl() &&
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
            ASSERT_EQ(panel.boundLocation, entry.devRef->locationId()) << "step " << step;
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
