// The program's one log call: printf-style, one line per call.
//
// Threading: call from the GUI thread (everything here runs there). The sink is swapped by
// tests and by callers that want the lines for a while, each putting back what it replaced.
// Failures: none reported; a line that cannot be formatted is dropped.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace ptz {

// Formats one line and hands it to the sink. A format ending in "\n" still gives one line:
// trailing line breaks are dropped, inner ones are kept as they are.
void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Receives each formatted line without time stamp or trailing line break.
using LogSink = std::function<void(std::string_view line)>;

// Replaces the sink and returns the one it replaced, so that the caller can put it back. An
// empty function stands for the default, which writes "YYYY-MM-DD hh:mm:ss.mmm NAME[PID] line"
// to standard error.
LogSink setLogSink(LogSink sink);

// The default sink's output for one line, exposed so that its format can be checked.
std::string stampedLogLine(std::string_view line);

}  // namespace ptz
