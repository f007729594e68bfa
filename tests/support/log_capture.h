// Collects the log lines written while it lives.
#pragma once

#include <string>
#include <vector>

#include "platform/log.h"

namespace ptz::testing {

class LogCapture {
  public:
    LogCapture() {
        setLogSink([this](std::string_view line) { lines.emplace_back(line); });
    }
    ~LogCapture() { setLogSink({}); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines;
};

}  // namespace ptz::testing
