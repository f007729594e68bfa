// Feeds arbitrary bytes to the descriptor parsers: as a device's sysfs `descriptors` attribute,
// and as one VideoControl interface's class-specific descriptors. Besides the sanitizers'
// checks it holds the parsers to what their callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/usb/uvc_descriptors.h"

namespace {

void checkUnits(std::span<const uint8_t> extra) {
    const ptz::VideoControlUnits units = ptz::parseVideoControlDescriptors(extra);
    // Entity id 0 addresses nothing and must never be reported.
    if (units.cameraTerminalId == 0) {
        std::abort();
    }
    // Each extension unit is listed once, and at most one per 24 input bytes can exist.
    if (units.extensionUnitIds.size() > extra.size() / 24) {
        std::abort();
    }
    for (size_t i = 0; i < units.extensionUnitIds.size(); ++i) {
        if (units.extensionUnitIds[i] == 0) {
            std::abort();
        }
        for (size_t j = i + 1; j < units.extensionUnitIds.size(); ++j) {
            if (units.extensionUnitIds[i] == units.extensionUnitIds[j]) {
                std::abort();
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    checkUnits(bytes);

    // Nearly every device runs configuration 1, as the seeds (real cameras' sets) do.
    const auto interfaces = ptz::findVideoControlInterfaces(bytes, 1);
    size_t collected = 0;
    for (size_t i = 0; i < interfaces.size(); ++i) {
        // In interface order, each interface once.
        if (i > 0 && interfaces[i - 1].interfaceNumber >= interfaces[i].interfaceNumber) {
            std::abort();
        }
        collected += interfaces[i].classSpecific.size();
        checkUnits(interfaces[i].classSpecific);
    }
    // Nothing is made up: what is collected comes from the input, each byte once.
    if (collected > size) {
        std::abort();
    }
    return 0;
}
