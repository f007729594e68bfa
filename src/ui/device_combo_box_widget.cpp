#include "ui/device_combo_box_widget.h"

#include <QWheelEvent>

namespace ptz {
namespace {

const char* const kNoCameraHint = "No camera connected";
const char* const kPickCameraHint = "Choose a camera";

}  // namespace

DeviceComboBoxWidget::DeviceComboBoxWidget(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    // Arrow keys on the OSD tab press the OSD keys; the list is for the mouse.
    setFocusPolicy(Qt::NoFocus);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(24);
    showText();
    connect(this, &QComboBox::activated, this, &DeviceComboBoxWidget::devicePicked);
}

void DeviceComboBoxWidget::addItemWithObjectValue(const std::string& text) {
    const int selected = currentIndex();
    addItem(QString::fromStdString(text));
    if (currentIndex() != selected) {
        setCurrentIndex(selected);
    }
    showText();
}

void DeviceComboBoxWidget::setStringValue(const std::string& text) {
    stringValue_ = text;
    if (text.empty()) {
        setCurrentIndex(-1);
    }
    showText();
}

void DeviceComboBoxWidget::selectItemAtIndex(int index) {
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
    if (currentIndex() >= 0) {
        stringValue_ = currentText().toStdString();
    }
    showText();
}

void DeviceComboBoxWidget::removeItemAtIndex(int index) {
    if (index < 0 || index >= count()) {
        return;
    }
    const int selected = currentIndex();
    removeItem(index);
    // QComboBox would move the selection to a neighbour; the list has no such notion.
    if (index == selected) {
        setCurrentIndex(-1);
    }
    showText();
}

void DeviceComboBoxWidget::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

void DeviceComboBoxWidget::showText() {
    if (!stringValue_.empty()) {
        setPlaceholderText(QString::fromStdString(stringValue_));
    } else {
        setPlaceholderText(count() > 0 ? tr(kPickCameraHint) : tr(kNoCameraHint));
    }
}

}  // namespace ptz
