// What the device watcher needs of the OSD panel: its device combo box and its binding.
#pragma once

#include <cstdint>
#include <string>

#include "discovery/st_dev_ref.h"

namespace ptz {

// The device combo box. Programmatic changes made through this interface never count as the
// user's pick.
class DeviceComboBox {
  public:
    virtual ~DeviceComboBox() = default;
    virtual int numberOfItems() const = 0;
    virtual void addItemWithObjectValue(const std::string& text) = 0;
    virtual void setStringValue(const std::string& text) = 0;
    virtual void selectItemAtIndex(int index) = 0;
    virtual int indexOfSelectedItem() const = 0;  // -1 when no row is selected
    virtual void removeItemAtIndex(int index) = 0;
};

class DeviceListPanel {
  public:
    virtual ~DeviceListPanel() = default;
    virtual DeviceComboBox& cbxDevice() = 0;
    virtual void EnableCtrl(bool enabled) = 0;
    // Binds the camera at `locationId` (its USB location, see HidDevice::locationId), or the
    // first one with these ids when the location is 0.
    virtual void InitUvcContrl(int32_t pid, int32_t vid, uint32_t locationId) = 0;
    virtual void UnInitUvcContrl() = 0;
    virtual void ReInitUI(st_DevRef device) = 0;
};

}  // namespace ptz
