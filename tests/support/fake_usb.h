// An in-memory USB layer that records what reaches the "bus" and answers from a script.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/usb/usb_interface.h"

namespace ptz::testing {

// One control transfer as it would appear on the bus.
struct RecordedTransfer {
    std::vector<uint8_t> setup;  // the 8 setup bytes in bus order
    std::vector<uint8_t> data;   // the data stage: sent bytes for SET, answered bytes for GET
};

// What happened to the fake interfaces, in order: "open", "request", "close", "release".
struct FakeBus {
    std::vector<std::string> calls;
    std::vector<RecordedTransfer> transfers;

    // Scripted results, consumed front first; an empty queue means success.
    std::deque<UsbStatus> openResults;
    std::deque<UsbStatus> requestResults;
    // Bytes a GET answers with, consumed front first; an empty queue answers nothing.
    std::deque<std::vector<uint8_t>> getAnswers;

    // Setup+data of every transfer as "21 01 00 01 00 13 02 00 | 00 00".
    std::vector<std::string> transferLines() const;
    void clear();
};

// Hex of bytes separated by spaces, lower case.
std::string hexBytes(const std::vector<uint8_t>& bytes);

class FakeUsbInterface final : public UsbInterface {
  public:
    explicit FakeUsbInterface(FakeBus& bus) : bus_(bus) {}
    ~FakeUsbInterface() override;

    UsbStatus open() override;
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override;
    uint8_t interfaceNumber() const override { return 0; }

  private:
    FakeBus& bus_;
};

// A device for the fake registry, with scripted failures at each binding step.
struct FakeDeviceSpec {
    uint32_t vendorId = 0;
    uint32_t productId = 0;
    uint32_t locationId = 0;
    int videoControlInterfaces = 1;
    UsbStatus devicePlugInStatus = usb_status::kSuccess;
    int32_t deviceQueryResult = 0;
    UsbStatus iteratorStatus = usb_status::kSuccess;
    UsbStatus interfacePlugInStatus = usb_status::kSuccess;
    UsbStatus interfaceQueryStatus = usb_status::kSuccess;
};

// Records binding steps in bus.calls as "device-plugin <loc>", "interface-plugin <loc>/<n>".
class FakeUsbRegistry final : public UsbRegistry {
  public:
    explicit FakeUsbRegistry(FakeBus& bus) : bus_(bus) {}

    void add(const FakeDeviceSpec& device) { devices_.push_back(device); }

    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override;
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                          uint32_t productId) override;
    std::unique_ptr<UsbDeviceService> deviceAt(uint32_t locationId) override;
    std::vector<UsbDeviceIds> allDeviceIds() override;

  private:
    FakeBus& bus_;
    std::vector<FakeDeviceSpec> devices_;
};

}  // namespace ptz::testing
