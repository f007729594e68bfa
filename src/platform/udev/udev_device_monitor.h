// The devices of one udev subsystem: those present when watching starts, then every arrival and
// removal as it happens. The one libudev monitor that the HID and gamepad watchers share.
//
// Ownership: a udev_device handed to a callback is borrowed for that call only.
// Threading: create, start and destroy on the GUI thread after QCoreApplication exists. The
// present devices are reported from within start(); later arrivals and removals come from the
// event loop, the monitor's socket being watched by a QSocketNotifier. A callback must not
// destroy the monitor.
// Failures: start() returns 0 or a negative errno value: when the monitor cannot be set up
// nothing is reported; when only the enumeration fails, later events still are. A device seen
// by the enumeration may be announced again by its "add" event: callers keep their devices by
// syspath.
#pragma once

#include <functional>
#include <memory>
#include <string>

struct udev;
struct udev_monitor;
struct udev_device;
class QSocketNotifier;

namespace ptz {

class UdevDeviceMonitor {
  public:
    struct Callbacks {
        std::function<void(udev_device* device)> present;  // found by start()'s enumeration
        std::function<void(udev_device* device)> added;    // "add" uevents
        std::function<void(const char* syspath)> removed;  // "remove" uevents
    };

    UdevDeviceMonitor(std::string subsystem, Callbacks callbacks);
    ~UdevDeviceMonitor();
    UdevDeviceMonitor(const UdevDeviceMonitor&) = delete;
    UdevDeviceMonitor& operator=(const UdevDeviceMonitor&) = delete;

    // Listens first, then enumerates, so that nothing plugged in between is missed. Starting
    // again once started does nothing and returns 0.
    int start();
    bool started() const { return monitor_ != nullptr; }

  private:
    int listen();
    void enumerate();
    void readMonitor();

    std::string subsystem_;
    Callbacks callbacks_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace ptz
