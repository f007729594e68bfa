// The GamepadMonitor on libudev and libevdev: a udev monitor on the input subsystem finds the
// joysticks' event nodes (udev's ID_INPUT_JOYSTICK) as they come and go, each node is read
// through libevdev, and each descriptor is watched by a QSocketNotifier, so that nothing runs
// until a pad has something to say.
//
// Contract as GamepadMonitor. A pad is gone at its "remove" uevent or when reading it fails
// (the kernel answers ENODEV once it is unplugged), whichever comes first; it is reported once.
// Pads are not grabbed: other programs see their events too.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/input/evdev_gamepad.h"
#include "platform/input/gamepad_monitor.h"
#include "platform/udev/udev_device_monitor.h"

class QSocketNotifier;

namespace ptz {

class UdevGamepadMonitor final : public GamepadMonitor {
  public:
    UdevGamepadMonitor();
    ~UdevGamepadMonitor() override;
    UdevGamepadMonitor(const UdevGamepadMonitor&) = delete;
    UdevGamepadMonitor& operator=(const UdevGamepadMonitor&) = delete;

    void setListener(GamepadListener* listener) override { listener_ = listener; }
    int32_t open() override;

  private:
    struct Pad {
        std::unique_ptr<EvdevGamepad> device;
        std::unique_ptr<QSocketNotifier> notifier;  // declared last: goes before the descriptor
    };

    void nodeAdded(udev_device* device);
    // By value: the notifier whose signal passes it may be destroyed on the way.
    void readPad(std::string syspath);
    void padGone(const std::string& syspath);

    UdevDeviceMonitor monitor_;
    std::map<std::string, Pad> pads_;  // by the event node's syspath
    GamepadId nextId_ = 1;
    GamepadListener* listener_ = nullptr;
};

}  // namespace ptz
