// Runs one parsed ptzctl command line: binds the camera (or, for a dry run, a recorder),
// sends the command and reports the outcome as an exit status.
//
// Log lines of the camera control go to `logLine` (the program passes a writer to standard
// error); a request counts as failed when the camera control reports it, which it does with
// one "CameraControl Error: " line per failed request. Single-threaded; replaces the log sink
// while it runs and restores the default one afterwards.
#pragma once

#include <functional>
#include <ostream>
#include <string_view>

#include "platform/usb/usb_interface.h"
#include "ptzctl_arguments.h"

namespace ptz {

inline constexpr int kPtzctlSuccess = 0;
inline constexpr int kPtzctlFailure = 1;  // a request failed, or no camera was bound
inline constexpr int kPtzctlUsage = 2;

// `registry` may be null for a dry run, which touches no device. Values read by get and range
// and the dry run's request lines go to `out`.
int runPtzctl(const PtzctlOptions& options, UsbRegistry* registry, std::ostream& out,
              const std::function<void(std::string_view line)>& logLine);

}  // namespace ptz
