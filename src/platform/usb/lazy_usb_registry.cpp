#include "platform/usb/lazy_usb_registry.h"

namespace ptz {

LazyUsbRegistry::LazyUsbRegistry(Maker make) : make_(std::move(make)) {}

UsbRegistry& LazyUsbRegistry::registry() {
    if (!registry_) {
        registry_ = make_();
        make_ = nullptr;  // whatever it captured is no longer needed
    }
    return *registry_;
}

std::vector<std::unique_ptr<UsbDeviceService>> LazyUsbRegistry::allDevices() {
    return registry().allDevices();
}

std::unique_ptr<UsbDeviceService> LazyUsbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                       uint32_t productId) {
    return registry().firstDeviceMatching(vendorId, productId);
}

std::vector<UsbDeviceIds> LazyUsbRegistry::allDeviceIds() {
    return registry().allDeviceIds();
}

}  // namespace ptz
