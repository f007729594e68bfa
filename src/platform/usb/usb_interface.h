// The USB layer as the camera control sees it: a registry of devices, a device, the device's
// VideoControl interfaces, and a handle to one such interface that carries control requests.
//
// Each step of a binding is its own call so that a failure can be reported at the step where
// it happened. Objects are owned by whoever received them through std::unique_ptr; a handle
// never outlives the registry that produced it (the registry is process-wide in the app).
//
// Threading: every call is made on the GUI thread and blocks until done; every transfer is
// bounded by a time-out, after which it fails with usb_status::kTimeout.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/usb/usb_device_request.h"
#include "platform/usb/usb_status.h"

namespace ptz {

// A handle to a camera's VideoControl interface. Destroying it gives the handle back.
class UsbInterface {
  public:
    virtual ~UsbInterface() = default;

    // Makes the interface ready for one request. kSuccess, or the reason it cannot be used
    // (kExclusiveAccess when another driver or process holds it, kNoDevice when unplugged).
    // Opening an interface that is open already succeeds and changes nothing.
    virtual UsbStatus open() = 0;

    // Carries out one request on the default control pipe: setup stage, then wLength data
    // bytes in the request's direction. Sets request.wLenDone. kSuccess or a failure status;
    // on failure pData's content is unspecified.
    virtual UsbStatus controlRequest(UsbDeviceRequest& request) = 0;

    // Undoes open(). Its status is informational only.
    virtual UsbStatus close() = 0;

    // The interface's bInterfaceNumber, which UVC puts in the low byte of wIndex.
    virtual uint8_t interfaceNumber() const = 0;
};

// One interface of class 14, subclass 1 on a device, before a handle has been made for it.
class UsbInterfaceService {
  public:
    virtual ~UsbInterfaceService() = default;

    // First step of getting a handle (the interface's plug-in): kSuccess or a status.
    virtual UsbStatus createPlugIn() = 0;

    // Second step, after createPlugIn() succeeded: 0 and a handle in `handle`, or a non-zero
    // result and no handle.
    virtual UsbStatus queryInterface(std::unique_ptr<UsbInterface>& handle) = 0;
};

// An accessible USB device.
class UsbDevice {
  public:
    virtual ~UsbDevice() = default;

    // Bus number in the top 8 bits, then one 4-bit nibble per port from the root down.
    virtual uint32_t locationId() = 0;

    // The device's interfaces of class 14, subclass 1, any protocol and alternate setting, in
    // interface order. A non-zero status means they could not be listed.
    virtual UsbStatus createVideoControlInterfaceIterator(
        std::vector<std::unique_ptr<UsbInterfaceService>>& interfaces) = 0;
};

// A device as listed by the registry, before access to it has been gained.
class UsbDeviceService {
  public:
    virtual ~UsbDeviceService() = default;

    // First step of gaining access (the device's plug-in): kSuccess or a status.
    virtual UsbStatus createPlugIn() = 0;

    // Second step, after createPlugIn() succeeded: 0 and the device, or a non-zero result
    // (printed as a signed decimal) and no device.
    virtual int32_t queryDeviceInterface(std::unique_ptr<UsbDevice>& device) = 0;
};

// The machine's USB devices.
class UsbRegistry {
  public:
    virtual ~UsbRegistry() = default;

    // Every USB device, in the registry's order.
    virtual std::vector<std::unique_ptr<UsbDeviceService>> allDevices() = 0;

    // The first device, in the registry's order, with these ids, or nullptr when none is
    // connected (the camera control reports that as a plug-in failure with kNoDevice).
    virtual std::unique_ptr<UsbDeviceService> firstDeviceMatching(uint32_t vendorId,
                                                                  uint32_t productId) = 0;

    // The first device, in the registry's order, at this location id (see
    // UsbDevice::locationId), or nullptr when none is connected there.
    virtual std::unique_ptr<UsbDeviceService> deviceAt(uint32_t locationId) = 0;
};

}  // namespace ptz
