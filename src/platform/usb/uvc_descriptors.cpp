#include "platform/usb/uvc_descriptors.h"

#include <algorithm>
#include <cstddef>

namespace ptz {
namespace {

constexpr uint8_t kCsInterface = 0x24;
constexpr uint8_t kVcInputTerminal = 0x02;
constexpr uint8_t kVcExtensionUnit = 0x06;
constexpr uint16_t kItpCamera = 0x0201;

// The shortest well-formed descriptor of each kind: an input terminal up to iTerminal, an
// extension unit with no source pins and no control bitmap bytes. Anything shorter is a lie
// about its kind and is ignored rather than half read.
constexpr size_t kInputTerminalMinLength = 8;
constexpr size_t kExtensionUnitMinLength = 24;

// Every descriptor begins with bLength and bDescriptorType.
constexpr size_t kDescriptorHeaderLength = 2;

}  // namespace

bool VideoControlUnits::isExtensionUnit(uint8_t unitId) const {
    return std::find(extensionUnitIds.begin(), extensionUnitIds.end(), unitId) !=
           extensionUnitIds.end();
}

VideoControlUnits parseVideoControlDescriptors(std::span<const uint8_t> extra) {
    VideoControlUnits units;
    size_t offset = 0;
    while (extra.size() - offset >= kDescriptorHeaderLength) {
        const size_t length = extra[offset];
        // A length below the header would never advance; one past the end is truncated. The
        // descriptors after either cannot be located, so stop with what was found.
        if (length < kDescriptorHeaderLength || length > extra.size() - offset) {
            break;
        }
        const std::span<const uint8_t> descriptor = extra.subspan(offset, length);
        offset += length;

        if (descriptor[1] != kCsInterface || descriptor.size() < 3) {
            continue;
        }
        const uint8_t subtype = descriptor[2];
        if (subtype == kVcInputTerminal && descriptor.size() >= kInputTerminalMinLength) {
            const uint8_t terminalId = descriptor[3];
            const auto terminalType = static_cast<uint16_t>(descriptor[4] | (descriptor[5] << 8));
            // Entity id 0 is reserved: it cannot address anything.
            if (terminalType == kItpCamera && terminalId != 0 && !units.cameraTerminalId) {
                units.cameraTerminalId = terminalId;
            }
        } else if (subtype == kVcExtensionUnit && descriptor.size() >= kExtensionUnitMinLength) {
            const uint8_t unitId = descriptor[3];
            if (unitId != 0 && !units.isExtensionUnit(unitId)) {
                units.extensionUnitIds.push_back(unitId);
            }
        }
    }
    return units;
}

}  // namespace ptz
