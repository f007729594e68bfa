#include "recording_usb_interface.h"

#include <cstring>

#include "simcam/simulated_camera.h"

namespace ptz {

UsbStatus RecordingUsbInterface::controlRequest(UsbDeviceRequest& request) {
    // Written as the simulated camera writes what reaches it, without an answer.
    sim::RecordedRequest sent;
    sent.setup = request.setupPacket();
    if (request.pData != nullptr && request.isDeviceToHost()) {
        std::memset(request.pData, 0, request.wLength);
    } else if (request.pData != nullptr) {
        sent.data.assign(request.pData, request.pData + request.wLength);
    }
    out_ << sim::requestLine(sent) << '\n';
    request.wLenDone = request.wLength;
    return usb_status::kSuccess;
}

}  // namespace ptz
