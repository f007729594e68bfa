// ptzctl's command line: what is accepted and every kind of usage error.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string_view>
#include <vector>

#include "ptzctl_arguments.h"

namespace ptz {
namespace {

PtzctlParseResult parse(std::initializer_list<std::string_view> words) {
    const std::vector<std::string_view> args(words);
    return parsePtzctlArguments(args);
}

TEST(PtzctlArguments, TakesIdsLocationAndDryRun) {
    const PtzctlParseResult ids = parse({"--vid", "0x2E7E", "--pid", "735", "zoom", "in"});
    ASSERT_TRUE(ids.options) << ids.error;
    EXPECT_EQ(ids.options->vendorId, 0x2e7e);
    EXPECT_EQ(ids.options->productId, 0x0735);
    EXPECT_FALSE(ids.options->locationId);
    EXPECT_FALSE(ids.options->dryRun);
    EXPECT_EQ(ids.options->command.action, PtzctlAction::ZoomIn);

    const PtzctlParseResult location = parse({"--dry-run", "--location", "01200000", "home"});
    ASSERT_TRUE(location.options) << location.error;
    EXPECT_EQ(location.options->locationId, 0x01200000u);
    EXPECT_FALSE(location.options->vendorId);
    EXPECT_TRUE(location.options->dryRun);

    const PtzctlParseResult bare = parse({"osd", "menu"});
    ASSERT_TRUE(bare.options);
    EXPECT_FALSE(bare.options->vendorId || bare.options->locationId);
    EXPECT_EQ(bare.options->command.action, PtzctlAction::OsdMenu);
}

TEST(PtzctlArguments, PresetNumbersAreDecimalZeroTo255) {
    for (const auto& [text, value] : {std::pair{"0", 0}, {"255", 255}, {"007", 7}, {"42", 42}}) {
        const PtzctlParseResult result = parse({"preset", "call", text});
        ASSERT_TRUE(result.options) << text << ": " << result.error;
        EXPECT_EQ(result.options->command.action, PtzctlAction::PresetCall);
        EXPECT_EQ(result.options->command.preset, value);
    }
    for (const char* text : {"256", "300", "-1", "+1", "0x05", "", "1.5", "5a", "0255", "1e2"}) {
        const PtzctlParseResult result = parse({"preset", "set", text});
        EXPECT_FALSE(result.options) << text;
        EXPECT_NE(result.error.find("0..255"), std::string::npos) << result.error;
    }
}

TEST(PtzctlArguments, RowsAreNamedAsInTheControlTable) {
    const PtzctlParseResult get = parse({"get", "zoomAbsolute2"});
    ASSERT_TRUE(get.options);
    EXPECT_EQ(get.options->command.action, PtzctlAction::Get);
    EXPECT_EQ(get.options->command.row, zoomAbsolute2);
    const PtzctlParseResult range = parse({"range", "panTiltRelative"});
    ASSERT_TRUE(range.options);
    EXPECT_EQ(range.options->command.action, PtzctlAction::Range);
    EXPECT_EQ(range.options->command.row, panTiltRelative);
    EXPECT_FALSE(parse({"get", "ZoomAbsolute"}).options);
    EXPECT_FALSE(parse({"range"}).options);
}

TEST(PtzctlArguments, ListTakesNoCameraOptions) {
    const PtzctlParseResult list = parse({"list"});
    ASSERT_TRUE(list.options) << list.error;
    EXPECT_EQ(list.options->command.action, PtzctlAction::List);
    EXPECT_FALSE(parse({"list", "all"}).options);
    EXPECT_FALSE(parse({"--dry-run", "list"}).options);
    EXPECT_FALSE(parse({"--vid", "2e7e", "--pid", "0735", "list"}).options);
    EXPECT_FALSE(parse({"--location", "1200000", "list"}).options);
}

TEST(PtzctlArguments, UsageErrorsAreOneLine) {
    const std::vector<std::vector<std::string_view>> bad = {
        {},
        {"--dry-run"},
        {"jump"},
        {"osd"},
        {"osd", "sideways"},
        {"pan", "up"},
        {"tilt", "left"},
        {"zoom", "in", "now"},
        {"home", "now"},
        {"autofocus", "maybe"},
        {"preset", "store", "1"},
        {"preset", "set"},
        {"--vid", "2e7e", "home"},
        {"--pid", "0735", "home"},
        {"--vid", "2e7e", "--pid", "0735", "--location", "1200000", "home"},
        {"--vid", "2e7e", "--vid", "2e7e", "--pid", "1", "home"},
        {"--vid", "12345", "--pid", "1", "home"},
        {"--vid", "zz", "--pid", "1", "home"},
        {"--location"},
        {"--location", "100000000", "home"},
        {"--verbose", "home"},
    };
    for (const std::vector<std::string_view>& args : bad) {
        const PtzctlParseResult result = parsePtzctlArguments(args);
        std::string line;
        for (const std::string_view arg : args) {
            line += std::string(arg) + " ";
        }
        EXPECT_FALSE(result.options) << line;
        EXPECT_FALSE(result.error.empty()) << line;
        EXPECT_EQ(result.error.find('\n'), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace ptz
