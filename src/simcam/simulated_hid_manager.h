// The machine's HID devices with the simulated camera's HID device added. It arrives as a real
// camera does: through the matching callback, from the event loop, after open() has returned
// (and after the machine's devices present at open()). It is never removed.
//
// Borrows the machine's manager, which must outlive this one. Owns the simulated device, which
// stays valid as long as this manager. GUI thread only, like every HidManager.
#pragma once

#include <functional>
#include <memory>

#include "platform/hid/hid_device.h"
#include "simcam/simulated_camera.h"

namespace ptz::sim {

class SimulatedHidManager final : public HidManager {
  public:
    // Runs a task from the event loop once the caller has returned.
    using Post = std::function<void(std::function<void()> task)>;

    // The device's ids and name are those of `spec`; its location id is the simulated
    // camera's (simulated_usb_registry.h).
    SimulatedHidManager(HidManager& machine, const CameraSpec& spec, Post post);
    ~SimulatedHidManager() override;

    void setCallbacks(DeviceCallback matching, DeviceCallback removal) override;
    // Opens the machine's manager and returns its result; the simulated device arrives either
    // way.
    int32_t open() override;

  private:
    HidManager& machine_;
    std::unique_ptr<HidDevice> device_;
    Post post_;
    DeviceCallback matching_;
};

}  // namespace ptz::sim
