// A USB device opened through libusb, during binding.
#pragma once

#include "platform/usb/libusb_video_control.h"

namespace ptz {

class LibusbDevice final : public UsbDevice {
  public:
    LibusbDevice(LibusbDeviceHandlePtr handle, InterfaceHandleMaker makeHandle);

    uint32_t locationId() override;

    // The interfaces with an alternate setting of class 14, subclass 1, by interface number,
    // from the active configuration; a failure to read it is returned as a status.
    UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) override;

  private:
    LibusbDeviceHandlePtr handle_;
    InterfaceHandleMaker makeHandle_;
};

}  // namespace ptz
