// The kernel's uvcvideo driver, as far as our uvcvideo backend and v4l2-ctl's --set-ctrl reach
// it, modelled from its source (Linux 6.1, drivers/media/usb/uvc): the ioctls of a camera's
// capture and metadata nodes over the real uapi structs, and the requests the driver then puts
// on the camera's default pipe, which reach a SimulatedCamera.
//
// Modelled: binding (descriptor parsing, the video chain, GET_INFO of the camera terminal's
// controls), VIDIOC_QUERYCAP, VIDIOC_QUERYCTRL and VIDIOC_QUERY_EXT_CTRL (with the camera
// control class and V4L2_CTRL_FLAG_NEXT_CTRL enumeration), VIDIOC_G/S/TRY_EXT_CTRLS and
// UVCIOC_CTRL_QUERY with the driver's control cache, its own requests and its errnos;
// VIDIOC_G_SELECTION's refusals; unplugging. Only the camera terminal controls our backend
// uses have V4L2 mappings. Not modelled: other ioctls (ENOTTY), streams, the processing unit's
// controls, menus, events, power management, default values, error_idx, short answers.
//
// Not thread-safe: an ioctl handler on another thread guards it with its own lock.
#pragma once

#include <memory>

#include "simcam/simulated_camera.h"

namespace ptz::testing {

enum class UvcvideoKernel {
    // Every released kernel: PAN_SPEED and TILT_SPEED range from -(GET_MIN speed byte),
    // ZOOM_CONTINUOUS from +(GET_MIN bSpeed), to the GET_MAX speed.
    kReleased,
    // The 2026 fix: the minimum of all three is -maximum.
    kFixed,
};

enum class VideoNodeKind { kCapture, kMetadata };

class UvcvideoDriverModel {
  public:
    // Binds the driver to the camera, which must outlive the model.
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
