#include "ptzctl_camera_choice.h"

#include <cstdio>
#include <optional>
#include <string>

#include "discovery/camera_list.h"

namespace ptz {
namespace {

// The few numbers of the messages, formatted as printf does.
template <typename... Numbers>
std::string formatted(const char* format, Numbers... numbers) {
    char text[64];
    std::snprintf(text, sizeof text, format, numbers...);
    return text;
}

// The device at `locationId`, or nullptr. A device that gives no access is passed over without
// a line (the registry's devices give access unless they have gone meanwhile, and nothing could
// be sent to one that does not).
std::unique_ptr<UsbDevice> deviceAt(UsbRegistry& registry, uint32_t locationId) {
    const std::unique_ptr<UsbDeviceService> service = registry.deviceAt(locationId);
    std::unique_ptr<UsbDevice> device;
    if (service && service->createPlugIn() == usb_status::kSuccess &&
        service->queryDeviceInterface(device) == 0) {
        return device;
    }
    return nullptr;
}

std::unique_ptr<UsbInterface> videoControlAt(UsbRegistry& registry, uint32_t locationId) {
    const std::unique_ptr<UsbDevice> device = deviceAt(registry, locationId);
    return device ? UVCCameraControl::getControlInferaceWithDeviceInterface(*device) : nullptr;
}

std::shared_ptr<UVCCameraControl> firstOpenableCamera(PtzctlMachine& machine, std::ostream& err) {
    std::optional<std::string> firstRefusal;
    for (const HidDeviceInfo& camera : supportedCameras(machine.hidDevices())) {
        std::unique_ptr<UsbInterface> handle =
            videoControlAt(machine.usbRegistry(), camera.locationId);
        if (!handle) {
            continue;  // a look-alike of a supported model, with no video function
        }
        const UsbStatus status = handle->open();
        if (status == usb_status::kSuccess) {
            // Left open for the command, whose first request then finds it open.
            return UVCCameraControl::initWithInterface(std::move(handle));
        }
        if (!firstRefusal) {
            firstRefusal = formatted("%04x:%04x at 0x%08x: %08x", camera.vendorId & 0xffff,
                                     camera.productId & 0xffff, camera.locationId, status);
        }
    }
    if (firstRefusal) {
        err << "ptzctl: no camera of a supported model can be opened (" << *firstRefusal << ")\n";
    } else {
        err << "ptzctl: no camera of a supported model is connected\n";
    }
    return nullptr;
}

}  // namespace

std::shared_ptr<UVCCameraControl> bindPtzctlCamera(const PtzctlOptions& options,
                                                   PtzctlMachine& machine, std::ostream& err) {
    if (options.locationId) {
        std::unique_ptr<UsbInterface> handle =
            videoControlAt(machine.usbRegistry(), *options.locationId);
        if (!handle) {
            err << formatted("ptzctl: no camera at location 0x%08x\n", *options.locationId);
            return nullptr;
        }
        return UVCCameraControl::initWithInterface(std::move(handle));
    }
    if (options.vendorId && options.productId) {
        std::shared_ptr<UVCCameraControl> camera = UVCCameraControl::initWithVendorID(
            machine.usbRegistry(), *options.vendorId, *options.productId);
        if (!camera->isBound()) {
            err << formatted("ptzctl: no camera %04x:%04x could be bound\n", *options.vendorId,
                             *options.productId);
            return nullptr;
        }
        return camera;
    }
    return firstOpenableCamera(machine, err);
}

}  // namespace ptz
