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
    return listening < 0 ? listening : enumerate();
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

int UdevDeviceMonitor::enumerate() {
    errno = 0;
    udev_enumerate* enumeration = udev_enumerate_new(udev_);
    int result = enumeration != nullptr ? 0 : -(errno != 0 ? errno : ENOMEM);
    if (result >= 0) {
        result = udev_enumerate_add_match_subsystem(enumeration, subsystem_.c_str());
    }
    if (result >= 0) {
        result = udev_enumerate_scan_devices(enumeration);
    }
    if (result >= 0) {
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration)) {
            udev_device* device =
                udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (device == nullptr) {
                continue;  // gone since the scan; its removal will find nothing
            }
            if (callbacks_.present) {
                callbacks_.present(device);
            }
            udev_device_unref(device);
        }
    }
    if (enumeration != nullptr) {
        udev_enumerate_unref(enumeration);
    }
    return result < 0 ? result : 0;
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
