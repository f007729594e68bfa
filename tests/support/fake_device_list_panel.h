// The OSD panel as the device watcher sees it: a combo box that keeps rows and a selection
// like the real one, and a record of every call in order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "discovery/device_list_panel.h"

namespace ptz::testing {

class FakeDeviceListPanel;

class FakeDeviceComboBox final : public DeviceComboBox {
  public:
    explicit FakeDeviceComboBox(FakeDeviceListPanel& panel) : panel_(panel) {}

    int numberOfItems() const override;
    void addItemWithObjectValue(const std::string& text) override;
    void setStringValue(const std::string& text) override;
    void selectItemAtIndex(int index) override;
    int indexOfSelectedItem() const override;
    void removeItemAtIndex(int index) override;

    std::vector<std::string> rows;
    std::string text;
    int selected = -1;  // follows its row when an earlier row goes; -1 when its row goes

  private:
    FakeDeviceListPanel& panel_;
};

class FakeDeviceListPanel final : public DeviceListPanel {
  public:
    FakeDeviceListPanel() : combo(*this) {}

    DeviceComboBox& cbxDevice() override { return combo; }
    void EnableCtrl(bool enabled) override;
    void InitUvcContrl(int32_t pid, int32_t vid, uint32_t locationId) override;
    void UnInitUvcContrl() override;
    void ReInitUI(st_DevRef device) override;

    // The user picks row `index`: bind it and arrange for it, as the panel's own action does.
    void userPicksRow(int index);

    void record(std::string call);
    void clearCalls() { calls.clear(); }

    FakeDeviceComboBox combo;
    // Every call on the panel and its combo box, e.g. "addItemWithObjectValue HD Camera",
    // "InitUvcContrl 1847 11902 0x01200000", "ReInitUI 11902 1847".
    std::vector<std::string> calls;
    bool keysEnabled = false;
    std::optional<std::pair<int32_t, int32_t>> boundVidPid;
    uint32_t boundLocation = 0;
    std::optional<st_DevRef> lastArrangement;
    int invalidCalls = 0;  // row indexes out of range
    // Runs after every call that changes the panel or its rows.
    std::function<void()> onChange;
};

}  // namespace ptz::testing
