// A camera's VideoControl interface carried by libusb: raw, byte-exact control transfers
// through usbfs, for when no kernel driver holds the interface.
//
// Per request: open() opens the device's usbfs node (/dev/bus/usb/BBB/DDD), hands it to libusb
// and claims the interface; controlRequest() sends one control transfer on endpoint 0 as
// encoded; close() releases the interface and closes the node, so that the camera is free for
// other programs between requests.
//
// libusb is loaded and started when a request first takes this path, and kept for the process:
// without device discovery, so it enumerates nothing and starts no thread.
//
// Failures: open() returns kNotPermitted when the node may not be opened (the udev rule is
// missing), kNoDevice when it is gone, kExclusiveAccess when another program still holds the
// interface after kClaimBusyBudget, kUnsupported with a log line when libusb cannot be loaded,
// and libusb's own status, with a log line, when it cannot be started. Every transfer is
// bounded by kLibusbTransferTimeout (kTimeout after it).
// Threading: GUI thread only, like every UsbInterface.
#pragma once

#include <chrono>
#include <cstdint>

#include "platform/usb/usb_interface.h"
#include "platform/usb/video_control_binding.h"

struct libusb_device_handle;

namespace ptz {

// Long enough for any camera's control pipe, short enough that a hung camera does not freeze
// the panel.
inline constexpr std::chrono::milliseconds kLibusbTransferTimeout{1000};

// Another program holds the interface only for its own single request (a few milliseconds):
// a claim refused as busy is tried again, with growing pauses, until this much time has passed.
inline constexpr std::chrono::milliseconds kClaimBusyBudget{250};

class LibusbBackend final : public UsbInterface {
  public:
    explicit LibusbBackend(const VideoControlBinding& binding);
    ~LibusbBackend() override;
    LibusbBackend(const LibusbBackend&) = delete;
    LibusbBackend& operator=(const LibusbBackend&) = delete;

    UsbStatus open() override;
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override;
    uint8_t interfaceNumber() const override { return interfaceNumber_; }

  private:
    uint8_t busNumber_;
    uint8_t deviceNumber_;
    uint8_t interfaceNumber_;
    int fd_ = -1;
    libusb_device_handle* handle_ = nullptr;
};

}  // namespace ptz
