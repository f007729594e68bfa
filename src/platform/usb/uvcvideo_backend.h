// A camera's VideoControl interface reached through the kernel's uvcvideo driver, for when
// that driver holds the interface (usbfs then refuses class requests to it). It needs only the
// camera's /dev/videoN, which the desktop grants the user at the seat; it never opens usbfs.
//
// open() opens the interface's capture node (the one with V4L2_CAP_VIDEO_CAPTURE, never the
// metadata node), found through udev under the bound interface, and makes sure it still belongs
// to the bound device: kNoDevice once that device is gone, also when another camera has since
// been given its node name. controlRequest() carries the UVC request out through the driver's
// ioctls; close() closes the node, except while a move it started is still going on, so that
// USB autosuspend cannot put the camera to sleep mid-move (the stop closes it).
//
// The driver bounds every control transfer itself (ETIMEDOUT). What the driver reports of the
// camera's controls is read once per object, that is once per binding.
// Threading: GUI thread only, like every UsbInterface.
#pragma once

#include <memory>

#include "platform/usb/usb_interface.h"
#include "platform/usb/video_control_binding.h"
#include "platform/usb/video_node.h"

namespace ptz {

class UvcvideoBackend final : public UsbInterface {
  public:
    explicit UvcvideoBackend(VideoControlBinding binding);
    // The same over a node reached another way (a model of the driver, in tests).
    UvcvideoBackend(VideoControlUnits units, uint8_t interfaceNumber,
                    std::unique_ptr<VideoNode> node);
    ~UvcvideoBackend() override;
    UvcvideoBackend(const UvcvideoBackend&) = delete;
    UvcvideoBackend& operator=(const UvcvideoBackend&) = delete;

    UsbStatus open() override;
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override;
    uint8_t interfaceNumber() const override;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace ptz
