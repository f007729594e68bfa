// The window on real widgets, for what needs Qt: the mouse and keys on the panels, the preset
// and device boxes' signals, shortcuts and dialogs, the status line with its camera picker,
// the speed controls and what the window remembers. The panels' behaviour is checked through
// fake views in the unit tests.
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

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct TestCamera {
    int32_t vid;
    int32_t pid;
    uint32_t location;
};
constexpr TestCamera kPtzOnlyCamera{0x3242, 0x1000, 0x11000000};
constexpr TestCamera kPlainCamera{0x1234, 0x0606, 0x12000000};

std::string panTilt(const char* data) {
    return std::string("21 01 00 0e 00 01 04 00 | ") + data;
}
std::string zoom(const char* data) {
    return std::string("21 01 00 0c 00 01 03 00 | ") + data;
}
std::string osdKey(int selector) {
    return "21 01 00 0" + std::to_string(selector) + " 00 13 02 00 | 00 00";
}
std::string preset(bool store, const char* data) {
    return std::string(store ? "21 01 00 04 00 14 01 00 | " : "21 01 00 05 00 14 01 00 | ") + data;
}
const char* const kHome[] = {"21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00",
                             "21 01 00 0b 00 01 02 00 | 00 00"};

// Answers the next modal dialog, once it runs.
void answerNextDialog(std::function<void(QWidget*)> answer) {
    QTimer::singleShot(0, [answer] { answer(QApplication::activeModalWidget()); });
}

class Window : public ::testing::Test {
  protected:
    Window() {
        for (const TestCamera& camera : {kPtzOnlyCamera, kPlainCamera}) {
            registry.add({.vendorId = static_cast<uint32_t>(camera.vid),
                          .productId = static_cast<uint32_t>(camera.pid),
                          .locationId = camera.location});
        }
        window = std::make_unique<MainWindow>(registry, OsdPanelLogic::DeviceWatcherSetUp{});
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

    // Lists cameras as the device watcher does: an entry and a row each.
    void list(std::initializer_list<TestCamera> cameras) {
        for (const TestCamera& camera : cameras) {
            arrDevList->push_back({nullptr, camera.vid, camera.pid});
            osd().cbxDevice().addItemWithObjectValue("camera " + std::to_string(camera.pid));
        }
    }
    void bind(const TestCamera& camera) {
        osd().InitUvcContrl(camera.pid, camera.vid, 0);
        bus.clear();
    }
    std::vector<std::string> sent() {
        std::vector<std::string> lines = bus.transferLines();
        bus.clear();
        return lines;
    }
    void show() {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void hold(ImageButton& button) {
        QTest::mousePress(&button, Qt::LeftButton);
        QTest::mouseRelease(&button, Qt::LeftButton);
    }

    FakeBus bus;
    FakeUsbRegistry registry{bus};
    LogCapture log;
    std::unique_ptr<MainWindow> window;
};

TEST_F(Window, OpensDressedAtItsPreferredSizeWithTheStatusLineBelow) {
    EXPECT_EQ(tabs().tabText(0), "OSD");
    EXPECT_EQ(tabs().tabText(1), "PTZ");
    EXPECT_EQ(tabs().widget(0), &osd());
    EXPECT_EQ(tabs().widget(1), &ptz());
    EXPECT_EQ(osd().sizeHint(), QSize(518, 506));
    show();
    EXPECT_EQ(tabs().size(), QSize(528, 532));
    EXPECT_EQ(window->width(), 528);
    EXPECT_EQ(in<QToolButton>(*window, "cameraPicker").text(), "No camera");
    EXPECT_EQ(osd().palette().color(QPalette::Window), QColor::fromRgbF(0.6f, 0.6f, 0.6f));
    EXPECT_EQ(ptz().palette().color(QPalette::Window), QColor::fromRgbF(0.4f, 0.4f, 0.4f));
    const QList<ImageButton*> keys = window->findChildren<ImageButton*>();
    EXPECT_EQ(keys.size(), 17);
    for (const ImageButton* key : keys) {
        const std::string name = key->objectName().toStdString();
        EXPECT_TRUE(key->hasImage()) << key->imageName() << " is missing from the resources";
        EXPECT_FALSE(key->isBordered()) << name;
        EXPECT_FALSE(key->toolTip().isEmpty()) << name;
        EXPECT_FALSE(key->accessibleName().isEmpty()) << name;
    }
}

TEST_F(Window, AButtonMovesWhileHeldAndStopsWhenLetGoHiddenOrDisabled) {
    bind(kPlainCamera);
    hold(in(ptz(), "rightButton"));
    EXPECT_THAT(sent(), ElementsAre(panTilt("01 0a 00 00"), panTilt("00 0a 00 00")));
    QTest::mousePress(&in(ptz(), "focusPlus"), Qt::LeftButton);
    osd().ReInitUI({nullptr, kPtzOnlyCamera.vid, kPtzOnlyCamera.pid});  // hides the focus keys
    EXPECT_TRUE(in<QLabel>(ptz(), "focusCaption").isHidden());
    QTest::mousePress(&in(ptz(), "upButton"), Qt::LeftButton);
    ptz().EnableCtrl(false);
    EXPECT_THAT(sent(),
                ElementsAre("21 01 00 08 00 01 01 00 | 00", "21 01 00 07 00 01 02 00 | 01 03",
                            "21 01 00 07 00 01 02 00 | 00 03", panTilt("00 00 01 0a"),
                            panTilt("00 00 00 0a")));
    EXPECT_FALSE(ptz().isHeld(HoldControl::FocusPlus) || ptz().isHeld(HoldControl::Up));
}

TEST_F(Window, KeysDriveThePanelsAndKeyRepeatDoesNothing) {
    bind(kPlainCamera);
    show();
    const auto press = [](QWidget& panel, Qt::Key key) {
        QTest::keyPress(&panel, key);
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&panel, &repeat);
    };
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Return,
                              Qt::Key_Backspace, Qt::Key_M}) {
        press(osd(), key);
        QTest::keyRelease(&osd(), key);
    }
    EXPECT_THAT(sent(),
                ElementsAre(osdKey(1), panTilt("00 00 00 0a"), osdKey(2), panTilt("00 00 00 0a"),
                            osdKey(3), panTilt("00 0a 00 00"), osdKey(4), panTilt("00 0a 00 00"),
                            osdKey(5), osdKey(6), osdKey(7)));
    tabs().setCurrentIndex(1);
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Plus, Qt::Key_Minus}) {
        press(ptz(), key);
        EXPECT_TRUE(in(ptz(), key == Qt::Key_Up ? "upButton" : "zoomPlus").isDown() ||
                    key == Qt::Key_Minus);
        QTest::keyRelease(&ptz(), key);
    }
    QTest::keyClick(&ptz(), Qt::Key_Home);
    QTest::keyPress(&ptz(), Qt::Key_Down);
    tabs().setCurrentIndex(0);  // a key held when its tab goes: let go
    EXPECT_THAT(sent(),
                ElementsAre(panTilt("00 00 01 0a"), panTilt("00 00 00 0a"), zoom("01 00 03"),
                            zoom("00 00 03"), zoom("ff 00 03"), zoom("00 00 03"), kHome[0],
                            kHome[1], panTilt("00 00 ff 0a"), panTilt("00 00 00 0a")));
    EXPECT_FALSE(in(ptz(), "downButton").isDown());
}

TEST_F(Window, ThePresetBoxSendsOnTheUsersPicksAndReturnOnly) {
    bind(kPlainCamera);
    show();
    tabs().setCurrentIndex(1);
    PresetComboBox& box = in<PresetComboBox>(ptz(), "presetCbx");
    QSignalSpy chosen(&box, &PresetComboBox::presetChosen);
    box.setFocus();
    box.lineEdit()->clear();
    QTest::keyClicks(box.lineEdit(), "42");
    EXPECT_THAT(sent(), IsEmpty());
    QTest::keyClick(box.lineEdit(), Qt::Key_Return);
    EXPECT_THAT(sent(), ElementsAre(preset(false, "2a")));
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

    box.showPopup();
    QAbstractItemView* items = box.view();
    QTest::mouseClick(items->viewport(), Qt::LeftButton, {},
                      items->visualRect(items->model()->index(3, 0)).center());
    EXPECT_THAT(sent(), ElementsAre(preset(true, "03")));
    EXPECT_EQ(chosen.count(), 2);
}

TEST_F(Window, PresetShortcutsAndNamesGoThroughTheirDialogs) {
    bind(kPlainCamera);
    show();
    QTest::keyClick(window.get(), Qt::Key_3, Qt::ControlModifier);
    answerNextDialog([](QWidget* dialog) {
        qobject_cast<QMessageBox*>(dialog)->button(QMessageBox::Yes)->click();
    });
    QTest::keyClick(window.get(), Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_THAT(sent(), ElementsAre(preset(false, "03"), preset(true, "03")));

    PresetComboBox& box = in<PresetComboBox>(ptz(), "presetCbx");
    box.setCurrentIndex(3);
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(5, 5),
                                 box.lineEdit()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(box.lineEdit(), &rightClick);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
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
    EXPECT_THAT(sent(), IsEmpty());
}

TEST_F(Window, TheDeviceBoxBindsOnTheUsersPickOnly) {
    DeviceComboBoxWidget& box = in<DeviceComboBoxWidget>(osd(), "cbxDevice");
    QSignalSpy picked(&box, &DeviceComboBoxWidget::devicePicked);
    // As the watcher lists the first camera, a second, then loses the selected one.
    arrDevList->push_back({nullptr, kPlainCamera.vid, kPlainCamera.pid});
    osd().cbxDevice().setStringValue("Camera A");
    osd().cbxDevice().addItemWithObjectValue("Camera A");
    osd().cbxDevice().selectItemAtIndex(0);
    list({kPtzOnlyCamera});
    osd().cbxDevice().selectItemAtIndex(1);
    osd().cbxDevice().setStringValue("");
    EXPECT_EQ(osd().cbxDevice().indexOfSelectedItem(), -1);
    QWheelEvent wheel(QPointF(5, 5), box.mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&box, &wheel);
    EXPECT_EQ(picked.count(), 0);
    EXPECT_THAT(bus.calls, IsEmpty()) << "nothing was bound";

    show();
    box.showPopup();
    QAbstractItemView* rows = box.view();
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {},
                      rows->visualRect(rows->model()->index(1, 0)).center());
    EXPECT_EQ(picked.count(), 1);
    EXPECT_THAT(bus.calls, Contains("device-plugin " + std::to_string(kPtzOnlyCamera.location)));
    EXPECT_EQ(tabs().count(), 1) << "3242:1000 shows the PTZ tab only";
}

// Mended fault: a 3242:1000 camera's arrangement withholds the OSD tab and, with it, the camera
// box; the other cameras could not be picked until it was unplugged.
TEST_F(Window, AnotherCameraCanBePickedInEveryArrangement) {
    list({kPtzOnlyCamera, kPlainCamera});
    show();
    QToolButton& picker = in<QToolButton>(*window, "cameraPicker");
    const auto pick = [&](int row) {
        emit picker.menu()->aboutToShow();
        ASSERT_EQ(picker.menu()->actions().size(), 2);
        picker.menu()->actions()[row]->trigger();
    };
    pick(0);
    EXPECT_EQ(tabs().count(), 1);
    EXPECT_TRUE(picker.isVisible());
    EXPECT_EQ(picker.text(), "USB camera 3242:1000");
    pick(1);
    EXPECT_EQ(tabs().count(), 2);
    EXPECT_THAT(bus.calls, Contains("device-plugin " + std::to_string(kPlainCamera.location)));
    EXPECT_EQ(picker.text(), "USB camera 1234:0606");
    emit picker.menu()->aboutToShow();
    EXPECT_TRUE(picker.menu()->actions()[1]->isChecked());
}

TEST_F(Window, TheStatusLineSaysWhatFailedUntilTheNextSuccess) {
    bind(kPlainCamera);
    QLabel& message = in<QLabel>(*window, "statusMessage");
    bus.requestResults = {usb_status::kTimeout, usb_status::kSuccess};
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
    EXPECT_THAT(sent(), IsEmpty());
    emit speed.menu()->aboutToShow();
    EXPECT_EQ(sent().size(), 6u) << "GET_MIN and GET_MAX of pan/tilt, zoom and focus";
    in<SpeedSlider>(ptz(), "panTiltSpeed").triggerAction(QAbstractSlider::SliderToMaximum);
    hold(in(ptz(), "upButton"));
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 00 01 ff"), panTilt("00 00 00 ff")));
}

TEST_F(Window, TheWindowRemembersItsPlaceAndTheUsersTab) {
    show();
    QTabBar& bar = *tabs().tabBar();
    QTest::mouseClick(&bar, Qt::LeftButton, {}, bar.tabRect(1).center());
    window->resize(600, 640);
    window->close();
    MainWindow again(registry, OsdPanelLogic::DeviceWatcherSetUp{});
    EXPECT_EQ(again.tabViewController()->currentWidget(), again.ptzPanel());
    EXPECT_EQ(again.size(), QSize(600, 640));
}

}  // namespace
}  // namespace ptz::testing
