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

    // The interface's own directory, below the device's: for interface 0 of configuration 1,
    // deviceSyspath + "/1-2:1.0".
    std::string interfaceSyspath() const {
        const std::string deviceName = deviceSyspath.substr(deviceSyspath.rfind('/') + 1);
        return deviceSyspath + "/" + deviceName + ":" + std::to_string(configurationValue) + "." +
               std::to_string(interfaceNumber);
    }
};

}  // namespace ptz
