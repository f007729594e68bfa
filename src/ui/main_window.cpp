#include "ui/main_window.h"

#include <QCloseEvent>
#include <QIcon>
#include <QShortcut>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/resource_image.h"
#include "ui/status_line.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz {
namespace {

const QString kGeometryKey = QStringLiteral("window/geometry");
const QString kTabKey = QStringLiteral("window/tab");
const QString kPtzTab = QStringLiteral("ptz");

}  // namespace

MainWindow::MainWindow(UsbRegistry& registry, OsdPanelLogic::DeviceWatcherSetUp setUpDeviceWatcher,
                       QWidget* parent)
    : QWidget(parent),
      statusLine_(new StatusLine(this)),
      status_(*statusLine_),
      tabs_(new TabViewController(this)),
      osdPanel_(
          new ViewController(registry, std::move(setUpDeviceWatcher), status_, settingsStore_)),
      ptzPanel_(new ViewController2(status_, settingsStore_)) {
    setWindowTitle(tr("PTZ Panel"));
    // Set once the window is on its way: decoding the icon need not delay its showing.
    QMetaObject::invokeMethod(
        this, [this] { setWindowIcon(resourceIcon(QStringLiteral("window-icon.png"))); },
        Qt::QueuedConnection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_, 1);
    layout->addWidget(statusLine_);

    tabs_->addTabViewItem(std::make_shared<TabViewItem>(osdPanel_, tr("OSD")));
    tabs_->addTabViewItem(std::make_shared<TabViewItem>(ptzPanel_, tr("PTZ")));

    // The PTZ tab is hidden at first: it is built once the window is on its way, still before
    // any device event, which the OSD panel's load asks for after this.
    QMetaObject::invokeMethod(ptzPanel_, &ViewController2::load, Qt::QueuedConnection);
    osdPanel_->viewDidLoad();

    connect(statusLine_->cameraMenu(), &QMenu::aboutToShow, this, [this] { fillCameraMenu(); });
    statusLine_->addControl(ptzPanel_->speedButton());
    const auto followTab = [this] {
        ptzPanel_->speedButton()->setVisible(tabs_->currentWidget() == ptzPanel_);
    };
    connect(tabs_, &QTabWidget::currentChanged, this, followTab);
    // Only the user's choice of tab is remembered, not one a model profile forced.
    connect(tabs_, &QTabWidget::tabBarClicked, this, [this](int index) {
        settings_.setValue(kTabKey, tabs_->widget(index) == ptzPanel_ ? kPtzTab : QString());
    });
    addPresetShortcuts();

    if (settings_.value(kTabKey).toString() == kPtzTab) {
        tabs_->setCurrentWidget(ptzPanel_);
    }
    followTab();
    tabs_->currentWidget()->setFocus(Qt::OtherFocusReason);
    // The place the user left it in; else the preferred size, also on screens where Qt would
    // open a window smaller.
    if (!restoreGeometry(settings_.value(kGeometryKey).toByteArray())) {
        resize(sizeHint());
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::closeEvent(QCloseEvent* event) {
    settings_.setValue(kGeometryKey, saveGeometry());
    QWidget::closeEvent(event);
}

void MainWindow::fillCameraMenu() {
    QMenu* menu = statusLine_->cameraMenu();
    menu->clear();
    const std::vector<std::string> choices = osdPanel_->cameraChoices();
    if (choices.empty()) {
        menu->addAction(tr("No camera connected"))->setEnabled(false);
    }
    const int bound = osdPanel_->cbxDevice().indexOfSelectedItem();
    for (int row = 0; row < static_cast<int>(choices.size()); ++row) {
        QAction* choice = menu->addAction(QString::fromStdString(choices[row]));
        choice->setCheckable(true);
        choice->setChecked(row == bound);
        connect(choice, &QAction::triggered, this, [this, row] { osdPanel_->OnPickCamera(row); });
    }
}

void MainWindow::addPresetShortcuts() {
    for (int preset = 1; preset <= 9; ++preset) {
        const auto digit = static_cast<Qt::Key>(Qt::Key_0 + preset);
        connect(new QShortcut(QKeySequence(Qt::CTRL | digit), this), &QShortcut::activated, this,
                [this, preset] { ptzPanel_->recallPreset(preset); });
        connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | digit), this),
                &QShortcut::activated, this,
                [this, preset] { ptzPanel_->storePresetAfterConfirmation(preset); });
    }
}

}  // namespace ptz
