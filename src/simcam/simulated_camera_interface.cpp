#include "simcam/simulated_camera_interface.h"

#include <array>
#include <span>

namespace ptz::sim {

UsbStatus SimulatedCameraInterface::controlRequest(UsbDeviceRequest& request) {
    const std::array<uint8_t, 8> setup = request.setupPacket();
    const std::span<uint8_t> data =
        request.pData == nullptr ? std::span<uint8_t>{} : std::span{request.pData, request.wLength};
    const ControlReply reply = camera_.controlRequest(setup, data);
    request.wLenDone = static_cast<uint32_t>(reply.length);
    return reply.stalled ? usb_status::kPipeStalled : usb_status::kSuccess;
}

uint8_t SimulatedCameraInterface::interfaceNumber() const {
    return camera_.spec().videoControlInterface;
}

}  // namespace ptz::sim
