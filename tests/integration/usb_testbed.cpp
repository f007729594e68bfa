#include "usb_testbed.h"

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
#include <cstring>
#include <span>
#include <stdexcept>

#include "umockdev_preload.h"

namespace ptz::testing {
namespace {

constexpr size_t kSetupLength = 8;
constexpr uint8_t kStandardRequest = 0x00;
constexpr uint8_t kGetConfiguration = 0x08;
constexpr int kUsbSpeedHigh = 3;  // enum usb_device_speed

std::string joinedPorts(const std::vector<uint8_t>& ports, size_t depth) {
    std::string path;
    for (size_t i = 0; i < depth; ++i) {
        path += (i == 0 ? "" : ".") + std::to_string(ports[i]);
    }
    return path;
}

std::string sysfsName(const UsbDeviceSpec& spec) {
    return std::to_string(spec.bus) + "-" + joinedPorts(spec.ports, spec.ports.size());
}

// "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.4" for bus 1, ports {2, 4}.
std::string devicePath(const UsbDeviceSpec& spec) {
    std::string path = "/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(spec.bus);
    for (size_t depth = 1; depth <= spec.ports.size(); ++depth) {
        path += "/" + std::to_string(spec.bus) + "-" + joinedPorts(spec.ports, depth);
    }
    return path;
}

std::string hex(std::span<const uint8_t> bytes) {
    std::string text;
    char digits[3];
    for (const uint8_t byte : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", byte);
        text += digits;
    }
    return text;
}

// A driver's directory as an interface's `driver` link points at it, relative to the interface.
std::string driverLinkTarget(const std::string& interfacePath, const std::string& driver) {
    std::string up;
    for (const char c : interfacePath) {
        if (c == '/') {
            up += "../";
        }
    }
    return up + "bus/usb/drivers/" + driver;
}

struct InterfaceEntry {
    uint8_t number = 0;
    uint8_t interfaceClass = 0;
    uint8_t subclass = 0;
};

struct Configuration {
    uint8_t value = 0;
    std::vector<InterfaceEntry> interfaces;  // alternate setting 0 of each
};

// The first configuration of a device + configuration descriptor set, as the kernel reads it.
Configuration firstConfiguration(const std::vector<uint8_t>& descriptors) {
    Configuration configuration;
    if (descriptors.size() < 18 + 9) {
        throw std::runtime_error("descriptors too short for a configuration");
    }
    configuration.value = descriptors[18 + 5];
    const size_t end =
        std::min<size_t>(descriptors.size(), 18 + (descriptors[18 + 2] | descriptors[18 + 3] << 8));
    for (size_t offset = 18; offset + 2 <= end && descriptors[offset] >= 2;
         offset += descriptors[offset]) {
        const uint8_t* d = &descriptors[offset];
        if (d[1] == 0x04 && d[0] >= 9 && offset + 9 <= end && d[3] == 0) {
            configuration.interfaces.push_back({d[2], d[5], d[6]});
        }
    }
    return configuration;
}

void addFromString(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message + "\n" + description);
    }
}

std::string rootDir(UMockdevTestbed* testbed) {
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    std::string path(root);
    g_free(root);
    return path;
}

gboolean onHandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer device) {
    return static_cast<EmulatedUsbCamera*>(device)->handleIoctl(client) ? TRUE : FALSE;
}

// The block a pointer inside an ioctl argument points to, in the caller's memory; what is
// written to it reaches the caller when the ioctl completes.
class ResolvedData {
  public:
    ResolvedData(UMockdevIoctlData* parent, size_t offset, size_t length) {
        GError* error = nullptr;
        data_ = umockdev_ioctl_data_resolve(parent, offset, length, &error);
        g_clear_error(&error);
        if (data_ != nullptr && static_cast<size_t>(data_->data_len) < length) {
            g_object_unref(data_);
            data_ = nullptr;
        }
    }
    ~ResolvedData() {
        if (data_ != nullptr) {
            g_object_unref(data_);
        }
    }
    ResolvedData(const ResolvedData&) = delete;
    ResolvedData& operator=(const ResolvedData&) = delete;

    explicit operator bool() const { return data_ != nullptr; }
    UMockdevIoctlData* get() const { return data_; }
    uint8_t* bytes() const { return data_->data; }

    template <typename T>
    T read() const {
        T value{};
        std::memcpy(&value, data_->data, sizeof value);
        return value;
    }
    void write(size_t offset, const void* bytes, size_t length) {
        std::vector<guint8> copy(static_cast<const guint8*>(bytes),
                                 static_cast<const guint8*>(bytes) + length);
        umockdev_ioctl_data_update(data_, offset, copy.data(), static_cast<gint>(copy.size()));
    }

  private:
    UMockdevIoctlData* data_ = nullptr;
};

}  // namespace

UsbDeviceSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                       uint16_t vendorId, uint16_t productId) {
    UsbDeviceSpec spec;
    spec.bus = bus;
    spec.ports = std::move(ports);
    spec.deviceNumber = deviceNumber;
    spec.camera.vendorId = vendorId;
    spec.camera.productId = productId;
    return spec;
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

EmulatedUsbCamera::~EmulatedUsbCamera() = default;

std::string EmulatedUsbCamera::syspath() const {
    return "/sys" + devicePath(spec_);
}

std::string EmulatedUsbCamera::interfaceSyspath(uint8_t interfaceNumber) const {
    return syspath() + "/" + sysfsName(spec_) + ":" +
           std::to_string(firstConfiguration(spec_.descriptors).value) + "." +
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
    for (const InterfaceEntry& interface : firstConfiguration(spec_.descriptors).interfaces) {
        if (interface.interfaceClass == interfaceClass) {
            return interface.number;
        }
    }
    throw std::runtime_error("the device has no interface of class " +
                             std::to_string(interfaceClass));
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

int EmulatedUsbCamera::claimAttempts() const {
    std::lock_guard lock(mutex_);
    return claimAttempts_;
}

void EmulatedUsbCamera::setHanging(bool hanging) {
    std::lock_guard lock(mutex_);
    hanging_ = hanging;
}

void EmulatedUsbCamera::setGone(bool gone) {
    std::lock_guard lock(mutex_);
    gone_ = gone;
}

void EmulatedUsbCamera::setDriver(uint8_t interfaceNumber, const std::string& driver) {
    std::lock_guard lock(mutex_);
    if (driver.empty()) {
        spec_.drivers.erase(interfaceNumber);
    } else {
        spec_.drivers[interfaceNumber] = driver;
    }
}

bool EmulatedUsbCamera::handleIoctl(void* clientPointer) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    const auto complete = [client](long result, int errnoValue) {
        umockdev_ioctl_client_complete(client, result, errnoValue);
        return true;
    };
    const auto fail = [&](int errnoValue) { return complete(-1, errnoValue); };

    std::lock_guard lock(mutex_);
    if (gone_) {
        return fail(ENODEV);
    }
    const Configuration configuration = firstConfiguration(spec_.descriptors);
    const auto hasInterface = [&](unsigned number) {
        return std::any_of(configuration.interfaces.begin(), configuration.interfaces.end(),
                           [&](const InterfaceEntry& entry) { return entry.number == number; });
    };

    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            ResolvedData target(arg, 0, sizeof(uint32_t));
            if (!target) {
                return fail(EFAULT);
            }
            const uint32_t capabilities =
                USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            target.write(0, &capabilities, sizeof capabilities);
            return complete(0, 0);
        }
        case USBDEVFS_CONNECTINFO: {
            ResolvedData target(arg, 0, sizeof(usbdevfs_connectinfo));
            if (!target) {
                return fail(EFAULT);
            }
            const usbdevfs_connectinfo info{spec_.deviceNumber, 0};
            target.write(0, &info, sizeof info);
            return complete(0, 0);
        }
        case USBDEVFS_GET_SPEED:
            return complete(kUsbSpeedHigh, 0);
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_RELEASEINTERFACE: {
            ResolvedData target(arg, 0, sizeof(unsigned int));
            if (!target) {
                return fail(EFAULT);
            }
            const auto number = target.read<unsigned int>();
            if (!hasInterface(number)) {
                return fail(request == USBDEVFS_CLAIMINTERFACE ? ENOENT : EINVAL);
            }
            if (request == USBDEVFS_RELEASEINTERFACE) {
                return complete(0, 0);
            }
            ++claimAttempts_;
            // usbfs cannot take an interface that a kernel driver holds.
            if (spec_.drivers.count(static_cast<uint8_t>(number)) != 0) {
                return fail(EBUSY);
            }
            if (claimsToRefuse_ != 0) {
                claimsToRefuse_ -= claimsToRefuse_ > 0 ? 1 : 0;
                return fail(claimErrno_);
            }
            return complete(0, 0);
        }
        case USBDEVFS_CONTROL: {
            // Synchronous: libusb asks the active configuration this way.
            ResolvedData target(arg, 0, sizeof(usbdevfs_ctrltransfer));
            if (!target) {
                return fail(EFAULT);
            }
            const auto transfer = target.read<usbdevfs_ctrltransfer>();
            if ((transfer.bRequestType & 0x60) != kStandardRequest ||
                transfer.bRequest != kGetConfiguration || transfer.wLength < 1) {
                return fail(EPIPE);
            }
            ResolvedData data(target.get(), offsetof(usbdevfs_ctrltransfer, data), 1);
            if (!data) {
                return fail(EFAULT);
            }
            data.write(0, &configuration.value, 1);
            return complete(1, 0);
        }
        case USBDEVFS_SUBMITURB: {
            ResolvedData urbData(arg, 0, sizeof(usbdevfs_urb));
            if (!urbData) {
                return fail(EFAULT);
            }
            auto urb = urbData.read<usbdevfs_urb>();
            if (urb.type != USBDEVFS_URB_TYPE_CONTROL || urb.endpoint != 0 ||
                urb.buffer_length < static_cast<int>(kSetupLength)) {
                return fail(EINVAL);
            }
            ResolvedData buffer(urbData.get(), offsetof(usbdevfs_urb, buffer),
                                static_cast<size_t>(urb.buffer_length));
            if (!buffer) {
                return fail(EFAULT);
            }
            const unsigned long urbAddress = urbData.get()->client_addr;
            if (hanging_) {
                hungUrbs_.push_back(urbAddress);
                return complete(0, 0);
            }
            std::array<uint8_t, kSetupLength> setup{};
            std::copy_n(buffer.bytes(), kSetupLength, setup.begin());
            const size_t wLength = setup[6] | setup[7] << 8;
            std::vector<uint8_t> stage(
                buffer.bytes() + kSetupLength,
                buffer.bytes() + kSetupLength +
                    std::min(wLength, static_cast<size_t>(urb.buffer_length) - kSetupLength));
            const sim::ControlReply reply = camera_.controlRequest(setup, stage);
            if ((setup[0] & 0x80) != 0 && !reply.stalled) {
                buffer.write(kSetupLength, stage.data(), reply.length);
            }
            urb.status = reply.stalled ? -EPIPE : 0;
            urb.actual_length = reply.stalled ? 0 : static_cast<int>(reply.length);
            urbData.write(offsetof(usbdevfs_urb, status), &urb.status, sizeof urb.status);
            urbData.write(offsetof(usbdevfs_urb, actual_length), &urb.actual_length,
                          sizeof urb.actual_length);
            finishedUrbs_.push_back(urbAddress);
            return complete(0, 0);
        }
        case USBDEVFS_REAPURBNDELAY:
        case USBDEVFS_REAPURB: {
            if (finishedUrbs_.empty()) {
                return fail(EAGAIN);
            }
            ResolvedData slot(arg, 0, sizeof(void*));
            if (!slot) {
                return fail(EFAULT);
            }
            const unsigned long urbAddress = finishedUrbs_.front();
            finishedUrbs_.erase(finishedUrbs_.begin());
            slot.write(0, &urbAddress, sizeof urbAddress);
            return complete(0, 0);
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
            return complete(0, 0);
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
    const Configuration configuration = firstConfiguration(made.descriptors);
    // umockdev's text format: P: path, N: device node (= its contents in hex), E: property,
    // A: attribute (a "\n" in the value is a line break), H: binary attribute in hex, L: link.
    const auto attribute = [](const std::string& name, const std::string& value) {
        return "A: " + name + "=" + value + "\\n\n";
    };
    const auto hex4 = [](uint16_t id) {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", id);
        return std::string(text);
    };
    const std::string path = devicePath(made);
    const std::string node = device->devnode();
    const uint16_t vendorId = made.descriptors[8] | made.descriptors[9] << 8;
    const uint16_t productId = made.descriptors[10] | made.descriptors[11] << 8;
    std::string text = "P: " + path + "\nN: " + node.substr(5) + "=" + hex(made.descriptors) +
                       "\nE: DEVNAME=" + node + "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n" +
                       attribute("busnum", std::to_string(made.bus)) +
                       attribute("devnum", std::to_string(made.deviceNumber)) +
                       attribute("devpath", joinedPorts(made.ports, made.ports.size())) +
                       attribute("idVendor", hex4(vendorId)) +
                       attribute("idProduct", hex4(productId)) +
                       attribute("product", made.camera.product) +
                       attribute("bConfigurationValue", std::to_string(configuration.value)) +
                       attribute("speed", "480") + "H: descriptors=" + hex(made.descriptors) + "\n";
    for (const InterfaceEntry& interface : configuration.interfaces) {
        const std::string interfacePath = device->interfaceSyspath(interface.number).substr(4);
        char fields[3][4];
        std::snprintf(fields[0], sizeof fields[0], "%02x", interface.number);
        std::snprintf(fields[1], sizeof fields[1], "%02x", interface.interfaceClass);
        std::snprintf(fields[2], sizeof fields[2], "%02x", interface.subclass);
        text += "\nP: " + interfacePath + "\nE: DEVTYPE=usb_interface\nE: SUBSYSTEM=usb\n" +
                attribute("bInterfaceNumber", fields[0]) + attribute("bAlternateSetting", "00") +
                attribute("bInterfaceClass", fields[1]) +
                attribute("bInterfaceSubClass", fields[2]);
        const auto driver = made.drivers.find(interface.number);
        if (driver != made.drivers.end()) {
            text += "L: driver=" + driverLinkTarget(interfacePath, driver->second) + "\n";
        }
    }
    addFromString(testbed_, text);

    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onHandleIoctl), device.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), handler, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        g_object_unref(handler);
        throw std::runtime_error("cannot answer the usbfs node: " + message);
    }
    handlers_.push_back(handler);
    devices_.push_back(std::move(device));
    return *devices_.back();
}

void UsbTestbed::setDriver(EmulatedUsbCamera& device, uint8_t interfaceNumber,
                           const std::string& driver) {
    device.setDriver(interfaceNumber, driver);
    const std::string interfacePath = device.interfaceSyspath(interfaceNumber);
    const std::string link = rootDir(testbed_) + interfacePath + "/driver";
    unlink(link.c_str());
    if (!driver.empty()) {
        umockdev_testbed_set_attribute_link(
            testbed_, interfacePath.c_str(), "driver",
            driverLinkTarget(interfacePath.substr(4), driver).c_str());
    }
    umockdev_testbed_uevent(testbed_, interfacePath.c_str(), driver.empty() ? "unbind" : "bind");
}

void UsbTestbed::unplug(EmulatedUsbCamera& device) {
    device.setGone(true);
    // Children first, as the kernel removes them; umockdev would leave their bus links behind.
    for (const InterfaceEntry& interface :
         firstConfiguration(device.spec().descriptors).interfaces) {
        const std::string interfacePath = device.interfaceSyspath(interface.number);
        umockdev_testbed_uevent(testbed_, interfacePath.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, interfacePath.c_str());
    }
    umockdev_testbed_uevent(testbed_, device.syspath().c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, device.syspath().c_str());
}

void UsbTestbed::denyAccess(const EmulatedUsbCamera& device) {
    denyAccess(device.devnode());
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
