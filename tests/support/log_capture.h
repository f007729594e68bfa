// Collects the log lines written while it lives, then puts back the sink it found.
#pragma once

#include <string>
#include <vector>

#include "platform/log.h"

namespace ptz::testing {

class LogCapture {
  public:
    LogCapture()
        : previous_(setLogSink([this](std::string_view line) { lines.emplace_back(line); })) {}
    ~LogCapture() { setLogSink(std::move(previous_)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines;

  private:
    LogSink previous_;
};

}  // namespace ptz::testing
