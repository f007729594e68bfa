#include "ui/main_window.h"

#include <QIcon>
#include <QVBoxLayout>

#include "ui/resource_image.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz {

MainWindow::MainWindow(UsbRegistry& registry, OsdPanelLogic::DeviceWatcherSetUp setUpDeviceWatcher,
                       QWidget* parent)
    : QWidget(parent),
      tabs_(new TabViewController(this)),
      osdPanel_(new ViewController(registry, std::move(setUpDeviceWatcher))),
      ptzPanel_(new ViewController2()) {
    setWindowTitle(tr("PTZ Panel"));
    setWindowIcon(resourceIcon(QStringLiteral("ptzpanel.png")));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);

    tabs_->addTabViewItem(std::make_shared<TabViewItem>(osdPanel_, tr("OSD")));
    tabs_->addTabViewItem(std::make_shared<TabViewItem>(ptzPanel_, tr("PTZ")));

    osdPanel_->viewDidLoad();
    ptzPanel_->viewDidLoad();
    osdPanel_->setFocus(Qt::OtherFocusReason);
    // The preferred size, also on screens where Qt would open a window smaller.
    resize(sizeHint());
}

}  // namespace ptz
