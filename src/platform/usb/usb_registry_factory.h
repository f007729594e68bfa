// The one place that chooses the USB backend, per request, for this platform.
#pragma once

#include <memory>

#include "platform/usb/usb_interface.h"

namespace ptz {

// The machine's USB registry, read from sysfs. Making it opens nothing and starts nothing.
// Owned by the caller; GUI thread.
//
// Its interface handles choose the backend for each request when it is opened, from the
// VideoControl interface's kernel driver as sysfs shows it then: the uvcvideo driver's video
// node when uvcvideo holds the interface (usbfs would refuse class requests to it), libusb
// through usbfs otherwise. A handle keeps the identity of its camera: once the camera is
// unplugged, every request fails with kNoDevice, even when another device has taken its place.
std::unique_ptr<UsbRegistry> createUsbRegistry();

}  // namespace ptz
