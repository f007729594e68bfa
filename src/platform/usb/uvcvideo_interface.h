// A camera's VideoControl interface reached through the kernel's uvcvideo driver, for when
// that driver holds the interface (usbfs then refuses class requests to it).
//
// Per request: open() opens the video node, controlRequest() issues the driver call(s) that
// stand for the UVC request (see uvcvideo_translation.h; a SET is always one ioctl), close()
// closes the node. Nothing is kept open between requests.
//
// Failures: open() maps errno through statusFromErrno (a missing node is kNoDevice, a node
// that may not be opened kNotPermitted); controlRequest() returns kUnsupported for a request
// the driver cannot express, and the mapped errno of a failed ioctl otherwise.
// Time-out: the driver bounds every control transfer itself and fails it with ETIMEDOUT.
// Threading: GUI thread only, like every UsbInterface.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/usb/usb_interface.h"
#include "platform/usb/uvc_descriptors.h"

namespace ptz {

class UvcvideoInterface final : public UsbInterface {
  public:
    // `videoNodePath`: the camera's /dev/videoN. `units`: the interface's entities, from its
    // class-specific descriptors.
    UvcvideoInterface(std::string videoNodePath, VideoControlUnits units);
    ~UvcvideoInterface() override;
    UvcvideoInterface(const UvcvideoInterface&) = delete;
    UvcvideoInterface& operator=(const UvcvideoInterface&) = delete;

    UsbStatus open() override;
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override;
    uint8_t interfaceNumber() const override { return 0; }

  private:
    std::string videoNodePath_;
    VideoControlUnits units_;
    int fd_ = -1;
};

// Hears every driver call by name ("open", "UVCIOC_CTRL_QUERY", "VIDIOC_S_EXT_CTRLS", ...)
// with its errno (0 on success), for tracing and for tests that count calls. Set it before
// requests are made; an empty function turns tracing off.
using UvcvideoCallTrace = std::function<void(std::string_view call, int errnoValue)>;
void setUvcvideoCallTrace(UvcvideoCallTrace trace);

}  // namespace ptz
