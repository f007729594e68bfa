// A camera's VideoControl interface carried by libusb: raw, byte-exact control transfers.
//
// open() claims the interface, controlRequest() sends one control transfer on endpoint 0 as
// encoded, close() releases the interface, so that it is free for other programs between
// requests. Every transfer is bounded by the time-out given at construction; a camera that
// does not answer makes the request fail with usb_status::kTimeout instead of blocking.
// Threading: GUI thread only. Failures are libusb errors mapped by usb_status_mapping.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/usb/libusb_handles.h"
#include "platform/usb/usb_interface.h"

namespace ptz {

// Long enough for any camera's control pipe, short enough that a hung camera does not freeze
// the panel.
inline constexpr std::chrono::milliseconds kLibusbTransferTimeout{1000};

class LibusbInterface final : public UsbInterface {
  public:
    LibusbInterface(LibusbDeviceHandlePtr device, uint8_t interfaceNumber,
                    std::chrono::milliseconds transferTimeout);
    ~LibusbInterface() override;
    LibusbInterface(const LibusbInterface&) = delete;
    LibusbInterface& operator=(const LibusbInterface&) = delete;

    UsbStatus open() override;
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override;
    uint8_t interfaceNumber() const override { return interfaceNumber_; }

  private:
    LibusbDeviceHandlePtr device_;
    uint8_t interfaceNumber_;
    unsigned int timeoutMs_;
    bool claimed_ = false;
};

}  // namespace ptz
