#include "platform/usb/libusb_registry.h"

#include <libusb.h>

#include "platform/usb/libusb_device_service.h"
#include "platform/usb/libusb_interface.h"

namespace ptz {
namespace {

// libusb's device list, given back on every path.
class DeviceList {
  public:
    explicit DeviceList(libusb_context* context) {
        const ssize_t count = libusb_get_device_list(context, &list_);
        count_ = count > 0 ? static_cast<size_t>(count) : 0;
    }
    ~DeviceList() {
        if (list_ != nullptr) {
            libusb_free_device_list(list_, 1);
        }
    }
    DeviceList(const DeviceList&) = delete;
    DeviceList& operator=(const DeviceList&) = delete;

    libusb_device* const* begin() const { return list_; }
    libusb_device* const* end() const { return list_ + count_; }

  private:
    libusb_device** list_ = nullptr;
    size_t count_ = 0;
};

bool readIds(libusb_device* device, UsbDeviceIds& ids) {
    libusb_device_descriptor descriptor{};
    if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) {
        return false;
    }
    ids = {descriptor.idVendor, descriptor.idProduct};
    return true;
}

}  // namespace

std::unique_ptr<LibusbRegistry> LibusbRegistry::create(InterfaceHandleMaker makeHandle,
                                                       int& error) {
    LibusbContextPtr context = makeLibusbContext(error);
    if (!context) {
        return nullptr;
    }
    return std::unique_ptr<LibusbRegistry>(
        new LibusbRegistry(std::move(context), std::move(makeHandle)));
}

LibusbRegistry::LibusbRegistry(LibusbContextPtr context, InterfaceHandleMaker makeHandle)
    : context_(std::move(context)), makeHandle_(std::move(makeHandle)) {}

std::vector<std::unique_ptr<UsbDeviceService>> LibusbRegistry::allDevices() {
    std::vector<std::unique_ptr<UsbDeviceService>> services;
    for (libusb_device* device : DeviceList(context_.get())) {
        services.push_back(std::make_unique<LibusbDeviceService>(context_, device, makeHandle_));
    }
    return services;
}

std::unique_ptr<UsbDeviceService> LibusbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                      uint32_t productId) {
    for (libusb_device* device : DeviceList(context_.get())) {
        UsbDeviceIds ids{};
        if (readIds(device, ids) && ids.vendorId == vendorId && ids.productId == productId) {
            return std::make_unique<LibusbDeviceService>(context_, device, makeHandle_);
        }
    }
    return nullptr;
}

std::vector<UsbDeviceIds> LibusbRegistry::allDeviceIds() {
    std::vector<UsbDeviceIds> all;
    for (libusb_device* device : DeviceList(context_.get())) {
        UsbDeviceIds ids{};
        if (readIds(device, ids)) {
            all.push_back(ids);
        }
    }
    return all;
}

InterfaceHandleMaker libusbInterfaceMaker(std::chrono::milliseconds transferTimeout) {
    return [transferTimeout](const LibusbVideoControlInterface& interface,
                             std::unique_ptr<UsbInterface>& handle) {
        handle = std::make_unique<LibusbInterface>(interface.device, interface.interfaceNumber,
                                                   transferTimeout);
        return usb_status::kSuccess;
    };
}

}  // namespace ptz
