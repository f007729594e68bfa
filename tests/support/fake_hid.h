// In-memory HID devices and manager: the test plugs and unplugs, the manager reports it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/hid/hid_device.h"

namespace ptz::testing {

struct FakeHidDevice final : HidDevice {
    FakeHidDevice(int32_t vendor, int32_t product, std::string name, uint32_t location = 0)
        : vendor(vendor), product(product), name(std::move(name)), location(location) {}
    int32_t vendorId() const override { return vendor; }
    int32_t productId() const override { return product; }
    std::string productName() const override { return name; }
    uint32_t locationId() const override { return location; }
    bool hasVideoControl() const override { return videoControl; }
    int32_t open() override {
        opened = openResult == 0;
        return openResult;
    }
    int32_t close() override {
        opened = false;
        return 0;
    }

    int32_t vendor, product;
    std::string name;
    uint32_t location;
    bool videoControl = true;
    int32_t openResult = 0;  // what open() answers
    bool opened = false;
};

class FakeHidManager final : public HidManager {
  public:
    explicit FakeHidManager(int32_t openResult = 0) : openResult_(openResult) {}
    void setCallbacks(DeviceCallback matching, DeviceCallback removal) override {
        matching_ = std::move(matching);
        removal_ = std::move(removal);
    }
    int32_t open() override { return openResult_; }
    void plug(HidDevice& device) { matching_(&device); }
    void unplug(HidDevice& device) { removal_(&device); }

  private:
    int32_t openResult_;
    DeviceCallback matching_, removal_;
};

}  // namespace ptz::testing
