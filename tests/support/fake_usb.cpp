#include "fake_usb.h"

namespace ptz::testing {
namespace {

UsbStatus takeFront(std::deque<UsbStatus>& queue) {
    if (queue.empty()) {
        return usb_status::kSuccess;
    }
    const UsbStatus front = queue.front();
    queue.pop_front();
    return front;
}

class FakeInterfaceService final : public UsbInterfaceService {
  public:
    FakeInterfaceService(ScriptedUsb& script, sim::SimulatedCamera& camera,
                         const FakeDeviceSpec& spec, int index)
        : script_(script), camera_(camera), spec_(spec), index_(index) {}

    UsbStatus createPlugIn() override {
        script_.calls.push_back("interface-plugin " + std::to_string(spec_.locationId) + "/" +
                                std::to_string(index_));
        return spec_.interfacePlugInStatus;
    }
    UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) override {
        if (spec_.interfaceQueryStatus == usb_status::kSuccess) {
            handle = std::make_unique<ScriptedInterface>(script_, camera_);
        }
        return spec_.interfaceQueryStatus;
    }

  private:
    ScriptedUsb& script_;
    sim::SimulatedCamera& camera_;
    FakeDeviceSpec spec_;
    int index_;
};

class FakeDevice final : public UsbDevice {
  public:
    FakeDevice(ScriptedUsb& script, sim::SimulatedCamera& camera, const FakeDeviceSpec& spec)
        : script_(script), camera_(camera), spec_(spec) {}

    uint32_t locationId() override { return spec_.locationId; }
    UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) override {
        if (spec_.iteratorStatus != usb_status::kSuccess) {
            return spec_.iteratorStatus;
        }
        for (int i = 0; i < spec_.videoControlInterfaces; ++i) {
            interfaces.push_back(
                std::make_unique<FakeInterfaceService>(script_, camera_, spec_, i));
        }
        return usb_status::kSuccess;
    }

  private:
    ScriptedUsb& script_;
    sim::SimulatedCamera& camera_;
    FakeDeviceSpec spec_;
};

class FakeDeviceService final : public UsbDeviceService {
  public:
    FakeDeviceService(ScriptedUsb& script, sim::SimulatedCamera& camera, const FakeDeviceSpec& spec)
        : script_(script), camera_(camera), spec_(spec) {}

    UsbStatus createPlugIn() override {
        script_.calls.push_back("device-plugin " + std::to_string(spec_.locationId));
        return spec_.devicePlugInStatus;
    }
    int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) override {
        if (spec_.deviceQueryResult == 0) {
            device = std::make_unique<FakeDevice>(script_, camera_, spec_);
        }
        return spec_.deviceQueryResult;
    }

  private:
    ScriptedUsb& script_;
    sim::SimulatedCamera& camera_;
    FakeDeviceSpec spec_;
};

}  // namespace

ScriptedInterface::~ScriptedInterface() {
    script_.calls.emplace_back("release");
}

UsbStatus ScriptedInterface::open() {
    script_.calls.emplace_back("open");
    return takeFront(script_.openResults);
}

UsbStatus ScriptedInterface::controlRequest(UsbDeviceRequest& request) {
    script_.calls.emplace_back("request");
    const UsbStatus reached = camera_.controlRequest(request);
    const UsbStatus scripted = takeFront(script_.requestResults);
    return scripted == usb_status::kSuccess ? reached : scripted;
}

UsbStatus ScriptedInterface::close() {
    script_.calls.emplace_back("close");
    return usb_status::kSuccess;
}

std::vector<std::unique_ptr<UsbDeviceService>> FakeUsbRegistry::allDevices() {
    std::vector<std::unique_ptr<UsbDeviceService>> services;
    for (const FakeDeviceSpec& spec : devices_) {
        services.push_back(std::make_unique<FakeDeviceService>(script_, camera_, spec));
    }
    return services;
}

std::unique_ptr<UsbDeviceService> FakeUsbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                       uint32_t productId) {
    for (const FakeDeviceSpec& spec : devices_) {
        if (spec.vendorId == vendorId && spec.productId == productId) {
            return std::make_unique<FakeDeviceService>(script_, camera_, spec);
        }
    }
    return nullptr;
}

std::vector<UsbDeviceIds> FakeUsbRegistry::allDeviceIds() {
    std::vector<UsbDeviceIds> ids;
    for (const FakeDeviceSpec& spec : devices_) {
        ids.push_back({spec.vendorId, spec.productId});
    }
    return ids;
}

std::shared_ptr<UVCCameraControl> SimulatedUsb::bind() {
    return UVCCameraControl::initWithInterface(std::make_unique<ScriptedInterface>(script, camera));
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
