#include "platform/log.h"

#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <utility>

namespace ptz {
namespace {

LogSink& currentSink() {
    static LogSink sink;
    return sink;
}

}  // namespace

std::string stampedLogLine(std::string_view line) {
    timeval now{};
    gettimeofday(&now, nullptr);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char stamp[32];
    strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    char prefix[96];
    snprintf(prefix, sizeof prefix, "%s.%03ld %s[%d] ", stamp,
             static_cast<long>(now.tv_usec / 1000), program_invocation_short_name,
             static_cast<int>(getpid()));
    std::string out(prefix);
    out.append(line);
    return out;
}

void logLine(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int needed = vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (needed < 0) {
        va_end(args);
        return;
    }
    std::string text(static_cast<size_t>(needed), '\0');
    vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);

    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    if (const LogSink& sink = currentSink()) {
        sink(text);
        return;
    }
    std::string out = stampedLogLine(text);
    out.push_back('\n');
    fwrite(out.data(), 1, out.size(), stderr);
}

LogSink setLogSink(LogSink sink) {
    return std::exchange(currentSink(), std::move(sink));
}

}  // namespace ptz
