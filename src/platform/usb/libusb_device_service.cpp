#include "platform/usb/libusb_device_service.h"

#include <libusb.h>

#include "platform/usb/libusb_device.h"
#include "platform/usb/usb_status_mapping.h"

namespace ptz {

LibusbDeviceService::LibusbDeviceService(LibusbContextPtr context, libusb_device* device,
                                         InterfaceHandleMaker makeHandle)
    : context_(std::move(context)),
      device_(libusb_ref_device(device)),
      makeHandle_(std::move(makeHandle)) {}

LibusbDeviceService::~LibusbDeviceService() {
    // Closes the device unless an interface handle still needs it.
    handle_.reset();
    libusb_unref_device(device_);
}

UsbStatus LibusbDeviceService::createPlugIn() {
    if (handle_) {
        return usb_status::kSuccess;
    }
    libusb_device_handle* handle = nullptr;
    const int result = libusb_open(device_, &handle);
    if (result != LIBUSB_SUCCESS) {
        return statusFromLibusbError(result);
    }
    handle_ = shareDeviceHandle(handle, context_);
    return usb_status::kSuccess;
}

int32_t LibusbDeviceService::queryDeviceInterface(std::unique_ptr<UsbDevice>& device) {
    if (!handle_) {
        device.reset();
        return static_cast<int32_t>(usb_status::kNoDevice);
    }
    device = std::make_unique<LibusbDevice>(handle_, makeHandle_);
    return 0;
}

}  // namespace ptz
