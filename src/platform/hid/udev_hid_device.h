// One hidraw node as a HidDevice. Created and owned by UdevHidManager.
#pragma once

#include "platform/hid/hid_device.h"
#include "platform/hid/hid_device_info.h"

namespace ptz {

class UdevHidDevice final : public HidDevice {
  public:
    explicit UdevHidDevice(HidDeviceInfo node) : node_(std::move(node)) {}
    ~UdevHidDevice() override;  // closes the node if it is still open
    UdevHidDevice(const UdevHidDevice&) = delete;
    UdevHidDevice& operator=(const UdevHidDevice&) = delete;

    int32_t vendorId() const override { return node_.vendorId; }
    int32_t productId() const override { return node_.productId; }
    std::string productName() const override { return node_.productName; }
    uint32_t locationId() const override { return node_.locationId; }
    bool hasVideoControl() const override { return node_.hasVideoControl; }

    // Opens the node read-write; 0 also when it is open already. A node the user may not
    // write to counts as one that cannot be opened. Failures are UsbStatus values made from
    // errno (0xe00002e2 not permitted, 0xe00002c0 no such node, ...).
    int32_t open() override;
    int32_t close() override;

    const HidDeviceInfo& node() const { return node_; }
    bool isOpen() const { return fd_ >= 0; }

  private:
    HidDeviceInfo node_;
    int fd_ = -1;
};

}  // namespace ptz
