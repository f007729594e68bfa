// The machine's USB devices as sysfs shows them (the usb_devices of the usb bus, in syspath
// order, as udev would list them), read directly.
//
// Binding opens nothing: a device's VideoControl interfaces and their units come from its
// `descriptors` attribute, the kernel's copy. Each interface handle holds a VideoControlBinding
// and is made by the factory, which decides per request which backend carries it.
// Every call looks afresh, so devices plugged in later are seen.
// Threading: GUI thread, like every UsbRegistry. Failures: a device whose sysfs entry is gone
// (or that is another device now) fails its plug-in step with kNoDevice.
#pragma once

#include <memory>

#include "platform/usb/usb_interface.h"
#include "platform/usb/video_control_binding.h"

namespace ptz {

class SysfsUsbRegistry final : public UsbRegistry {
  public:
    using HandleMaker = std::unique_ptr<UsbInterface> (*)(VideoControlBinding binding);

    explicit SysfsUsbRegistry(HandleMaker makeHandle) : makeHandle_(makeHandle) {}

    // In syspath order.
    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override;
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                          uint32_t productId) override;
    // Reads only the devices whose sysfs names give the location id.
    std::unique_ptr<UsbDeviceService> deviceAt(uint32_t locationId) override;

  private:
    HandleMaker makeHandle_;
};

}  // namespace ptz
