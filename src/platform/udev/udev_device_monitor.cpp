#include "platform/udev/udev_device_monitor.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

namespace ptz {

UdevDeviceMonitor::UdevDeviceMonitor(std::string subsystem, Callbacks callbacks)
    : subsystem_(std::move(subsystem)), callbacks_(std::move(callbacks)) {}

UdevDeviceMonitor::~UdevDeviceMonitor() {
    notifier_.reset();
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

int UdevDeviceMonitor::start() {
    if (monitor_ != nullptr) {
        return 0;
    }
    const int listening = listen();
    if (listening == 0) {
        enumerate();
    }
    return listening;
}

int UdevDeviceMonitor::listen() {
    errno = 0;
    if (udev_ == nullptr) {
        udev_ = udev_new();
    }
    if (udev_ == nullptr) {
        return -(errno != 0 ? errno : ENOMEM);
    }
    errno = 0;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    // libudev's int results are negative errno values.
    int result = monitor_ != nullptr ? 0 : -(errno != 0 ? errno : ENODEV);
    if (result >= 0) {
        result =
            udev_monitor_filter_add_match_subsystem_devtype(monitor_, subsystem_.c_str(), nullptr);
    }
    if (result >= 0) {
        result = udev_monitor_enable_receiving(monitor_);
    }
    if (result < 0) {
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
        return result;
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readMonitor(); });
    return 0;
}

void UdevDeviceMonitor::enumerate() {
    if (!callbacks_.present) {
        return;
    }
    udev_enumerate* enumerate = udev_enumerate_new(udev_);
    if (enumerate == nullptr) {
        return;
    }
    if (udev_enumerate_add_match_subsystem(enumerate, subsystem_.c_str()) >= 0 &&
        udev_enumerate_scan_devices(enumerate) >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate)) {
            // A device gone since the scan is as if it had never been listed.
            if (udev_device* device =
                    udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry))) {
                callbacks_.present(device);
                udev_device_unref(device);
            }
        }
    }
    udev_enumerate_unref(enumerate);
}

void UdevDeviceMonitor::readMonitor() {
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        if (action != nullptr && strcmp(action, "add") == 0 && callbacks_.added) {
            callbacks_.added(device);
        } else if (action != nullptr && strcmp(action, "remove") == 0 && callbacks_.removed) {
            const char* syspath = udev_device_get_syspath(device);
            if (syspath != nullptr) {
                callbacks_.removed(syspath);
            }
        }
        udev_device_unref(device);
    }
}

}  // namespace ptz
