#include "platform/usb/libusb_handles.h"

#include <libusb.h>

namespace ptz {

LibusbContextPtr makeLibusbContext(int& error) {
    libusb_context* context = nullptr;
    error = libusb_init(&context);
    if (error != LIBUSB_SUCCESS) {
        return nullptr;
    }
    return LibusbContextPtr(context, [](libusb_context* c) { libusb_exit(c); });
}

LibusbDeviceHandlePtr shareDeviceHandle(libusb_device_handle* handle, LibusbContextPtr context) {
    // The deleter holds the context, so libusb_close always runs before libusb_exit.
    return LibusbDeviceHandlePtr(handle, [context](libusb_device_handle* h) { libusb_close(h); });
}

}  // namespace ptz
