// A USB registry that makes the real one when it is first asked.
//
// Creating the machine's registry starts libusb, which enumerates the bus and starts its
// hot-plug thread. The window has no use for it until the first camera is bound, which the
// device watcher's events do from the event loop; made then, it costs the window's start-up
// nothing. Threading: one thread (the GUI thread), like the registry it makes.
#pragma once

#include <functional>
#include <memory>

#include "platform/usb/usb_interface.h"

namespace ptz {

class LazyUsbRegistry final : public UsbRegistry {
  public:
    using Maker = std::function<std::unique_ptr<UsbRegistry>()>;

    // `make` runs once, on the first request; it must not return nullptr.
    explicit LazyUsbRegistry(Maker make);

    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override;
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                          uint32_t productId) override;
    std::vector<UsbDeviceIds> allDeviceIds() override;

  private:
    UsbRegistry& registry();

    Maker make_;
    std::unique_ptr<UsbRegistry> registry_;
};

}  // namespace ptz
