// The kernel's uvcvideo driver, as far as our uvcvideo backend reaches it, modelled from its
// source (Linux 6.1, drivers/media/usb/uvc): the ioctls of a camera's capture and metadata
// nodes over the real uapi structs, and the requests the driver then puts on the camera's
// default pipe, which reach a SimulatedCamera. Test doubles of the driver answer through it,
// in process and behind umockdev's ioctl handlers alike.
//
// Modelled: binding (descriptor parsing, the video chain, GET_INFO of the camera terminal's
// controls), VIDIOC_QUERYCAP, VIDIOC_QUERYCTRL and VIDIOC_QUERY_EXT_CTRL (with the control
// classes and V4L2_CTRL_FLAG_NEXT_CTRL enumeration), VIDIOC_G_EXT_CTRLS, VIDIOC_S_EXT_CTRLS,
// VIDIOC_TRY_EXT_CTRLS and UVCIOC_CTRL_QUERY with the driver's control cache, its own requests
// and its errnos; VIDIOC_G_SELECTION's refusals; open handles (which keep the camera from
// autosuspending); unplugging. That is what our backend and v4l2-ctl's --set-ctrl ask. Only
// the camera terminal controls our backend uses have V4L2 mappings here (the simulated camera
// has no others). Not modelled: other ioctls (ENOTTY), the streams' formats and rectangles, the
// processing unit's controls, menus, selector units, control events and the status endpoint,
// power management itself, default values (V4L2_CTRL_WHICH_DEF_VAL), error_idx, and short
// answers from the camera.
//
// Not thread-safe: an ioctl handler on another thread guards it with its own lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
    // Binds the driver to the camera, which must outlive the model. `busInfo` is what
    // VIDIOC_QUERYCAP reports, e.g. "usb-0000:00:14.0-2".
    UvcvideoDriverModel(sim::SimulatedCamera& camera, UvcvideoKernel kernel,
                        std::string busInfo = "usb-0000:00:14.0-1");
    ~UvcvideoDriverModel();
    UvcvideoDriverModel(const UvcvideoDriverModel&) = delete;
    UvcvideoDriverModel& operator=(const UvcvideoDriverModel&) = delete;

    // One ioctl on one of the camera's nodes: 0, or the errno the driver answers. `argument`
    // points at the request's uapi struct; pointers inside it must be valid in this process.
    int ioctl(VideoNodeKind node, unsigned long request, void* argument);

    // A handle on a node was opened or released (uvc_v4l2_open, uvc_v4l2_release). The
    // camera may autosuspend only while no handle is open.
    void open();
    void release();
    int openHandles() const;

    // The camera was unplugged: every ioctl on a handle still open fails with ENODEV.
    void disconnect();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ptz::testing
