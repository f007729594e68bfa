// Runs the ptzctl program as a child process, which inherits this process's umockdev preload
// and testbed, and collects what it printed.
#pragma once

#include <string>
#include <vector>

namespace ptz::testing {

struct PtzctlRun {
    int status = -1;               // the exit status, or 128 + the signal that ended it
    std::vector<std::string> out;  // standard output, line by line
    std::string err;               // standard error
};

// Where the program's standard output goes: collected, or to /dev/full (every write fails for
// want of space).
enum class StandardOutput { Collected, DeviceFull };

PtzctlRun runPtzctl(const std::string& program, const std::vector<std::string>& args,
                    StandardOutput output = StandardOutput::Collected);

}  // namespace ptz::testing
