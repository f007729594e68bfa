// A device listed by the libusb registry, before it is opened.
#pragma once

#include "platform/usb/libusb_video_control.h"

struct libusb_device;

namespace ptz {

class LibusbDeviceService final : public UsbDeviceService {
  public:
    // Takes a reference of its own on `device`.
    LibusbDeviceService(LibusbContextPtr context, libusb_device* device,
                        InterfaceHandleMaker makeHandle);
    ~LibusbDeviceService() override;
    LibusbDeviceService(const LibusbDeviceService&) = delete;
    LibusbDeviceService& operator=(const LibusbDeviceService&) = delete;

    // Opens the device (its usbfs node): kSuccess, or kNoDevice, kNotPermitted, ...
    UsbStatus createPlugIn() override;
    // 0 and the opened device after createPlugIn() succeeded; else the status, non-zero.
    int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) override;

  private:
    LibusbContextPtr context_;
    libusb_device* device_;
    InterfaceHandleMaker makeHandle_;
    LibusbDeviceHandlePtr handle_;
};

}  // namespace ptz
