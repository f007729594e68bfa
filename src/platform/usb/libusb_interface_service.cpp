#include "platform/usb/libusb_interface_service.h"

namespace ptz {

LibusbInterfaceService::LibusbInterfaceService(LibusbVideoControlInterface interface,
                                               InterfaceHandleMaker makeHandle)
    : interface_(std::move(interface)), makeHandle_(std::move(makeHandle)) {}

UsbStatus LibusbInterfaceService::createPlugIn() {
    return usb_status::kSuccess;
}

UsbStatus LibusbInterfaceService::queryInterface(std::unique_ptr<UsbInterface>& handle) {
    handle.reset();
    const UsbStatus status = makeHandle_(interface_, handle);
    if (status != usb_status::kSuccess) {
        handle.reset();
        return status;
    }
    return handle ? usb_status::kSuccess : usb_status::kGeneralError;
}

}  // namespace ptz
