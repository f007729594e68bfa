#include "ui/radio_matrix.h"

#include <QHBoxLayout>

namespace ptz {

RadioMatrix::RadioMatrix(QWidget* parent) : QWidget(parent), group_(this) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    group_.setExclusive(true);
    for (int column = 0; column < kColumns; ++column) {
        auto* cell = new QRadioButton(this);
        // Arrow keys belong to the camera, not to moving between the two cells.
        cell->setFocusPolicy(Qt::NoFocus);
        group_.addButton(cell, column);
        layout->addWidget(cell);
    }
}

QRadioButton* RadioMatrix::cell(int column) const {
    return qobject_cast<QRadioButton*>(group_.button(column));
}

void RadioMatrix::setCellTitle(int column, const std::string& title) {
    if (QRadioButton* button = cell(column)) {
        button->setText(QString::fromStdString(title));
        button->setAccessibleName(QString::fromStdString(title));
    }
}

void RadioMatrix::selectCellAtColumn(int column) {
    if (QRadioButton* button = cell(column)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group cannot uncheck its checked button; lift the rule for a moment.
    if (QAbstractButton* checked = group_.checkedButton()) {
        group_.setExclusive(false);
        checked->setChecked(false);
        group_.setExclusive(true);
    }
}

int RadioMatrix::selectedColumn() const {
    return group_.checkedId();
}

}  // namespace ptz
