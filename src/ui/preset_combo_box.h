// The preset number box: the presets to pick from (their items are set by the panel), and any
// number can be typed.
//
// `presetChosen` is emitted when the user picks an item from the list, and when Return is
// pressed in the text field; nothing else (typing, arrow keys or the mouse wheel stepping
// through the numbers, leaving the field, the program's own changes) sends a preset.
#pragma once

#include <QComboBox>
#include <string>
#include <vector>

#include "ui/logic/control_views.h"

namespace ptz {

class PresetComboBox : public QComboBox, public ComboTextView {
    Q_OBJECT

  public:
    explicit PresetComboBox(QWidget* parent = nullptr);

    // ComboTextView.
    std::string stringValue() const override { return currentText().toStdString(); }
    void selectItemAtIndex(int index) override { setCurrentIndex(index); }
    void setItems(const std::vector<std::string>& items) override;
    void setEnabled(bool enabled) override { QComboBox::setEnabled(enabled); }
    void setHidden(bool hidden) override { QComboBox::setHidden(hidden); }

    void showPopup() override;
    void hidePopup() override;

  signals:
    void presetChosen();
    // Return or Escape in the text field: the keyboard can go back to driving the camera.
    void editingDone();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    bool listOpen_ = false;
};

}  // namespace ptz
