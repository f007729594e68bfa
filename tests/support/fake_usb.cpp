#include "fake_usb.h"

#include "simcam/simulated_camera_interface.h"

#include <algorithm>

namespace ptz::testing {
namespace {

UsbStatus takeFront(std::deque<UsbStatus>& queue) {
    UsbStatus front = usb_status::kSuccess;
    if (!queue.empty()) {
        front = queue.front();
        queue.pop_front();
    }
    return front;
}

class ScriptedInterface final : public UsbInterface {
  public:
    ScriptedInterface(ScriptedUsb& script, sim::SimulatedCamera& camera)
        : script_(script), camera_(camera) {}
    ~ScriptedInterface() override { script_.calls.emplace_back("release"); }

    UsbStatus open() override {
        script_.calls.emplace_back("open");
        return takeFront(script_.openResults);
    }
    UsbStatus controlRequest(UsbDeviceRequest& request) override {
        script_.calls.emplace_back("request");
        const UsbStatus reached = camera_.controlRequest(request);
        const UsbStatus scripted = takeFront(script_.requestResults);
        return scripted == usb_status::kSuccess ? reached : scripted;
    }
    UsbStatus close() override {
        script_.calls.emplace_back("close");
        return usb_status::kSuccess;
    }
    uint8_t interfaceNumber() const override { return camera_.interfaceNumber(); }

  private:
    ScriptedUsb& script_;
    sim::SimulatedCameraInterface camera_;
};

struct Listed {
    ScriptedUsb& script;
    sim::SimulatedCamera& camera;
    FakeDeviceSpec spec;
};

class FakeInterfaceService final : public UsbInterfaceService {
  public:
    FakeInterfaceService(Listed device, int index) : device_(device), index_(index) {}

    UsbStatus createPlugIn() override {
        device_.script.calls.push_back("interface-plugin " +
                                       std::to_string(device_.spec.locationId) + "/" +
                                       std::to_string(index_));
        return usb_status::kSuccess;
    }
    UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) override {
        handle = scriptedInterface(device_.script, device_.camera);
        return usb_status::kSuccess;
    }

  private:
    Listed device_;
    int index_;
};

// A listed device's service and, once queried, the device itself.
class FakeDevice final : public UsbDeviceService, public UsbDevice {
  public:
    explicit FakeDevice(Listed device) : device_(device) {}

    UsbStatus createPlugIn() override {
        device_.script.calls.push_back("device-plugin " + std::to_string(device_.spec.locationId));
        return device_.spec.devicePlugInStatus;
    }
    int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) override {
        device = std::make_unique<FakeDevice>(device_);
        return 0;
    }
    uint32_t locationId() override { return device_.spec.locationId; }
    UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) override {
        for (int i = 0; i < device_.spec.videoControlInterfaces &&
                        device_.spec.iteratorStatus == usb_status::kSuccess;
             ++i) {
            interfaces.push_back(std::make_unique<FakeInterfaceService>(device_, i));
        }
        return device_.spec.iteratorStatus;
    }

  private:
    Listed device_;
};

}  // namespace

std::unique_ptr<UsbInterface> scriptedInterface(ScriptedUsb& script, sim::SimulatedCamera& camera) {
    return std::make_unique<ScriptedInterface>(script, camera);
}

std::unique_ptr<UsbDeviceService> FakeUsbRegistry::serviceOf(const FakeDeviceSpec& device) {
    return std::make_unique<FakeDevice>(Listed{script_, camera_, device});
}

std::vector<std::unique_ptr<UsbDeviceService>> FakeUsbRegistry::allDevices() {
    std::vector<std::unique_ptr<UsbDeviceService>> services;
    for (const FakeDeviceSpec& device : devices_) {
        services.push_back(serviceOf(device));
    }
    return services;
}

std::unique_ptr<UsbDeviceService> FakeUsbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                       uint32_t productId) {
    const auto found = std::find_if(devices_.begin(), devices_.end(), [&](const auto& device) {
        return device.vendorId == vendorId && device.productId == productId;
    });
    return found != devices_.end() ? serviceOf(*found) : nullptr;
}

std::unique_ptr<UsbDeviceService> FakeUsbRegistry::deviceAt(uint32_t locationId) {
    const auto found = std::find_if(devices_.begin(), devices_.end(), [&](const auto& device) {
        return device.locationId == locationId;
    });
    return found != devices_.end() ? serviceOf(*found) : nullptr;
}

std::vector<std::string> SimulatedUsb::sent() {
    std::vector<std::string> lines;
    for (const sim::RecordedRequest& request : camera.requests()) {
        lines.push_back(sim::requestLine(request));
    }
    camera.clearRequests();
    return lines;
}

}  // namespace ptz::testing
