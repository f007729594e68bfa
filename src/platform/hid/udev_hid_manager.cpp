#include "platform/hid/udev_hid_manager.h"

#include <libudev.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "platform/hid/udev_hid_device.h"
#include "platform/hid/udev_hid_devices.h"
#include "platform/udev_devices.h"
#include "platform/usb/usb_status_mapping.h"

namespace ptz {

UdevHidManager::UdevHidManager() = default;

UdevHidManager::~UdevHidManager() {
    notifier_.reset();
    devices_.clear();
    if (monitor_ != nullptr) {
        udev_monitor_unref(monitor_);
    }
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

void UdevHidManager::setCallbacks(DeviceCallback matching, DeviceCallback removal) {
    matching_ = std::move(matching);
    removal_ = std::move(removal);
}

int32_t UdevHidManager::open() {
    if (monitor_ != nullptr) {
        return 0;
    }
    errno = 0;
    if (udev_ == nullptr) {
        udev_ = udev_new();
    }
    if (udev_ == nullptr) {
        return static_cast<int32_t>(statusFromErrno(errno != 0 ? errno : ENOMEM));
    }
    // The monitor listens before the enumeration looks, so that nothing plugged in between is
    // missed; a node seen by both is reported once.
    errno = 0;
    monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
    // libudev's int results are negative errno values.
    int result = monitor_ != nullptr ? 0 : -(errno != 0 ? errno : ENODEV);
    if (result >= 0) {
        result = udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
    }
    if (result >= 0) {
        result = udev_monitor_enable_receiving(monitor_);
    }
    if (result < 0) {
        if (monitor_ != nullptr) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
        }
        return static_cast<int32_t>(statusFromErrno(-result));
    }
    notifier_ =
        std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, &deliveryContext_,
                     [this] { readMonitor(); });

    forEachUdevDevice("hidraw", nullptr, [this](udev_device* device) {
        auto hid = std::make_unique<UdevHidDevice>(readHidDeviceInfo(device));
        UdevHidDevice* present = hid.get();
        if (devices_.try_emplace(present->node().syspath, std::move(hid)).second) {
            presentAtOpen_.push_back(present);
        }
    });
    // Reported from the event loop, once the caller's set-up has finished.
    QMetaObject::invokeMethod(
        &deliveryContext_, [this] { deliverPresentDevices(); }, Qt::QueuedConnection);
    return 0;
}

void UdevHidManager::deliverPresentDevices() {
    std::vector<UdevHidDevice*> present;
    present.swap(presentAtOpen_);
    for (UdevHidDevice* device : present) {
        if (matching_) {
            matching_(device);
        }
    }
}

void UdevHidManager::readMonitor() {
    // Events that follow the enumeration must not overtake its report.
    deliverPresentDevices();
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
        const char* action = udev_device_get_action(device);
        if (action != nullptr && strcmp(action, "add") == 0) {
            deviceAdded(device);
        } else if (action != nullptr && strcmp(action, "remove") == 0) {
            deviceRemoved(udev_device_get_syspath(device));
        }
        udev_device_unref(device);
    }
}

void UdevHidManager::deviceAdded(udev_device* device) {
    HidDeviceInfo node = readHidDeviceInfo(device);
    if (node.syspath.empty() || devices_.count(node.syspath) != 0) {
        return;  // already known from the enumeration
    }
    auto hid = std::make_unique<UdevHidDevice>(std::move(node));
    UdevHidDevice* reported = hid.get();
    devices_.emplace(reported->node().syspath, std::move(hid));
    if (matching_) {
        matching_(reported);
    }
}

void UdevHidManager::deviceRemoved(const char* syspath) {
    if (syspath == nullptr) {
        return;
    }
    auto found = devices_.find(syspath);
    if (found == devices_.end()) {
        return;
    }
    std::unique_ptr<UdevHidDevice> device = std::move(found->second);
    devices_.erase(found);
    if (removal_) {
        removal_(device.get());
    }
}

}  // namespace ptz
