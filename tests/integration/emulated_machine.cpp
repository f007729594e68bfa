#include "emulated_machine.h"

#include <dlfcn.h>
#include <linux/usbdevice_fs.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
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
#include <filesystem>
#include <fstream>
#include <iterator>
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

bool runsBehindUmockdevPreload() {
    return preloadRequested() && dlopen(kPreload, RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

// Lower case for sysfs attributes; umockdev reads binary contents in upper case only.
std::string hex(unsigned value, int digits, bool upper = false) {
    char text[12];
    std::snprintf(text, sizeof text, upper ? "%0*X" : "%0*x", digits, value);
    return text;
}

// "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.4" for bus 1, ports {2, 4}.
std::string devicePath(const UsbDeviceSpec& spec) {
    std::string path = "/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(spec.bus);
    std::string name = std::to_string(spec.bus) + "-";
    for (size_t i = 0; i < spec.ports.size(); ++i) {
        name += (i == 0 ? "" : ".") + std::to_string(spec.ports[i]);
        path += "/" + name;
    }
    return path;
}

struct Interface {
    uint8_t number, interfaceClass, subclass;
};

// bConfigurationValue and the interfaces (alternate setting 0) of the first configuration.
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

void throwOn(GError* error, const std::string& what) {
    if (error != nullptr) {
        const std::string message = "umockdev: " + what + ": " + error->message;
        g_error_free(error);
        throw std::runtime_error(message);
    }
}

// umockdev's record format: P: path, N: device node (= its contents in hex), E: property,
// A: attribute (a "\n" in the value is a line break), H: binary attribute in hex, L: link.
std::string attribute(const std::string& name, const std::string& value) {
    return "A: " + name + "=" + value + "\\n\n";
}

template <typename T>
T read(const IoctlBlock& data) {
    T value{};
    std::memcpy(&value, data->data, sizeof value);
    return value;
}

// Reaches the caller when the ioctl completes (umockdev only reads `bytes`).
void write(UMockdevIoctlData* data, size_t offset, const void* bytes, size_t length) {
    umockdev_ioctl_data_update(data, offset, static_cast<guint8*>(const_cast<void*>(bytes)),
                               static_cast<gint>(length));
}

UMockdevIoctlBase* newHandler(GCallback onIoctl, gpointer data) {
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", onIoctl, data);
    return handler;
}

}  // namespace

// uvcvideo bound to one VideoControl interface: the model of the driver, and its nodes.
struct EmulatedUsbDevice::VideoFunction {
    struct Node {
        VideoFunction* function;
        VideoNodeKind kind;
        std::string devnode;
        std::vector<unsigned long> ioctls{};
    };

    // v4l2_ioctl and video_usercopy: the argument, and the block its pointer leads to, copied
    // in; then the driver, under the device's lock.
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer nodeData) {
        Node& node = *static_cast<Node*>(nodeData);
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        const IoctlBlock argument =
            resolve(umockdev_ioctl_client_get_arg(client), 0, _IOC_SIZE(request));
        size_t innerLength = 0, innerOffset = 0;
        if (argument && (request == VIDIOC_G_EXT_CTRLS || request == VIDIOC_S_EXT_CTRLS ||
                         request == VIDIOC_TRY_EXT_CTRLS)) {
            innerOffset = offsetof(v4l2_ext_controls, controls);
            innerLength = read<v4l2_ext_controls>(argument).count * sizeof(v4l2_ext_control);
        } else if (argument && request == UVCIOC_CTRL_QUERY) {
            innerOffset = offsetof(uvc_xu_control_query, data);
            innerLength = read<uvc_xu_control_query>(argument).size;
        }
        const IoctlBlock inner = resolve(argument.get(), innerOffset, innerLength);
        const std::lock_guard lock(node.function->device.mutex_);
        node.ioctls.push_back(request);
        int error = _IOC_SIZE(request) == 0 ? ENOTTY : EFAULT;
        if (argument && (innerLength == 0 || inner)) {
            error = node.function->driver.ioctl(node.kind, request, argument->data);
        }
        umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
        return TRUE;
    }

    EmulatedUsbDevice& device;
    UvcvideoDriverModel driver;
    Node nodes[2];
};

IoctlBlock resolve(UMockdevIoctlData* parent, size_t offset, size_t length) {
    UMockdevIoctlData* data =
        length == 0 ? nullptr : umockdev_ioctl_data_resolve(parent, offset, length, nullptr);
    if (data != nullptr && static_cast<size_t>(data->data_len) < length) {
        g_object_unref(data);
        data = nullptr;
    }
    return IoctlBlock(data, g_object_unref);
}

void addRecords(UMockdevTestbed* testbed, const std::string& records) {
    GError* error = nullptr;
    umockdev_testbed_add_from_string(testbed, records.c_str(), &error);
    throwOn(error, "adding\n" + records);
}

void attachIoctl(UMockdevTestbed* testbed, const std::string& devnode, void* handler) {
    GError* error = nullptr;
    umockdev_testbed_attach_ioctl(testbed, devnode.c_str(),
                                  static_cast<UMockdevIoctlBase*>(handler), &error);
    throwOn(error, "attaching " + devnode);
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
    UsbDeviceSpec spec{bus, std::move(ports), deviceNumber, {}, {}, {}, {}, {}};
    spec.camera = {.vendorId = vendorId, .productId = productId};
    return spec;
}

EmulatedUsbDevice::EmulatedUsbDevice(UsbDeviceSpec spec)
    : spec_(std::move(spec)), camera_(clock_, spec_.camera) {
    if (spec_.descriptors.empty()) {
        spec_.descriptors = camera_.deviceDescriptor();
        std::ranges::copy(camera_.configurationDescriptor(), std::back_inserter(spec_.descriptors));
    }
}

EmulatedUsbDevice::~EmulatedUsbDevice() = default;

std::string EmulatedUsbDevice::syspath() const {
    return "/sys" + devicePath(spec_);
}

std::string EmulatedUsbDevice::interfaceSyspath(uint8_t interfaceNumber) const {
    const std::string path = syspath();
    return path + path.substr(path.rfind('/')) + ":" +
           std::to_string(firstConfiguration(spec_.descriptors).first) + "." +
           std::to_string(interfaceNumber);
}

std::string EmulatedUsbDevice::devnode() const {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", spec_.bus, spec_.deviceNumber);
    return node;
}

uint32_t EmulatedUsbDevice::locationId() const {
    uint32_t location = static_cast<uint32_t>(spec_.bus) << 24;
    for (size_t i = 0; i < spec_.ports.size() && i < 6; ++i) {
        location |= static_cast<uint32_t>(spec_.ports[i] & 0x0F) << (20 - 4 * i);
    }
    return location;
}

std::string EmulatedUsbDevice::hidrawSyspath(uint8_t interfaceNumber) const {
    const std::lock_guard lock(mutex_);
    return driverNodes_.at(interfaceNumber).syspaths.at(0);
}

std::vector<unsigned long> EmulatedUsbDevice::videoIoctls(VideoNodeKind kind) const {
    const std::lock_guard lock(mutex_);
    return videoFunctions_.empty()
               ? std::vector<unsigned long>{}
               : videoFunctions_.back()->nodes[kind == VideoNodeKind::kCapture ? 0 : 1].ioctls;
}

std::vector<std::string> EmulatedUsbDevice::requestLines() const {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> lines;
    std::ranges::transform(camera_.requests(), std::back_inserter(lines), sim::requestLine);
    return lines;
}

void EmulatedUsbDevice::clearRequests() {
    const std::lock_guard lock(mutex_);
    camera_.clearRequests();
}

sim::CameraState EmulatedUsbDevice::state() const {
    const std::lock_guard lock(mutex_);
    return camera_.state();
}

void EmulatedUsbDevice::advanceClock(std::chrono::milliseconds by) {
    const std::lock_guard lock(mutex_);
    clock_.advance(by);
}

void EmulatedUsbDevice::refuseClaims(int errnoValue, int count) {
    const std::lock_guard lock(mutex_);
    claimErrno_ = errnoValue;
    claimsToRefuse_ = count;
}

void EmulatedUsbDevice::setHanging(bool hanging) {
    const std::lock_guard lock(mutex_);
    hanging_ = hanging;
}

bool EmulatedUsbDevice::answerUsbfs(void* clientPointer) {
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
        return std::ranges::find(interfaces, number, &Interface::number) != interfaces.end();
    };
    // The size of what the argument points to; 0 for an argument that is a value.
    const size_t argumentSize = _IOC_SIZE(request);
    const IoctlBlock target = resolve(arg, 0, argumentSize);
    if (argumentSize != 0 && !target) {
        return fail(EFAULT);
    }
    const auto reply = [&](const auto& value) {
        write(target.get(), 0, &value, sizeof value);
        return complete(0);
    };
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES:
            return reply(uint32_t{USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                  USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                  USBDEVFS_CAP_REAP_AFTER_DISCONNECT});
        case USBDEVFS_CONNECTINFO:
            return reply(usbdevfs_connectinfo{spec_.deviceNumber, 0});
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
            const IoctlBlock data = resolve(target.get(), offsetof(usbdevfs_ctrltransfer, data), 1);
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
            const IoctlBlock buffer = resolve(target.get(), offsetof(usbdevfs_urb, buffer), length);
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
            const sim::ControlReply answer = camera_.controlRequest(setup, stage);
            if ((setup[0] & 0x80) != 0 && !answer.stalled) {
                write(buffer.get(), kSetupLength, stage.data(), answer.length);
            }
            urb.status = answer.stalled ? -EPIPE : 0;
            urb.actual_length = answer.stalled ? 0 : static_cast<int>(answer.length);
            finishedUrbs_.push_back(target->client_addr);
            return reply(urb);
        }
        case USBDEVFS_REAPURBNDELAY: {
            if (finishedUrbs_.empty()) {
                return fail(EAGAIN);
            }
            const unsigned long urbAddress = finishedUrbs_.front();
            finishedUrbs_.erase(finishedUrbs_.begin());
            return reply(urbAddress);
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

EmulatedMachine::EmulatedMachine() {
    if (!runsBehindUmockdevPreload()) {
        throw std::runtime_error("the emulated machine needs umockdev's preload");
    }
    testbed_ = umockdev_testbed_new();
}

EmulatedMachine::~EmulatedMachine() {
    // Root again, to clear the testbed away.
    if (actsAsNobody_ && (seteuid(0) != 0 || setegid(0) != 0)) {
        std::perror("seteuid");
    }
    for (void* handler : handlers_) {
        g_object_unref(handler);
    }
    g_object_unref(testbed_);
}

EmulatedUsbDevice& EmulatedMachine::add(UsbDeviceSpec spec) {
    EmulatedUsbDevice& device =
        *devices_.emplace_back(std::make_unique<EmulatedUsbDevice>(std::move(spec)));
    const std::vector<uint8_t>& d = device.spec_.descriptors;
    const auto [configurationValue, interfaces] = firstConfiguration(d);
    std::string contents;
    for (const uint8_t byte : d) {
        contents += hex(byte, 2, true);
    }
    const std::string node = device.devnode(), path = devicePath(device.spec_);
    std::string text = "P: " + path + "\nN: " + node.substr(5) + "=" + contents +
                       "\nE: DEVNAME=" + node + "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n" +
                       attribute("busnum", std::to_string(device.spec_.bus)) +
                       attribute("devnum", std::to_string(device.spec_.deviceNumber)) +
                       attribute("devpath", path.substr(path.find('-', path.rfind('/')) + 1)) +
                       attribute("idVendor", hex(d[8] | d[9] << 8, 4)) +
                       attribute("idProduct", hex(d[10] | d[11] << 8, 4)) +
                       attribute("product", device.spec_.camera.product) +
                       attribute("bConfigurationValue", std::to_string(configurationValue)) +
                       attribute("speed", "480") + "H: descriptors=" + contents + "\n";
    for (const Interface& interface : interfaces) {
        text += "\nP: " + device.interfaceSyspath(interface.number).substr(4) +
                "\nE: DEVTYPE=usb_interface\nE: SUBSYSTEM=usb\n" +
                attribute("bInterfaceNumber", hex(interface.number, 2)) +
                attribute("bAlternateSetting", "00") +
                attribute("bInterfaceClass", hex(interface.interfaceClass, 2)) +
                attribute("bInterfaceSubClass", hex(interface.subclass, 2));
    }
    addRecords(testbed_, text);
    handlers_.push_back(newHandler(
        G_CALLBACK(+[](UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
            return static_cast<EmulatedUsbDevice*>(self)->answerUsbfs(client) ? TRUE : FALSE;
        }),
        &device));
    attachIoctl(testbed_, node, handlers_.back());
    for (const auto& [interfaceNumber, driver] : std::map(device.spec_.drivers)) {
        bind(device, interfaceNumber, driver);
    }
    return device;
}

void EmulatedMachine::setDriver(EmulatedUsbDevice& device, uint8_t interfaceNumber,
                                const std::string& driver) {
    unbind(device, interfaceNumber);
    if (!driver.empty()) {
        bind(device, interfaceNumber, driver);
    }
}

// usb_probe_interface: the driver's probe makes its nodes, then the interface has its driver.
void EmulatedMachine::bind(EmulatedUsbDevice& device, uint8_t interfaceNumber,
                           const std::string& driver) {
    const std::string path = device.interfaceSyspath(interfaceNumber);
    EmulatedUsbDevice::DriverNodes made;
    if (driver == "uvcvideo") {
        const std::optional<VideoNodeNumbers>& numbers = device.spec_.videoNodes;
        auto* function =
            new EmulatedUsbDevice::VideoFunction{device, {device.camera_, device.spec_.kernel}, {}};
        device.videoFunctions_.emplace_back(function);
        made.video = function;
        // uvc_register_video_device, then uvc_meta_register: index 0 and 1 of the interface.
        std::string records;
        for (const VideoNodeKind kind : {VideoNodeKind::kCapture, VideoNodeKind::kMetadata}) {
            const bool capture = kind == VideoNodeKind::kCapture;
            const std::string name =
                !numbers ? freeNodeName("video")
                         : "video" + std::to_string(capture ? numbers->capture : numbers->metadata);
            made.syspaths.push_back(path + "/video4linux/" + name);
            records += "P: " + made.syspaths.back().substr(4) + "\n" + nodeLine(name) +
                       "E: DEVNAME=/dev/" + name + "\nE: SUBSYSTEM=video4linux\n" +
                       "E: ID_V4L_CAPABILITIES=" + (capture ? ":capture:" : ":") + "\n" +
                       attribute("dev", "81:" + name.substr(5)) +
                       attribute("index", capture ? "0" : "1") +
                       attribute("name", device.spec_.camera.product) + "\n";
            function->nodes[capture ? 0 : 1] = {function, kind, "/dev/" + name};
        }
        addRecords(testbed_, records);
        for (auto& node : function->nodes) {
            handlers_.push_back(
                newHandler(G_CALLBACK(&EmulatedUsbDevice::VideoFunction::onIoctl), &node));
            attachIoctl(testbed_, node.devnode, handlers_.back());
        }
    } else if (driver == "usbhid") {
        // hid_add_device names the device by bus, ids and a count of all ever added.
        const std::vector<uint8_t>& d = device.spec_.descriptors;
        const std::string hid = path + "/0003:" + hex(d[8] | d[9] << 8, 4, true) + ":" +
                                hex(d[10] | d[11] << 8, 4, true) + "." +
                                hex(++hidDevicesAdded_, 4, true);
        const std::string name = freeNodeName("hidraw");
        made.syspaths = {hid + "/hidraw/" + name, hid};
        addRecords(testbed_, "P: " + hid.substr(4) +
                                 "\nE: SUBSYSTEM=hid\nE: DRIVER=hid-generic\n\nP: " +
                                 made.syspaths[0].substr(4) + "\n" + nodeLine(name) +
                                 "E: SUBSYSTEM=hidraw\nE: DEVNAME=/dev/" + name + "\n" +
                                 attribute("dev", "242:" + name.substr(6)));
    }
    {
        const std::lock_guard lock(device.mutex_);
        device.spec_.drivers[interfaceNumber] = driver;
        device.driverNodes_[interfaceNumber] = std::move(made);
    }
    // Relative to the interface, as sysfs links it.
    std::string driverDirectory = "bus/usb/drivers/" + driver;
    for (auto n = std::count(path.begin() + 4, path.end(), '/'); n > 0; --n) {
        driverDirectory = "../" + driverDirectory;
    }
    umockdev_testbed_set_attribute_link(testbed_, path.c_str(), "driver", driverDirectory.c_str());
    umockdev_testbed_uevent(testbed_, path.c_str(), "bind");
}

// usb_unbind_interface: the driver's disconnect takes its nodes (open ones answer ENODEV).
void EmulatedMachine::unbind(EmulatedUsbDevice& device, uint8_t interfaceNumber) {
    EmulatedUsbDevice::DriverNodes made;
    {
        const std::lock_guard lock(device.mutex_);
        if (device.spec_.drivers.erase(interfaceNumber) == 0) {
            return;
        }
        made = device.driverNodes_[interfaceNumber];
        device.driverNodes_.erase(interfaceNumber);
        if (made.video != nullptr) {
            made.video->driver.disconnect();
        }
    }
    for (const std::string& syspath : made.syspaths) {
        const std::string name = syspath.substr(syspath.rfind('/') + 1);
        if (made.video != nullptr) {
            umockdev_testbed_detach_ioctl(testbed_, ("/dev/" + name).c_str(), nullptr);
        }
        nodeNamesInUse_.erase(name);
        removeNode(syspath);
    }
    const std::string path = device.interfaceSyspath(interfaceNumber);
    unlink((rootDir(testbed_) + path + "/driver").c_str());
    umockdev_testbed_uevent(testbed_, path.c_str(), "unbind");
}

// usb_disconnect: each interface's driver lets it go, then the interface goes, then the device.
void EmulatedMachine::unplug(EmulatedUsbDevice& device) {
    {
        const std::lock_guard lock(device.mutex_);
        device.gone_ = true;
    }
    for (const Interface& interface : firstConfiguration(device.spec_.descriptors).second) {
        unbind(device, interface.number);
        removeNode(device.interfaceSyspath(interface.number));
    }
    removeNode(device.syspath());
}

void EmulatedMachine::uevent(const std::string& syspath, const char* action) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), action);
}

std::string EmulatedMachine::freeNodeName(const std::string& prefix) {
    for (unsigned number = 0;; ++number) {
        if (nodeNamesInUse_.insert(prefix + std::to_string(number)).second) {
            return prefix + std::to_string(number);
        }
    }
}

// A node's N: line. umockdev 0.17 cannot make a device file of the same name twice in a
// testbed: a name's next owner takes over the file its last one left.
std::string EmulatedMachine::nodeLine(const std::string& name) {
    nodeNamesInUse_.insert(name);
    struct stat existing {};
    const bool kept = lstat((rootDir(testbed_) + "/dev/" + name).c_str(), &existing) == 0;
    return kept ? "" : "N: " + name + "\n";
}

// Its "remove" uevent, then its entries go (umockdev sends no uevent itself, and removing a
// parent would leave the children's class and bus links behind). A node's device file stays,
// for the name's next owner.
void EmulatedMachine::removeNode(const std::string& syspath) {
    umockdev_testbed_uevent(testbed_, syspath.c_str(), "remove");
    const std::string root = rootDir(testbed_);
    std::ifstream devAttribute(root + syspath + "/dev");
    std::string devnum;
    if (!std::getline(devAttribute, devnum)) {
        umockdev_testbed_remove_device(testbed_, syspath.c_str());
        return;
    }
    const std::filesystem::path node(syspath);
    const std::string name = node.filename(), subsystem = node.parent_path().filename();
    std::filesystem::remove_all(root + syspath);
    for (const std::string& link : {"/sys/class/" + subsystem + "/" + name, "/dev/.node/" + name,
                                    "/sys/dev/char/" + devnum}) {
        unlink((root + link).c_str());
    }
}

void EmulatedMachine::denyAccess(const std::string& devnode) {
    const std::string root = rootDir(testbed_);
    if (chmod((root + devnode).c_str(), 0) != 0) {
        throw std::runtime_error("cannot take the permissions of " + devnode);
    }
    if (geteuid() != 0) {
        return;
    }
    // Root may open anything: become nobody, who must still reach the testbed's sysfs and the
    // node's ioctl socket (umockdev's preload connects to it whether the open succeeds or not).
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

}  // namespace ptz::testing
