// The PTZ panel on real widgets: its load, what each control sends, the latches, toggles and
// the autofocus image, press-and-hold, keys, presets and EnableCtrl.
#include <gmock/gmock.h>

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "panel_test_fixture.h"
#include "ui/preset_combo_box.h"
#include "ui/radio_matrix.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::SizeIs;

class PtzPanel : public PanelTest {
  protected:
    void press(HoldControl control) { QTest::mousePress(&ptzButton(control), Qt::LeftButton); }
    void release(HoldControl control) { QTest::mouseRelease(&ptzButton(control), Qt::LeftButton); }
    void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    const std::string& autoFocusImage() { return ptz().autoFocusKey()->imageName(); }
    void typePreset(const QString& text) {
        QLineEdit* edit = ptz().presetComboBox()->lineEdit();
        edit->clear();
        QTest::keyClicks(edit, text);
    }
};

TEST_F(PtzPanel, LoadDressesTheControlsAndRegistersThePanel) {
    EXPECT_EQ(g_kView2, static_cast<PtzPanelLogic*>(&ptz()));
    const std::pair<ImageButton*, const char*> images[] = {
        {&ptzButton(HoldControl::Left), "left2.png"},
        {&ptzButton(HoldControl::Right), "right2.png"},
        {&ptzButton(HoldControl::Up), "up2.png"},
        {&ptzButton(HoldControl::Down), "down2.png"},
        {ptz().homeKey(), "home.png"},
        {&ptzButton(HoldControl::FocusReduce), "focus-.png"},
        {&ptzButton(HoldControl::FocusPlus), "focus+.png"},
        {&ptzButton(HoldControl::ZoomReduce), "zoom-.png"},
        {&ptzButton(HoldControl::ZoomPlus), "zoom+.png"},
        {ptz().autoFocusKey(), "autofocus.png"},
    };
    for (const auto& [button, image] : images) {
        EXPECT_EQ(button->imageName(), image);
        EXPECT_TRUE(button->hasImage()) << image << " is missing from the resources";
        EXPECT_FALSE(button->isBordered()) << image;
        EXPECT_EQ(button->imageScaling(), button == &ptzButton(HoldControl::Left)
                                              ? ImageScaling::AxesIndependently
                                              : ImageScaling::ProportionallyDown)
            << image;
    }
    EXPECT_EQ(ptz().palette().color(QPalette::Window), QColor::fromRgbF(0.4f, 0.4f, 0.4f));
    EXPECT_EQ(ptz().presetComboBox()->currentIndex(), 0);
    EXPECT_EQ(ptz().presetComboBox()->currentText(), "0");
    ASSERT_NE(ptz().radioMatrix(), nullptr);
    EXPECT_EQ(ptz().radioMatrix()->cell(0)->text(), "Set");
    EXPECT_EQ(ptz().radioMatrix()->cell(1)->text(), "Call");
    EXPECT_EQ(ptz().GetRadioMatrix().selectedColumn(), 1);
}

TEST_F(PtzPanel, EveryControlOfBothPanelsNamesItselfAndItsKey) {
    const std::pair<QWidget*, const char*> keyed[] = {
        {&ptzButton(HoldControl::Up), "Up arrow"},
        {&ptzButton(HoldControl::Down), "Down arrow"},
        {&ptzButton(HoldControl::Left), "Left arrow"},
        {&ptzButton(HoldControl::Right), "Right arrow"},
        {&ptzButton(HoldControl::ZoomPlus), "(+)"},
        {&ptzButton(HoldControl::ZoomReduce), "(-)"},
        {ptz().homeKey(), "(Home)"},
        {osd().upKey(), "Up arrow"},
        {osd().downKey(), "Down arrow"},
        {osd().leftKey(), "Left arrow"},
        {osd().rightKey(), "Right arrow"},
        {osd().okKey(), "(Enter)"},
        {osd().backKey(), "(Backspace)"},
        {osd().openCloseKey(), "(M)"},
    };
    for (const auto& [widget, key] : keyed) {
        EXPECT_TRUE(widget->toolTip().contains(key)) << widget->toolTip().toStdString();
    }
    for (const QWidget* widget : window->findChildren<ImageButton*>()) {
        EXPECT_FALSE(widget->toolTip().isEmpty()) << widget->objectName().toStdString();
        EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
    }
}

TEST_F(PtzPanel, DirectionLatchesAlternatePerButtonAndFlipOnlyOnSuccess) {
    // Without a camera nothing is sent, nothing is logged and the latch stays.
    EXPECT_FALSE(ptz().OnClickUp());
    EXPECT_THAT(log.lines, IsEmpty());
    bind(kPlainCamera);
    script.requestResults.push_back(usb_status::kTimeout);
    EXPECT_FALSE(ptz().OnClickUp());
    EXPECT_TRUE(ptz().OnClickUp());
    ptz().OnClickDown();  // its own latch: still at "start"
    ptz().OnClickUp();
    ptz().OnClickLeft();
    ptz().OnClickLeft();
    ptz().OnClickRight();
    EXPECT_THAT(sent(),
                ElementsAre(panTilt("00 00 01 0a"), panTilt("00 00 01 0a"), panTilt("00 00 ff 0a"),
                            panTilt("00 00 00 0a"), panTilt("ff 0a 00 00"), panTilt("00 0a 00 00"),
                            panTilt("01 0a 00 00")));
}

TEST_F(PtzPanel, HoldingAButtonMovesAndLettingGoStops) {
    bind(kPlainCamera);
    press(HoldControl::Right);
    EXPECT_THAT(sent(), ElementsAre(panTilt("01 0a 00 00")));
    release(HoldControl::Right);
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 0a 00 00")));

    press(HoldControl::ZoomPlus);
    release(HoldControl::ZoomPlus);
    press(HoldControl::ZoomReduce);
    release(HoldControl::ZoomReduce);
    EXPECT_THAT(sent(), ElementsAre(zoomRelative("01 00 03"), zoomRelative("00 00 03"),
                                    zoomRelative("ff 00 03"), zoomRelative("00 00 03")));

    press(HoldControl::FocusPlus);
    release(HoldControl::FocusPlus);
    EXPECT_THAT(sent(), ElementsAre(focusAuto("00"), focusRelative("01 03"), focusAuto("00"),
                                    focusRelative("00 03")));
}

TEST_F(PtzPanel, AFailedStartOrStopLeavesTheButtonInStep) {
    bind(kPlainCamera);
    script.requestResults.push_back(usb_status::kTimeout);
    press(HoldControl::Up);
    release(HoldControl::Up);  // the start failed: the release must not start a movement
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 00 01 0a")));

    press(HoldControl::Left);
    script.requestResults.push_back(usb_status::kTimeout);
    release(HoldControl::Left);  // the stop fails: the camera is still moving
    sent();
    press(HoldControl::Left);  // so the next press only stops
    release(HoldControl::Left);
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 0a 00 00")));
}

TEST_F(PtzPanel, AHeldButtonThatGoesAwayStops) {
    bind(kPlainCamera);
    press(HoldControl::FocusPlus);
    osd().ReInitUI({nullptr, kPtzOnlyCamera.vid, kPtzOnlyCamera.pid});  // hides the focus keys
    press(HoldControl::Up);
    ptz().EnableCtrl(false);
    EXPECT_THAT(sent(), ElementsAre(focusAuto("00"), focusRelative("01 03"), focusAuto("00"),
                                    focusRelative("00 03"), panTilt("00 00 01 0a"),
                                    panTilt("00 00 00 0a")));
    EXPECT_FALSE(ptz().isHeld(HoldControl::FocusPlus));
    EXPECT_FALSE(ptz().isHeld(HoldControl::Up));
}

TEST_F(PtzPanel, HomeSendsPanTiltAndZoomToZero) {
    ptz().OnClickHome();
    EXPECT_THAT(sent(), IsEmpty());
    bind(kPlainCamera);
    click(ptz().homeKey());
    EXPECT_THAT(sent(), ElementsAre(kPanTiltAbsoluteZero, kZoomAbsoluteZero));
}

TEST_F(PtzPanel, AutofocusImageShowsTheStateSwitchedTo) {
    // Without a camera: autofocus changes nothing, focus still shows autofocus off.
    click(ptz().autoFocusKey());
    EXPECT_EQ(autoFocusImage(), "autofocus.png");
    ptz().OnClickFocusPlus();
    EXPECT_EQ(autoFocusImage(), "autofocus_off.png");
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_THAT(log.lines, IsEmpty());

    bind(kPlainCamera);
    click(ptz().autoFocusKey());
    EXPECT_EQ(autoFocusImage(), "autofocus.png");
    EXPECT_THAT(sent(), ElementsAre(focusAuto("01")));
    click(ptz().autoFocusKey());
    EXPECT_EQ(autoFocusImage(), "autofocus_off.png");
    EXPECT_THAT(sent(), ElementsAre(focusAuto("00")));
    // Focus turns autofocus off first; autofocus then turns it on again.
    click(ptz().autoFocusKey());
    ptz().OnClickFocusReduce();
    EXPECT_EQ(autoFocusImage(), "autofocus_off.png");
    EXPECT_THAT(sent(), ElementsAre(focusAuto("01"), focusAuto("00"), focusRelative("ff 03")));
    ptz().OnClickAutoFocus();
    EXPECT_EQ(autoFocusImage(), "autofocus.png");
    EXPECT_THAT(sent(), ElementsAre(focusAuto("01")));
}

TEST_F(PtzPanel, KeysDriveTheButtonsAndIgnoreKeyRepeat) {
    bind(kPlainCamera);
    ptz().show();
    QTest::keyPress(&ptz(), Qt::Key_Up);
    EXPECT_TRUE(ptzButton(HoldControl::Up).isDown());
    // Key repeat while held: nothing more.
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&ptz(), &repeat);
    QTest::keyRelease(&ptz(), Qt::Key_Up);
    EXPECT_FALSE(ptzButton(HoldControl::Up).isDown());
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 00 01 0a"), panTilt("00 00 00 0a")));

    QTest::keyPress(&ptz(), Qt::Key_Plus);
    QTest::keyRelease(&ptz(), Qt::Key_Plus);
    QTest::keyPress(&ptz(), Qt::Key_Minus);
    QTest::keyRelease(&ptz(), Qt::Key_Minus);
    QTest::keyClick(&ptz(), Qt::Key_Home);
    EXPECT_THAT(sent(), ElementsAre(zoomRelative("01 00 03"), zoomRelative("00 00 03"),
                                    zoomRelative("ff 00 03"), zoomRelative("00 00 03"),
                                    kPanTiltAbsoluteZero, kZoomAbsoluteZero));

    QTest::keyPress(&ptz(), Qt::Key_Left);
    QTest::keyRelease(&ptz(), Qt::Key_Right);  // not held: nothing
    EXPECT_THAT(sent(), ElementsAre(panTilt("ff 0a 00 00")));
}

TEST_F(PtzPanel, AKeyHeldWhenThePanelIsHiddenStopsTheMove) {
    bind(kPlainCamera);
    window->show();
    window->tabViewController()->setCurrentIndex(1);
    QTest::keyPress(&ptz(), Qt::Key_Down);
    window->tabViewController()->setCurrentIndex(0);
    EXPECT_THAT(sent(), ElementsAre(panTilt("00 00 ff 0a"), panTilt("00 00 00 0a")));
    EXPECT_FALSE(ptzButton(HoldControl::Down).isDown());
}

TEST_F(PtzPanel, PresetIsStoredOrRecalledAsTheMatrixSays) {
    using namespace std::chrono_literals;
    bind(kPlainCamera);
    press(HoldControl::Right);
    usb.clock.advance(1s);  // 40° at the panel's speed
    release(HoldControl::Right);
    sent();
    typePreset("3");
    ptz().radioMatrix()->cell(0)->click();
    ptz().OnClickSet();  // choosing the column sends nothing
    EXPECT_THAT(sent(), IsEmpty());
    ptz().OnClickPresetCbx();
    EXPECT_THAT(sent(), ElementsAre(presetSet("03")));

    ptz().OnClickHome();
    usb.clock.advance(2s);
    EXPECT_EQ(usb.camera.state().pan, 0);
    ptz().radioMatrix()->cell(1)->click();
    ptz().OnClickCall();
    ptz().OnClickPresetCbx();
    usb.clock.advance(2s);
    EXPECT_EQ(usb.camera.state().pan, 40 * 3600);
    sent();
    ptz().GetRadioMatrix().selectCellAtColumn(-1);
    EXPECT_EQ(ptz().GetRadioMatrix().selectedColumn(), -1);
    ptz().OnClickPresetCbx();
    EXPECT_THAT(sent(), ElementsAre(presetCall("03")));
}

// Mended fault: a text that names no preset used to store or recall another one. The box's
// text is read for its leading number (the parser's cases are in its own test).
TEST_F(PtzPanel, PresetTextIsReadAsALeadingNumberOrSendsNothingAndSaysWhy) {
    bind(kPlainCamera);
    ptz().radioMatrix()->cell(0)->click();
    typePreset("3 - door");
    ptz().OnClickPresetCbx();
    EXPECT_THAT(sent(), ElementsAre(presetSet("03")));
    EXPECT_THAT(log.lines, IsEmpty());

    typePreset("256");
    ptz().OnClickPresetCbx();
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_THAT(log.lines, ElementsAre("Preset not sent: \"256\" is outside the presets 0-255"));
}

TEST_F(PtzPanel, PresetIsSentOnReturnAndOnThePicksOfTheUserOnly) {
    bind(kPlainCamera);
    window->show();
    window->tabViewController()->setCurrentIndex(1);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    PresetComboBox* combo = ptz().presetComboBox();
    QSignalSpy chosen(combo, &PresetComboBox::presetChosen);

    typePreset("42");  // typing alone sends nothing
    EXPECT_THAT(sent(), IsEmpty());
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_THAT(sent(), ElementsAre(presetCall("2a")));
    // The typed number is not added to the list, and the keys go back to the camera.
    EXPECT_EQ(combo->count(), 10);
    EXPECT_TRUE(ptz().hasFocus());

    combo->setCurrentIndex(5);  // the program's own change
    combo->setFocus();
    typePreset("7");  // an item's text, then leaving the field
    ptz().setFocus();
    EXPECT_THAT(sent(), IsEmpty());

    // The user picks "3" from the open list.
    combo->showPopup();
    QAbstractItemView* list = combo->view();
    const QRect row = list->visualRect(list->model()->index(3, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(chosen.count(), 2);
    EXPECT_THAT(sent(), ElementsAre(presetCall("03")));
}

TEST_F(PtzPanel, SteppingThroughPresetNumbersStoresNothing) {
    bind(kPlainCamera);
    ptz().radioMatrix()->cell(0)->click();  // "Set": every stray send would overwrite a preset
    PresetComboBox* combo = ptz().presetComboBox();
    QSignalSpy chosen(combo, &PresetComboBox::presetChosen);
    window->show();
    combo->setFocus();
    QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Down);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Up);
    EXPECT_EQ(combo->currentText(), "1");
    QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(combo, &wheel);
    EXPECT_EQ(combo->currentText(), "1");
    typePreset("5");  // the whole of an item's text
    EXPECT_EQ(chosen.count(), 0);
    EXPECT_THAT(sent(), IsEmpty());
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_THAT(sent(), ElementsAre(presetSet("05")));
}

TEST_F(PtzPanel, EnableCtrlSwitchesExactlyTheTenButtons) {
    ptz().EnableCtrl(false);
    const QList<ImageButton*> buttons = ptz().findChildren<ImageButton*>();
    EXPECT_THAT(buttons, SizeIs(10));
    for (const ImageButton* button : buttons) {
        EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
    }
    EXPECT_TRUE(ptz().presetComboBox()->isEnabled());
    EXPECT_TRUE(ptz().radioMatrix()->isEnabled());
    EXPECT_TRUE(ptz().presetLabel()->isEnabled());
    ptz().EnableCtrl(true);
    for (const ImageButton* button : buttons) {
        EXPECT_TRUE(button->isEnabled());
    }
}

}  // namespace
}  // namespace ptz::testing
