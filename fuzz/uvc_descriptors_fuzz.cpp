// Feeds arbitrary bytes to the VideoControl descriptor parser. Besides the sanitizers'
// checks it holds the parser to what its callers rely on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "platform/usb/uvc_descriptors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> extra(data, size);
    const ptz::VideoControlUnits units = ptz::parseVideoControlDescriptors(extra);

    // Entity id 0 addresses nothing and must never be reported.
    if (units.cameraTerminalId == 0) {
        std::abort();
    }
    // Each extension unit is listed once, and at most one per 24 input bytes can exist.
    if (units.extensionUnitIds.size() > size / 24) {
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
    return 0;
}
