// Keeps arrDevList and the OSD panel's device combo box in step with the supported cameras
// that are plugged in and out.
#pragma once

#include <string>

#include "discovery/device_list_panel.h"
#include "platform/hid/hid_device.h"

namespace ptz {

// The last accepted device's product name.
extern std::string productName;

// Registers the two callbacks on the manager and opens it; called from the OSD panel's load
// right after arrDevList exists. The panel must outlive the manager's callbacks.
void setUpDeviceWatcher(HidManager& manager, DeviceListPanel& panel);

// The manager's callbacks. Only `device` is used.
void Handle_DeviceMatchingCallback(void* context, int32_t result, void* sender, HidDevice* device);
void Handle_DeviceRemovalCallback(void* context, int32_t result, void* sender, HidDevice* device);

}  // namespace ptz
