// What the libusb registry knows of one VideoControl interface when a handle is made for it,
// and the hook through which the factory decides which backend carries its requests.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/usb/libusb_handles.h"
#include "platform/usb/usb_interface.h"

namespace ptz {

struct LibusbVideoControlInterface {
    LibusbDeviceHandlePtr device;  // open for as long as any handle needs it
    uint8_t interfaceNumber = 0;
    // The interface's directory in sysfs, e.g. "/sys/bus/usb/devices/1-2:1.0".
    std::string sysfsPath;
    // The class-specific descriptors that follow the interface descriptor (units, terminals).
    std::vector<uint8_t> classSpecificDescriptors;
};

// Makes the handle for a VideoControl interface: kSuccess and a handle, or a failure status and
// none. Called on the GUI thread during binding.
using InterfaceHandleMaker = std::function<UsbStatus(const LibusbVideoControlInterface& interface,
                                                     std::unique_ptr<UsbInterface>& handle)>;

}  // namespace ptz
