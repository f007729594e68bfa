// Status values of the USB layer: 32-bit codes, 0 for success, printed as "%08x".
// Both backends map their own errors (libusb codes, errno) onto these in usb_status_mapping.
#pragma once

#include <cstdint>

namespace ptz {

using UsbStatus = uint32_t;

namespace usb_status {
inline constexpr UsbStatus kSuccess = 0;
inline constexpr UsbStatus kGeneralError = 0xe00002bc;
inline constexpr UsbStatus kNoDevice = 0xe00002c0;
inline constexpr UsbStatus kExclusiveAccess = 0xe00002c5;
inline constexpr UsbStatus kUnsupported = 0xe00002c7;
inline constexpr UsbStatus kTimeout = 0xe00002d6;
inline constexpr UsbStatus kNotPermitted = 0xe00002e2;
inline constexpr UsbStatus kPipeStalled = 0xe000404f;
}  // namespace usb_status

}  // namespace ptz
