#include "platform/usb/usb_location_id.h"

namespace ptz {

uint32_t usbLocationId(unsigned busNumber, std::string_view portPath) {
    uint32_t location = (busNumber & 0xffu) << 24;
    int shift = 20;
    unsigned port = 0;
    bool inPort = false;
    const auto addPort = [&] {
        if (inPort && port != 0 && shift >= 0) {
            location |= (port & 0xfu) << shift;
            shift -= 4;
        }
        port = 0;
        inPort = false;
    };
    for (const char c : portPath) {
        if (c >= '0' && c <= '9') {
            port = port * 10 + static_cast<unsigned>(c - '0');
            inPort = true;
            if (port > 255) {
                port = 255;
            }
        } else {
            addPort();
        }
    }
    addPort();
    return location;
}

}  // namespace ptz
