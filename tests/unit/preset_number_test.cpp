// Reading a preset number as the panel's box and ptzctl's argument do, and texts that name no
// preset.
#include <gtest/gtest.h>

#include <optional>

#include "camera/preset_number.h"

namespace ptz {
namespace {

TEST(PresetNumber, ReadsTheLeadingNumberAndTheArgumentOnlyWhole) {
    struct Case {
        const char* text;
        std::optional<int> leadingNumber;  // PresetText::LeadingNumber
        std::optional<int> numberOnly;     // PresetText::NumberOnly
    };
    const Case cases[] = {
        {"0", 0, 0},
        {"255", 255, 255},
        {" \t12", 12, 12},
        {"+7", 7, 7},
        {"-0", 0, 0},
        {"007", 7, 7},
        {"0000000000000000000042", 42, 42},
        {"3 - door", 3, std::nullopt},
        {"12abc", 12, std::nullopt},
        {"1.5", 1, std::nullopt},
        {"5 ", 5, std::nullopt},
        // No number, or one the camera's byte cannot hold (256 would be preset 0, -1 preset 255).
        {"", std::nullopt, std::nullopt},
        {"   ", std::nullopt, std::nullopt},
        {"abc", std::nullopt, std::nullopt},
        {"-", std::nullopt, std::nullopt},
        {"+ 3", std::nullopt, std::nullopt},
        {"\xe4\xb8\x80", std::nullopt, std::nullopt},
        {"256", std::nullopt, std::nullopt},
        {"300 - door", std::nullopt, std::nullopt},
        {"-1", std::nullopt, std::nullopt},
        {"99999999999999999999", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        for (const auto& [form, expected] : {std::pair{PresetText::LeadingNumber, c.leadingNumber},
                                             std::pair{PresetText::NumberOnly, c.numberOnly}}) {
            const PresetNumber preset = parsePresetNumber(c.text, form);
            EXPECT_EQ(preset.number, expected) << '"' << c.text << '"';
            EXPECT_EQ(preset.whyNot.empty(), expected.has_value()) << preset.whyNot;
        }
    }
}

TEST(PresetNumber, SaysWhyNotOnOneShortLine) {
    const auto whyNot = [](std::string_view text) {
        return parsePresetNumber(text, PresetText::NumberOnly).whyNot;
    };
    EXPECT_EQ(whyNot("abc"), "\"abc\" does not begin with a number");
    EXPECT_EQ(whyNot("-1"), "\"-1\" is outside the presets 0-255");
    EXPECT_EQ(whyNot("5a"), "\"5a\" has text after the number");
    EXPECT_EQ(whyNot("a\nb\x01" + std::string(100, 'z')),
              "\"a?b?" + std::string(36, 'z') + "...\" does not begin with a number");
}

}  // namespace
}  // namespace ptz
