// Emulated hidraw nodes whose parents are emulated USB devices, on a umockdev testbed.
#pragma once

#include <umockdev.h>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace ptz::testing {

// A USB device with no video function (a keyboard, say).
struct EmulatedUsbDevice {
    int32_t vendorId = 0x2e7e;
    int32_t productId = 0x0737;
    std::string product;
    unsigned bus = 1;
    std::string ports = "2";  // sysfs devpath, e.g. "2.3"
};

// HID nodes on a testbed that also holds other emulated devices (it is shared, not taken).
// umockdev sends the "add" uevents once the attributes are in place.
class HidTestbed {
  public:
    explicit HidTestbed(UMockdevTestbed* shared)
        : testbed_(static_cast<UMockdevTestbed*>(g_object_ref(shared))) {}
    ~HidTestbed() { g_object_unref(testbed_); }
    HidTestbed(const HidTestbed&) = delete;
    HidTestbed& operator=(const HidTestbed&) = delete;

    // A USB device with one HID interface; returns the hidraw node's syspath.
    std::string addUsbHidDevice(const EmulatedUsbDevice& usb) {
        const std::string bus = std::to_string(usb.bus);
        const std::string usbPath = "/devices/pci0000:00/usb" + bus + "/" + bus + "-" + usb.ports;
        const std::string interfacePath = usbPath + "/" + bus + "-" + usb.ports + ":1.0";
        const std::string records =
            "P: " + usbPath +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + hex("%04x", usb.vendorId) +
            "\\n\nA: idProduct=" + hex("%04x", usb.productId) + "\\n\nA: busnum=" + bus +
            "\\n\nA: devnum=" + std::to_string(nextHidraw_ + 2) + "\\n\nA: devpath=" + usb.ports +
            "\\n\nA: product=" + usb.product + "\\n\n\nP: " + interfacePath +
            "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n";
        return addNode(records, interfacePath, usb.vendorId, usb.productId);
    }
    // A hidraw node under an existing USB interface ("/sys/devices/.../1-2:1.2"); returns its
    // syspath.
    std::string addHidNode(const std::string& interfaceSyspath) {
        return addNode({}, interfaceSyspath.substr(interfaceSyspath.rfind("/sys", 0) == 0 ? 4 : 0),
                       0, 0);
    }

    void sendUevent(const std::string& syspath, const char* action) {
        umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
    }
    // The node's "remove" uevent, then its sysfs entries go (umockdev sends no uevent itself).
    void unplug(const std::string& syspath) {
        sendUevent(syspath, "remove");
        umockdev_testbed_remove_device(testbed_, syspath.c_str());
    }

  private:
    static std::string hex(const char* format, int32_t id) {
        char text[8];
        snprintf(text, sizeof text, format, static_cast<unsigned>(id) & 0xffffu);
        return text;
    }
    std::string addNode(const std::string& parentRecords, const std::string& interfacePath,
                        int32_t vendorId, int32_t productId) {
        const int number = nextHidraw_++;
        const std::string hidPath = interfacePath + "/0003:" + hex("%04X", vendorId) + ":" +
                                    hex("%04X", productId) + "." + hex("%04X", number + 1);
        const std::string name = "hidraw" + std::to_string(number);
        const std::string hidrawPath = hidPath + "/hidraw/" + name;
        const std::string records =
            parentRecords + "P: " + hidPath +
            "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n\nP: " + hidrawPath + "\nN: " + name +
            "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + name +
            "\nA: dev=242:" + std::to_string(number) + "\\n\n";
        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(testbed_, records.c_str(), &error)) {
            const std::string message = error->message;
            g_clear_error(&error);
            throw std::runtime_error("umockdev: " + message);
        }
        return "/sys" + hidrawPath;
    }

    UMockdevTestbed* testbed_;
    int nextHidraw_ = 0;
};

}  // namespace ptz::testing
