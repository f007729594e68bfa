#include "platform/hid/hid_manager_factory.h"

#if defined(__linux__)
#include "platform/hid/udev_hid_manager.h"
#endif

#include "platform/usb/usb_status.h"

namespace ptz {
namespace {

#if !defined(__linux__)
// Stands in where no backend exists: it never opens and never reports a device.
class UnavailableHidManager final : public HidManager {
  public:
    void setCallbacks(DeviceCallback, DeviceCallback) override {}
    int32_t open() override { return static_cast<int32_t>(usb_status::kUnsupported); }
};
#endif

}  // namespace

std::unique_ptr<HidManager> createHidManager() {
#if defined(__linux__)
    return std::make_unique<UdevHidManager>();
#else
    return std::make_unique<UnavailableHidManager>();
#endif
}

}  // namespace ptz
