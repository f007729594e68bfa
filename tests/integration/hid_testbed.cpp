#include "hid_testbed.h"

#include <dirent.h>
#include <umockdev.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>
#include <climits>
#include <cstdio>
#include <map>
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

std::string parentPath(const std::string& path) {
    return path.substr(0, path.rfind('/'));
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

std::string withoutSys(const std::string& syspath) {
    return syspath.rfind("/sys", 0) == 0 ? syspath.substr(4) : syspath;
}

}  // namespace

HidTestbed::HidTestbed() : testbed_(umockdev_testbed_new()) {}

HidTestbed::HidTestbed(UMockdevTestbed* shared)
    : testbed_(static_cast<UMockdevTestbed*>(g_object_ref(shared))) {}

HidTestbed::~HidTestbed() {
    g_object_unref(testbed_);
}

std::string HidTestbed::addFromString(const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, description.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
    return description;
}

std::string HidTestbed::nodeRecords(const std::string& interfacePath, int32_t vendorId,
                                    int32_t productId) {
    const int number = nextHidraw_++;
    char hidName[40];
    snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", static_cast<unsigned>(vendorId),
             static_cast<unsigned>(productId), static_cast<unsigned>(number + 1));
    const std::string hidPath = interfacePath + "/" + hidName;
    const std::string name = "hidraw" + std::to_string(number);
    return "P: " + hidPath + "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n\n" + "P: " + hidPath +
           "/hidraw/" + name + "\nN: " + name + "\nE: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + name +
           "\nA: dev=242:" + std::to_string(number) + "\\n\n";
}

std::string HidTestbed::addUsbHidDevice(const EmulatedUsbDevice& usb) {
    const std::string busName = std::to_string(usb.bus);
    const std::string usbPath =
        "/devices/pci0000:00/usb" + busName + "/" + busName + "-" + usb.ports;
    const std::string interfacePath = usbPath + "/" + busName + "-" + usb.ports + ":1.0";
    std::string description =
        "P: " + usbPath +
        "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: idVendor=" + hex4(usb.vendorId) +
        "\\n\nA: idProduct=" + hex4(usb.productId) + "\\n\nA: busnum=" + busName +
        "\\n\nA: devnum=" + std::to_string(nextHidraw_ + 2) + "\\n\nA: devpath=" + usb.ports +
        "\\n\n";
    if (usb.product) {
        description += "A: product=" + *usb.product + "\\n\n";
    }
    if (usb.videoControl) {
        description +=
            "A: bConfigurationValue=1\\n\n" + cameraDescriptorsRecord(usb.vendorId, usb.productId);
    }
    description += "\nP: " + interfacePath + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n";
    const std::string records = nodeRecords(interfacePath, usb.vendorId, usb.productId);
    addFromString(description + records);
    const std::string hidrawPath = records.substr(records.rfind("P: ") + 3);
    return "/sys" + hidrawPath.substr(0, hidrawPath.find('\n'));
}

std::string HidTestbed::addSecondHidNode(const std::string& hidraw) {
    // hidraw -> hidraw/ -> hid -> interface -> usb_device
    const std::string usbPath = parentPath(parentPath(parentPath(parentPath(withoutSys(hidraw)))));
    const std::string interfacePath = usbPath + "/" + usbPath.substr(usbPath.rfind('/') + 1) +
                                      ":1." + std::to_string(++nextInterface_);
    const std::string records = "P: " + interfacePath +
                                "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n\n" +
                                nodeRecords(interfacePath, 0, 0);
    addFromString(records);
    const std::string hidrawPath = records.substr(records.rfind("P: ") + 3);
    return "/sys" + hidrawPath.substr(0, hidrawPath.find('\n'));
}

std::string HidTestbed::addHidNode(const std::string& interfaceSyspath) {
    const std::string records = nodeRecords(withoutSys(interfaceSyspath), 0, 0);
    addFromString(records);
    const std::string hidrawPath = records.substr(records.rfind("P: ") + 3);
    return "/sys" + hidrawPath.substr(0, hidrawPath.find('\n'));
}

std::string HidTestbed::addVirtualHidNode() {
    const std::string records = nodeRecords("/devices/virtual/misc/uhid", 0x046d, 0xc31c);
    addFromString("P: /devices/virtual/misc/uhid\nE: SUBSYSTEM=misc\n\n" + records);
    const std::string hidrawPath = records.substr(records.rfind("P: ") + 3);
    return "/sys" + hidrawPath.substr(0, hidrawPath.find('\n'));
}

void HidTestbed::sendUevent(const std::string& syspath, const char* action) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

void HidTestbed::unplug(const std::string& syspath) {
    sendUevent(syspath, "remove");
    umockdev_testbed_remove_device(testbed_, syspath.c_str());
}

std::string HidTestbed::devnode(const std::string& syspath) const {
    return "/dev/" + syspath.substr(syspath.rfind('/') + 1);
}

void HidTestbed::removeDeviceNode(const std::string& syspath) {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    const std::string file = std::string(root) + devnode(syspath);
    g_free(root);
    if (unlink(file.c_str()) != 0) {
        throw std::runtime_error("cannot remove " + file);
    }
}

int HidTestbed::openDescriptors(const std::string& syspath) const {
    // The emulated node is a link to a pseudo terminal; descriptors open on it point there.
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    const std::string file = std::string(root) + devnode(syspath);
    g_free(root);
    char target[PATH_MAX] = {};
    if (readlink(file.c_str(), target, sizeof target - 1) <= 0) {
        return 0;
    }
    int count = 0;
    DIR* fds = opendir("/proc/self/fd");
    while (dirent* entry = readdir(fds)) {
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        char opened[PATH_MAX] = {};
        if (readlink(link.c_str(), opened, sizeof opened - 1) > 0 &&
            std::string(opened) == target) {
            ++count;
        }
    }
    closedir(fds);
    return count;
}

bool EventWaiter::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    loop_ = &loop;
    done_ = &done;
    loop.exec();
    loop_ = nullptr;
    done_ = nullptr;
    return done();
}

void EventWaiter::notify() {
    if (loop_ != nullptr && (*done_)()) {
        loop_->exit(0);
    }
}

}  // namespace ptz::testing
