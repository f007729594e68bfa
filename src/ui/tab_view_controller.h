// The window's tab container: a QTabWidget whose tabs are TabViewItems, so that a tab can be
// taken out and the same item put back later.
#pragma once

#include <QPointer>
#include <QSize>
#include <QString>
#include <QTabWidget>
#include <memory>
#include <vector>

#include "ui/logic/tab_container.h"

namespace ptz {

// One tab: the page it shows and its title.
class TabViewItem final : public TabItem {
  public:
    TabViewItem(QWidget* page, QString title) : page_(page), title_(std::move(title)) {}
    QWidget* page() const { return page_; }
    const QString& title() const { return title_; }

  private:
    QPointer<QWidget> page_;
    QString title_;
};

class TabViewController : public QTabWidget, public TabContainer {
    Q_OBJECT

  public:
    explicit TabViewController(QWidget* parent = nullptr);

    // The container that currently shows `page` as a tab, or nullptr (its tab is removed).
    static TabViewController* containerOf(const QWidget* page);

    void addTabViewItem(std::shared_ptr<TabViewItem> item);

    // TabContainer.
    std::vector<std::shared_ptr<TabItem>> tabViewItems() const override;
    void insertTabViewItem(std::shared_ptr<TabItem> item, int index) override;
    void removeTabViewItem(const std::shared_ptr<TabItem>& item) override;
    std::shared_ptr<TabItem> selectedTabViewItem() const override;
    void setPreferredContentSize(int width, int height) override;

    QSize sizeHint() const override;

  private:
    // Parallel to the tabs.
    std::vector<std::shared_ptr<TabViewItem>> items_;
    QSize preferredContentSize_;
};

}  // namespace ptz
