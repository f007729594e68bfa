#include "ui/logic/model_profiles.h"

#include "ui/logic/osd_panel_logic.h"
#include "ui/logic/ptz_panel_logic.h"
#include "ui/logic/tab_container.h"

namespace ptz {

std::shared_ptr<TabItem> pGlobleItem0;
std::shared_ptr<TabItem> pGlobleItem;

namespace {

constexpr ModelProfile kModelProfiles[] = {
    {0x3242, 0x1000, WithheldTab::Osd, true, false},
    {0x2E7E, 0x0737, WithheldTab::Ptz, false, false},
    {0x2E7E, 0x0735, WithheldTab::None, false, true},
};

TabContainer* osdPanelContainer() {
    return global_mainview ? global_mainview->parentViewController() : nullptr;
}

void removeTabAt(TabContainer* container, size_t index) {
    if (!container) {
        return;
    }
    const std::vector<std::shared_ptr<TabItem>> items = container->tabViewItems();
    if (index < items.size()) {
        container->removeTabViewItem(items[index]);
    }
}

// Puts back whichever captured tab is missing when only one is left.
void restoreTabs() {
    TabContainer* container = osdPanelContainer();
    if (!container && g_kView2) {
        container = g_kView2->parentViewController();
    }
    if (!container) {
        return;
    }
    const std::vector<std::shared_ptr<TabItem>> items = container->tabViewItems();
    if (items.size() != 1) {
        return;
    }
    if (items.front() == pGlobleItem) {
        if (pGlobleItem0) {
            container->insertTabViewItem(pGlobleItem0, 0);
        }
    } else if (pGlobleItem) {
        container->insertTabViewItem(pGlobleItem, 1);
    }
}

void setPtzControlsHidden(bool hidden) {
    if (!g_kView2) {
        return;
    }
    g_kView2->presetCbx().setHidden(hidden);
    g_kView2->GetRadioMatrix().setHidden(hidden);
    g_kView2->presetStatic().setHidden(hidden);
    g_kView2->autoFocusBtn().setHidden(hidden);
    g_kView2->focusPlus().setHidden(hidden);
    g_kView2->focusReduce().setHidden(hidden);
}

}  // namespace

const ModelProfile* findModelProfile(int32_t vendorId, int32_t productId) {
    for (const ModelProfile& profile : kModelProfiles) {
        if (profile.vendorId == vendorId && profile.productId == productId) {
            return &profile;
        }
    }
    return nullptr;
}

void applyModelProfile(st_DevRef device) {
    restoreTabs();
    setPtzControlsHidden(false);

    const ModelProfile* profile = findModelProfile(device.vid, device.pid);
    if (!profile) {
        return;
    }
    // The tabs are back in their places now: OSD at 0, PTZ at 1.
    switch (profile->withheldTab) {
        case WithheldTab::Osd:
            removeTabAt(osdPanelContainer(), 0);
            break;
        case WithheldTab::Ptz:
            removeTabAt(osdPanelContainer(), 1);
            break;
        case WithheldTab::None:
            break;
    }
    if (g_kView2 && profile->hidesFocusControls) {
        g_kView2->autoFocusBtn().setHidden(true);
        g_kView2->focusPlus().setHidden(true);
        g_kView2->focusReduce().setHidden(true);
    }
    if (g_kView2 && profile->hidesPresetControls) {
        g_kView2->presetCbx().setHidden(true);
        g_kView2->GetRadioMatrix().setHidden(true);
        g_kView2->presetStatic().setHidden(true);
    }
}

}  // namespace ptz
