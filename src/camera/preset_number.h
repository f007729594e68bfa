// Reading a preset number from text: the panel's preset box and ptzctl's argument.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ptz {

inline constexpr int kHighestPreset = 255;  // the camera takes the number as one byte

// What may follow the number.
enum class PresetText {
    LeadingNumber,  // anything: the preset box holds labels, "3 - door" is preset 3
    NumberOnly,     // nothing: in a typed argument, "5a" or "1.5" is a slip, not preset 5 or 1
};

struct PresetNumber {
    std::optional<int> number;  // set when the text names a preset
    std::string whyNot;         // otherwise, why not, quoting the text: "\"abc\" does not ..."
};

// Leading white space is skipped, then an optional sign and decimal digits are read. A text
// that does not begin with a number, or a number outside 0-255, is refused: the camera would
// otherwise store or recall preset 0, or the number's low byte, in place of the one typed.
PresetNumber parsePresetNumber(std::string_view text, PresetText form);

}  // namespace ptz
