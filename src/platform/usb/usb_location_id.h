// Location ids of USB devices, formed from what sysfs says about them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace ptz {

// Bus number in the top 8 bits, then one 4-bit nibble per port from the root down:
// bus 1, port path "2.3" gives 0x01230000. `portPath` is the usb_device's sysfs `devpath`
// ("0" for a root hub). Ports above 15 keep their low nibble and ports beyond the sixth level
// are dropped, as only six nibbles fit.
uint32_t usbLocationId(unsigned busNumber, std::string_view portPath);

// The location id of the usb_device that the kernel named `name`, which holds the bus number
// and the port path: "1-2.3" gives 0x01230000, a root hub's "usb1" 0x01000000. nullopt for the
// name of anything else, such as an interface ("1-2:1.0").
std::optional<uint32_t> usbLocationIdOfDeviceName(std::string_view name);

}  // namespace ptz
