// Reads a USB device's descriptors as the kernel keeps them: which VideoControl interfaces its
// active configuration has, and which entities (camera terminal, extension units) each one has.
//
// The bytes come from the device, so nothing in them is trusted: a descriptor that is too
// short for its kind, claims more bytes than remain, or has a length below two ends or skips
// parsing; nothing is read outside the span given. Pure functions, no state, any thread.
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

// `extra`: the descriptors that follow a VideoControl interface descriptor, one after another,
// each starting with bLength and bDescriptorType.
VideoControlUnits parseVideoControlDescriptors(std::span<const uint8_t> extra);

// One interface of class 14, subclass 1 of a configuration.
struct VideoControlInterfaceDescriptors {
    uint8_t interfaceNumber = 0;
    // The descriptors between its interface descriptor and the next interface, endpoint or
    // interface association descriptor: what parseVideoControlDescriptors reads.
    std::vector<uint8_t> classSpecific;
};

// `descriptors`: a usb_device's sysfs `descriptors` attribute, that is the 18-byte device
// descriptor followed by every configuration descriptor with all it holds (wTotalLength bytes
// each). Returns the VideoControl interfaces of the configuration whose bConfigurationValue
// is `configurationValue` (none when no configuration has it), in interface-number order; an
// interface with several alternate settings counts once, with its first VideoControl one.
std::vector<VideoControlInterfaceDescriptors> findVideoControlInterfaces(
    std::span<const uint8_t> descriptors, uint8_t configurationValue);

}  // namespace ptz
