#include "platform/usb/uvc_descriptors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "descriptor_fixtures.h"

namespace ptz {
namespace {

using Bytes = std::vector<uint8_t>;

// A VideoControl header (CS_INTERFACE, VC_HEADER) with one streaming interface.
Bytes header() {
    return {0x0D, 0x24, 0x01, 0x00, 0x01, 0x4D, 0x00, 0x00, 0x6C, 0xDC, 0x02, 0x01, 0x01};
}

// An input terminal of the given type; a camera terminal carries three more fields.
Bytes inputTerminal(uint8_t id, uint16_t type) {
    Bytes d(0x12, 0x00);
    d[0] = 0x12;
    d[1] = 0x24;
    d[2] = 0x02;
    d[3] = id;
    d[4] = static_cast<uint8_t>(type);
    d[5] = static_cast<uint8_t>(type >> 8);
    d[14] = 0x03;
    d[15] = 0x0A;
    d[16] = 0x22;
    return d;
}

Bytes processingUnit(uint8_t id) {
    return {0x0B, 0x24, 0x05, id, 0x01, 0x00, 0x00, 0x02, 0x7F, 0x15, 0x00};
}

// An extension unit with one source pin and a 2-byte control bitmap: 24 + 1 + 2 bytes.
Bytes extensionUnit(uint8_t id) {
    Bytes d{27, 0x24, 0x06, id};
    for (int i = 0; i < 16; ++i) {
        d.push_back(static_cast<uint8_t>(0xA0 + i));  // GUID
    }
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

TEST(UvcDescriptors, FindsCameraTerminalAndExtensionUnitsOfATypicalCamera) {
    const Bytes extra = join({header(),
                              inputTerminal(1, 0x0201),
                              processingUnit(2),
                              extensionUnit(19),
                              extensionUnit(20),
                              // an output terminal, which is no concern here
                              {0x09, 0x24, 0x03, 0x03, 0x01, 0x01, 0x00, 0x14, 0x00}});
    const VideoControlUnits units = parseVideoControlDescriptors(extra);
    EXPECT_EQ(units.cameraTerminalId, 1);
    EXPECT_EQ(units.extensionUnitIds, (std::vector<uint8_t>{19, 20}));
}

TEST(UvcDescriptors, IgnoresOtherTerminalsOtherDescriptorTypesAndRepeats) {
    Bytes notClassSpecific = extensionUnit(30);
    notClassSpecific[1] = 0x05;  // an endpoint descriptor that happens to look like a unit
    const Bytes extra = join({inputTerminal(4, 0x0101), notClassSpecific, extensionUnit(7),
                              extensionUnit(7), inputTerminal(5, 0x0201), inputTerminal(6, 0x0201),
                              extensionUnit(0), inputTerminal(0, 0x0201)});
    const VideoControlUnits units = parseVideoControlDescriptors(extra);
    EXPECT_EQ(units.cameraTerminalId, 5);
    EXPECT_EQ(units.extensionUnitIds, (std::vector<uint8_t>{7}));
}

TEST(UvcDescriptors, StopsAtZeroOrOneByteLengthKeepingWhatCameBefore) {
    for (const uint8_t badLength : {uint8_t{0}, uint8_t{1}}) {
        const Bytes extra =
            join({extensionUnit(19), {badLength, 0x24, 0x06, 0x21}, extensionUnit(20)});
        const VideoControlUnits units = parseVideoControlDescriptors(extra);
        EXPECT_EQ(units.extensionUnitIds, (std::vector<uint8_t>{19})) << int{badLength};
    }
}

TEST(UvcDescriptors, StopsAtADescriptorThatRunsPastTheEnd) {
    Bytes truncated = extensionUnit(20);
    truncated.resize(truncated.size() - 1);
    const VideoControlUnits units =
        parseVideoControlDescriptors(join({inputTerminal(1, 0x0201), truncated}));
    EXPECT_EQ(units.cameraTerminalId, 1);
    EXPECT_TRUE(units.extensionUnitIds.empty());

    // Nothing at all, the length byte alone, or a claim of 255 bytes with three present.
    EXPECT_FALSE(parseVideoControlDescriptors({}).cameraTerminalId.has_value());
    EXPECT_TRUE(parseVideoControlDescriptors(Bytes{0x1B}).extensionUnitIds.empty());
    EXPECT_TRUE(parseVideoControlDescriptors(Bytes{0xFF, 0x24, 0x06}).extensionUnitIds.empty());
}

TEST(UvcDescriptors, SkipsDescriptorsTooShortForTheirKind) {
    // Each claims a length that ends before its kind's fields do; the parser steps over it by
    // that length and finds the real descriptors behind it.
    const Bytes shortTerminal{0x05, 0x24, 0x02, 0x09, 0x01};
    const Bytes shortUnit{0x04, 0x24, 0x06, 0x21};
    const Bytes subtypeMissing{0x02, 0x24};
    const VideoControlUnits units = parseVideoControlDescriptors(join(
        {shortTerminal, shortUnit, subtypeMissing, inputTerminal(3, 0x0201), extensionUnit(19)}));
    EXPECT_EQ(units.cameraTerminalId, 3);
    EXPECT_EQ(units.extensionUnitIds, (std::vector<uint8_t>{19}));
}

TEST(UvcDescriptors, ReadsOnlyInsideTheGivenBytes) {
    // The span ends inside a buffer whose tail would parse as an extension unit; a parser
    // that read past the span's end would report unit 20.
    const Bytes buffer = join({extensionUnit(19), extensionUnit(20)});
    const std::span<const uint8_t> firstOnly(buffer.data(), extensionUnit(19).size() + 3);
    EXPECT_EQ(parseVideoControlDescriptors(firstOnly).extensionUnitIds, (std::vector<uint8_t>{19}));
}

// Real cameras' sets: the VideoControl interface of the active configuration, wherever it sits
// among the others, and its units.
TEST(UvcDescriptors, FindsTheVideoControlInterfaceOfRealCameras) {
    struct Expected {
        const char* set;
        uint8_t interfaceNumber;
        std::vector<uint8_t> extensionUnits;
    };
    const Expected cameras[] = {
        {"2e7e_0893_ptz", 0, {12, 13, 14, 15}}, {"3564_fef8_ptz", 0, {2}},
        {"2bab_0011_conference", 0, {3, 4}},    {"046d_0893_webcam", 0, {14, 6, 8, 9, 10, 11}},
        {"046d_0825_webcam", 0, {3, 4, 6, 7}},  {"2e7e_0893_ptz_hid_first", 1, {12, 13, 14, 15}},
        {"291a_3369_audio_first", 2, {6}},
    };
    for (const Expected& camera : cameras) {
        const Bytes descriptors = testing::fixtureDescriptors(camera.set);
        const auto found = findVideoControlInterfaces(descriptors, 1);
        ASSERT_EQ(found.size(), 1u) << camera.set;
        EXPECT_EQ(found[0].interfaceNumber, camera.interfaceNumber) << camera.set;
        const VideoControlUnits units = parseVideoControlDescriptors(found[0].classSpecific);
        EXPECT_EQ(units.cameraTerminalId, 1) << camera.set;
        EXPECT_EQ(units.extensionUnitIds, camera.extensionUnits) << camera.set;

        // None of these has a configuration 2.
        EXPECT_TRUE(findVideoControlInterfaces(descriptors, 2).empty()) << camera.set;
    }
}

// Interfaces come in interface order, each once, with the class-specific descriptors that
// follow their first VideoControl alternate setting up to the next endpoint.
TEST(UvcDescriptors, ListsEachVideoControlInterfaceOnceInInterfaceOrder) {
    Bytes descriptors(18, 0);
    descriptors[0] = 18;
    descriptors[1] = 0x01;
    const Bytes body = join({
        {9, 0x04, 3, 0, 1, 0x0E, 0x01, 0x00, 0},
        extensionUnit(30),
        {7, 0x05, 0x83, 0x03, 0x10, 0x00, 6},  // its endpoint, and then a stray unit
        extensionUnit(31),
        {9, 0x04, 3, 1, 0, 0x0E, 0x01, 0x00, 0},  // a second alternate setting of 3
        extensionUnit(32),
        {9, 0x04, 1, 0, 0, 0x0E, 0x01, 0x00, 0},
        extensionUnit(10),
        {9, 0x04, 2, 0, 0, 0x0E, 0x02, 0x00, 0},  // VideoStreaming
        extensionUnit(20),
    });
    const size_t total = 9 + body.size();
    descriptors.insert(descriptors.end(), {9, 0x02, static_cast<uint8_t>(total),
                                           static_cast<uint8_t>(total >> 8), 4, 1, 0, 0x80, 50});
    descriptors.insert(descriptors.end(), body.begin(), body.end());

    const auto found = findVideoControlInterfaces(descriptors, 1);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].interfaceNumber, 1);
    EXPECT_EQ(found[0].classSpecific, extensionUnit(10));
    EXPECT_EQ(found[1].interfaceNumber, 3);
    EXPECT_EQ(found[1].classSpecific, extensionUnit(30));
}

}  // namespace
}  // namespace ptz
