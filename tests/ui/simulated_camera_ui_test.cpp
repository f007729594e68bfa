// The program as --simulated-camera makes it: the simulated camera comes through the HID and
// USB seams to the real device watcher, binding and panels, and its view repaints only while
// something moves.
#include <gmock/gmock.h>

#include <QTest>

#include "discovery/device_watcher.h"
#include "fake_hid.h"
#include "fake_usb.h"
#include "simcam/simulated_hid_manager.h"
#include "simcam/simulated_usb_registry.h"
#include "simview/simulated_camera_view.h"
#include "ui/device_combo_box_widget.h"
#include "ui/image_button.h"
#include "ui/main_window.h"
#include "ui/preset_combo_box.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

class SimulatedCameraPanel : public ::testing::Test {
  protected:
    void SetUp() override { window.show(); }

    ViewController& osd() { return *window.osdPanel(); }
    ViewController2& ptz() { return *window.ptzPanel(); }
    std::vector<std::string> rows() {
        std::vector<std::string> texts;
        for (int row = 0; row < osd().findChild<DeviceComboBoxWidget*>("cbxDevice")->count();
             ++row) {
            texts.push_back(
                osd().findChild<DeviceComboBoxWidget*>("cbxDevice")->itemText(row).toStdString());
        }
        return texts;
    }
    // The machine has no USB device and no HID device of its own until the test plugs one.
    SimulatedUsb bench;
    FakeHidManager machineHid;
    sim::SimulatedUsbRegistry usb{bench.registry, bench.camera};
    sim::SimulatedHidManager hid{machineHid, bench.camera.spec(), [](std::function<void()> task) {
                                     QMetaObject::invokeMethod(qApp, std::move(task),
                                                               Qt::QueuedConnection);
                                 }};
    MainWindow window{usb, [this](DeviceListPanel& panel) { setUpDeviceWatcher(hid, panel); }};
};

TEST_F(SimulatedCameraPanel, ArrivesFromTheEventLoopAndIsListedBoundAndArrangedInFull) {
    EXPECT_THAT(rows(), ElementsAre()) << "not before the panel's load has returned";
    QCoreApplication::processEvents();
    EXPECT_THAT(rows(), ElementsAre("Simulated PTZ Camera"));
    EXPECT_EQ(osd().findChild<DeviceComboBoxWidget*>("cbxDevice")->currentIndex(), 0);
    ASSERT_NE(osd().cameraControl(), nullptr);
    EXPECT_TRUE(osd().cameraControl()->isBound());
    EXPECT_EQ(ptz().cameraControl(), osd().cameraControl());
    EXPECT_EQ(window.tabViewController()->count(), 2);
    EXPECT_TRUE(ptz().findChild<PresetComboBox*>("presetCbx")->isVisibleTo(&ptz()));

    FakeHidDevice real(0x2e7e, 0x0737, "HD Camera");
    machineHid.plug(real);
    EXPECT_THAT(rows(), ElementsAre("Simulated PTZ Camera", "HD Camera"));
}

// Counts the paints of the widget it filters.
struct PaintCounter : QObject {
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int paintsDuring(std::chrono::milliseconds wait) {
        paints = 0;
        QTest::qWait(static_cast<int>(wait.count()));
        return paints;
    }
    int paints = 0;
};

TEST_F(SimulatedCameraPanel, TheViewRepaintsOnlyWhileTheHeadMoves) {
    QCoreApplication::processEvents();
    SimulatedCameraView view(bench.camera);
    PaintCounter counter;
    view.installEventFilter(&counter);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    EXPECT_EQ(counter.paintsDuring(1s), 0) << "idle";

    window.tabViewController()->setCurrentIndex(1);
    QTest::mousePress(ptz().findChild<ImageButton*>("leftButton"), Qt::LeftButton);
    EXPECT_GE(counter.paintsDuring(500ms), 5) << "while the head turns";
    QTest::mouseRelease(ptz().findChild<ImageButton*>("leftButton"), Qt::LeftButton);
    EXPECT_GE(counter.paintsDuring(100ms), 1) << "where it stopped";
    EXPECT_EQ(counter.paintsDuring(1s), 0) << "idle again";

    window.tabViewController()->setCurrentIndex(0);
    const QImage closed = view.grab().toImage();
    QTest::mouseClick(osd().findChild<ImageButton*>("openCloseBtn"), Qt::LeftButton);
    EXPECT_EQ(counter.paintsDuring(1s), 1) << "the menu opened";
    EXPECT_NE(view.grab().toImage(), closed) << "and is shown";
}

}  // namespace
}  // namespace ptz::testing
