// A preset number as the panel's box reads it (the leading number) and as ptzctl's argument
// does (the number alone), and why a text names no preset.
#include <gtest/gtest.h>

#include <optional>

#include "camera/preset_number.h"

namespace ptz {
namespace {

TEST(PresetNumber, ReadsTheLeadingNumberAndTheArgumentOnlyWhole) {
    constexpr std::optional<int> kNone;
    const std::tuple<const char*, std::optional<int>, std::optional<int>> cases[] = {
        {"0", 0, 0},
        {"255", 255, 255},
        {" \t12", 12, 12},
        {"+7", 7, 7},
        {"3 - door", 3, kNone},
        {"", kNone, kNone},
        {"\xe4\xb8\x80", kNone, kNone},
        // The camera's byte holds 0-255: 256 would be preset 0, -1 preset 255.
        {"256", kNone, kNone},
        {"-1", kNone, kNone},
        {"99999999999999999999", kNone, kNone},
    };
    for (const auto& [text, leading, whole] : cases) {
        for (const auto& [form, expected] : {std::pair{PresetText::LeadingNumber, leading},
                                             std::pair{PresetText::NumberOnly, whole}}) {
            const PresetNumber preset = parsePresetNumber(text, form);
            EXPECT_EQ(preset.number, expected) << '"' << text << '"';
            EXPECT_EQ(preset.whyNot.empty(), expected.has_value()) << preset.whyNot;
        }
    }
    const auto whyNot = [](std::string_view text) {
        return parsePresetNumber(text, PresetText::NumberOnly).whyNot;
    };
    EXPECT_EQ(whyNot("5a"), "\"5a\" has text after the number");
    EXPECT_EQ(whyNot("a\nb\x01" + std::string(100, 'z')),
              "\"a?b?" + std::string(36, 'z') + "...\" does not begin with a number");
}

}  // namespace
}  // namespace ptz
