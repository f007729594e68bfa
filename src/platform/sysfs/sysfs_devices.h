// The machine's devices as the kernel shows them in sysfs, read directly: the USB devices and
// HID nodes present now, a USB device's record, and the attributes checked again on every
// request. Nothing here asks udev, so a one-off look (ptzctl) costs a few file reads; the
// watchers that follow arrivals and removals use udev's monitor (udev/udev_device_monitor.h).
//
// Threading: any thread; nothing is kept between calls. Calls block briefly on sysfs.
// Failures: a directory that cannot be read lists nothing; a file or attribute that is missing
// reads as std::nullopt, an empty string or no bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/usb/uvc_descriptors.h"

namespace ptz {

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

// The usb_devices present now in syspath order, as udev would list them; with `locationId`,
// only those at that location, and no other device is read.
std::vector<UsbDeviceRecord> usbDevices(std::optional<uint32_t> locationId = std::nullopt);

// The usb_device at `syspath`.
UsbDeviceRecord readUsbDeviceRecord(const std::string& syspath);

// The usb_device that the device at `syspath` belongs to (itself, or the nearest one above it
// in sysfs), or an empty string for a device that is not on USB.
std::string usbDeviceAbove(const std::string& syspath);

// The devices of the class (`/sys/class/CLASS`, e.g. "hidraw") present now, by syspath, in
// syspath order.
std::vector<std::string> classDevices(const std::string& className);

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

// The names in the sysfs directory at `path`, without "." and "..", in no particular order;
// none when it cannot be read.
std::vector<std::string> sysfsDirectoryEntries(const std::string& path);

// Where the sysfs link at `path` ("/sys/class/hidraw/hidraw0", "/sys/dev/char/81:0") leads
// ("/sys/devices/..."), or an empty string when there is no such link.
std::string sysfsLinkTarget(const std::string& path);

// The last path element of the symbolic link at `path` (for an interface's `driver` link, the
// driver's name), or an empty string when there is no such link.
std::string sysfsLinkName(const std::string& path);

}  // namespace ptz
