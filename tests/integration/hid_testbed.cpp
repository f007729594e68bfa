#include "hid_testbed.h"

#include <dirent.h>
#include <umockdev.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "simcam/simulated_camera.h"

namespace ptz::testing {
namespace {

std::string hex4(int32_t id) {
    char text[8];
    snprintf(text, sizeof text, "%04x", static_cast<unsigned>(id) & 0xffffu);
    return text;
}

// The `descriptors` attribute of a camera with these ids, as a umockdev "H:" record.
std::string cameraDescriptorsRecord(int32_t vendorId, int32_t productId) {
    const sim::ManualClock clock;
    sim::CameraSpec spec;
    spec.vendorId = static_cast<uint16_t>(vendorId);
    spec.productId = static_cast<uint16_t>(productId);
    const sim::SimulatedCamera camera(clock, spec);
    std::vector<uint8_t> bytes = camera.deviceDescriptor();
    const std::vector<uint8_t> configuration = camera.configurationDescriptor();
    bytes.insert(bytes.end(), configuration.begin(), configuration.end());
    std::string record = "H: descriptors=";
    for (const uint8_t byte : bytes) {
        char hex[3];
        snprintf(hex, sizeof hex, "%02X", byte);
        record += hex;
    }
    return record + "\n";
}

}  // namespace

HidTestbed::HidTestbed() : testbed_(umockdev_testbed_new()) {}

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
    std::string records =
        "P: " + usbPath +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + hex4(usb.vendorId) +
        "\\n\nA: idProduct=" + hex4(usb.productId) + "\\n\nA: busnum=" + bus +
        "\\n\nA: devnum=" + std::to_string(nextHidraw_ + 2) + "\\n\nA: devpath=" + usb.ports +
        "\\n\n";
    if (usb.product) {
        records += "A: product=" + *usb.product + "\\n\n";
    }
    if (usb.videoControl) {
        records +=
            "A: bConfigurationValue=1\\n\n" + cameraDescriptorsRecord(usb.vendorId, usb.productId);
    }
    records += "\nP: " + interfacePath + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n";
    return addNode(records, interfacePath, usb.vendorId, usb.productId);
}

std::string HidTestbed::addHidNode(const std::string& interfaceSyspath) {
    return addNode({}, interfaceSyspath.substr(interfaceSyspath.rfind("/sys", 0) == 0 ? 4 : 0), 0,
                   0);
}

std::string HidTestbed::addVirtualHidNode() {
    return addNode("P: /devices/virtual/misc/uhid\nE: SUBSYSTEM=misc\n\n",
                   "/devices/virtual/misc/uhid", 0x046d, 0xc31c);
}

void HidTestbed::sendUevent(const std::string& syspath, const char* action) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

void HidTestbed::unplug(const std::string& syspath) {
    sendUevent(syspath, "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

std::string HidTestbed::devnodeFile(const std::string& syspath) const {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    const std::string file = std::string(root) + "/dev/" + syspath.substr(syspath.rfind('/') + 1);
    g_free(root);
    return file;
}

void HidTestbed::removeDeviceNode(const std::string& syspath) {
    if (unlink(devnodeFile(syspath).c_str()) != 0) {
        throw std::runtime_error("cannot remove the node of " + syspath);
    }
}

int HidTestbed::openDescriptors(const std::string& syspath) const {
    // The emulated node is a link to a pseudo terminal; descriptors open on it point there.
    char target[PATH_MAX] = {};
    if (readlink(devnodeFile(syspath).c_str(), target, sizeof target - 1) <= 0) {
        return 0;
    }
    int count = 0;
    DIR* fds = opendir("/proc/self/fd");
    while (dirent* entry = readdir(fds)) {
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char opened[PATH_MAX] = {};
        count +=
            readlink(link.c_str(), opened, sizeof opened - 1) > 0 && std::string(opened) == target;
    }
    closedir(fds);
    return count;
}

}  // namespace ptz::testing
