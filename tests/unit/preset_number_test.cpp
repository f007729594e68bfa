// Reading the preset box's text: the leading-number rule, and texts that name no preset.
#include <gtest/gtest.h>

#include "ui/logic/preset_number.h"

namespace ptz {
namespace {

TEST(PresetNumber, ReadsTheLeadingDecimalNumber) {
    const std::pair<const char*, int> cases[] = {
        {"0", 0},  {"9", 9},        {"255", 255}, {" \t12", 12}, {"+7", 7},
        {"-0", 0}, {"3 - door", 3}, {"007", 7},   {"12abc", 12}, {"0000000000000000000042", 42},
    };
    for (const auto& [text, number] : cases) {
        const PresetNumber preset = parsePresetNumber(text);
        ASSERT_TRUE(preset.number.has_value()) << text;
        EXPECT_EQ(*preset.number, number) << text;
        EXPECT_TRUE(preset.whyNot.empty()) << text;
    }
}

TEST(PresetNumber, RefusesATextThatDoesNotBeginWithANumber) {
    for (const char* text : {"", "   ", "abc", "-", "+ 3", "x12", "\xe4\xb8\x80"}) {
        const PresetNumber preset = parsePresetNumber(text);
        EXPECT_FALSE(preset.number.has_value()) << text;
        EXPECT_NE(preset.whyNot.find("does not begin with a number"), std::string::npos)
            << preset.whyNot;
    }
}

TEST(PresetNumber, RefusesNumbersOutsideOneByte) {
    // The camera takes the low byte: 256 would be preset 0, 300 preset 44, -1 preset 255.
    for (const char* text : {"256", "300", "-1", "-255", "4294967296", "99999999999999999999"}) {
        const PresetNumber preset = parsePresetNumber(text);
        EXPECT_FALSE(preset.number.has_value()) << text;
        EXPECT_EQ(preset.whyNot,
                  std::string("Preset not sent: \"") + text + "\" is outside the presets 0-255");
    }
}

TEST(PresetNumber, KeepsTheLogLineOnOneLineAndShort) {
    const PresetNumber preset = parsePresetNumber("a\nb\x01" + std::string(100, 'z'));
    EXPECT_EQ(preset.whyNot.find('\n'), std::string::npos);
    EXPECT_EQ(preset.whyNot.find('\x01'), std::string::npos);
    EXPECT_LT(preset.whyNot.size(), 100u);
}

}  // namespace
}  // namespace ptz
