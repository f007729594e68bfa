// Descriptor parsing: real cameras' sets, and bytes from a device that cannot be trusted.
#include "platform/usb/uvc_descriptors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "descriptor_fixtures.h"

namespace ptz {
namespace {

using Bytes = std::vector<uint8_t>;
using Ids = std::vector<uint8_t>;

// An input terminal (a camera for type 0x0201) and an extension unit with one source pin and
// a 2-byte control bitmap, as class-specific VideoControl descriptors.
Bytes terminal(uint8_t id, uint16_t type = 0x0201) {
    Bytes d = {0x12, 0x24, 0x02, id, static_cast<uint8_t>(type), static_cast<uint8_t>(type >> 8)};
    d.resize(0x12, 0x03);
    return d;
}
Bytes unit(uint8_t id) {
    Bytes d = {27, 0x24, 0x06, id};
    d.resize(20, 0xA5);  // GUID
    d.insert(d.end(), {0x07, 0x01, 0x02, 0x02, 0x7F, 0x00, 0x00});
    return d;
}
Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Real cameras' sets: the VideoControl interface of the active configuration, wherever it sits
// among the others, and its units.
TEST(UvcDescriptors, FindTheVideoControlInterfaceTerminalAndUnitsOfRealCameras) {
    const std::tuple<const char*, uint8_t, Ids> cameras[] = {
        {"2e7e_0893_ptz", 0, {12, 13, 14, 15}}, {"3564_fef8_ptz", 0, {2}},
        {"2bab_0011_conference", 0, {3, 4}},    {"046d_0893_webcam", 0, {14, 6, 8, 9, 10, 11}},
        {"046d_0825_webcam", 0, {3, 4, 6, 7}},  {"2e7e_0893_ptz_hid_first", 1, {12, 13, 14, 15}},
        {"291a_3369_audio_first", 2, {6}},
    };
    for (const auto& [set, interfaceNumber, units] : cameras) {
        SCOPED_TRACE(set);
        const Bytes descriptors = testing::fixtureDescriptors(set);
        const auto found = findVideoControlInterfaces(descriptors, 1);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].interfaceNumber, interfaceNumber);
        const VideoControlUnits parsed = parseVideoControlDescriptors(found[0].classSpecific);
        EXPECT_EQ(parsed.cameraTerminalId, 1);
        EXPECT_EQ(parsed.extensionUnitIds, units);
        EXPECT_TRUE(findVideoControlInterfaces(descriptors, 2).empty());  // no configuration 2
    }
}

TEST(UvcDescriptors, TakeWhatIsSoundAndStopOrSkipAtWhatIsNot) {
    Bytes notClassSpecific = unit(30);
    notClassSpecific[1] = 0x05;  // an endpoint that looks like a unit
    Bytes truncated = unit(20);
    truncated.pop_back();
    const Bytes twoUnits = join({unit(19), unit(20)});
    const std::tuple<const char*, Bytes, std::optional<uint8_t>, Ids> cases[] = {
        {"other terminal types, other descriptor types, repeats and id 0 are passed over",
         join({terminal(4, 0x0101), notClassSpecific, unit(7), unit(7), terminal(5), terminal(6),
               unit(0), terminal(0)}),
         5,
         {7}},
        {"a length of 0 ends parsing",
         join({unit(19), {0, 0x24, 0x06, 0x21}, unit(20)}),
         std::nullopt,
         {19}},
        {"a descriptor past the end ends it", join({terminal(1), truncated}), 1, {}},
        {"a length byte alone", {0x1B}, std::nullopt, {}},
        {"255 bytes claimed, three present", {0xFF, 0x24, 0x06}, std::nullopt, {}},
        {"too short for its kind: stepped over by its length",
         join({{5, 0x24, 0x02, 9, 1}, {4, 0x24, 0x06, 0x21}, {2, 0x24}, terminal(3), unit(19)}),
         3,
         {19}},
    };
    for (const auto& [what, bytes, cameraTerminal, units] : cases) {
        const VideoControlUnits parsed = parseVideoControlDescriptors(bytes);
        EXPECT_EQ(parsed.cameraTerminalId, cameraTerminal) << what;
        EXPECT_EQ(parsed.extensionUnitIds, units) << what;
    }
    // The span ends inside a buffer whose tail would parse as unit 20.
    EXPECT_EQ(parseVideoControlDescriptors(std::span(twoUnits).first(unit(19).size() + 3))
                  .extensionUnitIds,
              Ids{19});
}

}  // namespace
}  // namespace ptz
