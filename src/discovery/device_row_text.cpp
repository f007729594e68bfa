#include "discovery/device_row_text.h"

#include <cstdio>

namespace ptz {

std::string deviceRowText(int32_t vendorId, int32_t productId, const std::string& productName) {
    if (!productName.empty()) {
        return productName;
    }
    char text[32];
    snprintf(text, sizeof text, "USB camera %04x:%04x", static_cast<unsigned>(vendorId) & 0xffffu,
             static_cast<unsigned>(productId) & 0xffffu);
    return text;
}

}  // namespace ptz
