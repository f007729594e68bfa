#include "fake_usb.h"

#include <array>
#include <cstdio>

namespace ptz::testing {
namespace {

UsbStatus takeFront(std::deque<UsbStatus>& queue) {
    if (queue.empty()) {
        return usb_status::kSuccess;
    }
    const UsbStatus front = queue.front();
    queue.pop_front();
    return front;
}

class FakeInterfaceService final : public UsbInterfaceService {
  public:
    FakeInterfaceService(FakeBus& bus, const FakeDeviceSpec& spec, int index)
        : bus_(bus), spec_(spec), index_(index) {}

    UsbStatus createPlugIn() override {
        bus_.calls.push_back("interface-plugin " + std::to_string(spec_.locationId) + "/" +
                             std::to_string(index_));
        return spec_.interfacePlugInStatus;
    }
    UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) override {
        if (spec_.interfaceQueryStatus == usb_status::kSuccess) {
            handle = std::make_unique<FakeUsbInterface>(bus_);
        }
        return spec_.interfaceQueryStatus;
    }

  private:
    FakeBus& bus_;
    FakeDeviceSpec spec_;
    int index_;
};

class FakeDevice final : public UsbDevice {
  public:
    FakeDevice(FakeBus& bus, const FakeDeviceSpec& spec) : bus_(bus), spec_(spec) {}

    uint32_t locationId() override { return spec_.locationId; }
    UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) override {
        if (spec_.iteratorStatus != usb_status::kSuccess) {
            return spec_.iteratorStatus;
        }
        for (int i = 0; i < spec_.videoControlInterfaces; ++i) {
            interfaces.push_back(std::make_unique<FakeInterfaceService>(bus_, spec_, i));
        }
        return usb_status::kSuccess;
    }

  private:
    FakeBus& bus_;
    FakeDeviceSpec spec_;
};

class FakeDeviceService final : public UsbDeviceService {
  public:
    FakeDeviceService(FakeBus& bus, const FakeDeviceSpec& spec) : bus_(bus), spec_(spec) {}

    UsbStatus createPlugIn() override {
        bus_.calls.push_back("device-plugin " + std::to_string(spec_.locationId));
        return spec_.devicePlugInStatus;
    }
    int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) override {
        if (spec_.deviceQueryResult == 0) {
            device = std::make_unique<FakeDevice>(bus_, spec_);
        }
        return spec_.deviceQueryResult;
    }

  private:
    FakeBus& bus_;
    FakeDeviceSpec spec_;
};

}  // namespace

std::string hexBytes(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (const uint8_t byte : bytes) {
        char hex[4];
        snprintf(hex, sizeof hex, "%02x", byte);
        if (!out.empty()) {
            out.push_back(' ');
        }
        out += hex;
    }
    return out;
}

std::vector<std::string> FakeBus::transferLines() const {
    std::vector<std::string> lines;
    for (const RecordedTransfer& t : transfers) {
        lines.push_back(hexBytes(t.setup) + " | " + hexBytes(t.data));
    }
    return lines;
}

void FakeBus::clear() {
    calls.clear();
    transfers.clear();
}

FakeUsbInterface::~FakeUsbInterface() {
    bus_.calls.emplace_back("release");
}

UsbStatus FakeUsbInterface::open() {
    bus_.calls.emplace_back("open");
    return takeFront(bus_.openResults);
}

UsbStatus FakeUsbInterface::controlRequest(UsbDeviceRequest& request) {
    bus_.calls.emplace_back("request");
    RecordedTransfer transfer;
    const std::array<uint8_t, 8> setup = request.setupPacket();
    transfer.setup.assign(setup.begin(), setup.end());
    const UsbStatus status = takeFront(bus_.requestResults);
    if (request.isDeviceToHost()) {
        if (!bus_.getAnswers.empty()) {
            std::vector<uint8_t> answer = bus_.getAnswers.front();
            bus_.getAnswers.pop_front();
            if (answer.size() > request.wLength) {
                answer.resize(request.wLength);
            }
            std::copy(answer.begin(), answer.end(), request.pData);
            request.wLenDone = static_cast<uint32_t>(answer.size());
            transfer.data = answer;
        }
    } else {
        transfer.data.assign(request.pData, request.pData + request.wLength);
        request.wLenDone = request.wLength;
    }
    bus_.transfers.push_back(std::move(transfer));
    return status;
}

UsbStatus FakeUsbInterface::close() {
    bus_.calls.emplace_back("close");
    return usb_status::kSuccess;
}

std::vector<std::unique_ptr<UsbDeviceService>> FakeUsbRegistry::allDevices() {
    std::vector<std::unique_ptr<UsbDeviceService>> services;
    for (const FakeDeviceSpec& spec : devices_) {
        services.push_back(std::make_unique<FakeDeviceService>(bus_, spec));
    }
    return services;
}

std::unique_ptr<UsbDeviceService> FakeUsbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                       uint32_t productId) {
    for (const FakeDeviceSpec& spec : devices_) {
        if (spec.vendorId == vendorId && spec.productId == productId) {
            return std::make_unique<FakeDeviceService>(bus_, spec);
        }
    }
    return nullptr;
}

std::unique_ptr<UsbDeviceService> FakeUsbRegistry::deviceAt(uint32_t locationId) {
    for (const FakeDeviceSpec& spec : devices_) {
        if (spec.locationId == locationId) {
            return std::make_unique<FakeDeviceService>(bus_, spec);
        }
    }
    return nullptr;
}

std::vector<UsbDeviceIds> FakeUsbRegistry::allDeviceIds() {
    std::vector<UsbDeviceIds> ids;
    for (const FakeDeviceSpec& spec : devices_) {
        ids.push_back({spec.vendorId, spec.productId});
    }
    return ids;
}

}  // namespace ptz::testing
