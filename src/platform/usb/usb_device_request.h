// One class-specific control request on the default pipe, as the camera control fills it.
#pragma once

#include <array>
#include <cstdint>

namespace ptz {

struct UsbDeviceRequest {
    uint8_t bmRequestType = 0;
    uint8_t bRequest = 0;
    uint16_t wValue = 0;
    uint16_t wIndex = 0;
    uint16_t wLength = 0;
    // wLength bytes: sent for a host-to-device request, written for a device-to-host one.
    // Borrowed from the caller for the duration of the request.
    uint8_t* pData = nullptr;
    // Bytes actually transferred, written by the transport.
    uint32_t wLenDone = 0;

    bool isDeviceToHost() const { return (bmRequestType & 0x80) != 0; }

    // The 8-byte setup packet in bus order, 16-bit fields little-endian.
    std::array<uint8_t, 8> setupPacket() const {
        return {bmRequestType,
                bRequest,
                static_cast<uint8_t>(wValue & 0xFF),
                static_cast<uint8_t>(wValue >> 8),
                static_cast<uint8_t>(wIndex & 0xFF),
                static_cast<uint8_t>(wIndex >> 8),
                static_cast<uint8_t>(wLength & 0xFF),
                static_cast<uint8_t>(wLength >> 8)};
    }
};

}  // namespace ptz
