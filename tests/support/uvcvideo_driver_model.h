// The kernel's uvcvideo driver as far as our backend and v4l2-ctl's --set-ctrl reach it, from
// its source (Linux 6.1, drivers/media/usb/uvc): the nodes' ioctls (QUERYCAP, QUERY_EXT_CTRL,
// G/S/TRY_EXT_CTRLS, UVCIOC_CTRL_QUERY; others ENOTTY) for the camera terminal controls our
// backend uses, and the requests the driver puts on a SimulatedCamera's pipe, its own included.
// Not thread-safe: an ioctl handler on another thread locks.
#pragma once

#include <memory>

#include "simcam/simulated_camera.h"

namespace ptz::testing {

enum class UvcvideoKernel {
    // Every released kernel: PAN_SPEED and TILT_SPEED range from -(GET_MIN speed byte),
    // ZOOM_CONTINUOUS from +(GET_MIN bSpeed), to the GET_MAX speed.
    kReleased,
    kFixed,  // the 2026 fix: the minimum of all three is -maximum
};

enum class VideoNodeKind { kCapture, kMetadata };

class UvcvideoDriverModel {
  public:
    // Binds the driver to `camera`, which must outlive the model.
    UvcvideoDriverModel(sim::SimulatedCamera& camera, UvcvideoKernel kernel);
    ~UvcvideoDriverModel();
    UvcvideoDriverModel(const UvcvideoDriverModel&) = delete;
    UvcvideoDriverModel& operator=(const UvcvideoDriverModel&) = delete;

    // One ioctl on one of the camera's nodes: 0, or the errno the driver answers. `argument`
    // points at the request's uapi struct; pointers inside it must be valid in this process.
    int ioctl(VideoNodeKind node, unsigned long request, void* argument);

    // The camera was unplugged: every ioctl on a handle still open fails with ENODEV.
    void disconnect();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ptz::testing
