// The window's tab container as the panels see it: an ordered list of tab items that can be
// taken out and put back.
//
// Ownership: the container and the process-wide references share each item, so a removed item
// (and the panel it hosts) stays alive and the same object can be inserted again.
// Threading: GUI thread only. Failures: an index out of range or an item the container does
// not hold is ignored.
#pragma once

#include <memory>
#include <vector>

namespace ptz {

// One tab: the panel it hosts and its title. Compared by identity.
class TabItem {
  public:
    virtual ~TabItem() = default;
};

class TabContainer {
  public:
    virtual ~TabContainer() = default;
    virtual std::vector<std::shared_ptr<TabItem>> tabViewItems() const = 0;
    virtual void insertTabViewItem(std::shared_ptr<TabItem> item, int index) = 0;
    virtual void removeTabViewItem(const std::shared_ptr<TabItem>& item) = 0;
    // The item whose tab is shown, or nullptr.
    virtual std::shared_ptr<TabItem> selectedTabViewItem() const = 0;
    virtual void setPreferredContentSize(int width, int height) = 0;
};

}  // namespace ptz
