// Chooses, per camera, which backend carries its requests: the kernel's uvcvideo driver when
// it holds the camera's VideoControl interface (usbfs then refuses class requests to that
// interface), libusb otherwise.
#include "platform/usb/usb_registry_factory.h"

#include <libusb.h>
#include <unistd.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/usb/libusb_interface.h"
#include "platform/usb/libusb_registry.h"
#include "platform/usb/uvc_descriptors.h"
#include "platform/usb/uvcvideo_backend.h"

namespace ptz {
namespace {

constexpr std::string_view kUvcvideoDriver = "uvcvideo";

// Lists nothing, so every binding ends unbound with its plug-in line.
class NullUsbRegistry final : public UsbRegistry {
  public:
    std::vector<std::unique_ptr<UsbDeviceService>> allDevices() override { return {}; }
    std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t, uint32_t) override {
        return nullptr;
    }
    std::vector<UsbDeviceIds> allDeviceIds() override { return {}; }
};

// The name of the kernel driver bound to a USB interface, empty when none is.
std::string kernelDriverOf(const std::string& interfaceSysfsPath) {
    std::array<char, 4096> target{};
    const std::string link = interfaceSysfsPath + "/driver";
    const ssize_t length = readlink(link.c_str(), target.data(), target.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string path(target.data(), static_cast<size_t>(length));
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

UsbStatus makeInterfaceHandle(const LibusbVideoControlInterface& interface,
                              std::unique_ptr<UsbInterface>& handle) {
    if (kernelDriverOf(interface.sysfsPath) != kUvcvideoDriver) {
        handle = std::make_unique<LibusbInterface>(interface.device, interface.interfaceNumber,
                                                   kLibusbTransferTimeout);
        return usb_status::kSuccess;
    }
    std::array<char, PATH_MAX> interfacePath{};
    if (realpath(interface.sysfsPath.c_str(), interfacePath.data()) == nullptr) {
        return usb_status::kNoDevice;
    }
    const std::string path = interfacePath.data();
    libusb_device* device = libusb_get_device(interface.device.get());
    VideoControlBinding binding;
    binding.deviceSyspath = path.substr(0, path.rfind('/'));
    binding.busNumber = libusb_get_bus_number(device);
    binding.deviceNumber = libusb_get_device_address(device);
    binding.configurationValue =
        static_cast<uint8_t>(std::atoi(path.substr(path.rfind(':') + 1).c_str()));
    binding.interfaceNumber = interface.interfaceNumber;
    binding.units = parseVideoControlDescriptors(interface.classSpecificDescriptors);
    handle = std::make_unique<UvcvideoBackend>(std::move(binding));
    return usb_status::kSuccess;
}

}  // namespace

std::unique_ptr<UsbRegistry> createUsbRegistry() {
    int error = 0;
    if (std::unique_ptr<LibusbRegistry> registry =
            LibusbRegistry::create(makeInterfaceHandle, error)) {
        return registry;
    }
    return std::make_unique<NullUsbRegistry>();
}

}  // namespace ptz
