#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "log_capture.h"
#include "platform/log.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;

// One line per call, without the trailing break; a replaced sink is put back.
TEST(Log, LinesGoToTheSinkOfTheMomentWhichIsPutBackAfterwards) {
    testing::LogCapture outer;
    {
        testing::LogCapture inner;
        logLine("bRet = %d\n", 1);
        EXPECT_THAT(inner.lines, ElementsAre("bRet = 1"));
    }
    logLine("IOHIDManager打开成功");
    EXPECT_THAT(outer.lines, ElementsAre("IOHIDManager打开成功"));
}

TEST(Log, DefaultLineCarriesTimeStampAndProcess) {
    const std::string line = stampedLogLine("断开成功");
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} unit_tests\[\d+\] 断开成功)")))
        << line;
}

}  // namespace
}  // namespace ptz
