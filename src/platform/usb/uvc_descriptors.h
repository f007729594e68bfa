// Reads which entities a camera's VideoControl interface has from its class-specific
// descriptors: the camera terminal and the extension units.
//
// The bytes come from the device, so nothing in them is trusted: a descriptor that is too
// short for its kind, claims more bytes than remain, or has a length below two ends or skips
// parsing; nothing is read outside `extra`. Pure function, no state, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ptz {

struct VideoControlUnits {
    // bTerminalID of the first input terminal of type camera (0x0201), if any.
    std::optional<uint8_t> cameraTerminalId;
    // bUnitID of every extension unit, in descriptor order, each once.
    std::vector<uint8_t> extensionUnitIds;

    bool isExtensionUnit(uint8_t unitId) const;
};

// `extra`: the descriptors that follow the VideoControl interface descriptor (libusb's
// interface `extra`), one after another, each starting with bLength and bDescriptorType.
VideoControlUnits parseVideoControlDescriptors(std::span<const uint8_t> extra);

}  // namespace ptz
