// The model profiles on the real window: every arrangement, and the way back from each.
#include <gmock/gmock.h>

#include "panel_test_fixture.h"
#include "ui/logic/model_profiles.h"
#include "ui/preset_combo_box.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;

// A tab container that also records how its items changed.
class RecordingTabs : public TabViewController {
  public:
    void insertTabViewItem(std::shared_ptr<TabItem> item, int index) override {
        changes.push_back("insert " + name(item) + " at " + std::to_string(index));
        TabViewController::insertTabViewItem(std::move(item), index);
    }
    void removeTabViewItem(const std::shared_ptr<TabItem>& item) override {
        changes.push_back("remove " + name(item));
        TabViewController::removeTabViewItem(item);
    }
    std::vector<std::string> changes;

  private:
    static std::string name(const std::shared_ptr<TabItem>& item) {
        return item == pGlobleItem0 ? "OSD" : item == pGlobleItem ? "PTZ" : "?";
    }
};

class ModelProfiles : public PanelTest {
  protected:
    void arrange(const TestCamera& camera) { osd().ReInitUI({nullptr, camera.vid, camera.pid}); }
    void arrange(int32_t vid, int32_t pid) { osd().ReInitUI({nullptr, vid, pid}); }

    std::vector<std::shared_ptr<TabItem>> tabs() {
        return window->tabViewController()->tabViewItems();
    }
    bool focusControlsHidden() {
        return ptz().autoFocusKey()->isHidden() && ptzButton(HoldControl::FocusPlus).isHidden() &&
               ptzButton(HoldControl::FocusReduce).isHidden();
    }
    bool focusControlsShown() {
        return !ptz().autoFocusKey()->isHidden() && !ptzButton(HoldControl::FocusPlus).isHidden() &&
               !ptzButton(HoldControl::FocusReduce).isHidden();
    }
    bool presetControlsHidden() {
        return ptz().presetComboBox()->isHidden() && ptz().radioMatrix()->isHidden() &&
               ptz().presetLabel()->isHidden();
    }
    bool presetControlsShown() {
        return !ptz().presetComboBox()->isHidden() && !ptz().radioMatrix()->isHidden() &&
               !ptz().presetLabel()->isHidden();
    }
    void expectFull() {
        EXPECT_THAT(tabs(), ElementsAre(pGlobleItem0, pGlobleItem));
        EXPECT_EQ(window->tabViewController()->widget(0), &osd());
        EXPECT_EQ(window->tabViewController()->widget(1), &ptz());
        EXPECT_TRUE(focusControlsShown());
        EXPECT_TRUE(presetControlsShown());
    }
};

TEST_F(ModelProfiles, ThePtzOnlyModelLosesTheOsdTabAndTheFocusControls) {
    arrange(kPtzOnlyCamera);
    EXPECT_THAT(tabs(), ElementsAre(pGlobleItem));
    EXPECT_EQ(osd().parentViewController(), nullptr);
    EXPECT_TRUE(focusControlsHidden());
    EXPECT_TRUE(presetControlsShown());
    // Their caption goes with them, and comes back with them.
    const QWidget* caption = ptz().findChild<QWidget*>("focusCaption");
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(caption->isHidden());
    arrange(0, 0);
    EXPECT_FALSE(caption->isHidden());
}

TEST_F(ModelProfiles, TheOsdOnlyModelLosesThePtzTab) {
    arrange(kOsdOnlyCamera);
    EXPECT_THAT(tabs(), ElementsAre(pGlobleItem0));
    EXPECT_EQ(ptz().parentViewController(), nullptr);
    EXPECT_TRUE(focusControlsShown());
    EXPECT_TRUE(presetControlsShown());
}

TEST_F(ModelProfiles, TheNoPresetModelHidesThePresetGroup) {
    arrange(kNoPresetCamera);
    EXPECT_THAT(tabs(), ElementsAre(pGlobleItem0, pGlobleItem));
    EXPECT_TRUE(presetControlsHidden());
    EXPECT_TRUE(focusControlsShown());
}

TEST_F(ModelProfiles, OtherPairsGetTheFullArrangement) {
    for (const auto& [vid, pid] : {std::pair{0x3242, 0x0735},
                                   {0x1234, 0x0737},
                                   {0, 0},
                                   {0x1234, 0x0606},
                                   {0x2E7E, 0x1000}}) {
        arrange(vid, pid);
        expectFull();
    }
}

TEST_F(ModelProfiles, NoDeviceAfterEachArrangementRestoresTheFullOne) {
    for (const TestCamera& camera : {kPtzOnlyCamera, kOsdOnlyCamera, kNoPresetCamera}) {
        arrange(camera);
        arrange(0, 0);
        expectFull();
    }
}

TEST_F(ModelProfiles, RestoredTabsShowTheirPanelsWithTheirState) {
    osd().cbxDevice().addItemWithObjectValue("Camera A");
    arrange(kPtzOnlyCamera);
    // The device list goes on while the tab is away.
    osd().cbxDevice().addItemWithObjectValue("Camera B");
    arrange(0, 0);
    EXPECT_EQ(osd().cbxDevice().numberOfItems(), 2);
    EXPECT_EQ(osd().parentViewController(), window->tabViewController());
}

TEST_F(ModelProfiles, ArrangingFromAnotherArrangementGoesThroughTheFullOne) {
    window.reset();
    RecordingTabs container;
    auto* osdPanel = new ViewController(registry, {});
    auto* ptzPanel = new ViewController2();
    container.addTabViewItem(std::make_shared<TabViewItem>(osdPanel, "OSD"));
    container.addTabViewItem(std::make_shared<TabViewItem>(ptzPanel, "PTZ"));
    osdPanel->viewDidLoad();
    ptzPanel->viewDidLoad();
    container.changes.clear();

    const auto arrangeFor = [&](const TestCamera& camera) {
        osdPanel->ReInitUI({nullptr, camera.vid, camera.pid});
    };
    arrangeFor(kPtzOnlyCamera);
    arrangeFor(kPtzOnlyCamera);
    EXPECT_THAT(container.changes, ElementsAre("remove OSD", "insert OSD at 0", "remove OSD"));
    EXPECT_THAT(container.tabViewItems(), ElementsAre(pGlobleItem));

    container.changes.clear();
    arrangeFor(kOsdOnlyCamera);
    EXPECT_THAT(container.changes, ElementsAre("insert OSD at 0", "remove PTZ"));
    EXPECT_THAT(container.tabViewItems(), ElementsAre(pGlobleItem0));
    EXPECT_FALSE(ptzPanel->autoFocusKey()->isHidden());
    EXPECT_FALSE(ptzPanel->button(HoldControl::FocusPlus)->isHidden());

    container.changes.clear();
    arrangeFor(kPlainCamera);
    arrangeFor(kPlainCamera);  // both tabs there: nothing inserted
    EXPECT_THAT(container.changes, ElementsAre("insert PTZ at 1"));
}

}  // namespace
}  // namespace ptz::testing
