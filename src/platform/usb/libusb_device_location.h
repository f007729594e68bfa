// Where a device sits on the USB tree: its location id and its name in sysfs.
#pragma once

#include <cstdint>
#include <span>
#include <string>

struct libusb_device;

namespace ptz {

// Bus number in the top 8 bits, then one 4-bit nibble per port from the root down. Ports past
// the sixth, and port numbers above 15, do not fit and are cut to what fits.
uint32_t locationIdFromPath(uint8_t bus, std::span<const uint8_t> ports);

// The kernel's name for a device: "usbB" for a root hub, else "B-p1.p2...".
std::string sysfsNameFromPath(uint8_t bus, std::span<const uint8_t> ports);

uint32_t locationIdOf(libusb_device* device);
std::string sysfsNameOf(libusb_device* device);

}  // namespace ptz
