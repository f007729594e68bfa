// The running app's pieces together: the real window, the udev HID watcher and both real USB
// backends, against emulated cameras whose hidraw nodes hang off their USB devices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "discovery/device_watcher.h"
#include "discovery/st_dev_ref.h"
#include "emulated_machine.h"
#include "platform/hid/hid_device.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/usb/usb_registry_factory.h"
#include "ui/device_combo_box_widget.h"
#include "ui/image_button.h"
#include "ui/main_window.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz {
namespace {

using testing::EmulatedUsbDevice;

constexpr uint8_t kVideoControl = 0, kHid = 2;  // the simulated camera's interfaces

// Twins of one model: the first held by the uvcvideo driver, the second by no driver (libusb).
TEST(EndToEnd, TwinCamerasOnEitherBackendEachRowMovesItsOwnUntilItIsUnplugged) {
    testing::EmulatedMachine machine;
    testing::UsbDeviceSpec held = testing::cameraAt(1, {2}, 2, 0x2e7e, 0x0605);
    held.drivers = {{kVideoControl, "uvcvideo"}, {kHid, "usbhid"}};
    EmulatedUsbDevice& uvc = machine.add(held);
    testing::UsbDeviceSpec free = testing::cameraAt(1, {3}, 3, 0x2e7e, 0x0605);
    free.drivers = {{kHid, "usbhid"}};
    EmulatedUsbDevice& raw = machine.add(free);

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
    const auto cameraOf = [&](int row) -> EmulatedUsbDevice& {
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
        EmulatedUsbDevice& own = cameraOf(row);
        EmulatedUsbDevice& other = &own == &uvc ? raw : uvc;
        QTest::mousePress(up, Qt::LeftButton);
        EXPECT_TRUE(own.state().moving && !other.state().moving) << "row " << row;
        QTest::mouseRelease(up, Qt::LeftButton);
        EXPECT_FALSE(own.state().moving) << "row " << row;
    }

    // One's hidraw node gone and back, then announced twice as udev may: listed once. The other
    // unplugged: no longer listed. Uevents are read in order.
    EmulatedUsbDevice& remaining = cameraOf(0);
    EmulatedUsbDevice& gone = cameraOf(1);
    for (const char* action : {"remove", "add", "add"}) {
        machine.uevent(remaining.hidrawSyspath(kHid), action);
    }
    machine.unplug(gone);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return devices.count() == 1 && &cameraOf(0) == &remaining; }));
    devices.setCurrentIndex(0);  // the replugged camera, picked, answers
    emit devices.activated(0);
    QTest::mouseClick(menu, Qt::LeftButton);
    EXPECT_TRUE(remaining.state().menu.open);
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
