#include "platform/input/udev_gamepad_monitor.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cstring>

#include "platform/log.h"
#include "platform/usb/usb_status_mapping.h"

namespace ptz {
namespace {

// udev marks a joystick's input device and each of its nodes; only the event node speaks evdev.
bool isJoystickEventNode(udev_device* device) {
    const char* joystick = udev_device_get_property_value(device, "ID_INPUT_JOYSTICK");
    const char* sysname = udev_device_get_sysname(device);
    return joystick != nullptr && strcmp(joystick, "1") == 0 && sysname != nullptr &&
           strncmp(sysname, "event", 5) == 0 && udev_device_get_devnode(device) != nullptr;
}

}  // namespace

UdevGamepadMonitor::UdevGamepadMonitor()
    : monitor_("input", {[this](udev_device* device) { nodeAdded(device); },
                         [this](udev_device* device) { nodeAdded(device); },
                         [this](const char* syspath) { padGone(syspath); }}) {}

UdevGamepadMonitor::~UdevGamepadMonitor() = default;

int32_t UdevGamepadMonitor::open() {
    const int result = monitor_.start();
    return result < 0 ? static_cast<int32_t>(statusFromErrno(-result)) : 0;
}

void UdevGamepadMonitor::nodeAdded(udev_device* device) {
    if (!isJoystickEventNode(device)) {
        return;
    }
    const std::string syspath = udev_device_get_syspath(device);
    if (pads_.count(syspath) != 0) {
        return;  // already open from the enumeration
    }
    const std::string devnode = udev_device_get_devnode(device);
    int error = 0;
    std::unique_ptr<EvdevGamepad> pad = EvdevGamepad::open(devnode, nextId_, error);
    if (!pad) {
        logLine("Gamepad %s cannot be opened: %s", devnode.c_str(), strerror(-error));
        return;
    }
    ++nextId_;
    logLine("Gamepad %s connected: %s", devnode.c_str(), pad->name().c_str());
    auto notifier = std::make_unique<QSocketNotifier>(pad->fd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated,
                     [this, syspath] { readPad(syspath); });
    pads_.emplace(syspath, Pad{std::move(pad), std::move(notifier)});
}

void UdevGamepadMonitor::readPad(std::string syspath) {
    const auto found = pads_.find(syspath);
    if (found != pads_.end() && !found->second.device->readEvents(listener_)) {
        // Unplugged before its uevent was read, or broken: either way it says nothing more.
        padGone(syspath);
    }
}

void UdevGamepadMonitor::padGone(const std::string& syspath) {
    const auto found = pads_.find(syspath);
    if (found == pads_.end()) {
        return;
    }
    const GamepadId id = found->second.device->id();
    logLine("Gamepad %s gone", found->second.device->name().c_str());
    // Qt allows a notifier to be destroyed from its own signal, as readPad may do here.
    pads_.erase(found);
    if (listener_ != nullptr) {
        listener_->padGone(id);
    }
}

}  // namespace ptz
