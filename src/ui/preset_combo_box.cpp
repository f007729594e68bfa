#include "ui/preset_combo_box.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>
#include <algorithm>

namespace ptz {

PresetComboBox::PresetComboBox(QWidget* parent) : QComboBox(parent) {
    // Editable without setEditable(), which would also build the list's popup before the window
    // is first shown; the popup is built when first opened.
    auto* field = new QLineEdit(this);
    field->setPalette(palette());
    setLineEdit(field);
    // A typed number is sent, not added to the list.
    setInsertPolicy(QComboBox::NoInsert);
    // QComboBox would report a completion as a pick, and so send a preset while typing.
    setCompleter(nullptr);
    // QComboBox also reports an edited text that matches an item as "activated" when the field
    // loses focus; only a pick from the open list counts.
    connect(this, &QComboBox::activated, this, [this] {
        if (listOpen_) {
            listOpen_ = false;
            emit presetChosen();
        }
    });
}

void PresetComboBox::setItems(const std::vector<std::string>& items) {
    clear();
    for (const std::string& item : items) {
        addItem(QString::fromStdString(item));
    }
}

void PresetComboBox::showPopup() {
    listOpen_ = true;
    // What setEditable() would have set on the list.
    view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QComboBox::showPopup();
}

void PresetComboBox::hidePopup() {
    QComboBox::hidePopup();
    // The list reports its pick while it closes; whatever comes after is no pick from it.
    QMetaObject::invokeMethod(
        this, [this] { listOpen_ = false; }, Qt::QueuedConnection);
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
        // QComboBox reports stepping through the items as picks: each step would store or
        // recall a preset. Step without sending; Return sends.
        case Qt::Key_Up:
        case Qt::Key_Down:
            event->accept();
            setCurrentIndex(
                std::clamp(currentIndex() + (event->key() == Qt::Key_Up ? -1 : 1), 0, count() - 1));
            return;
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            event->accept();
            return;
        default:
            QComboBox::keyPressEvent(event);
    }
}

void PresetComboBox::wheelEvent(QWheelEvent* event) {
    // Scrolling over the box must not store or recall presets on the way.
    event->ignore();
}

}  // namespace ptz
