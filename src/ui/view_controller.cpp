#include "ui/view_controller.h"

#include <QKeyEvent>

#include "ui/device_combo_box_widget.h"
#include "ui/image_button.h"
#include "ui/tab_view_controller.h"
#include "ui_ViewController.h"

namespace ptz {

ViewController::ViewController(UsbRegistry& registry, DeviceWatcherSetUp setUpDeviceWatcher,
                               CameraStatus& status, SettingsStore& settings, QWidget* parent)
    : PanelWidget(parent),
      OsdPanelLogic(registry, std::move(setUpDeviceWatcher), status, settings),
      ui_(std::make_unique<Ui::ViewController>()) {
    ui_->setupUi(this);
    connect(ui_->upButton, &QPushButton::clicked, this, [this] { OnClickUp(); });
    connect(ui_->leftButton, &QPushButton::clicked, this, [this] { OnClickLeft(); });
    connect(ui_->downButton, &QPushButton::clicked, this, [this] { OnClickDown(); });
    connect(ui_->rightButton, &QPushButton::clicked, this, [this] { OnClickRight(); });
    connect(ui_->okButton, &QPushButton::clicked, this, [this] { OnClickOk(); });
    connect(ui_->openCloseBtn, &QPushButton::clicked, this, [this] { OnClickOpenClose(); });
    connect(ui_->backButton, &QPushButton::clicked, this, [this] { OnClickBack(); });
    // Only the user's pick; the watcher's own changes to the rows never bind.
    connect(ui_->cbxDevice, &DeviceComboBoxWidget::devicePicked, this,
            [this] { OnClickCbxDevice(); });
}

ViewController::~ViewController() = default;

ButtonView& ViewController::leftButton() {
    return *ui_->leftButton;
}
ButtonView& ViewController::rightButton() {
    return *ui_->rightButton;
}
ButtonView& ViewController::upButton() {
    return *ui_->upButton;
}
ButtonView& ViewController::downButton() {
    return *ui_->downButton;
}
ButtonView& ViewController::okButton() {
    return *ui_->okButton;
}
ButtonView& ViewController::openCloseBtn() {
    return *ui_->openCloseBtn;
}
ButtonView& ViewController::backButton() {
    return *ui_->backButton;
}
DeviceComboBox& ViewController::cbxDevice() {
    return *ui_->cbxDevice;
}

TabContainer* ViewController::parentViewController() {
    return TabViewController::containerOf(this);
}

ImageButton* ViewController::keyFor(int qtKey) const {
    switch (qtKey) {
        case Qt::Key_Up:
            return ui_->upButton;
        case Qt::Key_Down:
            return ui_->downButton;
        case Qt::Key_Left:
            return ui_->leftButton;
        case Qt::Key_Right:
            return ui_->rightButton;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return ui_->okButton;
        case Qt::Key_Backspace:
            return ui_->backButton;
        case Qt::Key_M:
            return ui_->openCloseBtn;
        default:
            return nullptr;
    }
}

void ViewController::keyPressEvent(QKeyEvent* event) {
    ImageButton* key = keyFor(event->key());
    if (!key) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    // Each OSD key press is a USB request; a held key presses once.
    if (event->isAutoRepeat() || !key->isEnabled() || !key->isVisibleTo(this)) {
        return;
    }
    key->click();
    key->setDown(true);  // shown pressed until the key is let go
}

void ViewController::keyReleaseEvent(QKeyEvent* event) {
    ImageButton* key = keyFor(event->key());
    if (!key) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    if (!event->isAutoRepeat()) {
        key->setDown(false);
    }
}

}  // namespace ptz
