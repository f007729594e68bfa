// In-memory HID devices and manager: the test plugs and unplugs, the manager reports it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/hid/hid_device.h"

namespace ptz::testing {

class FakeHidDevice final : public HidDevice {
  public:
    FakeHidDevice(int32_t vendorId, int32_t productId, std::string name, int32_t openResult = 0)
        : vendorId_(vendorId),
          productId_(productId),
          name_(std::move(name)),
          openResult_(openResult) {}

    int32_t vendorId() const override { return vendorId_; }
    int32_t productId() const override { return productId_; }
    std::string productName() const override { return name_; }
    uint32_t locationId() const override { return locationId_; }
    void setLocationId(uint32_t locationId) { locationId_ = locationId; }
    bool hasVideoControl() const override { return hasVideoControl_; }
    void setVideoControl(bool present) { hasVideoControl_ = present; }
    int32_t open() override;
    int32_t close() override;

    bool isOpen() const { return open_; }
    int openCalls = 0;  // including failed ones
    int successfulOpens = 0;
    int closeCalls = 0;
    int misuses = 0;  // open while open, close while closed

  private:
    int32_t vendorId_;
    int32_t productId_;
    std::string name_;
    int32_t openResult_;
    uint32_t locationId_ = 0;
    bool hasVideoControl_ = true;
    bool open_ = false;
};

class FakeHidManager final : public HidManager {
  public:
    explicit FakeHidManager(int32_t openResult = 0) : openResult_(openResult) {}

    void setCallbacks(DeviceCallback matching, DeviceCallback removal) override;
    int32_t open() override;

    // What the manager was asked, in order: "setCallbacks", "open".
    std::vector<std::string> calls;

    void plug(FakeHidDevice& device);
    void unplug(FakeHidDevice& device);

  private:
    int32_t openResult_;
    DeviceCallback matching_;
    DeviceCallback removal_;
};

}  // namespace ptz::testing
