// A simulated camera behind the USB layer's interface handle, for the program's simulated
// camera and for in-process tests of everything above the USB layer.
//
// Borrows the camera, which must outlive it. open() and close() always succeed; a request the
// camera stalls fails with usb_status::kPipeStalled, as a stall on the bus does. Single
// threaded, like every UsbInterface.
#pragma once

#include "platform/usb/usb_interface.h"
#include "simcam/simulated_camera.h"

namespace ptz::sim {

class SimulatedCameraInterface final : public UsbInterface {
  public:
    explicit SimulatedCameraInterface(SimulatedCamera& camera) : camera_(camera) {}

    UsbStatus open() override { return usb_status::kSuccess; }
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override { return usb_status::kSuccess; }
    uint8_t interfaceNumber() const override;

  private:
    SimulatedCamera& camera_;
};

}  // namespace ptz::sim
