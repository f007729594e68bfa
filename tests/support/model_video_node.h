// A capture node answered in process by the model of the uvcvideo driver, for fast tests of
// the uvcvideo backend without udev or /dev.
#pragma once

#include "platform/usb/video_node.h"
#include "uvcvideo_driver_model.h"

namespace ptz::testing {

class ModelVideoNode final : public VideoNode {
  public:
    // `driver` must outlive the node.
    explicit ModelVideoNode(UvcvideoDriverModel& driver) : driver_(driver) {}

    UsbStatus open() override { return usb_status::kSuccess; }
    int ioctl(const char*, unsigned long request, void* argument) override {
        return driver_.ioctl(VideoNodeKind::kCapture, request, argument);
    }
    void close() override {}

  private:
    UvcvideoDriverModel& driver_;
};

}  // namespace ptz::testing
