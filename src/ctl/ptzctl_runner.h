// Runs one ptzctl command line: parses it, binds the camera it names (or, for a dry run, a
// recorder, or a fresh simulated camera), sends the command and tells the outcome as an exit
// status. Single-threaded.
#pragma once

#include <cstdio>
#include <ostream>
#include <span>
#include <string_view>

#include "ptzctl_machine.h"

namespace ptz {

inline constexpr int kPtzctlSuccess = 0;
inline constexpr int kPtzctlFailure = 1;  // a request failed, or no camera was bound
inline constexpr int kPtzctlUsage = 2;

// `args` excludes the program name. What the command prints (the help, list's lines, readings,
// the dry run's request lines, the simulated camera's state) goes to `out`; ptzctl's own error
// lines to `err`. The camera control's log lines go through the log call. The status is 0 only
// if every request sent went through.
int runPtzctl(std::span<const std::string_view> args, PtzctlMachine& machine, std::ostream& out,
              std::ostream& err);

// Writes what a run printed to `stream` and flushes it: `status`, or kPtzctlFailure and one
// line on `err` when the output could not be written in full.
int writePtzctlOutput(int status, std::string_view output, std::FILE* stream, std::ostream& err);

}  // namespace ptz
