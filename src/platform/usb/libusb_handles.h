// Shared ownership of a libusb context and of an open device.
//
// An interface handle may outlive the registry and the device objects that produced it (the
// camera control keeps it for as long as it is bound), so each open device keeps its context
// alive, and each interface handle keeps its open device alive.
// Threading: create and release on the GUI thread.
#pragma once

#include <memory>

struct libusb_context;
struct libusb_device_handle;

namespace ptz {

using LibusbContextPtr = std::shared_ptr<libusb_context>;
using LibusbDeviceHandlePtr = std::shared_ptr<libusb_device_handle>;

// A new libusb context, or nullptr with the libusb error in `error`.
LibusbContextPtr makeLibusbContext(int& error);

// Takes over an open device handle; closing it when the last owner lets go, before the context.
LibusbDeviceHandlePtr shareDeviceHandle(libusb_device_handle* handle, LibusbContextPtr context);

}  // namespace ptz
