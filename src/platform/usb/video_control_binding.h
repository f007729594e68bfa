// What a binding keeps of its camera's VideoControl interface: where the device sits in sysfs,
// its bus address, the interface's number and units.
//
// The bus address (bus and device number) changes every time a device is plugged in, while a
// sysfs path and a /dev/videoN name are given to whichever device comes next: together they
// tell the bound camera from another one found later in its place. Plain data, any thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/usb/uvc_descriptors.h"

namespace ptz {

struct VideoControlBinding {
    // The usb_device, e.g. "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2".
    std::string deviceSyspath;
    uint8_t busNumber = 0;
    uint8_t deviceNumber = 0;
    uint8_t configurationValue = 1;
    uint8_t interfaceNumber = 0;
    // The interface's entities, from its class-specific descriptors.
    VideoControlUnits units;

    // The interface's own directory: deviceSyspath + ":" + configuration + "." + interface.
    std::string interfaceSyspath() const {
        return deviceSyspath + ":" + std::to_string(configurationValue) + "." +
               std::to_string(interfaceNumber);
    }
};

}  // namespace ptz
