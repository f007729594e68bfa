#include "discovery/device_watcher.h"

#include <cstddef>

#include "discovery/device_row_text.h"
#include "discovery/model_filter.h"
#include "discovery/st_dev_ref.h"
#include "platform/log.h"

namespace ptz {

std::string productName;

namespace {

// The OSD panel whose load set the watcher up; the callbacks work on it.
DeviceListPanel* watchedPanel = nullptr;

}  // namespace

void setUpDeviceWatcher(HidManager& manager, DeviceListPanel& panel) {
    // The panel's load creates the list first; a list that is not there yet would leave the
    // callbacks nothing to keep in step with the rows.
    if (!arrDevList) {
        arrDevList.emplace();
    }
    watchedPanel = &panel;
    manager.setCallbacks(
        [](HidDevice* device) { Handle_DeviceMatchingCallback(nullptr, 0, nullptr, device); },
        [](HidDevice* device) { Handle_DeviceRemovalCallback(nullptr, 0, nullptr, device); });
    if (manager.open() == 0) {
        logLine("IOHIDManager打开成功");
    }
}

void Handle_DeviceMatchingCallback(void* /*context*/, int32_t /*result*/, void* /*sender*/,
                                   HidDevice* device) {
    if (device == nullptr || watchedPanel == nullptr) {
        return;
    }
    // The ids come first: opening every HID device in the machine, keyboards included, only
    // to look at them would hold them all open for nothing. A product id alone does not make
    // a camera: a keyboard of another vendor may share it, so the USB device must be a UVC one.
    const int32_t vid = device->vendorId();
    const int32_t pid = device->productId();
    if (!isSupportedModel(vid, pid) || !device->hasVideoControl()) {
        return;
    }
    if (device->open() != 0) {
        return;
    }

    productName = deviceRowText(vid, pid, device->productName());
    logLine("my product name: %s\n", productName.c_str());

    const st_DevRef record{device, vid, pid};
    arrDevList->push_back(record);

    DeviceComboBox& combo = watchedPanel->cbxDevice();
    if (combo.numberOfItems() > 0) {
        combo.addItemWithObjectValue(productName);
        return;
    }
    watchedPanel->EnableCtrl(true);
    combo.setStringValue(productName);
    combo.addItemWithObjectValue(productName);
    combo.selectItemAtIndex(0);
    // By location: with two cameras of one model, the ids alone would name either.
    watchedPanel->InitUvcContrl(record.pid, record.vid, device->locationId());
    watchedPanel->ReInitUI(record);
}

void Handle_DeviceRemovalCallback(void* /*context*/, int32_t /*result*/, void* /*sender*/,
                                  HidDevice* device) {
    if (device == nullptr || watchedPanel == nullptr || !arrDevList) {
        return;
    }
    DeviceComboBox& combo = watchedPanel->cbxDevice();
    const int32_t selected = combo.indexOfSelectedItem();
    std::vector<st_DevRef>& list = *arrDevList;
    if (list.empty()) {
        return;
    }

    int32_t found = -1;
    for (size_t i = 0; i < list.size(); ++i) {
        const st_DevRef entry = list[i];
        logLine("cursel:%d", selected);
        if (entry.devRef == device) {
            found = static_cast<int32_t>(i);
            break;
        }
    }
    if (found < 0) {
        return;
    }

    device->close();
    if (selected == found) {
        logLine("断开成功");
        watchedPanel->UnInitUvcContrl();
        combo.setStringValue("");
    }
    combo.removeItemAtIndex(found);
    list.erase(list.begin() + found);
    watchedPanel->ReInitUI(st_DevRef{device, 0, 0});
}

}  // namespace ptz
