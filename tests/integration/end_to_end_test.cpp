// The running app's pieces together: the real window, the udev HID watcher and the real USB
// backend, against emulated cameras whose hidraw nodes hang off their USB devices.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "discovery/device_watcher.h"
#include "discovery/st_dev_ref.h"
#include "hid_testbed.h"
#include "log_capture.h"
#include "platform/hid/hid_device.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/usb/usb_registry_factory.h"
#include "ui/device_combo_box_widget.h"
#include "ui/image_button.h"
#include "ui/main_window.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"
#include "umockdev_preload.h"
#include "usb_testbed.h"

namespace ptz {
namespace {

using testing::cameraAt;
using ::testing::Contains;
using ::testing::ElementsAre;
using testing::EmulatedUsbCamera;
using testing::HidTestbed;
using ::testing::IsEmpty;
using testing::LogCapture;
using testing::UsbTestbed;

constexpr uint8_t kHidClass = 3;
constexpr const char* kOsdUp = "21 01 00 01 00 13 02 00 | 00 00";
constexpr const char* kTiltUp = "21 01 00 0e 00 01 04 00 | 00 00 01 0a";
constexpr const char* kTiltStop = "21 01 00 0e 00 01 04 00 | 00 00 00 0a";

class EndToEnd : public ::testing::Test {
  protected:
    UsbTestbed usb;
    HidTestbed hid{usb.umockdev()};
    LogCapture log;

    // A camera with its HID interface's hidraw node; returns the node's syspath.
    std::string plug(EmulatedUsbCamera& camera) {
        return hid.addHidNode(camera.interfaceSyspath(camera.firstInterfaceOfClass(kHidClass)));
    }

    // The app as main() puts it together.
    void start() {
        registry = createUsbRegistry();
        hidManager = createHidManager();
        window = std::make_unique<MainWindow>(
            *registry, [this](DeviceListPanel& panel) { setUpDeviceWatcher(*hidManager, panel); });
        window->show();
    }

    DeviceComboBoxWidget& devices() { return *window->osdPanel()->deviceComboBox(); }

    bool waitForRows(int rows) {
        return QTest::qWaitFor([&] { return devices().count() == rows; }, 5000);
    }

    void holdPtzUp() {
        ImageButton* up = window->ptzPanel()->button(HoldControl::Up);
        QTest::mousePress(up, Qt::LeftButton);
        QTest::mouseRelease(up, Qt::LeftButton);
    }

    std::unique_ptr<UsbRegistry> registry;
    std::unique_ptr<HidManager> hidManager;
    std::unique_ptr<MainWindow> window;
};

TEST_F(EndToEnd, CameraPresentAtStartIsBoundAndClicksReachItAsBytes) {
    EmulatedUsbCamera& camera = usb.add(cameraAt(1, {2}, 2, 0x2e7e, 0x0605));
    plug(camera);
    start();
    ASSERT_TRUE(waitForRows(1));

    EXPECT_EQ(devices().currentIndex(), 0);
    EXPECT_EQ(devices().itemText(0).toStdString(), "Simulated PTZ Camera");
    EXPECT_EQ(window->tabViewController()->count(), 2);
    EXPECT_THAT(log.lines, Contains("IOHIDManager打开成功"));
    EXPECT_THAT(log.lines, Contains("my product name: Simulated PTZ Camera"));

    QTest::mouseClick(window->osdPanel()->upKey(), Qt::LeftButton);
    holdPtzUp();
    EXPECT_THAT(camera.requestLines(), ElementsAre(kOsdUp, kTiltStop, kTiltUp, kTiltStop));
    EXPECT_THAT(log.lines, ::testing::Not(Contains(::testing::HasSubstr("CameraControl Error"))));
}

TEST_F(EndToEnd, UnpluggingTheSelectedCameraUnbindsItAndThePickedOneTakesOver) {
    EmulatedUsbCamera& ptzOnly = usb.add(cameraAt(1, {2}, 2, 0x3242, 0x1000));
    EmulatedUsbCamera& other = usb.add(cameraAt(1, {3}, 3, 0x2e7e, 0x0605));
    const std::string ptzOnlyNode = plug(ptzOnly);
    const std::string otherNode = plug(other);
    start();
    ASSERT_TRUE(waitForRows(2));
    ASSERT_EQ(arrDevList->size(), 2u);

    // Whichever the enumeration reported first is bound and arranged.
    const bool ptzOnlyFirst = (*arrDevList)[0].pid == 0x1000;
    EmulatedUsbCamera& bound = ptzOnlyFirst ? ptzOnly : other;
    EmulatedUsbCamera& remaining = ptzOnlyFirst ? other : ptzOnly;
    EXPECT_EQ(window->tabViewController()->count(), ptzOnlyFirst ? 1 : 2);
    holdPtzUp();
    EXPECT_THAT(bound.requestLines(), ElementsAre(kTiltUp, kTiltStop));
    EXPECT_THAT(remaining.requestLines(), IsEmpty());

    hid.unplug(ptzOnlyFirst ? ptzOnlyNode : otherNode);
    ASSERT_TRUE(waitForRows(1));
    EXPECT_THAT(log.lines, Contains("断开成功"));
    EXPECT_EQ(devices().currentIndex(), -1);
    EXPECT_EQ(window->tabViewController()->count(), 2);  // the full arrangement again

    // Unbound: the OSD keys send nothing, and nothing is bound until the user picks.
    bound.clearRequests();
    QTest::mouseClick(window->osdPanel()->upKey(), Qt::LeftButton);
    EXPECT_THAT(remaining.requestLines(), IsEmpty());
    EXPECT_THAT(bound.requestLines(), IsEmpty());

    devices().setCurrentIndex(0);
    emit devices().activated(0);
    QTest::mouseClick(window->osdPanel()->upKey(), Qt::LeftButton);
    EXPECT_THAT(remaining.requestLines(), ElementsAre(kOsdUp, kTiltStop));
}

TEST_F(EndToEnd, TwinCamerasOfOneModelEachRowMovesItsOwn) {
    EmulatedUsbCamera& left = usb.add(cameraAt(1, {2}, 2, 0x2e7e, 0x0605));
    EmulatedUsbCamera& right = usb.add(cameraAt(1, {3}, 3, 0x2e7e, 0x0605));
    plug(left);
    plug(right);
    start();
    ASSERT_TRUE(waitForRows(2));

    for (int row : {1, 0}) {
        devices().setCurrentIndex(row);
        emit devices().activated(row);
        left.clearRequests();
        right.clearRequests();
        holdPtzUp();
        const bool leftIsRow =
            (*arrDevList)[static_cast<size_t>(row)].devRef->locationId() == left.locationId();
        EXPECT_THAT((leftIsRow ? left : right).requestLines(), ElementsAre(kTiltUp, kTiltStop));
        EXPECT_THAT((leftIsRow ? right : left).requestLines(), IsEmpty());
    }
}

}  // namespace
}  // namespace ptz

int main(int argc, char** argv) {
    ptz::testing::ensureUmockdevPreload(argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
