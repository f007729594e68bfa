#include "discovery/device_row_text.h"

#include <cstdio>

namespace ptz {

std::string escapeControlCharacters(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\t') {
            escaped += "\\t";
        } else if (c == '\r') {
            escaped += "\\r";
        } else if (byte < 0x20 || byte == 0x7f) {
            char hex[5];
            snprintf(hex, sizeof hex, "\\x%02x", byte);
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string deviceRowText(int32_t vendorId, int32_t productId, const std::string& productName) {
    if (!productName.empty()) {
        return escapeControlCharacters(productName);
    }
    char text[32];
    snprintf(text, sizeof text, "USB camera %04x:%04x", static_cast<unsigned>(vendorId) & 0xffffu,
             static_cast<unsigned>(productId) & 0xffffu);
    return text;
}

}  // namespace ptz
