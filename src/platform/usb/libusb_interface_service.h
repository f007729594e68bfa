// One VideoControl interface of a device opened through libusb, before its handle is made.
#pragma once

#include "platform/usb/libusb_video_control.h"

namespace ptz {

class LibusbInterfaceService final : public UsbInterfaceService {
  public:
    LibusbInterfaceService(LibusbVideoControlInterface interface, InterfaceHandleMaker makeHandle);

    // The device is already open, so there is nothing that can fail here.
    UsbStatus createPlugIn() override;
    // Hands the interface to the maker, which picks the backend.
    UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) override;

  private:
    LibusbVideoControlInterface interface_;
    InterfaceHandleMaker makeHandle_;
};

}  // namespace ptz
