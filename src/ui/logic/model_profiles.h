// Which tab and which PTZ controls each camera model gets, and applying that to the window.
#pragma once

#include <cstdint>

#include <memory>

#include "discovery/st_dev_ref.h"
#include "ui/logic/tab_container.h"

namespace ptz {

// The two tab items as captured at the OSD panel's load: OSD (item 0) and PTZ (item 1). Kept
// for the life of the process so that a withheld tab can be put back.
extern std::shared_ptr<TabItem> pGlobleItem0;
extern std::shared_ptr<TabItem> pGlobleItem;

enum class WithheldTab { None, Osd, Ptz };

struct ModelProfile {
    int32_t vendorId;
    int32_t productId;
    WithheldTab withheldTab;
    bool hidesFocusControls;   // autofocus, focus plus and focus reduce
    bool hidesPresetControls;  // preset combo box, Set/Call matrix and label
};

// The profile for these ids, or nullptr: every other pair gets both tabs and every control.
const ModelProfile* findModelProfile(int32_t vendorId, int32_t productId);

// Returns the window to both tabs and every PTZ control, then applies the profile of
// `device`'s ids. Works on global_mainview, g_kView2, pGlobleItem0 and pGlobleItem; steps
// addressed to a panel that is not there are skipped.
void applyModelProfile(st_DevRef device);

}  // namespace ptz
