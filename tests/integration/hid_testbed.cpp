#include "hid_testbed.h"

#include <umockdev.h>

#include <cstdio>
#include <stdexcept>

namespace ptz::testing {
namespace {

std::string hex4(int32_t id) {
    char text[8];
    snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id) & 0xffffu);
    return text;
}

}  // namespace

HidTestbed::HidTestbed(UMockdevTestbed* shared)
    : testbed_(static_cast<UMockdevTestbed*>(g_object_ref(shared))) {}

HidTestbed::~HidTestbed() {
    g_object_unref(testbed_);
}

std::string HidTestbed::addNode(const std::string& parentRecords, const std::string& interfacePath,
                                int32_t vendorId, int32_t productId) {
    const int number = nextHidraw_++;
    char hidName[40];
    snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", static_cast<unsigned>(vendorId),
             static_cast<unsigned>(productId), static_cast<unsigned>(number + 1));
    const std::string hidPath = interfacePath + "/" + hidName;
    const std::string name = "hidraw" + std::to_string(number);
    const std::string hidrawPath = hidPath + "/hidraw/" + name;
    const std::string records = parentRecords + "P: " + hidPath +
                                "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n\nP: " + hidrawPath +
                                "\nN: " + name + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + name +
                                "\nA: dev=242:" + std::to_string(number) + "\\n\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, records.c_str(), &error)) {
        const std::string message = error->message;
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
    return "/sys" + hidrawPath;
}

std::string HidTestbed::addUsbHidDevice(const EmulatedUsbDevice& usb) {
    const std::string bus = std::to_string(usb.bus);
    const std::string usbPath = "/devices/pci0000:00/usb" + bus + "/" + bus + "-" + usb.ports;
    const std::string interfacePath = usbPath + "/" + bus + "-" + usb.ports + ":1.0";
    const std::string records =
        "P: " + usbPath +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + hex4(usb.vendorId) +
        "\\n\nA: idProduct=" + hex4(usb.productId) + "\\n\nA: busnum=" + bus +
        "\\n\nA: devnum=" + std::to_string(nextHidraw_ + 2) + "\\n\nA: devpath=" + usb.ports +
        "\\n\nA: product=" + usb.product + "\\n\n\nP: " + interfacePath +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n";
    return addNode(records, interfacePath, usb.vendorId, usb.productId);
}

std::string HidTestbed::addHidNode(const std::string& interfaceSyspath) {
    return addNode({}, interfaceSyspath.substr(interfaceSyspath.rfind("/sys", 0) == 0 ? 4 : 0), 0,
                   0);
}

void HidTestbed::sendUevent(const std::string& syspath, const char* action) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

void HidTestbed::unplug(const std::string& syspath) {
    sendUevent(syspath, "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

}  // namespace ptz::testing
