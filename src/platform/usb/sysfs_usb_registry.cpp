#include "platform/usb/sysfs_usb_registry.h"

#include "platform/sysfs/sysfs_devices.h"

namespace ptz {
namespace {

class InterfaceService final : public UsbInterfaceService {
  public:
    InterfaceService(VideoControlBinding binding, SysfsUsbRegistry::HandleMaker makeHandle)
        : binding_(std::move(binding)), makeHandle_(makeHandle) {}

    // Nothing is opened before a request.
    UsbStatus createPlugIn() override { return usb_status::kSuccess; }

    UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) override {
        handle = makeHandle_(binding_);
        return usb_status::kSuccess;
    }

  private:
    VideoControlBinding binding_;
    SysfsUsbRegistry::HandleMaker makeHandle_;
};

class Device final : public UsbDevice {
  public:
    Device(UsbDeviceRecord record, SysfsUsbRegistry::HandleMaker makeHandle)
        : record_(std::move(record)), makeHandle_(makeHandle) {}

    uint32_t locationId() override { return record_.locationId; }

    UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) override {
        interfaces.clear();
        if (!isSameUsbDevice(record_.syspath, record_.busNumber, record_.deviceNumber)) {
            return usb_status::kNoDevice;
        }
        uint8_t configurationValue = 0;
        for (const VideoControlInterfaceDescriptors& found :
             readVideoControlInterfaces(record_.syspath, configurationValue)) {
            VideoControlBinding binding;
            binding.deviceSyspath = record_.syspath;
            binding.busNumber = record_.busNumber;
            binding.deviceNumber = record_.deviceNumber;
            binding.configurationValue = configurationValue;
            binding.interfaceNumber = found.interfaceNumber;
            binding.units = parseVideoControlDescriptors(found.classSpecific);
            interfaces.push_back(
                std::make_unique<InterfaceService>(std::move(binding), makeHandle_));
        }
        return usb_status::kSuccess;
    }

  private:
    UsbDeviceRecord record_;
    SysfsUsbRegistry::HandleMaker makeHandle_;
};

class DeviceService final : public UsbDeviceService {
  public:
    DeviceService(UsbDeviceRecord record, SysfsUsbRegistry::HandleMaker makeHandle)
        : record_(std::move(record)), makeHandle_(makeHandle) {}

    UsbStatus createPlugIn() override {
        return isSameUsbDevice(record_.syspath, record_.busNumber, record_.deviceNumber)
                   ? usb_status::kSuccess
                   : usb_status::kNoDevice;
    }

    int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) override {
        device = std::make_unique<Device>(record_, makeHandle_);
        return 0;
    }

  private:
    UsbDeviceRecord record_;
    SysfsUsbRegistry::HandleMaker makeHandle_;
};

}  // namespace

std::vector<std::unique_ptr<UsbDeviceService>> SysfsUsbRegistry::allDevices() {
    std::vector<std::unique_ptr<UsbDeviceService>> services;
    for (UsbDeviceRecord& record : usbDevices()) {
        services.push_back(std::make_unique<DeviceService>(std::move(record), makeHandle_));
    }
    return services;
}

std::unique_ptr<UsbDeviceService> SysfsUsbRegistry::firstDeviceMatching(uint32_t vendorId,
                                                                        uint32_t productId) {
    for (UsbDeviceRecord& record : usbDevices()) {
        if (record.vendorId == vendorId && record.productId == productId) {
            return std::make_unique<DeviceService>(std::move(record), makeHandle_);
        }
    }
    return nullptr;
}

std::unique_ptr<UsbDeviceService> SysfsUsbRegistry::deviceAt(uint32_t locationId) {
    std::vector<UsbDeviceRecord> found = usbDevices(locationId);
    if (found.empty()) {
        return nullptr;
    }
    return std::make_unique<DeviceService>(std::move(found.front()), makeHandle_);
}

}  // namespace ptz
