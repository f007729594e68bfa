#include "platform/usb/libusb_interface.h"

#include <libusb.h>

#include <algorithm>

#include "platform/usb/usb_status_mapping.h"

namespace ptz {

LibusbInterface::LibusbInterface(LibusbDeviceHandlePtr device, uint8_t interfaceNumber,
                                 std::chrono::milliseconds transferTimeout)
    : device_(std::move(device)),
      interfaceNumber_(interfaceNumber),
      // libusb reads 0 as "no time-out": never let a bounded request become unbounded.
      timeoutMs_(static_cast<unsigned int>(
          std::max<std::chrono::milliseconds::rep>(1, transferTimeout.count()))) {}

LibusbInterface::~LibusbInterface() {
    close();
}

UsbStatus LibusbInterface::open() {
    const int result = libusb_claim_interface(device_.get(), interfaceNumber_);
    claimed_ = (result == LIBUSB_SUCCESS);
    return statusFromLibusbError(result);
}

UsbStatus LibusbInterface::controlRequest(UsbDeviceRequest& request) {
    request.wLenDone = 0;
    const int result = libusb_control_transfer(device_.get(), request.bmRequestType,
                                               request.bRequest, request.wValue, request.wIndex,
                                               request.pData, request.wLength, timeoutMs_);
    if (result < 0) {
        return statusFromLibusbError(result);
    }
    request.wLenDone = static_cast<uint32_t>(result);
    return usb_status::kSuccess;
}

UsbStatus LibusbInterface::close() {
    if (!claimed_) {
        return usb_status::kSuccess;
    }
    claimed_ = false;
    return statusFromLibusbError(libusb_release_interface(device_.get(), interfaceNumber_));
}

}  // namespace ptz
