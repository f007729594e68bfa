// The capture node through which the uvcvideo driver serves a bound VideoControl interface.
//
// The first open() reads the interface's video4linux children from sysfs and opens the capture
// node (tried in the driver's order; VIDIOC_QUERYCAP's device_caps must name
// V4L2_CAP_VIDEO_CAPTURE, so the metadata node is never used); later ones open that node again.
// Each open checks that the node now behind the name belongs to the bound interface of the bound
// device: a /dev/videoN name is given to the next camera plugged in, and such a node is closed
// again, unused (kNoDevice). Every system call on the node goes through one wrapper under its own
// name, which a trace can hear. Threading: GUI thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "platform/usb/video_control_binding.h"
#include "platform/usb/video_node.h"

namespace ptz {

class UvcvideoNode final : public VideoNode {
  public:
    explicit UvcvideoNode(VideoControlBinding binding);
    ~UvcvideoNode() override;
    UvcvideoNode(const UvcvideoNode&) = delete;
    UvcvideoNode& operator=(const UvcvideoNode&) = delete;

    UsbStatus open() override;
    int ioctl(const char* name, unsigned long request, void* argument) override;
    void close() override;

  private:
    UsbStatus openChecked(const std::string& devnode);
    bool belongsToBinding(const std::string& devnode);
    bool isCaptureNode();

    VideoControlBinding binding_;
    std::string devnode_;  // the capture node last found
    int fd_ = -1;
};

// Hears every system call on a node by name ("open", "VIDIOC_S_EXT_CTRLS", "close", ...) with
// its errno (0 on success). An empty function turns tracing off.
using UvcvideoCallTrace = std::function<void(std::string_view call, int errnoValue)>;
void setUvcvideoCallTrace(UvcvideoCallTrace trace);

}  // namespace ptz
