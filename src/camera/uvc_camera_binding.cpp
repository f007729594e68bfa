// Binding a camera control to a USB device's first VideoControl interface.
#include "camera/uvc_camera_control.h"

#include "platform/log.h"

namespace ptz {
namespace {

// Access to a device in two steps, each with its own failure line. nullptr on failure.
std::unique_ptr<UsbDevice> openDevice(UsbDeviceService* service) {
    const UsbStatus plugInStatus = service ? service->createPlugIn() : usb_status::kNoDevice;
    if (plugInStatus != usb_status::kSuccess) {
        logLine("CameraControl Error: IOCreatePlugInInterfaceForService returned 0x%08x.",
                plugInStatus);
        return nullptr;
    }
    std::unique_ptr<UsbDevice> device;
    const int32_t queryResult = service->queryDeviceInterface(device);
    if (queryResult != 0 || !device) {
        logLine("CameraControl Error: QueryInterface returned %d.\n", queryResult);
        return nullptr;
    }
    return device;
}

}  // namespace

std::unique_ptr<UsbInterface> UVCCameraControl::getControlInferaceWithDeviceInterface(
    UsbDevice& device) {
    std::vector<std::unique_ptr<UsbInterfaceService>> interfaces;
    if (device.createVideoControlInterfaceIterator(interfaces) != usb_status::kSuccess ||
        interfaces.empty() || !interfaces.front()) {
        return nullptr;
    }
    // Only the first VideoControl interface is considered.
    UsbInterfaceService& first = *interfaces.front();
    const UsbStatus plugInStatus = first.createPlugIn();
    if (plugInStatus != usb_status::kSuccess) {
        logLine("CameraControl Error: Unable to create a plug-in (%08x)\n", plugInStatus);
        return nullptr;
    }
    std::unique_ptr<UsbInterface> handle;
    const UsbStatus queryStatus = first.queryInterface(handle);
    if (queryStatus != usb_status::kSuccess || !handle) {
        logLine(
            "CameraControl Error: Couldn\u2019t create a device interface for the interface "
            "(%08x)",
            queryStatus);
        return nullptr;
    }
    return handle;
}

std::shared_ptr<UVCCameraControl> UVCCameraControl::initWithVendorID(UsbRegistry& registry,
                                                                     int64_t vendorId,
                                                                     int64_t productId) {
    std::shared_ptr<UVCCameraControl> control(new UVCCameraControl());
    // Ids are matched on their low 32 bits.
    const std::unique_ptr<UsbDeviceService> service = registry.firstDeviceMatching(
        static_cast<uint32_t>(vendorId), static_cast<uint32_t>(productId));
    if (const std::unique_ptr<UsbDevice> device = openDevice(service.get())) {
        control->interface_ = getControlInferaceWithDeviceInterface(*device);
    }
    return control;
}

std::shared_ptr<UVCCameraControl> UVCCameraControl::initWithLocationID(UsbRegistry& registry,
                                                                       uint32_t locationId) {
    std::shared_ptr<UVCCameraControl> control(new UVCCameraControl());
    for (const std::unique_ptr<UsbDeviceService>& service : registry.allDevices()) {
        const std::unique_ptr<UsbDevice> device = openDevice(service.get());
        if (device && device->locationId() == locationId) {
            control->interface_ = getControlInferaceWithDeviceInterface(*device);
            break;
        }
    }
    return control;
}

}  // namespace ptz
