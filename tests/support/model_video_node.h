// A video node answered in process by the model of the uvcvideo driver, for fast tests of the
// uvcvideo backend: what the real node would open, ioctl and close, without udev or /dev.
#pragma once

#include "platform/usb/video_node.h"
#include "uvcvideo_driver_model.h"

namespace ptz::testing {

class ModelVideoNode final : public VideoNode {
  public:
    // `driver` must outlive the node.
    explicit ModelVideoNode(UvcvideoDriverModel& driver) : driver_(driver) {}
    ~ModelVideoNode() override { close(); }
    ModelVideoNode(const ModelVideoNode&) = delete;
    ModelVideoNode& operator=(const ModelVideoNode&) = delete;

    UsbStatus open() override {
        if (!open_) {
            driver_.open();
            open_ = true;
        }
        return usb_status::kSuccess;
    }
    int ioctl(const char*, unsigned long request, void* argument) override {
        return driver_.ioctl(VideoNodeKind::kCapture, request, argument);
    }
    void close() override {
        if (open_) {
            driver_.release();
            open_ = false;
        }
    }

  private:
    UvcvideoDriverModel& driver_;
    bool open_ = false;
};

}  // namespace ptz::testing
