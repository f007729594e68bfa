// The device combo box: the watcher's changes never count as the user's pick, and it keeps
// the combo box semantics the device list relies on.
#include <gmock/gmock.h>

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

#include "panel_test_fixture.h"
#include "ui/device_combo_box_widget.h"

namespace ptz::testing {
namespace {

class DeviceCombo : public PanelTest {
  protected:
    DeviceComboBoxWidget& combo() { return *osd().deviceComboBox(); }
    DeviceComboBox& rows() { return osd().cbxDevice(); }
};

TEST_F(DeviceCombo, TheWatchersChangesNeverRunTheAction) {
    QSignalSpy picked(&combo(), &DeviceComboBoxWidget::devicePicked);
    QSignalSpy activated(&combo(), &QComboBox::activated);
    arrDevList->push_back({nullptr, kPlainCamera.vid, kPlainCamera.pid});
    arrDevList->push_back({nullptr, kPtzOnlyCamera.vid, kPtzOnlyCamera.pid});
    // First device, as the watcher lists it; then a second row; then the selected one goes.
    rows().setStringValue("Camera A");
    rows().addItemWithObjectValue("Camera A");
    rows().selectItemAtIndex(0);
    rows().addItemWithObjectValue("Camera B");
    rows().selectItemAtIndex(1);
    rows().setStringValue("");
    rows().removeItemAtIndex(1);
    rows().removeItemAtIndex(0);
    EXPECT_EQ(picked.count(), 0);
    EXPECT_EQ(activated.count(), 0);
    EXPECT_TRUE(script.calls.empty()) << "nothing was bound";
}

TEST_F(DeviceCombo, ScrollingOverTheBoxBindsNothing) {
    arrDevList->push_back({nullptr, kPlainCamera.vid, kPlainCamera.pid});
    rows().addItemWithObjectValue("Camera A");
    QSignalSpy picked(&combo(), &DeviceComboBoxWidget::devicePicked);
    QWheelEvent wheel(QPointF(5, 5), combo().mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&combo(), &wheel);
    EXPECT_EQ(picked.count(), 0);
    EXPECT_EQ(rows().indexOfSelectedItem(), -1);
    EXPECT_TRUE(script.calls.empty());
}

// The selection the watcher relies on: adding selects nothing, an empty text or the removal of
// the selected row leaves none, the removal of an earlier row keeps the selected device.
TEST_F(DeviceCombo, SelectionFollowsItsDeviceOrBecomesNone) {
    for (const char* name : {"A", "B", "C", "D"}) {
        rows().addItemWithObjectValue(name);
    }
    EXPECT_EQ(rows().numberOfItems(), 4);
    EXPECT_EQ(rows().indexOfSelectedItem(), -1);
    rows().selectItemAtIndex(0);
    rows().setStringValue("");
    EXPECT_EQ(rows().indexOfSelectedItem(), -1);
    EXPECT_EQ(combo().stringValue(), "");

    rows().selectItemAtIndex(2);
    rows().removeItemAtIndex(0);
    EXPECT_EQ(rows().indexOfSelectedItem(), 1);
    EXPECT_EQ(combo().currentText(), "C");
    rows().removeItemAtIndex(1);
    EXPECT_EQ(rows().indexOfSelectedItem(), -1);
    rows().removeItemAtIndex(0);
    EXPECT_EQ(rows().indexOfSelectedItem(), -1);
    EXPECT_EQ(rows().numberOfItems(), 1);
}

TEST_F(DeviceCombo, TheUsersPickFromTheListRunsTheActionOnce) {
    arrDevList->push_back({nullptr, kPlainCamera.vid, kPlainCamera.pid});
    arrDevList->push_back({nullptr, kOsdOnlyCamera.vid, kOsdOnlyCamera.pid});
    rows().addItemWithObjectValue("Camera A");
    rows().addItemWithObjectValue("Camera B");
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QSignalSpy picked(&combo(), &DeviceComboBoxWidget::devicePicked);

    combo().showPopup();
    QAbstractItemView* list = combo().view();
    const QRect row = list->visualRect(list->model()->index(1, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());

    EXPECT_EQ(picked.count(), 1);
    EXPECT_EQ(rows().indexOfSelectedItem(), 1);
    ASSERT_NE(osd().cameraControl(), nullptr);
    EXPECT_EQ(ptz().cameraControl(), osd().cameraControl());
    // 0x2E7E/0x0737 shows the OSD tab only.
    EXPECT_EQ(window->tabViewController()->count(), 1);
}

}  // namespace
}  // namespace ptz::testing
