// The PTZ panel: direction pad with home, zoom, focus, autofocus and the preset group, over
// PtzPanelLogic.
//
// Mouse: direction, zoom and focus buttons act when pressed and again when let go (hold to
// move); home and autofocus act on click. Keyboard (while the PTZ tab has focus): the arrow
// keys, + and - (zoom) and Home do the same as their buttons; key repeat is ignored.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "ui/logic/ptz_panel_logic.h"
#include "ui/radio_matrix.h"
#include "ui/widget_control_view.h"

namespace Ui {
class ViewController2;
}

namespace ptz {

class ImageButton;
class PresetComboBox;

class ViewController2 : public QWidget, public PtzPanelLogic, private PanelView {
    Q_OBJECT

  public:
    explicit ViewController2(QWidget* parent = nullptr);
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
    ControlView& presetStatic() override { return presetStaticView_; }
    TabContainer* parentViewController() override;

    // The widgets behind the outlets; the matrix exists once the panel has loaded.
    ImageButton* button(HoldControl control) const;
    ImageButton* homeKey() const;
    ImageButton* autoFocusKey() const;
    PresetComboBox* presetComboBox() const;
    QWidget* presetLabel() const;
    RadioMatrix* radioMatrix() const { return matrix_; }

    QSize sizeHint() const override;

  protected:
    PanelView& view() override { return *this; }
    RadioMatrixView& createRadioMatrix() override;
    RadioMatrixView& myMatrix() override;

    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    // PanelView.
    void setBackgroundColor(double red, double green, double blue, double alpha) override;
    void setPreferredContentSize(int width, int height) override;

    void connectHold(ImageButton* button, HoldControl control);
    // Lets go of every control held from the keyboard: its key release will not reach us.
    void releaseKeyboardHolds();

    std::unique_ptr<Ui::ViewController2> ui_;
    WidgetControlView presetStaticView_;
    QPointer<RadioMatrix> matrix_;
    bool heldByKey_[kHoldControlCount] = {};
    QSize preferredContentSize_;
};

}  // namespace ptz
