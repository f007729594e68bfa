#include "simcam/simulated_usb_registry.h"

#include "simcam/simulated_camera_interface.h"

namespace ptz::sim {
namespace {

class SimulatedInterfaceService final : public UsbInterfaceService {
  public:
    explicit SimulatedInterfaceService(SimulatedCamera& camera) : camera_(camera) {}

    UsbStatus createPlugIn() override { return usb_status::kSuccess; }
    UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) override {
        handle = std::make_unique<SimulatedCameraInterface>(camera_);
        return usb_status::kSuccess;
    }

  private:
    SimulatedCamera& camera_;
};

// The camera has one VideoControl interface.
class SimulatedDevice final : public UsbDevice {
  public:
    explicit SimulatedDevice(SimulatedCamera& camera) : camera_(camera) {}

    uint32_t locationId() override { return kSimulatedCameraLocationId; }
    UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) override {
        interfaces.push_back(std::make_unique<SimulatedInterfaceService>(camera_));
        return usb_status::kSuccess;
    }

  private:
    SimulatedCamera& camera_;
};

class SimulatedDeviceService final : public UsbDeviceService {
  public:
    explicit SimulatedDeviceService(SimulatedCamera& camera) : camera_(camera) {}

    UsbStatus createPlugIn() override { return usb_status::kSuccess; }
    int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) override {
        device = std::make_unique<SimulatedDevice>(camera_);
        return 0;
    }

  private:
    SimulatedCamera& camera_;
};

}  // namespace

std::vector<std::unique_ptr<UsbDeviceService>> SimulatedUsbRegistry::allDevices() {
    std::vector<std::unique_ptr<UsbDeviceService>> devices = machine_.allDevices();
    devices.push_back(std::make_unique<SimulatedDeviceService>(camera_));
    return devices;
}

std::unique_ptr<UsbDeviceService> SimulatedUsbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                            uint32_t productId) {
    if (std::unique_ptr<UsbDeviceService> real =
            machine_.firstDeviceMatching(vendorId, productId)) {
        return real;
    }
    const CameraSpec& spec = camera_.spec();
    if (vendorId == spec.vendorId && productId == spec.productId) {
        return std::make_unique<SimulatedDeviceService>(camera_);
    }
    return nullptr;
}

std::unique_ptr<UsbDeviceService> SimulatedUsbRegistry::deviceAt(uint32_t locationId) {
    if (std::unique_ptr<UsbDeviceService> real = machine_.deviceAt(locationId)) {
        return real;
    }
    return locationId == kSimulatedCameraLocationId
               ? std::make_unique<SimulatedDeviceService>(camera_)
               : nullptr;
}

}  // namespace ptz::sim
