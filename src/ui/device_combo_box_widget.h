// The device combo box: one row per connected camera, kept by the device watcher.
//
// Only the user's pick emits `devicePicked` (QComboBox::activated); rows added or removed and
// selections or texts set through the DeviceComboBox calls never do. Like the list it mirrors,
// it never selects a row on its own: adding the first row or removing the selected one leaves
// no row selected.
#pragma once

#include <QComboBox>
#include <string>

#include "discovery/device_list_panel.h"

namespace ptz {

class DeviceComboBoxWidget : public QComboBox, public DeviceComboBox {
    Q_OBJECT

  public:
    explicit DeviceComboBoxWidget(QWidget* parent = nullptr);

    // DeviceComboBox.
    int numberOfItems() const override { return count(); }
    void addItemWithObjectValue(const std::string& text) override;
    // The text is shown while no row is selected; "" also clears the selection.
    void setStringValue(const std::string& text) override;
    void selectItemAtIndex(int index) override;
    int indexOfSelectedItem() const override { return currentIndex(); }
    void removeItemAtIndex(int index) override;

    const std::string& stringValue() const { return stringValue_; }

  signals:
    void devicePicked();

  protected:
    // Scrolling over the box would bind another camera on the way; only a pick from the list
    // binds.
    void wheelEvent(QWheelEvent* event) override;

  private:
    void showText();

    std::string stringValue_;
};

}  // namespace ptz
