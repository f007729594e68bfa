#include "platform/hid/udev_hid_manager.h"

#include <libudev.h>

#include "platform/hid/sysfs_hid_devices.h"
#include "platform/hid/udev_hid_device.h"
#include "platform/usb/usb_status_mapping.h"

namespace ptz {
namespace {

HidDeviceInfo infoOf(udev_device* device) {
    const char* syspath = udev_device_get_syspath(device);
    return readHidDeviceInfo(syspath != nullptr ? syspath : "");
}

}  // namespace

UdevHidManager::UdevHidManager()
    : monitor_("hidraw", {[this](udev_device* device) { devicePresent(device); },
                          // Events that follow the enumeration must not overtake its report.
                          [this](udev_device* device) {
                              deliverPresentDevices();
                              deviceAdded(device);
                          },
                          [this](const char* syspath) {
                              deliverPresentDevices();
                              deviceRemoved(syspath);
                          }}) {}

UdevHidManager::~UdevHidManager() = default;

void UdevHidManager::setCallbacks(DeviceCallback matching, DeviceCallback removal) {
    matching_ = std::move(matching);
    removal_ = std::move(removal);
}

int32_t UdevHidManager::open() {
    if (monitor_.started()) {
        return 0;
    }
    const int result = monitor_.start();
    if (monitor_.started()) {
        // Reported from the event loop, once the caller's set-up has finished.
        QMetaObject::invokeMethod(
            &deliveryContext_, [this] { deliverPresentDevices(); }, Qt::QueuedConnection);
    }
    return result < 0 ? static_cast<int32_t>(statusFromErrno(-result)) : 0;
}

void UdevHidManager::devicePresent(udev_device* device) {
    auto hid = std::make_unique<UdevHidDevice>(infoOf(device));
    UdevHidDevice* present = hid.get();
    if (devices_.try_emplace(present->node().syspath, std::move(hid)).second) {
        presentAtOpen_.push_back(present);
    }
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

void UdevHidManager::deviceAdded(udev_device* device) {
    HidDeviceInfo node = infoOf(device);
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
