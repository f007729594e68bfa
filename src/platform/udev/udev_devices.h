// The machine's devices as udev and sysfs show them: the one wrapper over libudev (for
// enumerations and a USB device's attributes), and plain reads of sysfs files for what is
// checked again on every request.
//
// Threading: any thread; nothing is kept between calls. Calls block briefly on sysfs.
// Failures: an enumeration that cannot be made visits nothing; a file or attribute that is
// missing reads as std::nullopt, an empty string or no bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/usb/uvc_descriptors.h"

struct udev_device;

namespace ptz {

// Calls `visit` with each device of `subsystem` (and of `devtype`, unless it is null), in
// syspath order. The device is borrowed for the duration of the call.
void forEachUdevDevice(const char* subsystem, const char* devtype,
                       const std::function<void(udev_device* device)>& visit);

// What a usb_device says about itself in sysfs, read at once.
struct UsbDeviceRecord {
    std::string syspath;    // "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2"
    uint16_t vendorId = 0;  // idVendor; 0 when absent or malformed
    uint16_t productId = 0;
    std::string product;  // empty when the device has no product string
    uint8_t busNumber = 0;
    uint8_t deviceNumber = 0;
    // Bus number in the top 8 bits, then one 4-bit nibble per port (see usb_location_id.h).
    uint32_t locationId = 0;
};

// `usbDevice`: a device of subsystem usb, devtype usb_device.
UsbDeviceRecord readUsbDeviceRecord(udev_device* usbDevice);

// The VideoControl interfaces of the active configuration of the usb_device at `syspath`, from
// its `descriptors` attribute (the kernel's copy: reading it does not touch the device).
// Empty when the device has none, is unconfigured or is gone. `configurationValue` receives
// the active configuration's number.
std::vector<VideoControlInterfaceDescriptors> readVideoControlInterfaces(
    const std::string& syspath, uint8_t& configurationValue);

// True while the usb_device at `syspath` is still the one that had this bus address. The next
// device plugged in at the same place gets the same syspath but another device number.
bool isSameUsbDevice(const std::string& syspath, uint8_t busNumber, uint8_t deviceNumber);

// A sysfs attribute file as text without its trailing line break, or nullopt when it cannot
// be read.
std::optional<std::string> readSysfsText(const std::string& path);

// A decimal sysfs attribute ("busnum", "devnum"), or nullopt when unreadable or not a number.
std::optional<unsigned> readSysfsNumber(const std::string& path);

// The last path element of the symbolic link at `path` (for an interface's `driver` link, the
// driver's name), or an empty string when there is no such link.
std::string sysfsLinkName(const std::string& path);

}  // namespace ptz
