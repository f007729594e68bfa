#include "platform/usb/libusb_device.h"

#include <libusb.h>

#include <algorithm>

#include "platform/usb/libusb_device_location.h"
#include "platform/usb/libusb_interface_service.h"
#include "platform/usb/usb_status_mapping.h"

namespace ptz {
namespace {

constexpr uint8_t kVideoClass = 14;
constexpr uint8_t kVideoControlSubclass = 1;
constexpr const char* kSysfsUsbDevices = "/sys/bus/usb/devices/";

// The alternate setting that makes an interface a VideoControl interface, or nullptr.
const libusb_interface_descriptor* videoControlSetting(const libusb_interface& interface) {
    for (int i = 0; i < interface.num_altsetting; ++i) {
        const libusb_interface_descriptor& setting = interface.altsetting[i];
        if (setting.bInterfaceClass == kVideoClass &&
            setting.bInterfaceSubClass == kVideoControlSubclass) {
            return &setting;
        }
    }
    return nullptr;
}

struct ConfigDescriptorDeleter {
    void operator()(libusb_config_descriptor* config) const {
        libusb_free_config_descriptor(config);
    }
};

}  // namespace

LibusbDevice::LibusbDevice(LibusbDeviceHandlePtr handle, InterfaceHandleMaker makeHandle)
    : handle_(std::move(handle)), makeHandle_(std::move(makeHandle)) {}

uint32_t LibusbDevice::locationId() {
    return locationIdOf(libusb_get_device(handle_.get()));
}

UsbStatus LibusbDevice::createVideoControlInterfaceIterator(
    std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) {
    interfaces.clear();
    libusb_device* device = libusb_get_device(handle_.get());
    libusb_config_descriptor* rawConfig = nullptr;
    const int result = libusb_get_active_config_descriptor(device, &rawConfig);
    if (result != LIBUSB_SUCCESS) {
        return statusFromLibusbError(result);
    }
    const std::unique_ptr<libusb_config_descriptor, ConfigDescriptorDeleter> config(rawConfig);

    std::vector<const libusb_interface_descriptor*> found;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        if (const libusb_interface_descriptor* setting =
                videoControlSetting(config->interface[i])) {
            found.push_back(setting);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const auto* a, const auto* b) {
        return a->bInterfaceNumber < b->bInterfaceNumber;
    });

    const std::string deviceName = sysfsNameOf(device);
    for (const libusb_interface_descriptor* setting : found) {
        LibusbVideoControlInterface interface;
        interface.device = handle_;
        interface.interfaceNumber = setting->bInterfaceNumber;
        interface.sysfsPath = kSysfsUsbDevices + deviceName + ":" +
                              std::to_string(config->bConfigurationValue) + "." +
                              std::to_string(setting->bInterfaceNumber);
        if (setting->extra != nullptr && setting->extra_length > 0) {
            interface.classSpecificDescriptors.assign(setting->extra,
                                                      setting->extra + setting->extra_length);
        }
        interfaces.push_back(
            std::make_unique<LibusbInterfaceService>(std::move(interface), makeHandle_));
    }
    return usb_status::kSuccess;
}

}  // namespace ptz
