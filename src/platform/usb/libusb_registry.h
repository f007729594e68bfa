// The machine's USB devices as libusb lists them.
//
// libusb enumerates once, when the registry is created, and follows hot-plug events from then
// on; listing and matching read only what it already holds, so no request re-enumerates.
// Threading: GUI thread only. The registry owns its libusb context; objects it hands out keep
// what they need of it alive on their own.
#pragma once

#include <chrono>

#include "platform/usb/libusb_video_control.h"

namespace ptz {

class LibusbRegistry final : public UsbRegistry {
  public:
    // nullptr when libusb cannot be initialised (the libusb error is in `error`).
    static std::unique_ptr<LibusbRegistry> create(InterfaceHandleMaker makeHandle, int& error);

    // Every device in libusb's order.
    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override;
    // The first device in libusb's order whose ids equal these.
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                          uint32_t productId) override;
    std::vector<UsbDeviceIds> allDeviceIds() override;

  private:
    LibusbRegistry(LibusbContextPtr context, InterfaceHandleMaker makeHandle);

    LibusbContextPtr context_;
    InterfaceHandleMaker makeHandle_;
};

// The handle maker that sends every request through libusb, with this transfer time-out.
InterfaceHandleMaker libusbInterfaceMaker(std::chrono::milliseconds transferTimeout);

}  // namespace ptz
