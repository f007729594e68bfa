// Real cameras' descriptor sets (tests/fixtures/uvc-descriptors), as sysfs shows them.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace ptz::testing {

// The set's device descriptor followed by its configuration descriptor: a usb_device's
// `descriptors` attribute. Throws when the set is missing.
inline std::vector<uint8_t> fixtureDescriptors(const std::string& name) {
    std::vector<uint8_t> bytes;
    for (const char* part : {".dev", ".cfg"}) {
        std::ifstream file(std::string(PTZ_DESCRIPTOR_FIXTURES) + "/" + name + part,
                           std::ios::binary);
        if (!file) {
            throw std::runtime_error("no descriptor fixture " + name + part);
        }
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(file),
                     std::istreambuf_iterator<char>());
    }
    return bytes;
}

}  // namespace ptz::testing
