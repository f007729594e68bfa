#include "recording_usb_interface.h"

#include <array>
#include <cstdio>
#include <cstring>

namespace ptz {

std::string requestLine(const UsbDeviceRequest& request) {
    const std::array<uint8_t, 8> setup = request.setupPacket();
    std::string line;
    char hex[4];
    for (const uint8_t byte : setup) {
        std::snprintf(hex, sizeof hex, "%02x ", byte);
        line += hex;
    }
    line += "|";
    if (!request.isDeviceToHost() && request.pData != nullptr) {
        for (uint16_t i = 0; i < request.wLength; ++i) {
            std::snprintf(hex, sizeof hex, " %02x", request.pData[i]);
            line += hex;
        }
    }
    return line;
}

UsbStatus RecordingUsbInterface::controlRequest(UsbDeviceRequest& request) {
    out_ << requestLine(request) << '\n';
    if (request.isDeviceToHost() && request.pData != nullptr) {
        std::memset(request.pData, 0, request.wLength);
    }
    request.wLenDone = request.wLength;
    return usb_status::kSuccess;
}

}  // namespace ptz
