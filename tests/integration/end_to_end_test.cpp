// The running app's pieces together: the real window, the udev HID watcher and both real USB
// backends, against emulated cameras whose hidraw nodes hang off their USB devices.

// First: GLib's headers, which it includes, use `signals` as a name, which Qt makes a keyword.
#include "emulated_video_nodes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include "discovery/device_watcher.h"
#include "discovery/st_dev_ref.h"
#include "hid_testbed.h"
#include "platform/hid/hid_device.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/usb/usb_registry_factory.h"
#include "ui/device_combo_box_widget.h"
#include "ui/image_button.h"
#include "ui/main_window.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using testing::EmulatedUsbCamera;

constexpr uint8_t kHidClass = 3;
constexpr uint8_t kVideoControl = 0;

// Twins of one model: the first held by the uvcvideo driver, the second by no driver (libusb).
TEST(EndToEnd, TwinCamerasOnEitherBackendEachRowMovesItsOwnUntilItIsUnplugged) {
    testing::UsbTestbed usb;
    testing::HidTestbed hid(usb.umockdev());
    testing::UsbDeviceSpec held = testing::cameraAt(1, {2}, 2, 0x2e7e, 0x0605);
    held.drivers[kVideoControl] = "uvcvideo";
    EmulatedUsbCamera& uvc = usb.add(held);
    testing::EmulatedVideoNodes nodes(usb.umockdev(), uvc.interfaceSyspath(kVideoControl),
                                      uvc.firmware(), testing::UvcvideoKernel::kReleased);
    EmulatedUsbCamera& raw = usb.add(testing::cameraAt(1, {3}, 3, 0x2e7e, 0x0605));
    std::map<EmulatedUsbCamera*, std::string> hidraw;
    for (EmulatedUsbCamera* camera : {&uvc, &raw}) {
        hidraw[camera] =
            hid.addHidNode(camera->interfaceSyspath(camera->firstInterfaceOfClass(kHidClass)));
    }

    // The app as main() puts it together.
    const std::unique_ptr<UsbRegistry> registry = createUsbRegistry();
    const std::unique_ptr<HidManager> hidManager = createHidManager();
    MainWindow window(*registry,
                      [&](DeviceListPanel& panel) { setUpDeviceWatcher(*hidManager, panel); });
    window.show();
    auto& devices = *window.osdPanel()->findChild<DeviceComboBoxWidget*>("cbxDevice");
    auto* menu = window.osdPanel()->findChild<ImageButton*>("openCloseBtn");
    ASSERT_TRUE(QTest::qWaitFor([&] { return devices.count() == 2; }));
    auto* up = window.ptzPanel()->findChild<ImageButton*>("upButton");  // built by now
    const auto state = [&](EmulatedUsbCamera& camera) {
        sim::CameraState now;
        nodes.withFirmware([&](sim::SimulatedCamera&) { now = camera.firmware().state(); });
        return now;
    };
    const auto cameraOf = [&](int row) -> EmulatedUsbCamera& {
        const uint32_t location = (*arrDevList)[static_cast<size_t>(row)].devRef->locationId();
        return location == uvc.locationId() ? uvc : raw;
    };

    EXPECT_EQ(devices.currentIndex(), 0) << "the first listed is bound at once";
    EXPECT_EQ(devices.itemText(1), "Simulated PTZ Camera") << "its USB device's product";
    for (const int row : {0, 1}) {
        if (row != devices.currentIndex()) {
            devices.setCurrentIndex(row);
            emit devices.activated(row);
        }
        EmulatedUsbCamera& own = cameraOf(row);
        EmulatedUsbCamera& other = &own == &uvc ? raw : uvc;
        QTest::mousePress(up, Qt::LeftButton);
        EXPECT_TRUE(state(own).moving && !state(other).moving) << "row " << row;
        QTest::mouseRelease(up, Qt::LeftButton);
        EXPECT_FALSE(state(own).moving) << "row " << row;
    }

    // Replugged, then announced twice as udev may: listed once. Uevents are read in order.
    EmulatedUsbCamera& remaining = cameraOf(0);
    EmulatedUsbCamera& gone = cameraOf(1);
    for (const char* action : {"remove", "add", "add"}) {
        hid.sendUevent(hidraw[&remaining], action);
    }
    hid.unplug(hidraw[&gone]);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return std::none_of(arrDevList->begin(), arrDevList->end(), [&](const auto& row) {
            return row.devRef->locationId() == gone.locationId();
        });
    }));
    EXPECT_EQ(devices.count(), 1);
    devices.setCurrentIndex(0);  // the replugged camera, picked, answers
    emit devices.activated(0);
    QTest::mouseClick(menu, Qt::LeftButton);
    EXPECT_TRUE(state(remaining).menu.open);
}

}  // namespace
}  // namespace ptz

int main(int argc, char** argv) {
    ptz::testing::ensureUmockdevPreload(argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    // The window's memory (the camera picked last, above all) stays with this process.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
