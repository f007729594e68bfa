#include "ui/preset_combo_box.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace ptz {

PresetComboBox::PresetComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    // A typed number is sent, not added to the list.
    setInsertPolicy(QComboBox::NoInsert);
    for (int preset = 0; preset <= 9; ++preset) {
        addItem(QString::number(preset));
    }
    connect(this, &QComboBox::activated, this, &PresetComboBox::presetChosen);
}

void PresetComboBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            event->accept();
            emit presetChosen();
            emit editingDone();
            return;
        case Qt::Key_Escape:
            event->accept();
            emit editingDone();
            return;
        default:
            QComboBox::keyPressEvent(event);
    }
}

}  // namespace ptz
