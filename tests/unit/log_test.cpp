#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "log_capture.h"
#include "platform/log.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;

TEST(Log, OneLinePerCallWithoutTrailingBreaks) {
    testing::LogCapture log;
    logLine("bRet = %d\n", 1);
    logLine("cursel:%d", -1);
    logLine("my product name: %s\n", "Cam\nOne");
    logLine("%08x", 0xe00002c0u);
    logLine("IOHIDManager打开成功");
    EXPECT_THAT(log.lines, ElementsAre("bRet = 1", "cursel:-1", "my product name: Cam\nOne",
                                       "e00002c0", "IOHIDManager打开成功"));
}

TEST(Log, AReplacedSinkIsPutBack) {
    testing::LogCapture outer;
    {
        testing::LogCapture inner;
        logLine("inner");
        EXPECT_THAT(inner.lines, ElementsAre("inner"));
    }
    logLine("outer");
    EXPECT_THAT(outer.lines, ElementsAre("outer"));
}

TEST(Log, DefaultLineCarriesTimeStampAndProcess) {
    const std::string line = stampedLogLine("断开成功");
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} unit_tests\[\d+\] 断开成功)")))
        << line;
}

}  // namespace
}  // namespace ptz
