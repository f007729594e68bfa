#include "ui/tab_view_controller.h"

#include <QTabBar>
#include <algorithm>

namespace ptz {

TabViewController::TabViewController(QWidget* parent) : QTabWidget(parent) {
    // The arrow keys drive the panels; the tab bar must not take them to switch tabs.
    tabBar()->setFocusPolicy(Qt::NoFocus);
    setDocumentMode(false);
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (QWidget* page = widget(index)) {
            page->setFocus(Qt::OtherFocusReason);
        }
    });
}

TabViewController* TabViewController::containerOf(const QWidget* page) {
    for (QWidget* ancestor = page ? page->parentWidget() : nullptr; ancestor;
         ancestor = ancestor->parentWidget()) {
        if (auto* container = qobject_cast<TabViewController*>(ancestor)) {
            // A removed page stays a child of the container's stack, but is no tab.
            return container->indexOf(const_cast<QWidget*>(page)) >= 0 ? container : nullptr;
        }
    }
    return nullptr;
}

void TabViewController::addTabViewItem(std::shared_ptr<TabViewItem> item) {
    insertTabViewItem(std::move(item), count());
}

std::vector<std::shared_ptr<TabItem>> TabViewController::tabViewItems() const {
    return {items_.begin(), items_.end()};
}

void TabViewController::insertTabViewItem(std::shared_ptr<TabItem> item, int index) {
    auto tab = std::dynamic_pointer_cast<TabViewItem>(item);
    if (!tab || !tab->page() || std::find(items_.begin(), items_.end(), tab) != items_.end()) {
        return;
    }
    index = std::clamp(index, 0, static_cast<int>(items_.size()));
    insertTab(index, tab->page(), tab->title());
    items_.insert(items_.begin() + index, std::move(tab));
}

void TabViewController::removeTabViewItem(const std::shared_ptr<TabItem>& item) {
    const auto found = std::find(items_.begin(), items_.end(), item);
    if (found == items_.end()) {
        return;
    }
    removeTab(static_cast<int>(found - items_.begin()));
    items_.erase(found);
}

std::shared_ptr<TabItem> TabViewController::selectedTabViewItem() const {
    const int index = currentIndex();
    return index >= 0 && index < static_cast<int>(items_.size()) ? items_[index] : nullptr;
}

void TabViewController::setPreferredContentSize(int width, int height) {
    preferredContentSize_ = QSize(width, height);
    updateGeometry();
}

QSize TabViewController::sizeHint() const {
    return preferredContentSize_.isValid() ? preferredContentSize_.expandedTo(minimumSizeHint())
                                           : QTabWidget::sizeHint();
}

}  // namespace ptz
