// The HidManager on libudev: a monitor on the hidraw subsystem and an enumeration of the
// nodes present when it opens.
//
// Ownership: owns one UdevHidDevice per hidraw node (keyed by syspath); the same object is
// reported at arrival and at removal, and destroyed right after its removal callback returns.
// Destroying the manager destroys the remaining devices without reporting them.
// Threading: create, open and destroy on the GUI thread after QCoreApplication exists; the
// monitor's socket is watched by a QSocketNotifier, so callbacks run there too. Callbacks must
// not spin a nested event loop.
// Failures: open() returns a UsbStatus made from errno when libudev cannot be set up.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QObject>

#include "platform/hid/hid_device.h"
#include "platform/udev/udev_device_monitor.h"

namespace ptz {

class UdevHidDevice;

class UdevHidManager final : public HidManager {
  public:
    UdevHidManager();
    ~UdevHidManager() override;
    UdevHidManager(const UdevHidManager&) = delete;
    UdevHidManager& operator=(const UdevHidManager&) = delete;

    void setCallbacks(DeviceCallback matching, DeviceCallback removal) override;
    int32_t open() override;

  private:
    void devicePresent(udev_device* device);
    void deliverPresentDevices();
    void deviceAdded(udev_device* device);
    void deviceRemoved(const char* syspath);

    UdevDeviceMonitor monitor_;
    // Receiver of the queued first delivery; going with the manager, it cancels it.
    QObject deliveryContext_;
    std::map<std::string, std::unique_ptr<UdevHidDevice>> devices_;
    std::vector<UdevHidDevice*> presentAtOpen_;  // not reported yet, in enumeration order
    DeviceCallback matching_;
    DeviceCallback removal_;
};

}  // namespace ptz
