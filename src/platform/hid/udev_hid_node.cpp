#include "platform/hid/udev_hid_node.h"

#include <libudev.h>

#include <cstdlib>

#include "platform/hid/usb_location_id.h"

namespace ptz {
namespace {

std::string text(const char* value) {
    return value != nullptr ? std::string(value) : std::string();
}

// idVendor and idProduct are four hex digits; anything else reads as absent.
int32_t hexId(const char* value) {
    if (value == nullptr || *value == '\0') {
        return 0;
    }
    char* end = nullptr;
    const unsigned long id = strtoul(value, &end, 16);
    while (*end == '\n' || *end == ' ') {
        ++end;
    }
    if (*end != '\0' || id > 0xffff) {
        return 0;
    }
    return static_cast<int32_t>(id);
}

std::string trimmed(std::string value) {
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
        value.pop_back();
    }
    return value;
}

}  // namespace

UdevHidNode readUdevHidNode(udev_device* hidraw) {
    UdevHidNode node;
    node.syspath = text(udev_device_get_syspath(hidraw));
    node.devnode = text(udev_device_get_devnode(hidraw));
    // Borrowed from `hidraw`; not to be unreferenced.
    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(hidraw, "usb", "usb_device");
    if (usb == nullptr) {
        return node;
    }
    node.usbDevicePath = text(udev_device_get_syspath(usb));
    node.vendorId = hexId(udev_device_get_sysattr_value(usb, "idVendor"));
    node.productId = hexId(udev_device_get_sysattr_value(usb, "idProduct"));
    node.productName = trimmed(text(udev_device_get_sysattr_value(usb, "product")));
    const char* bus = udev_device_get_sysattr_value(usb, "busnum");
    const char* ports = udev_device_get_sysattr_value(usb, "devpath");
    if (bus != nullptr && ports != nullptr) {
        node.locationId =
            usbLocationId(static_cast<unsigned>(strtoul(bus, nullptr, 10)), trimmed(ports));
    }
    return node;
}

}  // namespace ptz
