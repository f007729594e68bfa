#include "platform/input/gamepad_monitor_factory.h"

#if defined(__linux__)
#include "platform/input/udev_gamepad_monitor.h"
#endif

#include "platform/usb/usb_status.h"

namespace ptz {
namespace {

#if !defined(__linux__)
// Stands in where no backend exists: it never opens and never reports a pad.
class UnavailableGamepadMonitor final : public GamepadMonitor {
  public:
    void setListener(GamepadListener*) override {}
    int32_t open() override { return static_cast<int32_t>(usb_status::kUnsupported); }
};
#endif

}  // namespace

std::unique_ptr<GamepadMonitor> createGamepadMonitor() {
#if defined(__linux__)
    return std::make_unique<UdevGamepadMonitor>();
#else
    return std::make_unique<UnavailableGamepadMonitor>();
#endif
}

}  // namespace ptz
