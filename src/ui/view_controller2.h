// The PTZ panel: direction pad with home, zoom, focus, autofocus and the preset group, over
// PtzPanelLogic.
//
// Mouse: direction, zoom and focus buttons act when pressed and again when let go (hold to
// move); home and autofocus act on click; a right click on the preset box names a preset.
// Keyboard (while the PTZ tab has focus): the arrow keys, + and - (zoom) and Home do the same
// as their buttons; key repeat is ignored. The speed controls open from a button that the
// window places in its status line.
#pragma once

#include <QPointer>
#include <memory>

#include "ui/logic/ptz_panel_logic.h"
#include "ui/panel_widget.h"
#include "ui/radio_matrix.h"
#include "ui/speed_slider.h"
#include "ui/widget_control_view.h"

class QToolButton;

namespace Ui {
class ViewController2;
}

namespace ptz {

class ImageButton;
class PresetComboBox;

class ViewController2 : public PanelWidget, public PtzPanelLogic {
    Q_OBJECT

  public:
    // `status` and `settings` must outlive the panel.
    ViewController2(CameraStatus& status, SettingsStore& settings, QWidget* parent = nullptr);
    ~ViewController2() override;

    // Outlets.
    ButtonView& leftButton() override;
    ButtonView& rightButton() override;
    ButtonView& upButton() override;
    ButtonView& downButton() override;
    ButtonView& zoomReduce() override;
    ButtonView& zoomPlus() override;
    ButtonView& homeButton() override;
    ButtonView& focusReduce() override;
    ButtonView& focusPlus() override;
    ComboTextView& presetCbx() override;
    ButtonView& autoFocusBtn() override;
    ControlView& presetStatic() override;
    SpeedView& panTiltSpeedControl() override;
    SpeedView& zoomFocusSpeedControl() override;
    TabContainer* parentViewController() override;

    // Builds the panel's widgets and loads it, once; showing it does so too. The window asks
    // for it after it is shown itself: until then only the speed button exists.
    void load();
    void setVisible(bool visible) override;

    // The button that opens the speed controls; the window places it.
    QToolButton* speedButton() const { return speedButton_; }

  protected:
    PanelView& view() override { return *this; }
    RadioMatrixView& createRadioMatrix() override;
    RadioMatrixView& myMatrix() override;
    bool confirmPresetStore(const std::string& preset) override;
    std::optional<std::string> askPresetName(int number, const std::string& name) override;

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // The form, built on first use.
    Ui::ViewController2& widgets();
    ImageButton* holdButton(HoldControl control);
    void connectHold(ImageButton* button, HoldControl control);
    void buildSpeedControls();
    void showPresetMenu(const QPoint& globalPosition);
    // Lets go of every control held from the keyboard: its key release will not reach us.
    void releaseKeyboardHolds();

    std::unique_ptr<Ui::ViewController2> ui_;
    WidgetControlView presetStaticView_;
    QPointer<RadioMatrix> matrix_;
    SpeedSlider* panTiltSpeed_ = nullptr;
    SpeedSlider* zoomFocusSpeed_ = nullptr;
    QToolButton* speedButton_ = nullptr;
    bool heldByKey_[kHoldControlCount] = {};
    bool loaded_ = false;
};

}  // namespace ptz
