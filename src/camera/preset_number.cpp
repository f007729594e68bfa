#include "camera/preset_number.h"

#include <cstdint>

namespace ptz {
namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The text in quotes as it may appear inside a line: control characters become '?', and a long
// text is cut short.
std::string quoted(std::string_view text) {
    constexpr size_t kMaxShown = 40;
    std::string out = "\"";
    for (const char c : text.substr(0, kMaxShown)) {
        out.push_back(static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c);
    }
    if (text.size() > kMaxShown) {
        out += "...";
    }
    return out + "\"";
}

}  // namespace

PresetNumber parsePresetNumber(std::string_view text, PresetText form) {
    size_t pos = 0;
    while (pos < text.size() && isWhiteSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !isDigit(text[pos])) {
        return {std::nullopt, quoted(text) + " does not begin with a number"};
    }
    // Digits beyond the range only need to be known to be too many: stop counting there.
    int64_t magnitude = 0;
    while (pos < text.size() && isDigit(text[pos])) {
        if (magnitude <= kHighestPreset) {
            magnitude = magnitude * 10 + (text[pos] - '0');
        }
        ++pos;
    }
    if ((negative && magnitude != 0) || magnitude > kHighestPreset) {
        return {std::nullopt,
                quoted(text) + " is outside the presets 0-" + std::to_string(kHighestPreset)};
    }
    if (form == PresetText::NumberOnly && pos < text.size()) {
        return {std::nullopt, quoted(text) + " has text after the number"};
    }
    return {static_cast<int>(magnitude), {}};
}

}  // namespace ptz
