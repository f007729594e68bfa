// The USB layer in memory over the simulated camera, which records the bytes and answers. What
// it cannot produce is scripted: binding steps and opens that fail (a device busy or gone), and
// replies lost on the way back (a time-out).
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "camera/uvc_camera_control.h"
#include "platform/usb/usb_interface.h"
#include "simcam/simulated_camera.h"

namespace ptz::testing {

// What the camera control did, in order: "device-plugin <loc>", "interface-plugin <loc>/<n>",
// "open", "request", "close", "release"; and the failures it is to meet.
struct ScriptedUsb {
    std::vector<std::string> calls;
    // Consumed front first; an empty queue means success. A request reaches the camera
    // whatever its scripted result.
    std::deque<UsbStatus> openResults;
    std::deque<UsbStatus> requestResults;
};

// A handle to the camera, with the script's failures in front of it.
std::unique_ptr<UsbInterface> scriptedInterface(ScriptedUsb& script, sim::SimulatedCamera& camera);

// A device for the fake registry, failing where the machine's registry can: a device gone
// before it is reached, or whose interfaces cannot be read.
struct FakeDeviceSpec {
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    uint32_t locationId = 0;
    int videoControlInterfaces = 1;
    UsbStatus devicePlugInStatus = usb_status::kSuccess;
    UsbStatus iteratorStatus = usb_status::kSuccess;
};

// Devices whose handles all reach the one camera.
class FakeUsbRegistry final : public UsbRegistry {
  public:
    FakeUsbRegistry(ScriptedUsb& script, sim::SimulatedCamera& camera)
        : script_(script), camera_(camera) {}

    void add(const FakeDeviceSpec& device) { devices_.push_back(device); }

    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override;
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                          uint32_t productId) override;
    std::unique_ptr<UsbDeviceService> deviceAt(uint32_t locationId) override;

  private:
    std::unique_ptr<UsbDeviceService> serviceOf(const FakeDeviceSpec& device);

    ScriptedUsb& script_;
    sim::SimulatedCamera& camera_;
    std::vector<FakeDeviceSpec> devices_;
};

// A simulated camera on a clock the test moves, behind the scripted USB layer.
struct SimulatedUsb {
    explicit SimulatedUsb(sim::CameraSpec spec = {}) : camera(clock, std::move(spec)) {}

    // A camera control bound to the camera's handle.
    std::shared_ptr<UVCCameraControl> bind() {
        return UVCCameraControl::initWithInterface(scriptedInterface(script, camera));
    }
    // The requests that reached the camera since the last call, as
    // "21 01 00 01 00 13 02 00 | 00 00".
    std::vector<std::string> sent();

    sim::ManualClock clock;
    sim::SimulatedCamera camera;
    ScriptedUsb script;
    FakeUsbRegistry registry{script, camera};
};

}  // namespace ptz::testing
