#include "simcam/camera_descriptors.h"

#include <bit>
#include <initializer_list>

namespace ptz::sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kDeviceType = 0x01;
constexpr uint8_t kConfigurationType = 0x02;
constexpr uint8_t kInterfaceType = 0x04;
constexpr uint8_t kEndpointType = 0x05;
constexpr uint8_t kInterfaceAssociationType = 0x0B;
constexpr uint8_t kHidType = 0x21;
constexpr uint8_t kHidReportType = 0x22;
constexpr uint8_t kClassInterfaceType = 0x24;
constexpr uint8_t kClassEndpointType = 0x25;

constexpr uint8_t kVideoClass = 0x0E;
constexpr uint8_t kVideoControlSubclass = 0x01;
constexpr uint8_t kVideoStreamingSubclass = 0x02;
constexpr uint8_t kVideoInterfaceCollection = 0x03;
constexpr uint8_t kUvc15Protocol = 0x01;
constexpr uint8_t kHidClass = 0x03;

constexpr uint8_t kVideoControlEndpoint = 0x83;
constexpr uint8_t kVideoStreamingEndpoint = 0x81;
constexpr uint8_t kHidEndpoint = 0x84;

// The extension units' GUIDs, the simulator's own.
constexpr uint8_t kOsdUnitGuid[16] = {0xbb, 0x76, 0x69, 0xfe, 0x5f, 0xcf, 0x48, 0x38,
                                      0xa8, 0x99, 0x04, 0x95, 0x88, 0xcd, 0xf1, 0x89};
constexpr uint8_t kPresetUnitGuid[16] = {0x84, 0xeb, 0x15, 0x64, 0x82, 0x9d, 0x46, 0xa8,
                                         0x82, 0xf6, 0xb4, 0x3e, 0x33, 0x5a, 0x74, 0xe3};

constexpr uint16_t kFrameWidth = 1280;
constexpr uint16_t kFrameHeight = 720;
constexpr uint32_t kFrameInterval = 333333;  // 30 frames a second, in 100 ns
constexpr uint16_t kHidReportLength = 34;

void add(Bytes& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

void add(Bytes& out, const Bytes& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

void add16(Bytes& out, uint32_t value) {
    add(out, littleEndian(value, 2));
}

void add32(Bytes& out, uint32_t value) {
    add(out, littleEndian(value, 4));
}

Bytes extensionUnit(uint8_t unitId, const uint8_t (&guid)[16], uint8_t sourceId, uint8_t controls) {
    // 24 fixed bytes, one source pin, a 1-byte control bitmap.
    Bytes unit = {26, kClassInterfaceType, 0x06, unitId};
    unit.insert(unit.end(), std::begin(guid), std::end(guid));
    add(unit, {static_cast<uint8_t>(std::popcount(controls)), 1, sourceId, 1, controls, 0});
    return unit;
}

// Header, camera terminal, the two extension units and the output terminal, chained in
// that order from the sensor to the stream.
Bytes videoControlClassDescriptors(uint8_t streamingInterface,
                                   std::span<const ControlDefinition> controls) {
    Bytes body;
    add(body, {18, kClassInterfaceType, 0x02, kCameraTerminalId, 0x01, 0x02, 0, 0});
    add(body, {0, 0, 0, 0, 0, 0, 3});  // no focal lengths given; bControlSize 3
    add(body, controlBitmap(controls, kCameraTerminalId, 3));
    add(body, extensionUnit(kOsdUnitId, kOsdUnitGuid, kCameraTerminalId,
                            controlBitmap(controls, kOsdUnitId, 1)[0]));
    add(body, extensionUnit(kPresetUnitId, kPresetUnitGuid, kOsdUnitId,
                            controlBitmap(controls, kPresetUnitId, 1)[0]));
    add(body, {9, kClassInterfaceType, 0x03, kOutputTerminalId, 0x01, 0x01, 0, kPresetUnitId, 0});

    Bytes header = {13, kClassInterfaceType, 0x01, 0x50, 0x01};  // bcdUVC 1.50
    add16(header, 13 + static_cast<uint32_t>(body.size()));
    add32(header, 48000000);  // dwClockFrequency
    add(header, {1, streamingInterface});
    add(header, body);
    return header;
}

Bytes videoControlInterface(uint8_t number, uint8_t streamingInterface,
                            std::span<const ControlDefinition> controls) {
    Bytes out;
    add(out, {8, kInterfaceAssociationType, number, 2, kVideoClass, kVideoInterfaceCollection, 0,
              kProductStringIndex});
    add(out,
        {9, kInterfaceType, number, 0, 1, kVideoClass, kVideoControlSubclass, kUvc15Protocol, 0});
    add(out, videoControlClassDescriptors(streamingInterface, controls));
    // The status interrupt endpoint and its class-specific companion.
    add(out, {7, kEndpointType, kVideoControlEndpoint, 0x03, 16, 0, 8});
    add(out, {5, kClassEndpointType, 0x03, 16, 0});
    return out;
}

Bytes videoStreamingInterface(uint8_t number) {
    Bytes formats;
    // One MJPEG format with one frame size, and its colour matching.
    add(formats, {11, kClassInterfaceType, 0x06, 1, 1, 0x01, 1, 0, 0, 0, 0});
    add(formats, {30, kClassInterfaceType, 0x07, 1, 0});
    add16(formats, kFrameWidth);
    add16(formats, kFrameHeight);
    const uint32_t bitsPerFrame = uint32_t{kFrameWidth} * kFrameHeight * 16;
    add32(formats, bitsPerFrame);       // dwMinBitRate
    add32(formats, bitsPerFrame * 30);  // dwMaxBitRate
    add32(formats, bitsPerFrame / 8);   // dwMaxVideoFrameBufferSize
    add32(formats, kFrameInterval);
    add(formats, {1});
    add32(formats, kFrameInterval);
    add(formats, {6, kClassInterfaceType, 0x0D, 1, 1, 4});

    Bytes out;
    add(out,
        {9, kInterfaceType, number, 0, 0, kVideoClass, kVideoStreamingSubclass, kUvc15Protocol, 0});
    add(out, {14, kClassInterfaceType, 0x01, 1});
    add16(out, 14 + static_cast<uint32_t>(formats.size()));
    add(out, {kVideoStreamingEndpoint, 0, kOutputTerminalId, 0, 0, 0, 1, 0});
    add(out, formats);
    // Alternate setting 1 streams through an isochronous endpoint of 1024 bytes.
    add(out,
        {9, kInterfaceType, number, 1, 1, kVideoClass, kVideoStreamingSubclass, kUvc15Protocol, 0});
    add(out, {7, kEndpointType, kVideoStreamingEndpoint, 0x05, 0x00, 0x04, 1});
    return out;
}

Bytes hidInterface(uint8_t number) {
    Bytes out;
    add(out, {9, kInterfaceType, number, 0, 1, kHidClass, 0, 0, 0});
    add(out, {9, kHidType, 0x11, 0x01, 0, 1, kHidReportType});
    add16(out, kHidReportLength);
    add(out, {7, kEndpointType, kHidEndpoint, 0x03, 8, 0, 8});
    return out;
}

}  // namespace

std::vector<uint8_t> deviceDescriptorOf(const CameraSpec& spec) {
    // Class 0xEF/0x02/0x01: a composite device described by interface associations.
    Bytes out = {18, kDeviceType, 0x00, 0x02, 0xEF, 0x02, 0x01, 64};
    add16(out, spec.vendorId);
    add16(out, spec.productId);
    add(out, {0x00, 0x01, kManufacturerStringIndex, kProductStringIndex, 0, 1});
    return out;
}

std::vector<uint8_t> configurationDescriptorOf(const CameraSpec& spec,
                                               std::span<const ControlDefinition> controls) {
    const uint8_t videoControl = spec.videoControlInterface;
    const auto streaming = static_cast<uint8_t>(videoControl + 1);
    Bytes interfaces;
    if (videoControl != 0) {
        add(interfaces, hidInterface(0));
    }
    add(interfaces, videoControlInterface(videoControl, streaming, controls));
    add(interfaces, videoStreamingInterface(streaming));
    if (videoControl == 0) {
        add(interfaces, hidInterface(2));
    }

    Bytes out = {9, kConfigurationType};
    add16(out, 9 + static_cast<uint32_t>(interfaces.size()));
    // Three interfaces, configuration 1, bus-powered, 500 mA.
    add(out, {3, 1, 0, 0x80, 250});
    add(out, interfaces);
    return out;
}

}  // namespace ptz::sim
