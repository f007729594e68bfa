// The machine's USB devices with the simulated camera after them, so that binding finds it the
// way it finds a real camera: by its ids (a real camera of the same model comes first) or by
// its location id.
//
// Borrows the machine's registry and the camera; both must outlive the registry and every
// handle it gave out. Single threaded, like every UsbRegistry.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/usb/usb_interface.h"
#include "simcam/simulated_camera.h"

namespace ptz::sim {

// Bus 0, port 1. Linux numbers its USB buses from 1 (and below 64), so no device on a real bus
// has a location id whose bus byte is 0; a location id of 0 itself means "not on USB".
inline constexpr uint32_t kSimulatedCameraLocationId = 0x00100000;

class SimulatedUsbRegistry final : public UsbRegistry {
  public:
    SimulatedUsbRegistry(UsbRegistry& machine, SimulatedCamera& camera)
        : machine_(machine), camera_(camera) {}

    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override;
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                          uint32_t productId) override;
    std::unique_ptr<UsbDeviceService> deviceAt(uint32_t locationId) override;

  private:
    UsbRegistry& machine_;
    SimulatedCamera& camera_;
};

}  // namespace ptz::sim
