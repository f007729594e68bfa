#include "platform/usb/uvc_descriptors.h"

#include <algorithm>
#include <cstddef>

namespace ptz {
namespace {

constexpr uint8_t kConfigurationType = 0x02;
constexpr uint8_t kInterfaceType = 0x04;
constexpr uint8_t kEndpointType = 0x05;
constexpr uint8_t kInterfaceAssociationType = 0x0B;
constexpr uint8_t kCsInterface = 0x24;
constexpr uint8_t kVcInputTerminal = 0x02;
constexpr uint8_t kVcExtensionUnit = 0x06;
constexpr uint16_t kItpCamera = 0x0201;
constexpr uint8_t kVideoClass = 14;
constexpr uint8_t kVideoControlSubclass = 1;

// The shortest well-formed descriptor of each kind: an input terminal up to iTerminal, an
// extension unit with no source pins and no control bitmap bytes. Anything shorter is a lie
// about its kind and is ignored rather than half read.
constexpr size_t kInputTerminalMinLength = 8;
constexpr size_t kExtensionUnitMinLength = 24;
constexpr size_t kDeviceDescriptorLength = 18;
constexpr size_t kConfigurationHeaderLength = 9;
constexpr size_t kInterfaceDescriptorLength = 9;

// Every descriptor begins with bLength and bDescriptorType.
constexpr size_t kDescriptorHeaderLength = 2;

uint16_t littleEndian16(std::span<const uint8_t> bytes, size_t offset) {
    return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// Calls `visit` with each whole descriptor of `bytes` in turn. A length below the header would
// never advance, and one past the end is truncated: the descriptors after either cannot be
// located, so the walk stops there.
template <typename Visit>
void forEachDescriptor(std::span<const uint8_t> bytes, Visit&& visit) {
    size_t offset = 0;
    while (bytes.size() - offset >= kDescriptorHeaderLength) {
        const size_t length = bytes[offset];
        if (length < kDescriptorHeaderLength || length > bytes.size() - offset) {
            return;
        }
        visit(bytes.subspan(offset, length));
        offset += length;
    }
}

// The descriptors inside the configuration with this value, after its own 9-byte header.
std::span<const uint8_t> configurationBody(std::span<const uint8_t> descriptors,
                                           uint8_t configurationValue) {
    if (descriptors.size() < kDeviceDescriptorLength) {
        return {};
    }
    std::span<const uint8_t> rest = descriptors.subspan(kDeviceDescriptorLength);
    while (rest.size() >= kConfigurationHeaderLength && rest[1] == kConfigurationType &&
           rest[0] >= kConfigurationHeaderLength) {
        // wTotalLength covers the header; a configuration claiming less cannot be walked.
        const size_t total = littleEndian16(rest, 2);
        if (total < rest[0]) {
            return {};
        }
        const std::span<const uint8_t> configuration = rest.first(std::min(total, rest.size()));
        if (rest[5] == configurationValue) {
            return configuration.subspan(std::min<size_t>(rest[0], configuration.size()));
        }
        rest = rest.subspan(configuration.size());
    }
    return {};
}

}  // namespace

bool VideoControlUnits::isExtensionUnit(uint8_t unitId) const {
    return std::find(extensionUnitIds.begin(), extensionUnitIds.end(), unitId) !=
           extensionUnitIds.end();
}

VideoControlUnits parseVideoControlDescriptors(std::span<const uint8_t> extra) {
    VideoControlUnits units;
    forEachDescriptor(extra, [&](std::span<const uint8_t> descriptor) {
        if (descriptor[1] != kCsInterface || descriptor.size() < 3) {
            return;
        }
        const uint8_t subtype = descriptor[2];
        if (subtype == kVcInputTerminal && descriptor.size() >= kInputTerminalMinLength) {
            const uint8_t terminalId = descriptor[3];
            // Entity id 0 is reserved: it cannot address anything.
            if (littleEndian16(descriptor, 4) == kItpCamera && terminalId != 0 &&
                !units.cameraTerminalId) {
                units.cameraTerminalId = terminalId;
            }
        } else if (subtype == kVcExtensionUnit && descriptor.size() >= kExtensionUnitMinLength) {
            const uint8_t unitId = descriptor[3];
            if (unitId != 0 && !units.isExtensionUnit(unitId)) {
                units.extensionUnitIds.push_back(unitId);
            }
        }
    });
    return units;
}

std::vector<VideoControlInterfaceDescriptors> findVideoControlInterfaces(
    std::span<const uint8_t> descriptors, uint8_t configurationValue) {
    std::vector<VideoControlInterfaceDescriptors> found;
    // The interface whose class-specific descriptors are being collected: found.back(), if any.
    bool collecting = false;
    forEachDescriptor(
        configurationBody(descriptors, configurationValue),
        [&](std::span<const uint8_t> descriptor) {
            const uint8_t type = descriptor[1];
            if (type == kInterfaceType) {
                collecting = false;
                if (descriptor.size() < kInterfaceDescriptorLength ||
                    descriptor[5] != kVideoClass || descriptor[6] != kVideoControlSubclass) {
                    return;
                }
                const uint8_t number = descriptor[2];
                const bool known = std::any_of(found.begin(), found.end(), [&](const auto& seen) {
                    return seen.interfaceNumber == number;
                });
                if (!known) {
                    found.push_back({number, {}});
                    collecting = true;
                }
            } else if (type == kEndpointType || type == kInterfaceAssociationType) {
                collecting = false;
            } else if (collecting) {
                std::vector<uint8_t>& bytes = found.back().classSpecific;
                bytes.insert(bytes.end(), descriptor.begin(), descriptor.end());
            }
        });
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        return a.interfaceNumber < b.interfaceNumber;
    });
    return found;
}

}  // namespace ptz
