#include "simcam/simulated_hid_manager.h"

#include "simcam/simulated_usb_registry.h"

namespace ptz::sim {
namespace {

class SimulatedHidDevice final : public HidDevice {
  public:
    explicit SimulatedHidDevice(const CameraSpec& spec)
        : vendorId_(spec.vendorId), productId_(spec.productId), productName_(spec.product) {}

    int32_t vendorId() const override { return vendorId_; }
    int32_t productId() const override { return productId_; }
    std::string productName() const override { return productName_; }
    uint32_t locationId() const override { return kSimulatedCameraLocationId; }
    bool hasVideoControl() const override { return true; }
    int32_t open() override { return 0; }
    int32_t close() override { return 0; }

  private:
    int32_t vendorId_;
    int32_t productId_;
    std::string productName_;
};

}  // namespace

SimulatedHidManager::SimulatedHidManager(HidManager& machine, const CameraSpec& spec, Post post)
    : machine_(machine),
      device_(std::make_unique<SimulatedHidDevice>(spec)),
      post_(std::move(post)) {}

SimulatedHidManager::~SimulatedHidManager() = default;

void SimulatedHidManager::setCallbacks(DeviceCallback matching, DeviceCallback removal) {
    matching_ = matching;
    machine_.setCallbacks(std::move(matching), std::move(removal));
}

int32_t SimulatedHidManager::open() {
    const int32_t result = machine_.open();
    post_([this] {
        if (matching_) {
            matching_(device_.get());
        }
    });
    return result;
}

}  // namespace ptz::sim
