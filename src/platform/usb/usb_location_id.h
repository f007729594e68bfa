// Location ids of USB devices, formed from what sysfs says about them.
#pragma once

#include <cstdint>
#include <string_view>

namespace ptz {

// Bus number in the top 8 bits, then one 4-bit nibble per port from the root down:
// bus 1, port path "2.3" gives 0x01230000. `portPath` is the usb_device's sysfs `devpath`
// ("0" for a root hub). Ports above 15 keep their low nibble and ports beyond the sixth level
// are dropped, as only six nibbles fit.
uint32_t usbLocationId(unsigned busNumber, std::string_view portPath);

}  // namespace ptz
