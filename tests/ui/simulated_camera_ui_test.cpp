// The program as --simulated-camera makes it: the simulated camera comes through the HID and
// USB seams to the real device watcher, binding and panels, and its view repaints only while
// something moves.
#include <gmock/gmock.h>

#include <QLineEdit>
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
#include "ui/radio_matrix.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using namespace std::chrono_literals;

constexpr int32_t kArcSecondsPerDegree = 3600;

class SimulatedCameraPanel : public ::testing::Test {
  protected:
    void SetUp() override { window.show(); }

    ViewController& osd() { return *window.osdPanel(); }
    ViewController2& ptz() { return *window.ptzPanel(); }
    sim::CameraState state() { return bench.camera.state(); }
    std::vector<std::string> rows() {
        std::vector<std::string> texts;
        for (int row = 0; row < osd().deviceComboBox()->count(); ++row) {
            texts.push_back(osd().deviceComboBox()->itemText(row).toStdString());
        }
        return texts;
    }
    // Holds a PTZ button for `duration` of the camera's time.
    void hold(HoldControl control, std::chrono::milliseconds duration) {
        QTest::mousePress(ptz().button(control), Qt::LeftButton);
        bench.clock.advance(duration);
        QTest::mouseRelease(ptz().button(control), Qt::LeftButton);
    }
    void preset(int column, const char* number) {
        ptz().radioMatrix()->cell(column)->click();
        QLineEdit* edit = ptz().presetComboBox()->lineEdit();
        edit->setText(number);
        QTest::keyClick(edit, Qt::Key_Return);
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
    EXPECT_EQ(osd().deviceComboBox()->currentIndex(), 0);
    ASSERT_NE(osd().cameraControl(), nullptr);
    EXPECT_TRUE(osd().cameraControl()->isBound());
    EXPECT_EQ(ptz().cameraControl(), osd().cameraControl());
    EXPECT_EQ(window.tabViewController()->count(), 2);
    EXPECT_TRUE(ptz().presetComboBox()->isVisibleTo(&ptz()));
    EXPECT_TRUE(ptz().autoFocusKey()->isVisibleTo(&ptz()));

    FakeHidDevice real(0x2e7e, 0x0737, "HD Camera");
    machineHid.plug(real);
    EXPECT_THAT(rows(), ElementsAre("Simulated PTZ Camera", "HD Camera"));
}

TEST_F(SimulatedCameraPanel, TheOsdKeysDriveTheCamerasMenu) {
    QCoreApplication::processEvents();
    struct Step {
        ImageButton* key;
        bool open;
        const char* title;
        int cursor;
    };
    const Step steps[] = {
        {osd().openCloseKey(), true, "Setup", 0},  {osd().downKey(), true, "Setup", 1},
        {osd().okKey(), true, "White Balance", 0}, {osd().upKey(), true, "White Balance", 2},
        {osd().backKey(), true, "Setup", 1},       {osd().openCloseKey(), false, "", 0},
    };
    for (const Step& step : steps) {
        QTest::mouseClick(step.key, Qt::LeftButton);
        const sim::OsdMenuView menu = state().menu;
        EXPECT_EQ(menu.open, step.open) << step.title;
        EXPECT_EQ(menu.title, step.title);
        EXPECT_EQ(menu.cursor, step.cursor) << step.title;
    }
    QTest::mouseClick(osd().openCloseKey(), Qt::LeftButton);
    QTest::mouseClick(osd().rightKey(), Qt::LeftButton);
    QTest::mouseClick(osd().downKey(), Qt::LeftButton);
    QTest::mouseClick(osd().downKey(), Qt::LeftButton);
    QTest::mouseClick(osd().rightKey(), Qt::LeftButton);
    EXPECT_EQ(state().menu.lines[2], "Brightness    8");
}

TEST_F(SimulatedCameraPanel, APresetStoredThroughThePanelIsRecalledThroughIt) {
    QCoreApplication::processEvents();
    window.tabViewController()->setCurrentIndex(1);
    hold(HoldControl::Right, 1000ms);  // 40° a second at the panel's speed
    hold(HoldControl::Up, 500ms);
    EXPECT_EQ(state().pan, 40 * kArcSecondsPerDegree);
    EXPECT_EQ(state().tilt, 20 * kArcSecondsPerDegree);
    preset(0, "3");

    QTest::mouseClick(ptz().homeKey(), Qt::LeftButton);
    bench.clock.advance(2s);
    EXPECT_EQ(state().pan, 0);
    preset(1, "3");
    bench.clock.advance(2s);
    EXPECT_EQ(state().pan, 40 * kArcSecondsPerDegree);
    EXPECT_EQ(state().tilt, 20 * kArcSecondsPerDegree);
}

class PaintCounter : public QObject {
  public:
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
    QTest::mousePress(ptz().button(HoldControl::Left), Qt::LeftButton);
    EXPECT_GE(counter.paintsDuring(500ms), 5) << "while the head turns";
    QTest::mouseRelease(ptz().button(HoldControl::Left), Qt::LeftButton);
    EXPECT_GE(counter.paintsDuring(100ms), 1) << "where it stopped";
    EXPECT_EQ(counter.paintsDuring(1s), 0) << "idle again";

    window.tabViewController()->setCurrentIndex(0);
    QTest::mouseClick(osd().openCloseKey(), Qt::LeftButton);
    EXPECT_EQ(counter.paintsDuring(1s), 1) << "the menu opened";
}

}  // namespace
}  // namespace ptz::testing
