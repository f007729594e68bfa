// The window on real widgets with the simulated camera behind it, for what needs Qt: the mouse and
// keys on the panels, the preset and device boxes' signals, shortcuts and dialogs, the status line
// with its camera picker, the speed menu and what the window remembers. The panels' behaviour is
// checked through fake views in the unit tests.
#include <gmock/gmock.h>

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "discovery/st_dev_ref.h"
#include "fake_usb.h"
#include "log_capture.h"
#include "request_lines.h"
#include "ui/device_combo_box_widget.h"
#include "ui/image_button.h"
#include "ui/main_window.h"
#include "ui/preset_combo_box.h"
#include "ui/radio_matrix.h"
#include "ui/speed_slider.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// Two cameras in the registry, both the simulated one: 3242:1000 (its model shows the PTZ tab
// only) and another.
constexpr st_DevRef kPtzOnlyCamera{nullptr, 0x3242, 0x1000};
constexpr st_DevRef kPlainCamera{nullptr, 0x1234, 0x0606};

constexpr auto panTilt = [](const char* data) { return setCur(panTiltRelative, data); };
constexpr auto zoom = [](const char* data) { return setCur(zoomRelative, data); };
constexpr auto osdKey = [](UvcControlRow row) { return setCur(row, "00 00"); };

// Answers the next modal dialog, once it runs.
void answerNextDialog(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

// Clicks a row of a combo box's open list.
void pickFromList(QComboBox& box, int row) {
    box.showPopup();
    QAbstractItemView* list = box.view();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(row, 0)).center());
}

class Window : public ::testing::Test {
  protected:
    Window() {
        for (const st_DevRef& camera : {kPtzOnlyCamera, kPlainCamera}) {
            usb.registry.add({.vendorId = static_cast<uint32_t>(camera.vid),
                              .productId = static_cast<uint32_t>(camera.pid)});
        }
        window = std::make_unique<MainWindow>(usb.registry, OsdPanelLogic::DeviceWatcherSetUp{});
    }
    ~Window() override {
        window.reset();
        arrDevList.reset();
    }

    ViewController& osd() { return *window->osdPanel(); }
    ViewController2& ptz() { return *window->ptzPanel(); }
    TabViewController& tabs() { return *window->tabViewController(); }
    template <typename Widget = ImageButton>
    Widget& in(QWidget& parent, const char* name) {
        return *parent.findChild<Widget*>(name);
    }

    // Lists both cameras as the device watcher does: an entry and a row each.
    void listCameras() {
        for (const st_DevRef& camera : {kPtzOnlyCamera, kPlainCamera}) {
            arrDevList->push_back(camera);
            osd().cbxDevice().addItemWithObjectValue("camera " + std::to_string(camera.pid));
        }
    }
    void bind(const st_DevRef& camera) {
        osd().InitUvcContrl(camera.pid, camera.vid, 0);
        usb.sent();
    }
    std::vector<std::string> sent() { return usb.sent(); }
    void show() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void hold(const char* button) {
        QTest::mousePress(&in(ptz(), button), Qt::LeftButton);
        QTest::mouseRelease(&in(ptz(), button), Qt::LeftButton);
    }

    SimulatedUsb usb;
    LogCapture log;
    std::unique_ptr<MainWindow> window;
};

TEST_F(Window, OpensAtItsPreferredSizeWithTheStatusLineBelowAndEveryKeyDressed) {
    show();
    EXPECT_EQ(tabs().size(), QSize(528, 532));
    EXPECT_EQ(osd().sizeHint(), QSize(518, 506));
    EXPECT_EQ(window->width(), 528);
    EXPECT_EQ(in<QToolButton>(*window, "cameraPicker").text(), "No camera");
    const QList<ImageButton*> keys = window->findChildren<ImageButton*>();
    EXPECT_EQ(keys.size(), 17);
    for (const ImageButton* key : keys) {
        EXPECT_TRUE(key->hasImage()) << key->imageName() << " is missing from the resources";
        EXPECT_FALSE(key->toolTip().isEmpty() || key->accessibleName().isEmpty())
            << key->objectName().toStdString();
    }
}

TEST_F(Window, AButtonMovesWhileHeldAndStopsWhenLetGoHiddenOrDisabled) {
    bind(kPlainCamera);
    hold("rightButton");
    QTest::mousePress(&in(ptz(), "focusPlus"), Qt::LeftButton);
    osd().ReInitUI(kPtzOnlyCamera);  // its model has no focus keys
    EXPECT_TRUE(in<QLabel>(ptz(), "focusCaption").isHidden());
    QTest::mousePress(&in(ptz(), "upButton"), Qt::LeftButton);
    ptz().EnableCtrl(false);
    EXPECT_THAT(sent(),
                ElementsAre(panTilt("01 0a 00 00"), panTilt("00 0a 00 00"), setCur(focusAuto, "00"),
                            setCur(focusRelative, "01 03"), setCur(focusRelative, "00 03"),
                            panTilt("00 00 01 0a"), panTilt("00 00 00 0a")));
    EXPECT_FALSE(ptz().isHeld(HoldControl::FocusPlus) || ptz().isHeld(HoldControl::Up));
}

TEST_F(Window, KeysDriveThePanelsAndKeyRepeatDoesNothing) {
    bind(kPlainCamera);
    show();
    const auto press = [](QWidget& panel, Qt::Key key) {
        QTest::keyPress(&panel, key);
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&panel, &repeat);
        QTest::keyRelease(&panel, key);
    };
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Return,
                              Qt::Key_Backspace, Qt::Key_M}) {
        press(osd(), key);
    }
    EXPECT_THAT(sent(), ElementsAre(osdKey(osdUp), panTilt("00 00 00 0a"), osdKey(osdDown),
                                    panTilt("00 00 00 0a"), osdKey(osdLeft), panTilt("00 0a 00 00"),
                                    osdKey(osdRight), panTilt("00 0a 00 00"), osdKey(osdOk),
                                    osdKey(osdBack), osdKey(osdOpenClose)));
    tabs().setCurrentIndex(1);
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Plus, Qt::Key_Minus}) {
        press(ptz(), key);
    }
    QTest::keyClick(&ptz(), Qt::Key_Home);
    QTest::keyPress(&ptz(), Qt::Key_Down);
    tabs().setCurrentIndex(0);  // a key held when its tab goes: let go
    EXPECT_THAT(
        sent(),
        ElementsAre(panTilt("00 00 01 0a"), panTilt("00 00 00 0a"), zoom("01 00 03"),
                    zoom("00 00 03"), zoom("ff 00 03"), zoom("00 00 03"),
                    setCur(panTiltAbsolute, "00 00 00 00 00 00 00 00"),
                    setCur(zoomAbsolute, "00 00"), panTilt("00 00 ff 0a"), panTilt("00 00 00 0a")));
    EXPECT_FALSE(in(ptz(), "downButton").isDown());
}

TEST_F(Window, ThePresetBoxSendsOnTheUsersPicksAndReturnOnly) {
    bind(kPlainCamera);
    show();
    tabs().setCurrentIndex(1);
    PresetComboBox& box = in<PresetComboBox>(ptz(), "presetCbx");
    box.setFocus();
    box.lineEdit()->clear();
    QTest::keyClicks(box.lineEdit(), "42");
    EXPECT_THAT(sent(), IsEmpty());
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    EXPECT_THAT(sent(), ElementsAre(setCur(presetCall, "2a")));
    EXPECT_EQ(box.count(), 10) << "a typed number is not added";
    EXPECT_TRUE(ptz().hasFocus()) << "the keys go back to the camera";

    in<RadioMatrix>(ptz(), "presetMatrix").cell(0)->click();  // Set: a stray send would store
    box.setFocus();
    for (const Qt::Key step : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        QTest::keyClick(box.lineEdit(), step);
    }
    QWheelEvent wheel(QPointF(5, 5), box.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&box, &wheel);
    box.setCurrentIndex(5);  // the program's own change
    ptz().setFocus();
    EXPECT_THAT(sent(), IsEmpty());
    pickFromList(box, 3);
    EXPECT_THAT(sent(), ElementsAre(setCur(presetSet, "03")));
}

TEST_F(Window, PresetShortcutsAndNamesGoThroughTheirDialogs) {
    bind(kPlainCamera);
    show();
    QTest::keyClick(window.get(), Qt::Key_3, Qt::ControlModifier);
    answerNextDialog([](QWidget* dialog) {
        qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Yes)->click();
    });
    QTest::keyClick(window.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_THAT(sent(), ElementsAre(setCur(presetCall, "03"), setCur(presetSet, "03")));

    PresetComboBox& box = in<PresetComboBox>(ptz(), "presetCbx");
    box.setCurrentIndex(3);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 box.lineEdit()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box.lineEdit(), &rightClick);
    QWidget* menu = QApplication::activePopupWidget();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions().last()->text(), "Name preset 3\u2026");
    answerNextDialog([](QWidget* dialog) {
        auto* input = qobject_cast<QInputDialog*>(dialog);
        input->setTextValue("Pulpit");
        input->accept();
    });
    menu->actions().last()->trigger();
    EXPECT_EQ(box.itemText(0), "3 \u00b7 Pulpit");
    EXPECT_EQ(box.currentText(), "3 \u00b7 Pulpit");
}

// Mended fault: a 3242:1000 camera's arrangement withholds the OSD tab and, with it, the camera
// box; the other cameras could not be picked until it was unplugged. The status line's picker
// stays, and the line says what failed until the next success.
TEST_F(Window, TheUsersPickBindsACameraWhichTheStatusLineCanChangeInEveryArrangement) {
    DeviceComboBoxWidget& box = in<DeviceComboBoxWidget>(osd(), "cbxDevice");
    QSignalSpy picked(&box, &DeviceComboBoxWidget::devicePicked);
    listCameras();  // as the watcher does, as are the next changes
    osd().cbxDevice().selectItemAtIndex(1);
    osd().cbxDevice().setStringValue("");
    EXPECT_EQ(osd().cbxDevice().indexOfSelectedItem(), -1);
    QWheelEvent wheel(QPointF(5, 5), box.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&box, &wheel);
    EXPECT_EQ(picked.count(), 0);
    EXPECT_THAT(usb.script.calls, IsEmpty()) << "nothing was bound";
    show();
    pickFromList(box, 0);
    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(tabs().count(), 1) << "3242:1000 bound: the PTZ tab only";

    QToolButton& picker = in<QToolButton>(*window, "cameraPicker");
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.text(), "USB camera 3242:1000");
    emit picker.menu()->aboutToShow();
    ASSERT_EQ(picker.menu()->actions().size(), 2);
    picker.menu()->actions()[1]->trigger();
    EXPECT_EQ(tabs().count(), 2);
    EXPECT_EQ(picker.text(), "USB camera 1234:0606");
    emit picker.menu()->aboutToShow();
    EXPECT_TRUE(picker.menu()->actions()[1]->isChecked());

    QLabel& message = in<QLabel>(*window, "statusMessage");
    usb.script.requestResults = {usb_status::kTimeout, usb_status::kSuccess};
    QTest::mouseClick(&in(ptz(), "homeButton"), Qt::LeftButton);
    EXPECT_EQ(message.text(), "The camera did not answer");
    QTest::mouseClick(&in(ptz(), "homeButton"), Qt::LeftButton);
    EXPECT_EQ(message.text(), "");
}

TEST_F(Window, SpeedControlsShowOnThePtzTabAndAskTheCameraWhenOpened) {
    bind(kPlainCamera);
    show();
    QToolButton& speed = in<QToolButton>(*window, "speedButton");
    EXPECT_FALSE(speed.isVisible());
    tabs().setCurrentIndex(1);
    EXPECT_TRUE(speed.isVisible());
    emit speed.menu()->aboutToShow();
    EXPECT_EQ(sent().size(), 6u) << "GET_MIN and GET_MAX of pan/tilt, zoom and focus";
    in<SpeedSlider>(ptz(), "panTiltSpeed").triggerAction(QAbstractSlider::SliderToMaximum);
    hold("upButton");
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 00 01 14"), panTilt("00 00 00 14")))
        << "the fastest that pan (24) and tilt (20) both take";
}

TEST_F(Window, TheWindowRemembersItsPlaceAndTheUsersTab) {
    show();
    QTabBar& bar = *tabs().tabBar();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(1).center());
    window->resize(600, 640);
    window->close();
    MainWindow again(usb.registry, OsdPanelLogic::DeviceWatcherSetUp{});
    EXPECT_EQ(again.tabViewController()->currentWidget(), again.ptzPanel());
    EXPECT_EQ(again.size(), QSize(600, 640));
}

}  // namespace
}  // namespace ptz::testing
