#include "ui/view_controller2.h"

#include <QContextMenuEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>
#include <QWidgetAction>
#include <optional>

#include "ui/image_button.h"
#include "ui/preset_combo_box.h"
#include "ui/radio_matrix.h"
#include "ui/tab_view_controller.h"
#include "ui_ViewController2.h"

namespace ptz {
namespace {

std::optional<HoldControl> holdControlForKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Up:
            return HoldControl::Up;
        case Qt::Key_Down:
            return HoldControl::Down;
        case Qt::Key_Left:
            return HoldControl::Left;
        case Qt::Key_Right:
            return HoldControl::Right;
        case Qt::Key_Plus:
        case Qt::Key_Equal:  // + without Shift on most layouts
            return HoldControl::ZoomPlus;
        case Qt::Key_Minus:
            return HoldControl::ZoomReduce;
        default:
            return std::nullopt;
    }
}

}  // namespace

ViewController2::ViewController2(CameraStatus& status, SettingsStore& settings, QWidget* parent)
    : PanelWidget(parent), PtzPanelLogic(status, settings) {
    speedButton_ = new QToolButton(this);
    speedButton_->setObjectName(QStringLiteral("speedButton"));
    speedButton_->setText(tr("Speed"));
    speedButton_->setToolTip(tr("Pan/tilt and zoom/focus speeds, kept for each camera model"));
    speedButton_->setAutoRaise(true);
    speedButton_->setFocusPolicy(Qt::NoFocus);
    speedButton_->setPopupMode(QToolButton::InstantPopup);
    speedButton_->setMenu(new QMenu(this));
    // The camera's own ranges are asked for only now, not at every bind: through the uvcvideo
    // driver they are refused, and a camera that does not answer costs a time-out.
    connect(speedButton_->menu(), &QMenu::aboutToShow, this, [this] { learnSpeedRanges(); });
}

void ViewController2::load() {
    if (!loaded_) {
        loaded_ = true;
        viewDidLoad();
    }
}

void ViewController2::setVisible(bool visible) {
    // Built before it is first shown, so that its children are shown with it.
    if (visible) {
        load();
    }
    PanelWidget::setVisible(visible);
}

Ui::ViewController2& ViewController2::widgets() {
    if (ui_) {
        return *ui_;
    }
    ui_ = std::make_unique<Ui::ViewController2>();
    ui_->setupUi(this);
    presetStaticView_.setWidget(ui_->presetStatic);
    buildSpeedControls();

    connectHold(ui_->upButton, HoldControl::Up);
    connectHold(ui_->downButton, HoldControl::Down);
    connectHold(ui_->leftButton, HoldControl::Left);
    connectHold(ui_->rightButton, HoldControl::Right);
    connectHold(ui_->zoomPlus, HoldControl::ZoomPlus);
    connectHold(ui_->zoomReduce, HoldControl::ZoomReduce);
    connectHold(ui_->focusPlus, HoldControl::FocusPlus);
    connectHold(ui_->focusReduce, HoldControl::FocusReduce);
    connect(ui_->homeButton, &QPushButton::clicked, this, [this] { OnClickHome(); });
    connect(ui_->autoFocusBtn, &QPushButton::clicked, this, [this] { OnClickAutoFocus(); });
    connect(ui_->presetCbx, &PresetComboBox::presetChosen, this, [this] { OnClickPresetCbx(); });
    connect(ui_->presetCbx, &PresetComboBox::editingDone, this,
            [this] { setFocus(Qt::OtherFocusReason); });
    ui_->presetCbx->lineEdit()->installEventFilter(this);
    return *ui_;
}

void ViewController2::buildSpeedControls() {
    auto* controls = new QWidget;
    auto* form = new QFormLayout(controls);
    const auto addSpeed = [&](const QString& name, const QString& label) {
        auto* slider = new SpeedSlider;
        slider->setObjectName(name);
        slider->setAccessibleName(label);
        auto* value = new QLabel;
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("255")));
        connect(slider, &QSlider::valueChanged, value, qOverload<int>(&QLabel::setNum));
        auto* row = new QHBoxLayout;
        row->addWidget(slider);
        row->addWidget(value);
        form->addRow(label, row);
        return slider;
    };
    panTiltSpeed_ = addSpeed(QStringLiteral("panTiltSpeed"), tr("Pan/tilt speed"));
    zoomFocusSpeed_ = addSpeed(QStringLiteral("zoomFocusSpeed"), tr("Zoom/focus speed"));
    connect(panTiltSpeed_, &SpeedSlider::speedChosen, this,
            [this](int speed) { OnChangePanTiltSpeed(speed); });
    connect(zoomFocusSpeed_, &SpeedSlider::speedChosen, this,
            [this](int speed) { OnChangeZoomFocusSpeed(speed); });

    auto* action = new QWidgetAction(speedButton_->menu());
    action->setDefaultWidget(controls);
    speedButton_->menu()->addAction(action);
}

void ViewController2::showPresetMenu(const QPoint& globalPosition) {
    QMenu* menu = ui_->presetCbx->lineEdit()->createStandardContextMenu();
    menu->addSeparator();
    const std::optional<int> preset = presetToName();
    QAction* name = menu->addAction(preset ? tr("Name preset %1\u2026").arg(*preset)
                                           : tr("Name a preset\u2026"));
    name->setEnabled(preset.has_value());
    connect(name, &QAction::triggered, this, [this] { OnNamePreset(); });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

bool ViewController2::confirmPresetStore(const std::string& preset) {
    return QMessageBox::question(
               this, tr("Store preset"),
               tr("Store the camera's position as preset %1?").arg(QString::fromStdString(preset)),
               QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel) == QMessageBox::Yes;
}

std::optional<std::string> ViewController2::askPresetName(int number, const std::string& name) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, tr("Name preset"), tr("Name of preset %1 (empty for none):").arg(number),
        QLineEdit::Normal, QString::fromStdString(name), &ok);
    return ok ? std::optional<std::string>(text.toStdString()) : std::nullopt;
}

bool ViewController2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->presetCbx->lineEdit() && event->type() == QEvent::ContextMenu) {
        showPresetMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    // The "Focus" caption goes and comes with the focus buttons a model profile hides.
    if (watched == ui_->focusPlus &&
        (event->type() == QEvent::HideToParent || event->type() == QEvent::ShowToParent)) {
        ui_->focusCaption->setVisible(event->type() == QEvent::ShowToParent);
    }
    // A held button that is hidden or disabled gets no release: let go of it here.
    if (event->type() == QEvent::HideToParent || event->type() == QEvent::EnabledChange) {
        for (int index = 0; index < kHoldControlCount; ++index) {
            const auto control = static_cast<HoldControl>(index);
            ImageButton* key = holdButton(control);
            if (watched == key && isHeld(control) && !(key->isEnabled() && !key->isHidden())) {
                heldByKey_[index] = false;
                key->setDown(false);
                releaseHoldControl(control);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

ViewController2::~ViewController2() = default;

void ViewController2::connectHold(ImageButton* button, HoldControl control) {
    button->installEventFilter(this);
    connect(button, &QPushButton::pressed, this, [this, control] { pressHoldControl(control); });
    connect(button, &QPushButton::released, this, [this, control] { releaseHoldControl(control); });
}

ButtonView& ViewController2::leftButton() {
    return *widgets().leftButton;
}
ButtonView& ViewController2::rightButton() {
    return *widgets().rightButton;
}
ButtonView& ViewController2::upButton() {
    return *widgets().upButton;
}
ButtonView& ViewController2::downButton() {
    return *widgets().downButton;
}
ButtonView& ViewController2::zoomReduce() {
    return *widgets().zoomReduce;
}
ButtonView& ViewController2::zoomPlus() {
    return *widgets().zoomPlus;
}
ButtonView& ViewController2::homeButton() {
    return *widgets().homeButton;
}
ButtonView& ViewController2::focusReduce() {
    return *widgets().focusReduce;
}
ButtonView& ViewController2::focusPlus() {
    return *widgets().focusPlus;
}
ComboTextView& ViewController2::presetCbx() {
    return *widgets().presetCbx;
}
ButtonView& ViewController2::autoFocusBtn() {
    return *widgets().autoFocusBtn;
}
// These exist once the form is built, like the form's own outlets.
ControlView& ViewController2::presetStatic() {
    widgets();
    return presetStaticView_;
}
SpeedView& ViewController2::panTiltSpeedControl() {
    widgets();
    return *panTiltSpeed_;
}
SpeedView& ViewController2::zoomFocusSpeedControl() {
    widgets();
    return *zoomFocusSpeed_;
}

TabContainer* ViewController2::parentViewController() {
    return TabViewController::containerOf(this);
}

ImageButton* ViewController2::holdButton(HoldControl control) {
    Ui::ViewController2& ui = widgets();
    switch (control) {
        case HoldControl::Up:
            return ui.upButton;
        case HoldControl::Down:
            return ui.downButton;
        case HoldControl::Left:
            return ui.leftButton;
        case HoldControl::Right:
            return ui.rightButton;
        case HoldControl::ZoomPlus:
            return ui.zoomPlus;
        case HoldControl::ZoomReduce:
            return ui.zoomReduce;
        case HoldControl::FocusPlus:
            return ui.focusPlus;
        case HoldControl::FocusReduce:
            return ui.focusReduce;
    }
    return nullptr;
}

RadioMatrixView& ViewController2::createRadioMatrix() {
    delete matrix_;
    matrix_ = new RadioMatrix(this);
    matrix_->setObjectName(QStringLiteral("presetMatrix"));
    matrix_->setToolTip(tr("Set stores the camera's position as the preset; Call moves to it"));
    widgets().presetMatrixSlot->addWidget(matrix_);
    return *matrix_;
}

RadioMatrixView& ViewController2::myMatrix() {
    // The load builds it; should a preset be asked for earlier, an empty matrix (recall) does.
    if (!matrix_) {
        return createRadioMatrix();
    }
    return *matrix_;
}

void ViewController2::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home) {
        event->accept();
        ImageButton* home = widgets().homeButton;
        if (!event->isAutoRepeat() && home->isEnabled() && home->isVisibleTo(this)) {
            home->click();
        }
        return;
    }
    const std::optional<HoldControl> control = holdControlForKey(event->key());
    if (!control) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    ImageButton* key = holdButton(*control);
    if (event->isAutoRepeat() || !key->isEnabled() || !key->isVisibleTo(this)) {
        return;
    }
    heldByKey_[static_cast<int>(*control)] = true;
    key->setDown(true);
    pressHoldControl(*control);
}

void ViewController2::keyReleaseEvent(QKeyEvent* event) {
    const std::optional<HoldControl> control = holdControlForKey(event->key());
    if (!control) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    event->accept();
    const int index = static_cast<int>(*control);
    if (event->isAutoRepeat() || !heldByKey_[index]) {
        return;
    }
    heldByKey_[index] = false;
    holdButton(*control)->setDown(false);
    releaseHoldControl(*control);
}

void ViewController2::releaseKeyboardHolds() {
    for (int index = 0; index < kHoldControlCount; ++index) {
        if (heldByKey_[index]) {
            heldByKey_[index] = false;
            const auto control = static_cast<HoldControl>(index);
            holdButton(control)->setDown(false);
            releaseHoldControl(control);
        }
    }
}

void ViewController2::focusOutEvent(QFocusEvent* event) {
    releaseKeyboardHolds();
    QWidget::focusOutEvent(event);
}

void ViewController2::hideEvent(QHideEvent* event) {
    releaseKeyboardHolds();
    QWidget::hideEvent(event);
}

}  // namespace ptz
