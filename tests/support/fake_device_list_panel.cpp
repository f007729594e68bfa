#include "fake_device_list_panel.h"

#include <cstdio>
#include "platform/hid/hid_device.h"

#include "discovery/st_dev_ref.h"

namespace ptz::testing {

int FakeDeviceComboBox::numberOfItems() const {
    panel_.record("numberOfItems");
    return static_cast<int>(rows.size());
}

void FakeDeviceComboBox::addItemWithObjectValue(const std::string& value) {
    rows.push_back(value);
    panel_.record("addItemWithObjectValue " + value);
}

void FakeDeviceComboBox::setStringValue(const std::string& value) {
    text = value;
    panel_.record("setStringValue " + value);
}

void FakeDeviceComboBox::selectItemAtIndex(int index) {
    if (index < 0 || index >= static_cast<int>(rows.size())) {
        ++panel_.invalidCalls;
    } else {
        selected = index;
    }
    panel_.record("selectItemAtIndex " + std::to_string(index));
}

int FakeDeviceComboBox::indexOfSelectedItem() const {
    panel_.record("indexOfSelectedItem");
    return selected;
}

void FakeDeviceComboBox::removeItemAtIndex(int index) {
    if (index < 0 || index >= static_cast<int>(rows.size())) {
        ++panel_.invalidCalls;
    } else {
        rows.erase(rows.begin() + index);
        if (selected == index) {
            selected = -1;
        } else if (selected > index) {
            --selected;
        }
    }
    panel_.record("removeItemAtIndex " + std::to_string(index));
}

void FakeDeviceListPanel::EnableCtrl(bool enabled) {
    keysEnabled = enabled;
    record(std::string("EnableCtrl ") + (enabled ? "1" : "0"));
}

void FakeDeviceListPanel::InitUvcContrl(int32_t pid, int32_t vid, uint32_t locationId) {
    boundVidPid = std::make_pair(vid, pid);
    boundLocation = locationId;
    char location[16];
    snprintf(location, sizeof location, "0x%08x", locationId);
    record("InitUvcContrl " + std::to_string(pid) + " " + std::to_string(vid) + " " + location);
}

void FakeDeviceListPanel::UnInitUvcContrl() {
    boundVidPid.reset();
    record("UnInitUvcContrl");
}

void FakeDeviceListPanel::ReInitUI(st_DevRef device) {
    lastArrangement = device;
    record("ReInitUI " + std::to_string(device.vid) + " " + std::to_string(device.pid));
}

void FakeDeviceListPanel::userPicksRow(int index) {
    combo.selectItemAtIndex(index);
    const st_DevRef picked = arrDevList->at(static_cast<size_t>(index));
    InitUvcContrl(picked.pid, picked.vid, picked.devRef->locationId());
    ReInitUI(picked);
}

void FakeDeviceListPanel::record(std::string call) {
    const bool queryOnly = call == "numberOfItems" || call == "indexOfSelectedItem";
    calls.push_back(std::move(call));
    if (!queryOnly && onChange) {
        onChange();
    }
}

}  // namespace ptz::testing
