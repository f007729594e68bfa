#include "platform/usb/libusb_device_location.h"

#include <libusb.h>

#include <array>

namespace ptz {
namespace {

// The deepest path USB allows.
constexpr size_t kMaxPortDepth = 7;
constexpr size_t kNibblesBelowBus = 6;

struct PortPath {
    std::array<uint8_t, kMaxPortDepth> ports{};
    size_t depth = 0;
    std::span<const uint8_t> span() const { return {ports.data(), depth}; }
};

PortPath portPathOf(libusb_device* device) {
    PortPath path;
    const int depth =
        libusb_get_port_numbers(device, path.ports.data(), static_cast<int>(path.ports.size()));
    path.depth = depth > 0 ? static_cast<size_t>(depth) : 0;
    return path;
}

}  // namespace

uint32_t locationIdFromPath(uint8_t bus, std::span<const uint8_t> ports) {
    uint32_t location = static_cast<uint32_t>(bus) << 24;
    for (size_t i = 0; i < ports.size() && i < kNibblesBelowBus; ++i) {
        location |= static_cast<uint32_t>(ports[i] & 0x0F) << (20 - 4 * i);
    }
    return location;
}

std::string sysfsNameFromPath(uint8_t bus, std::span<const uint8_t> ports) {
    if (ports.empty()) {
        return "usb" + std::to_string(bus);
    }
    std::string name = std::to_string(bus) + "-";
    for (size_t i = 0; i < ports.size(); ++i) {
        if (i > 0) {
            name += '.';
        }
        name += std::to_string(ports[i]);
    }
    return name;
}

uint32_t locationIdOf(libusb_device* device) {
    return locationIdFromPath(libusb_get_bus_number(device), portPathOf(device).span());
}

std::string sysfsNameOf(libusb_device* device) {
    return sysfsNameFromPath(libusb_get_bus_number(device), portPathOf(device).span());
}

}  // namespace ptz
