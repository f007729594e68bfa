// The OSD panel on real widgets: its load, the OSD keys, binding and unbinding, and the
// device combo box's action.
#include <gmock/gmock.h>

#include <QSignalSpy>
#include <QTest>

#include "panel_test_fixture.h"
#include "ui/device_combo_box_widget.h"
#include "ui/logic/model_profiles.h"

namespace ptz::testing {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class OsdPanel : public PanelTest {
  protected:
    // Lists devices as the watcher does: an entry and a row each.
    void list(std::initializer_list<TestCamera> cameras) {
        for (const TestCamera& camera : cameras) {
            arrDevList->push_back({nullptr, camera.vid, camera.pid});
            osd().cbxDevice().addItemWithObjectValue("camera " + std::to_string(camera.pid));
        }
    }
    bool bindingReached(const TestCamera& camera) {
        const std::string step = "device-plugin " + std::to_string(camera.location);
        return std::find(script.calls.begin(), script.calls.end(), step) != script.calls.end();
    }
    void clickAllKeys() {
        for (ImageButton* key : {osd().upKey(), osd().downKey(), osd().leftKey(), osd().rightKey(),
                                 osd().okKey(), osd().backKey(), osd().openCloseKey()}) {
            QTest::mouseClick(key, Qt::LeftButton);
        }
    }
};

TEST_F(OsdPanel, LoadSetsUpTheProgram) {
    EXPECT_TRUE(arrDevList.has_value());
    EXPECT_EQ(watcherSetUps, 1);
    EXPECT_EQ(global_mainview, static_cast<OsdPanelLogic*>(&osd()));
    TabViewController* tabs = window->tabViewController();
    ASSERT_EQ(tabs->tabViewItems().size(), 2u);
    EXPECT_EQ(pGlobleItem0, tabs->tabViewItems()[0]);
    EXPECT_EQ(pGlobleItem, tabs->tabViewItems()[1]);
    EXPECT_EQ(tabs->widget(0), &osd());
    EXPECT_EQ(tabs->widget(1), &ptz());
    EXPECT_EQ(tabs->tabText(0), "OSD");
    EXPECT_EQ(tabs->tabText(1), "PTZ");
    EXPECT_EQ(tabs->sizeHint(), QSize(528, 532));
    EXPECT_EQ(osd().sizeHint(), QSize(518, 506));
    window->show();
    EXPECT_EQ(window->size(), QSize(528, 532)) << "the window opens at the preferred size";
    EXPECT_EQ(osd().palette().color(QPalette::Window), QColor::fromRgbF(0.6f, 0.6f, 0.6f));

    const std::pair<ImageButton*, const char*> images[] = {
        {osd().leftKey(), "left.png"},     {osd().rightKey(), "right.png"},
        {osd().upKey(), "up.png"},         {osd().downKey(), "down.png"},
        {osd().okKey(), "enter.png"},      {osd().backKey(), "osdback.png"},
        {osd().openCloseKey(), "osd.png"},
    };
    for (const auto& [key, image] : images) {
        EXPECT_EQ(key->imageName(), image);
        EXPECT_TRUE(key->hasImage()) << image << " is missing from the resources";
        EXPECT_FALSE(key->isBordered()) << image;
        EXPECT_EQ(key->imageScaling(), key == osd().leftKey() ? ImageScaling::AxesIndependently
                                                              : ImageScaling::ProportionallyDown)
            << image;
    }
}

TEST_F(OsdPanel, WatcherIsSetUpOnceTheListExistsAndBeforeThePanelIsRegistered) {
    arrDevList.reset();
    bool listExisted = false;
    bool panelRegistered = true;
    DeviceListPanel* handedOver = nullptr;
    MainWindow second(registry, [&](DeviceListPanel& panel) {
        listExisted = arrDevList.has_value();
        panelRegistered = global_mainview == static_cast<OsdPanelLogic*>(second.osdPanel());
        handedOver = &panel;
    });
    EXPECT_TRUE(listExisted);
    EXPECT_FALSE(panelRegistered);
    EXPECT_EQ(handedOver, static_cast<DeviceListPanel*>(second.osdPanel()));
}

TEST_F(OsdPanel, AnExistingDeviceListKeepsItsEntries) {
    list({kPlainCamera});
    MainWindow second(registry, {});
    EXPECT_EQ(arrDevList->size(), 1u);
}

// What the seven keys send, up, down, left, right, OK, back and menu.
std::vector<std::string> allKeysSent() {
    return {osdKey(1), panTilt("00 00 00 0a"),
            osdKey(2), panTilt("00 00 00 0a"),
            osdKey(3), panTilt("00 0a 00 00"),
            osdKey(4), panTilt("00 0a 00 00"),
            osdKey(5), osdKey(6),
            osdKey(7)};
}

TEST_F(OsdPanel, EachKeyDrivesTheCamerasMenuOnceBound) {
    clickAllKeys();
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_THAT(log.lines, IsEmpty());
    bind(kPlainCamera);
    // A key, then the menu's level and the line under its cursor; nullptr: the menu is closed.
    const std::tuple<ImageButton*, const char*, const char*> steps[] = {
        {osd().openCloseKey(), "Setup", "Exposure      >"},
        {osd().downKey(), "Setup", "White Balance >"},
        {osd().okKey(), "White Balance", "Mode          Auto"},
        {osd().rightKey(), "White Balance", "Mode          Indoor"},
        {osd().upKey(), "White Balance", "Blue Gain     10"},
        {osd().leftKey(), "White Balance", "Blue Gain     9"},
        {osd().backKey(), "Setup", "White Balance >"},
        {osd().openCloseKey(), nullptr, nullptr},
    };
    for (const auto& [key, title, line] : steps) {
        QTest::mouseClick(key, Qt::LeftButton);
        const sim::OsdMenuView menu = usb.camera.state().menu;
        ASSERT_EQ(menu.open, title != nullptr) << key->objectName().toStdString();
        if (menu.open) {
            EXPECT_EQ(menu.title, title);
            EXPECT_EQ(menu.lines[static_cast<size_t>(menu.cursor)], line);
        }
    }
    EXPECT_THAT(log.lines, ElementsAre("bRet = 1"));
}

TEST_F(OsdPanel, KeyboardPressesTheOsdKeysOncePerPress) {
    bind(kPlainCamera);
    osd().show();
    for (const Qt::Key key : {Qt::Key_Up, Qt::Key_Down, Qt::Key_Left, Qt::Key_Right, Qt::Key_Return,
                              Qt::Key_Backspace, Qt::Key_M}) {
        QTest::keyPress(&osd(), key);
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(&osd(), &repeat);
        QTest::keyRelease(&osd(), key);
    }
    EXPECT_THAT(sent(), ElementsAreArray(allKeysSent()));
}

TEST_F(OsdPanel, InitUvcContrlBindsByVendorAndProductAndSharesWithThePtzPanel) {
    osd().InitUvcContrl(4096, 12866, 0);
    EXPECT_TRUE(bindingReached(kPtzOnlyCamera));
    EXPECT_FALSE(bindingReached(kPlainCamera));
    ASSERT_NE(osd().cameraControl(), nullptr);
    EXPECT_TRUE(osd().cameraControl()->isBound());
    EXPECT_EQ(ptz().cameraControl(), osd().cameraControl());
}

TEST_F(OsdPanel, AFailedBindingIsKeptAndItsCommandsFail) {
    osd().InitUvcContrl(0x0999, 0x0999, 0);
    ASSERT_NE(osd().cameraControl(), nullptr);
    log.lines.clear();
    QTest::mouseClick(osd().okKey(), Qt::LeftButton);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_THAT(log.lines,
                ElementsAre("CameraControl Error: No interface to send request", "bRet = 0"));
}

TEST_F(OsdPanel, AfterUnbindThePtzPanelKeepsTheOldCameraControl) {
    bind(kPlainCamera);
    const std::shared_ptr<UVCCameraControl> old = ptz().cameraControl();
    osd().UnInitUvcContrl();
    EXPECT_EQ(osd().cameraControl(), nullptr);
    EXPECT_EQ(ptz().cameraControl(), old);

    clickAllKeys();
    EXPECT_THAT(sent(), IsEmpty());
    // The camera is gone: the PTZ panel's commands still go out through the old control and
    // fail with its log line.
    script.openResults.push_back(usb_status::kNoDevice);
    ptz().OnClickHome();
    EXPECT_THAT(log.lines, Contains("CameraControl Error: Unable to open interface (e00002c0)"));
}

TEST_F(OsdPanel, PickingARowBindsItsDeviceAndArrangesTheWindow) {
    list({kPlainCamera, kPtzOnlyCamera});
    DeviceComboBoxWidget* combo = osd().deviceComboBox();
    combo->setCurrentIndex(1);
    emit combo->activated(1);  // the user's pick
    EXPECT_TRUE(bindingReached(kPtzOnlyCamera));
    EXPECT_EQ(ptz().cameraControl(), osd().cameraControl());
    // 0x3242/0x1000 shows the PTZ tab only.
    EXPECT_THAT(window->tabViewController()->tabViewItems(), ElementsAre(pGlobleItem));
}

TEST_F(OsdPanel, PickingWithNoRowSelectedLeavesThePanelUnbound) {
    bind(kPlainCamera);
    const std::shared_ptr<UVCCameraControl> old = ptz().cameraControl();
    list({kPtzOnlyCamera});
    ASSERT_EQ(osd().cbxDevice().indexOfSelectedItem(), -1);
    osd().OnClickCbxDevice();
    EXPECT_EQ(osd().cameraControl(), nullptr);
    EXPECT_EQ(ptz().cameraControl(), old);
    EXPECT_FALSE(bindingReached(kPtzOnlyCamera));
}

TEST_F(OsdPanel, PickingTheBoundDeviceAgainReplacesTheControl) {
    list({kPlainCamera});
    osd().cbxDevice().selectItemAtIndex(0);
    osd().OnClickCbxDevice();
    const std::weak_ptr<UVCCameraControl> first = osd().cameraControl();
    osd().OnClickCbxDevice();
    EXPECT_TRUE(first.expired()) << "both panels let go of the first control";
    EXPECT_NE(osd().cameraControl(), nullptr);
    EXPECT_EQ(ptz().cameraControl(), osd().cameraControl());
}

TEST_F(OsdPanel, ABindBeforeThePtzPanelLoadsReachesOnlyTheOsdPanel) {
    window.reset();
    TabViewController tabs;
    auto* osdPanel = new ViewController(registry, {});
    auto* ptzPanel = new ViewController2();
    tabs.addTabViewItem(std::make_shared<TabViewItem>(osdPanel, "OSD"));
    tabs.addTabViewItem(std::make_shared<TabViewItem>(ptzPanel, "PTZ"));
    osdPanel->viewDidLoad();
    osdPanel->InitUvcContrl(kPlainCamera.pid, kPlainCamera.vid, 0);
    ptzPanel->viewDidLoad();
    EXPECT_NE(osdPanel->cameraControl(), nullptr);
    EXPECT_EQ(ptzPanel->cameraControl(), nullptr);
    osdPanel->InitUvcContrl(kPlainCamera.pid, kPlainCamera.vid, 0);
    EXPECT_EQ(ptzPanel->cameraControl(), osdPanel->cameraControl());
}

TEST_F(OsdPanel, EnableCtrlSwitchesTheSevenKeysOnly) {
    osd().EnableCtrl(false);
    const QList<ImageButton*> keys = osd().findChildren<ImageButton*>();
    EXPECT_EQ(keys.size(), 7);
    for (const ImageButton* key : keys) {
        EXPECT_FALSE(key->isEnabled()) << key->objectName().toStdString();
    }
    EXPECT_TRUE(osd().deviceComboBox()->isEnabled());
    osd().EnableCtrl(true);
    for (const ImageButton* key : keys) {
        EXPECT_TRUE(key->isEnabled());
    }
}

}  // namespace
}  // namespace ptz::testing
