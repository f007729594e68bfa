// Reading the preset combo box's text as a preset number.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ptz {

inline constexpr int kHighestPreset = 255;  // the camera takes the number as one byte

struct PresetNumber {
    std::optional<int> number;  // set when the text names a preset
    std::string whyNot;         // otherwise, one line saying why nothing is sent
};

// Leading white space is skipped, then an optional sign and decimal digits are read; whatever
// follows the digits is ignored ("3 - door" is preset 3). A text that does not begin with a
// number, or a number outside 0-255, is refused: the camera would otherwise store or recall
// preset 0, or the number's low byte, in place of the one typed.
PresetNumber parsePresetNumber(std::string_view text);

}  // namespace ptz
