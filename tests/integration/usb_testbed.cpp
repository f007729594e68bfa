#include "usb_testbed.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string_view>

namespace ptz::testing {
namespace {

constexpr size_t kSetupLength = 8;
constexpr const char* kPreload = "libumockdev-preload.so.0";

bool preloadRequested() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::string_view(preload).find(kPreload) != std::string_view::npos;
}

// Lower case for sysfs attributes; umockdev reads binary contents in upper case only.
std::string hex(unsigned value, int digits, bool upper = false) {
    char text[12];
    std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", digits, value);
    return text;
}

// "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.4" for bus 1, ports {2, 4}: the device's
// sysfs name is its last part.
std::string devicePath(const UsbDeviceSpec& spec) {
    std::string path = "/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(spec.bus);
    std::string name = std::to_string(spec.bus) + "-";
    for (size_t i = 0; i < spec.ports.size(); ++i) {
        name += (i == 0 ? "" : ".") + std::to_string(spec.ports[i]);
        path += "/" + name;
    }
    return path;
}

// A driver's directory as an interface's `driver` link points at it, relative to the interface.
std::string driverLinkTarget(const std::string& interfacePath, const std::string& driver) {
    std::string up;
    for (auto n = std::count(interfacePath.begin(), interfacePath.end(), '/'); n > 0; --n) {
        up += "../";
    }
    return up + "bus/usb/drivers/" + driver;
}

struct Interface {
    uint8_t number, interfaceClass, subclass;
};

// bConfigurationValue and the interfaces (alternate setting 0) of the first configuration of a
// device + configuration descriptor set, as the kernel reads it.
std::pair<uint8_t, std::vector<Interface>> firstConfiguration(const std::vector<uint8_t>& d) {
    if (d.size() < 18 + 9) {
        throw std::runtime_error("descriptors too short for a configuration");
    }
    std::vector<Interface> interfaces;
    const size_t end = std::min<size_t>(d.size(), 18 + (d[18 + 2] | d[18 + 3] << 8));
    for (size_t at = 18; at + 2 <= end && d[at] >= 2; at += d[at]) {
        if (d[at + 1] == 0x04 && d[at] >= 9 && at + 9 <= end && d[at + 3] == 0) {
            interfaces.push_back({d[at + 2], d[at + 5], d[at + 6]});
        }
    }
    return {d[18 + 5], interfaces};
}

std::string rootDir(UMockdevTestbed* testbed) {
    g_autofree gchar* root = umockdev_testbed_get_root_dir(testbed);
    return root;
}

gboolean onHandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device) {
    return static_cast<EmulatedUsbCamera*>(device)->handleIoctl(client) ? TRUE : FALSE;
}

// The block a pointer inside an ioctl argument points to, in the caller's memory, or null.
using Resolved = std::unique_ptr<UMockdevIoctlData, void (*)(gpointer)>;
Resolved resolve(UMockdevIoctlData* parent, size_t offset, size_t length) {
    UMockdevIoctlData* data = umockdev_ioctl_data_resolve(parent, offset, length, nullptr);
    if (data != nullptr && static_cast<size_t>(data->data_len) < length) {
        g_object_unref(data);
        data = nullptr;
    }
    return Resolved(data, g_object_unref);
}

// Reaches the caller when the ioctl completes.
void write(UMockdevIoctlData* data, size_t offset, const void* bytes, size_t length) {
    std::vector<guint8> copy(static_cast<const guint8*>(bytes),
                             static_cast<const guint8*>(bytes) + length);
    umockdev_ioctl_data_update(data, offset, copy.data(), static_cast<gint>(length));
}

template <typename T>
T read(const Resolved& data) {
    T value{};
    std::memcpy(&value, data->data, sizeof value);
    return value;
}

}  // namespace

bool runsBehindUmockdevPreload() {
    return preloadRequested() && dlopen(kPreload, RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

void ensureUmockdevPreload(char** argv) {
    if (preloadRequested()) {
        if (!runsBehindUmockdevPreload()) {
            std::fprintf(stderr, "%s is not active; is umockdev installed?\n", kPreload);
            std::exit(1);
        }
        return;
    }
    const auto prepend = [](const char* name, std::string value, const char* separator) {
        const char* old = std::getenv(name);
        if (old != nullptr && *old != '\0') {
            value += separator + std::string(old);
        }
        setenv(name, value.c_str(), 1);
    };
    prepend("LD_PRELOAD", kPreload, ":");
    // The sanitizer runtime would refuse to start behind the preload.
    prepend("ASAN_OPTIONS", "verify_asan_link_order=0", ":");
    execv("/proc/self/exe", argv);
    std::perror("re-executing under libumockdev-preload.so.0");
    std::exit(1);
}

UsbDeviceSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                       uint16_t vendorId, uint16_t productId) {
    sim::CameraSpec camera;
    camera.vendorId = vendorId;
    camera.productId = productId;
    return {bus, std::move(ports), deviceNumber, camera, {}, {}};
}

EmulatedUsbCamera::EmulatedUsbCamera(UsbDeviceSpec spec)
    : spec_(std::move(spec)), camera_(clock_, spec_.camera) {
    if (spec_.descriptors.empty()) {
        spec_.descriptors = camera_.deviceDescriptor();
        const std::vector<uint8_t> configuration = camera_.configurationDescriptor();
        spec_.descriptors.insert(spec_.descriptors.end(), configuration.begin(),
                                 configuration.end());
    }
}

std::string EmulatedUsbCamera::syspath() const {
    return "/sys" + devicePath(spec_);
}

std::string EmulatedUsbCamera::interfaceSyspath(uint8_t interfaceNumber) const {
    const std::string path = syspath();
    return path + path.substr(path.rfind('/')) + ":" +
           std::to_string(firstConfiguration(spec_.descriptors).first) + "." +
           std::to_string(interfaceNumber);
}

std::string EmulatedUsbCamera::devnode() const {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", spec_.bus, spec_.deviceNumber);
    return node;
}

uint32_t EmulatedUsbCamera::locationId() const {
    uint32_t location = static_cast<uint32_t>(spec_.bus) << 24;
    for (size_t i = 0; i < spec_.ports.size() && i < 6; ++i) {
        location |= static_cast<uint32_t>(spec_.ports[i] & 0x0F) << (20 - 4 * i);
    }
    return location;
}

uint8_t EmulatedUsbCamera::firstInterfaceOfClass(uint8_t interfaceClass) const {
    for (const Interface& interface : firstConfiguration(spec_.descriptors).second) {
        if (interface.interfaceClass == interfaceClass) {
            return interface.number;
        }
    }
    throw std::runtime_error("no interface of class " + std::to_string(interfaceClass));
}

std::vector<std::string> EmulatedUsbCamera::requestLines() const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    for (const sim::RecordedRequest& request : camera_.requests()) {
        lines.push_back(sim::requestLine(request));
    }
    return lines;
}

void EmulatedUsbCamera::clearRequests() {
    std::lock_guard lock(mutex_);
    camera_.clearRequests();
}

void EmulatedUsbCamera::refuseClaims(int errnoValue, int count) {
    std::lock_guard lock(mutex_);
    claimErrno_ = errnoValue;
    claimsToRefuse_ = count;
}

void EmulatedUsbCamera::setHanging(bool hanging) {
    std::lock_guard lock(mutex_);
    hanging_ = hanging;
}

bool EmulatedUsbCamera::handleIoctl(void* clientPointer) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const auto complete = [client](long result, int errnoValue = 0) {
        umockdev_ioctl_client_complete(client, result, errnoValue);
        return true;
    };
    const auto fail = [&](int errnoValue) { return complete(-1, errnoValue); };

    std::lock_guard lock(mutex_);
    if (gone_) {
        return fail(ENODEV);
    }
    const auto [configurationValue, interfaces] = firstConfiguration(spec_.descriptors);
    const auto hasInterface = [&](unsigned number) {
        return std::any_of(interfaces.begin(), interfaces.end(),
                           [&](const Interface& entry) { return entry.number == number; });
    };
    // A request's number holds the size of what its argument points to (none for those whose
    // argument is a value).
    const size_t argumentSize = _IOC_SIZE(request);
    const Resolved target =
        argumentSize != 0 ? resolve(arg, 0, argumentSize) : Resolved(nullptr, g_object_unref);
    if (argumentSize != 0 && !target) {
        return fail(EFAULT);
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            const uint32_t capabilities =
                USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            write(target.get(), 0, &capabilities, sizeof capabilities);
            return complete(0);
        }
        case USBDEVFS_CONNECTINFO: {
            const usbdevfs_connectinfo info{spec_.deviceNumber, 0};
            write(target.get(), 0, &info, sizeof info);
            return complete(0);
        }
        case USBDEVFS_GET_SPEED:
            return complete(3);  // USB_SPEED_HIGH
        case USBDEVFS_RELEASEINTERFACE:
            return hasInterface(read<unsigned>(target)) ? complete(0) : fail(EINVAL);
        case USBDEVFS_CLAIMINTERFACE: {
            const auto number = read<unsigned>(target);
            if (!hasInterface(number)) {
                return fail(ENOENT);
            }
            // usbfs cannot take an interface that a kernel driver holds.
            if (spec_.drivers.count(static_cast<uint8_t>(number)) != 0) {
                return fail(EBUSY);
            }
            if (claimsToRefuse_ != 0) {
                claimsToRefuse_ -= claimsToRefuse_ > 0 ? 1 : 0;
                return fail(claimErrno_);
            }
            return complete(0);
        }
        case USBDEVFS_CONTROL: {
            // Synchronous: the standard GET_CONFIGURATION alone, as libusb asks it.
            const auto transfer = read<usbdevfs_ctrltransfer>(target);
            if (transfer.bRequestType != 0x80 || transfer.bRequest != 0x08 ||
                transfer.wLength < 1) {
                return fail(EPIPE);
            }
            const Resolved data = resolve(target.get(), offsetof(usbdevfs_ctrltransfer, data), 1);
            if (!data) {
                return fail(EFAULT);
            }
            write(data.get(), 0, &configurationValue, 1);
            return complete(1);
        }
        case USBDEVFS_SUBMITURB: {
            auto urb = read<usbdevfs_urb>(target);
            if (urb.type != USBDEVFS_URB_TYPE_CONTROL || urb.endpoint != 0 ||
                urb.buffer_length < static_cast<int>(kSetupLength)) {
                return fail(EINVAL);
            }
            const auto length = static_cast<size_t>(urb.buffer_length);
            const Resolved buffer = resolve(target.get(), offsetof(usbdevfs_urb, buffer), length);
            if (!buffer) {
                return fail(EFAULT);
            }
            if (hanging_) {
                hungUrbs_.push_back(target->client_addr);
                return complete(0);
            }
            const std::span<const uint8_t, kSetupLength> setup(buffer->data, kSetupLength);
            const size_t wLength =
                std::min<size_t>(setup[6] | setup[7] << 8, length - kSetupLength);
            std::vector<uint8_t> stage(buffer->data + kSetupLength,
                                       buffer->data + kSetupLength + wLength);
            const sim::ControlReply reply = camera_.controlRequest(setup, stage);
            if ((setup[0] & 0x80) != 0 && !reply.stalled) {
                write(buffer.get(), kSetupLength, stage.data(), reply.length);
            }
            urb.status = reply.stalled ? -EPIPE : 0;
            urb.actual_length = reply.stalled ? 0 : static_cast<int>(reply.length);
            write(target.get(), 0, &urb, sizeof urb);
            finishedUrbs_.push_back(target->client_addr);
            return complete(0);
        }
        case USBDEVFS_REAPURBNDELAY:
        case USBDEVFS_REAPURB: {
            if (finishedUrbs_.empty()) {
                return fail(EAGAIN);
            }
            write(target.get(), 0, &finishedUrbs_.front(), sizeof(unsigned long));
            finishedUrbs_.erase(finishedUrbs_.begin());
            return complete(0);
        }
        case USBDEVFS_DISCARDURB: {
            // The argument is the URB's address itself.
            unsigned long urbAddress = 0;
            std::memcpy(&urbAddress, arg->data,
                        std::min(sizeof urbAddress, static_cast<size_t>(arg->data_len)));
            const auto hung = std::find(hungUrbs_.begin(), hungUrbs_.end(), urbAddress);
            if (hung == hungUrbs_.end()) {
                return fail(EINVAL);
            }
            hungUrbs_.erase(hung);
            finishedUrbs_.push_back(urbAddress);
            return complete(0);
        }
        default:
            return fail(ENOTTY);
    }
}

UsbTestbed::UsbTestbed() {
    if (!runsBehindUmockdevPreload()) {
        throw std::runtime_error("the emulated USB bus needs umockdev's preload");
    }
    testbed_ = umockdev_testbed_new();
}

UsbTestbed::~UsbTestbed() {
    // Root again, to clear the testbed away.
    if (actsAsNobody_ && (seteuid(0) != 0 || setegid(0) != 0)) {
        std::perror("seteuid");
    }
    for (void* handler : handlers_) {
        g_object_unref(handler);
    }
    g_object_unref(testbed_);
}

EmulatedUsbCamera& UsbTestbed::add(UsbDeviceSpec spec) {
    auto device = std::make_unique<EmulatedUsbCamera>(std::move(spec));
    const UsbDeviceSpec& made = device->spec();
    const std::vector<uint8_t>& d = made.descriptors;
    const auto [configurationValue, interfaces] = firstConfiguration(d);
    // umockdev's text format: P: path, N: device node (= its contents in hex), E: property,
    // A: attribute (a "\n" in the value is a line break), H: binary attribute in hex, L: link.
    const auto attribute = [](const std::string& name, const std::string& value) {
        return "A: " + name + "=" + value + "\\n\n";
    };
    std::string contents;
    for (const uint8_t byte : d) {
        contents += hex(byte, 2, true);
    }
    const std::string node = device->devnode(), syspath = device->syspath();
    const std::string devpath = syspath.substr(syspath.find('-', syspath.rfind('/')) + 1);
    std::string text = "P: " + devicePath(made) + "\nN: " + node.substr(5) + "=" + contents +
                       "\nE: DEVNAME=" + node + "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n" +
                       attribute("busnum", std::to_string(made.bus)) +
                       attribute("devnum", std::to_string(made.deviceNumber)) +
                       attribute("devpath", devpath) +
                       attribute("idVendor", hex(d[8] | d[9] << 8, 4)) +
                       attribute("idProduct", hex(d[10] | d[11] << 8, 4)) +
                       attribute("product", made.camera.product) +
                       attribute("bConfigurationValue", std::to_string(configurationValue)) +
                       attribute("speed", "480") + "H: descriptors=" + contents + "\n";
    for (const Interface& interface : interfaces) {
        const std::string path = device->interfaceSyspath(interface.number).substr(4);
        text += "\nP: " + path + "\nE: DEVTYPE=usb_interface\nE: SUBSYSTEM=usb\n" +
                attribute("bInterfaceNumber", hex(interface.number, 2)) +
                attribute("bAlternateSetting", "00") +
                attribute("bInterfaceClass", hex(interface.interfaceClass, 2)) +
                attribute("bInterfaceSubClass", hex(interface.subclass, 2));
        if (const auto driver = made.drivers.find(interface.number); driver != made.drivers.end()) {
            text += "L: driver=" + driverLinkTarget(path, driver->second) + "\n";
        }
    }
    GError* error = nullptr;
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onHandleIoctl), device.get());
    handlers_.push_back(handler);
    if (!umockdev_testbed_add_from_string(testbed_, text.c_str(), &error) ||
        !umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message + "\n" + text);
    }
    devices_.push_back(std::move(device));
    return *devices_.back();
}

void UsbTestbed::setDriver(EmulatedUsbCamera& device, uint8_t interfaceNumber,
                           const std::string& driver) {
    {
        std::lock_guard lock(device.mutex_);
        if (driver.empty()) {
            device.spec_.drivers.erase(interfaceNumber);
        } else {
            device.spec_.drivers[interfaceNumber] = driver;
        }
    }
    const std::string path = device.interfaceSyspath(interfaceNumber);
    unlink((rootDir(testbed_) + path + "/driver").c_str());
    if (!driver.empty()) {
        umockdev_testbed_set_attribute_link(testbed_, path.c_str(), "driver",
                                            driverLinkTarget(path.substr(4), driver).c_str());
    }
    umockdev_testbed_uevent(testbed_, path.c_str(), driver.empty() ? "unbind" : "bind");
}

void UsbTestbed::unplug(EmulatedUsbCamera& device) {
    {
        std::lock_guard lock(device.mutex_);
        device.gone_ = true;
    }
    // Children first, as the kernel removes them; umockdev would leave their bus links behind.
    std::vector<std::string> paths;
    for (const Interface& interface : firstConfiguration(device.spec().descriptors).second) {
        paths.push_back(device.interfaceSyspath(interface.number));
    }
    paths.push_back(device.syspath());
    for (const std::string& path : paths) {
        umockdev_testbed_uevent(testbed_, path.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, path.c_str());
    }
}

void UsbTestbed::denyAccess(const std::string& devnode) {
    const std::string root = rootDir(testbed_);
    if (chmod((root + devnode).c_str(), 0) != 0) {
        throw std::runtime_error("cannot take the permissions of " + devnode);
    }
    if (geteuid() != 0) {
        return;
    }
    // Root may open anything: become nobody. Nobody must still reach the testbed's sysfs, and
    // the node's ioctl socket, which umockdev's preload connects to whether the open succeeds
    // or not.
    const std::string socket = root + "/ioctl" + devnode;
    bool reachable = chmod(socket.c_str(), 0666) == 0;
    for (std::string directory = socket.substr(0, socket.rfind('/'));
         reachable && directory.size() >= root.size();
         directory = directory.substr(0, directory.rfind('/'))) {
        reachable = chmod(directory.c_str(), 0755) == 0;
    }
    constexpr uid_t kNobody = 65534;
    if (!reachable || setegid(kNobody) != 0 || seteuid(kNobody) != 0) {
        throw std::runtime_error("cannot act as nobody");
    }
    actsAsNobody_ = true;
}

int runTestsUnderUmockdev(int argc, char** argv) {
    ensureUmockdevPreload(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace ptz::testing
