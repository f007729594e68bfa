// A video node of the uvcvideo driver as the uvcvideo backend drives it: opened for the bound
// interface, given ioctls, closed. The real node is found and checked through udev
// (uvcvideo_node.h); tests put a model of the driver behind this seam.
//
// The caller owns the node. Threading: GUI thread only, like every UsbInterface.
#pragma once

#include "platform/usb/usb_status.h"

namespace ptz {

class VideoNode {
  public:
    virtual ~VideoNode() = default;

    // Opens the bound interface's capture node; kSuccess also when it is open already.
    // kNoDevice when the interface has no capture node or its node now belongs to another
    // device, kNotPermitted when the node may not be opened, another status otherwise.
    virtual UsbStatus open() = 0;

    // One ioctl on the open node, `name` naming `request` for a trace: 0, or the errno.
    virtual int ioctl(const char* name, unsigned long request, void* argument) = 0;

    // Closes the node if it is open.
    virtual void close() = 0;
};

}  // namespace ptz
