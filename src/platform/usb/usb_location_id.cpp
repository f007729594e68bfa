#include "platform/usb/usb_location_id.h"

#include <algorithm>
#include <charconv>

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

std::optional<uint32_t> usbLocationIdOfDeviceName(std::string_view name) {
    const auto isPortPath = [](std::string_view path) {
        return !path.empty() && std::all_of(path.begin(), path.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '.';
        });
    };
    std::string_view bus;
    std::string_view ports = "0";  // a root hub's devpath
    if (name.starts_with("usb")) {
        bus = name.substr(3);
    } else if (const size_t dash = name.find('-'); dash != std::string_view::npos) {
        bus = name.substr(0, dash);
        ports = name.substr(dash + 1);
    }
    unsigned busNumber = 0;
    const auto [end, error] = std::from_chars(bus.data(), bus.data() + bus.size(), busNumber);
    if (bus.empty() || error != std::errc() || end != bus.data() + bus.size() ||
        !isPortPath(ports)) {
        return std::nullopt;
    }
    return usbLocationId(busNumber, ports);
}

}  // namespace ptz
