#include <gtest/gtest.h>

#include <regex>

#include "platform/log.h"

namespace ptz {
namespace {

TEST(Log, DefaultLineCarriesTimeStampAndProcess) {
    const std::string line = stampedLogLine("断开成功");
    EXPECT_TRUE(std::regex_match(
        line, std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} unit_tests\[\d+\] 断开成功)")))
        << line;
}

}  // namespace
}  // namespace ptz
