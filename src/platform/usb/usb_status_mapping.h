// Maps the backends' own errors onto UsbStatus, so that log lines read the same whichever
// backend carried a request. The only place where libusb codes and errno values are translated.
#pragma once

#include "platform/usb/usb_status.h"

namespace ptz {

// A libusb_error value (negative; 0 is success).
UsbStatus statusFromLibusbError(int libusbError);

// An errno value (0 is success).
UsbStatus statusFromErrno(int errnoValue);

// An errno of the uvcvideo driver's control ioctls, where ENOENT means no such unit or control.
UsbStatus statusFromDriverErrno(int errnoValue);

}  // namespace ptz
