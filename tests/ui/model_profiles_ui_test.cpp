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

// Each model's arrangement, then no device, which restores the full one. Vendor and product
// must both match: the near misses get the full arrangement.
TEST_F(ModelProfiles, EachModelsArrangementAndTheWayBack) {
    struct Case {
        int32_t vid, pid;
        bool osdTab, ptzTab, focusHidden, presetHidden;
    };
    const Case cases[] = {
        {kPtzOnlyCamera.vid, kPtzOnlyCamera.pid, false, true, true, false},
        {kOsdOnlyCamera.vid, kOsdOnlyCamera.pid, true, false, false, false},
        {kNoPresetCamera.vid, kNoPresetCamera.pid, true, true, false, true},
        {0x3242, 0x0735, true, true, false, false},
        {0x1234, 0x0737, true, true, false, false},
        {0x2E7E, 0x1000, true, true, false, false},
        {0x1234, 0x0606, true, true, false, false},
    };
    const QWidget* focusCaption = ptz().findChild<QWidget*>("focusCaption");
    ASSERT_NE(focusCaption, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.vid << ":" << c.pid);
        arrange(c.vid, c.pid);
        std::vector<std::shared_ptr<TabItem>> expected;
        if (c.osdTab) {
            expected.push_back(pGlobleItem0);
        }
        if (c.ptzTab) {
            expected.push_back(pGlobleItem);
        }
        EXPECT_EQ(tabs(), expected);
        EXPECT_EQ(osd().parentViewController() != nullptr, c.osdTab);
        EXPECT_EQ(ptz().parentViewController() != nullptr, c.ptzTab);
        EXPECT_TRUE(c.focusHidden ? focusControlsHidden() : focusControlsShown());
        EXPECT_EQ(focusCaption->isHidden(), c.focusHidden);
        EXPECT_TRUE(c.presetHidden ? presetControlsHidden() : presetControlsShown());
        arrange(0, 0);
        expectFull();
        EXPECT_FALSE(focusCaption->isHidden());
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
