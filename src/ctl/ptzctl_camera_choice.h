// The camera that a ptzctl command line names, bound.
//
//   --vid/--pid   the first device with the ids, bound as the panel binds a camera (with the
//                 binding's own failure lines);
//   --location    the device at that location; the devices passed over on the way, which may
//                 fail to give access for reasons of their own, are not reported;
//   neither       the first supported camera (a HID device of a supported model, in the order
//                 of the HID nodes) that is a UVC camera (it has a VideoControl interface) and
//                 whose VideoControl interface opens. Look-alikes and cameras that cannot be
//                 opened are passed over without a word.
#pragma once

#include <memory>
#include <ostream>

#include "camera/uvc_camera_control.h"
#include "ptzctl_arguments.h"
#include "ptzctl_machine.h"

namespace ptz {

// A bound camera control, or nullptr after one line on `err` that says why there is none.
std::shared_ptr<UVCCameraControl> bindPtzctlCamera(const PtzctlOptions& options,
                                                   PtzctlMachine& machine, std::ostream& err);

}  // namespace ptz
