#include "platform/usb/usb_registry_factory.h"

namespace ptz {
namespace {

// Lists nothing, so every binding ends unbound with its plug-in line.
class NullUsbRegistry final : public UsbRegistry {
public:
    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override { return {}; }
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t, uint32_t) override {
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<UsbRegistry> createUsbRegistry() { return std::make_unique<NullUsbRegistry>(); }

}  // namespace ptz
