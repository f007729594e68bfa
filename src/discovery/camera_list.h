// The supported cameras among the HID devices, for the command line.
#pragma once

#include <string>
#include <vector>

#include "platform/hid/hid_device_info.h"

namespace ptz {

// One entry per UVC camera (a USB device with a VideoControl interface) of a supported model,
// in the order given: a camera with several HID nodes is listed once; devices the model filter
// rejects, and look-alikes of a supported model without a video function, not at all.
std::vector<HidDeviceInfo> supportedCameras(const std::vector<HidDeviceInfo>& devices);

// "2e7e:0737 0x01230000 HD Camera": vendor:product in hex, location id, name; one line for each
// of supportedCameras(devices).
std::vector<std::string> supportedCameraLines(const std::vector<HidDeviceInfo>& devices);

}  // namespace ptz
