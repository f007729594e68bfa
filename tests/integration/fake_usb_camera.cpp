#include "fake_usb_camera.h"

#include "umockdev_preload.h"

#include <gtest/gtest.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string_view>

namespace ptz::testing {
namespace {

constexpr size_t kSetupLength = 8;
constexpr uint8_t kGetRequestType = 0xA1;
constexpr uint8_t kSetCur = 0x01;
constexpr uint8_t kGetCur = 0x81;

void append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes);
}

uint8_t low(unsigned value) {
    return static_cast<uint8_t>(value & 0xFF);
}
uint8_t high(unsigned value) {
    return static_cast<uint8_t>((value >> 8) & 0xFF);
}

std::vector<uint8_t> extensionUnit(uint8_t unitId, uint8_t sourceId, uint8_t guidTag,
                                   uint8_t controls) {
    // bLength 27: 24 fixed bytes, one source pin, a 2-byte control bitmap.
    std::vector<uint8_t> unit = {27, 0x24, 0x06, unitId};
    for (uint8_t i = 0; i < 16; ++i) {
        unit.push_back(static_cast<uint8_t>(guidTag + i));
    }
    append(unit, {7, 1, sourceId, 2, controls, 0x00, 0});
    return unit;
}

std::vector<uint8_t> videoStreamingInterface() {
    std::vector<uint8_t> out;
    // Alternate setting 0 without endpoints, and a header that links it to output terminal 3.
    append(out, {9, 0x04, kFakeVideoStreamingInterface, 0, 0, 0x0E, 0x02, 0x00, 0});
    append(out, {13, 0x24, 0x01, 0, 13, 0, 0x81, 0x00, 3, 0, 0, 0, 1});
    // Alternate setting 1 with an isochronous endpoint.
    append(out, {9, 0x04, kFakeVideoStreamingInterface, 1, 1, 0x0E, 0x02, 0x00, 0});
    append(out, {7, 0x05, 0x81, 0x05, 0x00, 0x14, 1});
    return out;
}

std::vector<uint8_t> hidInterface() {
    std::vector<uint8_t> out;
    append(out, {9, 0x04, kFakeHidInterface, 0, 1, 0x03, 0x00, 0x00, 0});
    append(out, {9, 0x21, 0x11, 0x01, 0x00, 1, 0x22, 0x22, 0x00});
    append(out, {7, 0x05, 0x84, 0x03, 0x40, 0x00, 10});
    return out;
}

std::string pathOfPorts(const std::vector<uint8_t>& ports, size_t depth) {
    std::string path;
    for (size_t i = 0; i < depth; ++i) {
        path += (i == 0 ? "" : ".") + std::to_string(ports[i]);
    }
    return path;
}

// "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2.4" for bus 1, ports {2, 4}.
std::string devicePath(uint8_t bus, const std::vector<uint8_t>& ports) {
    const std::string prefix = std::to_string(bus) + "-";
    std::string path = "/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(bus);
    for (size_t depth = 1; depth <= ports.size(); ++depth) {
        path += "/" + prefix + pathOfPorts(ports, depth);
    }
    return path;
}

std::string nodeOf(uint8_t bus, uint8_t deviceNumber) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", bus, deviceNumber);
    return node;
}

gboolean onHandleIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer camera) {
    return static_cast<FakeUsbCamera*>(camera)->handleIoctl(client) ? TRUE : FALSE;
}

void completeWith(UMockdevIoctlClient* client, int errnoValue) {
    umockdev_ioctl_client_complete(client, errnoValue == 0 ? 0 : -1, errnoValue);
}

// The block that a pointer inside an ioctl argument points to, in the caller's memory; what
// is written to it reaches the caller when the ioctl completes.
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

    template <typename T>
    T read(size_t offset) const {
        T value{};
        std::memcpy(&value, data_->data + offset, sizeof value);
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

std::string hexLine(const uint8_t* bytes, size_t count) {
    std::string line;
    char hex[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", bytes[i]);
        line += (i == 0 ? "" : " ") + std::string(hex);
    }
    return line;
}

std::vector<uint8_t> fakeVideoControlDescriptors() {
    std::vector<uint8_t> body;
    // Camera terminal 1: input terminal of type 0x0201, 3-byte control bitmap (focus auto,
    // zoom, pan/tilt and their relative forms).
    append(body, {18, 0x24, 0x02, kFakeCameraTerminalId, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 3,
                  0x20, 0x7E, 0x00});
    // Processing unit 2 fed by the camera terminal.
    append(body,
           {11, 0x24, 0x05, kFakeProcessingUnitId, kFakeCameraTerminalId, 0, 0, 2, 0x7F, 0x15, 0});
    const std::vector<uint8_t> osd =
        extensionUnit(kFakeOsdUnitId, kFakeProcessingUnitId, 0x10, 0x7F);
    const std::vector<uint8_t> preset =
        extensionUnit(kFakePresetUnitId, kFakeOsdUnitId, 0x40, 0x18);
    body.insert(body.end(), osd.begin(), osd.end());
    body.insert(body.end(), preset.begin(), preset.end());
    // Output terminal 3 (USB streaming) fed by the preset unit.
    append(body, {9, 0x24, 0x03, 3, 0x01, 0x01, 0, kFakePresetUnitId, 0});

    const unsigned total = 13 + static_cast<unsigned>(body.size());
    std::vector<uint8_t> out = {13,
                                0x24,
                                0x01,
                                0x00,
                                0x01,
                                low(total),
                                high(total),
                                0x00,
                                0x6C,
                                0xDC,
                                0x02,
                                1,
                                kFakeVideoStreamingInterface};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> fakeCameraDescriptors(const FakeCameraSpec& spec) {
    std::vector<uint8_t> interfaces;
    uint8_t interfaceCount = 2;
    if (spec.hasVideoControl) {
        interfaceCount = 3;
        // Interface association: VideoControl and VideoStreaming form one video function.
        append(interfaces, {8, 0x0B, kFakeVideoControlInterface, 2, 0x0E, 0x03, 0x00, 0});
        append(interfaces, {9, 0x04, kFakeVideoControlInterface, 0, 1, 0x0E, 0x01, 0x00, 0});
        const std::vector<uint8_t> vc = fakeVideoControlDescriptors();
        interfaces.insert(interfaces.end(), vc.begin(), vc.end());
        // Interrupt status endpoint and its class-specific companion.
        append(interfaces, {7, 0x05, 0x83, 0x03, 0x10, 0x00, 6});
        append(interfaces, {5, 0x25, 0x03, 0x10, 0x00});
    }
    const std::vector<uint8_t> vs = videoStreamingInterface();
    const std::vector<uint8_t> hid = hidInterface();
    interfaces.insert(interfaces.end(), vs.begin(), vs.end());
    interfaces.insert(interfaces.end(), hid.begin(), hid.end());

    std::vector<uint8_t> out = {18,
                                0x01,
                                0x00,
                                0x02,
                                0xEF,
                                0x02,
                                0x01,
                                64,
                                low(spec.vendorId),
                                high(spec.vendorId),
                                low(spec.productId),
                                high(spec.productId),
                                0x00,
                                0x01,
                                1,
                                2,
                                0,
                                1};
    const unsigned total = 9 + static_cast<unsigned>(interfaces.size());
    append(out, {9, 0x02, low(total), high(total), interfaceCount, 1, 0, 0x80, 250});
    out.insert(out.end(), interfaces.begin(), interfaces.end());
    return out;
}

FakeCameraSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                        uint16_t vendorId, uint16_t productId) {
    FakeCameraSpec spec;
    spec.bus = bus;
    spec.ports = std::move(ports);
    spec.deviceNumber = deviceNumber;
    spec.vendorId = vendorId;
    spec.productId = productId;
    return spec;
}

FakeUsbCamera::FakeUsbCamera(FakeCameraSpec spec) : spec_(std::move(spec)) {}

FakeUsbCamera::~FakeUsbCamera() = default;

std::string FakeUsbCamera::sysfsName() const {
    return std::to_string(spec_.bus) + "-" + pathOfPorts(spec_.ports, spec_.ports.size());
}

std::string FakeUsbCamera::sysfsPath() const {
    return "/sys" + devicePath(spec_.bus, spec_.ports);
}

std::string FakeUsbCamera::interfaceSysfsPath(uint8_t interfaceNumber) const {
    return sysfsPath() + "/" + sysfsName() + ":1." + std::to_string(interfaceNumber);
}

std::string FakeUsbCamera::devNode() const {
    return nodeOf(spec_.bus, spec_.deviceNumber);
}

uint32_t FakeUsbCamera::locationId() const {
    uint32_t location = static_cast<uint32_t>(spec_.bus) << 24;
    for (size_t i = 0; i < spec_.ports.size() && i < 6; ++i) {
        location |= static_cast<uint32_t>(spec_.ports[i] & 0x0F) << (20 - 4 * i);
    }
    return location;
}

void FakeUsbCamera::setClaimErrno(int errnoValue) {
    std::lock_guard lock(mutex_);
    claimErrno_ = errnoValue;
}

void FakeUsbCamera::setUnplugged(bool unplugged) {
    std::lock_guard lock(mutex_);
    unplugged_ = unplugged;
}

void FakeUsbCamera::setStalling(bool stalling) {
    std::lock_guard lock(mutex_);
    stalling_ = stalling;
}

void FakeUsbCamera::setHanging(bool hanging) {
    std::lock_guard lock(mutex_);
    hanging_ = hanging;
}

void FakeUsbCamera::setSubmitErrno(int errnoValue) {
    std::lock_guard lock(mutex_);
    submitErrno_ = errnoValue;
}

void FakeUsbCamera::setAnswer(uint8_t bRequest, uint16_t wValue, uint16_t wIndex,
                              std::vector<uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    answers_[{bRequest, wValue, wIndex}] = std::move(bytes);
}

std::vector<std::string> FakeUsbCamera::transferLines() const {
    std::lock_guard lock(mutex_);
    return transferLines_;
}

std::vector<std::string> FakeUsbCamera::ioctls() const {
    std::lock_guard lock(mutex_);
    return ioctls_;
}

void FakeUsbCamera::clearRecords() {
    std::lock_guard lock(mutex_);
    transferLines_.clear();
    ioctls_.clear();
}

bool FakeUsbCamera::handleIoctl(void* clientPointer) {
    auto* client = static_cast<UMockdevIoctlClient*>(clientPointer);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    // The argument as the caller passed it: a pointer, whose target has to be resolved.
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    std::lock_guard lock(mutex_);

    const auto fail = [&](const std::string& name, int errnoValue) {
        ioctls_.push_back(name + " " + std::strerror(errnoValue));
        completeWith(client, errnoValue);
        return true;
    };
    const auto succeed = [&](const std::string& name) {
        ioctls_.push_back(name);
        completeWith(client, 0);
        return true;
    };

    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            if (unplugged_) {
                return fail("capabilities", ENODEV);
            }
            ResolvedData target(arg, 0, sizeof(uint32_t));
            uint32_t capabilities = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                                    USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                    USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
            if (!target) {
                return fail("capabilities", EFAULT);
            }
            target.write(0, &capabilities, sizeof capabilities);
            return succeed("capabilities");
        }
        case USBDEVFS_CLAIMINTERFACE:
        case USBDEVFS_DISCONNECT_CLAIM:
        case USBDEVFS_RELEASEINTERFACE: {
            ResolvedData target(arg, 0, sizeof(unsigned int));
            if (!target) {
                return fail("claim", EFAULT);
            }
            const char* verb = request == USBDEVFS_CLAIMINTERFACE     ? "claim "
                               : request == USBDEVFS_RELEASEINTERFACE ? "release "
                                                                      : "disconnect-claim ";
            const std::string name = verb + std::to_string(target.read<unsigned int>(0));
            if (unplugged_) {
                return fail(name, ENODEV);
            }
            if (request != USBDEVFS_RELEASEINTERFACE && claimErrno_ != 0) {
                return fail(name, claimErrno_);
            }
            return succeed(name);
        }
        case USBDEVFS_GETDRIVER: {
            ResolvedData target(arg, 0, sizeof(usbdevfs_getdriver));
            if (!target) {
                return fail("getdriver", EFAULT);
            }
            auto query = target.read<usbdevfs_getdriver>(0);
            const std::string name = "getdriver " + std::to_string(query.interface);
            if (unplugged_) {
                return fail(name, ENODEV);
            }
            if (!spec_.hasVideoControl || query.interface != kFakeVideoControlInterface ||
                spec_.videoControlDriver.empty()) {
                return fail(name, ENODATA);
            }
            std::snprintf(query.driver, sizeof query.driver, "%s",
                          spec_.videoControlDriver.c_str());
            target.write(0, &query, sizeof query);
            return succeed(name);
        }
        case USBDEVFS_SUBMITURB: {
            if (unplugged_) {
                return fail("submit", ENODEV);
            }
            if (submitErrno_ != 0) {
                return fail("submit", submitErrno_);
            }
            ResolvedData urbData(arg, 0, sizeof(usbdevfs_urb));
            if (!urbData) {
                return fail("submit", EFAULT);
            }
            auto urb = urbData.read<usbdevfs_urb>(0);
            if (urb.type != USBDEVFS_URB_TYPE_CONTROL || urb.endpoint != 0 ||
                urb.buffer_length < static_cast<int>(kSetupLength)) {
                return fail("submit", EINVAL);
            }
            ResolvedData buffer(urbData.get(), offsetof(usbdevfs_urb, buffer),
                                static_cast<size_t>(urb.buffer_length));
            if (!buffer) {
                return fail("submit", EFAULT);
            }
            const uint8_t* setup = buffer.get()->data;
            const uint8_t requestType = setup[0];
            const uint8_t code = setup[1];
            const auto wValue = static_cast<uint16_t>(setup[2] | setup[3] << 8);
            const auto wIndex = static_cast<uint16_t>(setup[4] | setup[5] << 8);
            const auto wLength = static_cast<size_t>(setup[6] | setup[7] << 8);
            const size_t dataLength =
                std::min(wLength, static_cast<size_t>(urb.buffer_length) - kSetupLength);
            const unsigned long urbAddress = urbData.get()->client_addr;
            ioctls_.push_back("submit");
            if (hanging_) {
                hungUrbs_.push_back(urbAddress);
                completeWith(client, 0);
                return true;
            }

            std::string line = hexLine(setup, kSetupLength) + " |";
            int status = 0;
            size_t transferred = 0;
            if (stalling_) {
                status = -EPIPE;
            } else if (requestType == kGetRequestType) {
                const auto answer = answers_.find({code, wValue, wIndex});
                if (answer == answers_.end()) {
                    status = -EPIPE;  // a control the camera does not have
                } else {
                    transferred = std::min(dataLength, answer->second.size());
                    buffer.write(kSetupLength, answer->second.data(), transferred);
                }
            } else {
                transferred = dataLength;
                if (code == kSetCur) {
                    answers_[{kGetCur, wValue, wIndex}].assign(setup + kSetupLength,
                                                               setup + kSetupLength + dataLength);
                }
            }
            if (transferred > 0) {
                line += " " + hexLine(buffer.get()->data + kSetupLength, transferred);
            }
            transferLines_.push_back(line);
            urb.status = status;
            urb.actual_length = static_cast<int>(transferred);
            urbData.write(offsetof(usbdevfs_urb, status), &urb.status, sizeof urb.status);
            urbData.write(offsetof(usbdevfs_urb, actual_length), &urb.actual_length,
                          sizeof urb.actual_length);
            finishedUrbs_.push_back(urbAddress);
            completeWith(client, 0);
            return true;
        }
        case USBDEVFS_REAPURBNDELAY:
        case USBDEVFS_REAPURB: {
            if (finishedUrbs_.empty()) {
                if (unplugged_) {
                    return fail("reap", ENODEV);
                }
                ioctls_.push_back("reap-empty");
                completeWith(client, EAGAIN);
                return true;
            }
            ResolvedData slot(arg, 0, sizeof(void*));
            if (!slot) {
                return fail("reap", EFAULT);
            }
            const unsigned long urbAddress = finishedUrbs_.front();
            finishedUrbs_.erase(finishedUrbs_.begin());
            slot.write(0, &urbAddress, sizeof urbAddress);
            return succeed("reap");
        }
        case USBDEVFS_DISCARDURB: {
            // The argument is the URB's address itself.
            unsigned long urbAddress = 0;
            std::memcpy(&urbAddress, arg->data,
                        std::min(sizeof urbAddress, static_cast<size_t>(arg->data_len)));
            const auto hung = std::find(hungUrbs_.begin(), hungUrbs_.end(), urbAddress);
            if (hung == hungUrbs_.end()) {
                return fail("discard", EINVAL);
            }
            hungUrbs_.erase(hung);
            finishedUrbs_.push_back(urbAddress);
            return succeed("discard");
        }
        default:
            return fail("ioctl " + std::to_string(request), ENOTTY);
    }
}

FakeUsbTestbed::FakeUsbTestbed() {
    if (!runsBehindUmockdevPreload()) {
        throw std::runtime_error("the fake USB bus needs umockdev's preload");
    }
    testbed_ = umockdev_testbed_new();
}

FakeUsbTestbed::~FakeUsbTestbed() {
    for (void* handler : handlers_) {
        g_object_unref(handler);
    }
    g_object_unref(testbed_);
}

void FakeUsbTestbed::addUsbDevice(const FakeCameraSpec& spec,
                                  const std::vector<uint8_t>& descriptors, bool withInterfaces) {
    // umockdev's text format: P: path, N: device node, E: property, A: attribute (a "\n" in the
    // value is a line break), H: binary attribute in hex, L: symlink; a blank line ends a device.
    const auto attribute = [](const std::string& name, const std::string& value) {
        return "A: " + name + "=" + value + "\\n\n";
    };
    const std::string path = devicePath(spec.bus, spec.ports);
    const std::string node = nodeOf(spec.bus, spec.deviceNumber);
    char ids[2][8];
    std::snprintf(ids[0], sizeof ids[0], "%04x", spec.vendorId);
    std::snprintf(ids[1], sizeof ids[1], "%04x", spec.productId);
    std::string text = "P: " + path + "\nN: " + node.substr(std::strlen("/dev/")) +
                       "\nE: DEVNAME=" + node + "\nE: DEVTYPE=usb_device\nE: SUBSYSTEM=usb\n" +
                       attribute("busnum", std::to_string(spec.bus)) +
                       attribute("devnum", std::to_string(spec.deviceNumber)) +
                       attribute("devpath", pathOfPorts(spec.ports, spec.ports.size())) +
                       attribute("idVendor", ids[0]) + attribute("idProduct", ids[1]) +
                       attribute("product", spec.product) + attribute("bConfigurationValue", "1") +
                       attribute("speed", "480") + "H: descriptors=";
    char hex[3];
    for (const uint8_t byte : descriptors) {
        std::snprintf(hex, sizeof hex, "%02X", byte);
        text += hex;
    }
    text += "\n";

    if (withInterfaces) {
        const std::string name =
            std::to_string(spec.bus) + "-" + pathOfPorts(spec.ports, spec.ports.size());
        // From an interface's directory, one level below the device's, up to /sys.
        std::string toSysfsRoot;
        for (size_t i = 0; i <= static_cast<size_t>(std::count(path.begin(), path.end(), '/'));
             ++i) {
            toSysfsRoot += "../";
        }
        const auto addInterface = [&](uint8_t number, const char* classCode, const char* subclass,
                                      const std::string& driver) {
            text += "\nP: " + path + "/" + name + ":1." + std::to_string(number) +
                    "\nE: DEVTYPE=usb_interface\nE: SUBSYSTEM=usb\n" +
                    attribute("bInterfaceNumber", "0" + std::to_string(number)) +
                    attribute("bInterfaceClass", classCode) +
                    attribute("bInterfaceSubClass", subclass);
            if (!driver.empty()) {
                text += "L: driver=" + toSysfsRoot + "bus/usb/drivers/" + driver + "\n";
            }
        };
        if (spec.hasVideoControl) {
            addInterface(kFakeVideoControlInterface, "0e", "01", spec.videoControlDriver);
        }
        addInterface(kFakeVideoStreamingInterface, "0e", "02", spec.videoControlDriver);
        addInterface(kFakeHidInterface, "03", "00", "usbhid");
    }
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, text.c_str(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot add the USB device: " + message + "\n" + text);
    }
}

FakeUsbCamera& FakeUsbTestbed::addCamera(const FakeCameraSpec& spec) {
    addUsbDevice(spec, fakeCameraDescriptors(spec), true);
    auto camera = std::make_unique<FakeUsbCamera>(spec);
    UMockdevIoctlBase* handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onHandleIoctl), camera.get());
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, camera->devNode().c_str(), handler, &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        g_object_unref(handler);
        throw std::runtime_error("cannot answer the usbfs node: " + message);
    }
    handlers_.push_back(handler);
    cameras_.push_back(std::move(camera));
    return *cameras_.back();
}

void FakeUsbTestbed::addHub(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber) {
    FakeCameraSpec hub;
    hub.bus = bus;
    hub.ports = std::move(ports);
    hub.deviceNumber = deviceNumber;
    hub.product = "Hub";
    // Device class 9, one interface of class 9.
    const std::vector<uint8_t> descriptors = {
        18, 0x01, 0x00, 0x02, 0x09, 0x00, 0x01, 64,   0x6B, 0x1D, 0x02, 0x00, 0x00, 0x01, 0,
        0,  0,    1,    9,    0x02, 25,   0,    1,    1,    0,    0xE0, 0,    9,    0x04, 0,
        0,  1,    0x09, 0,    0,    0,    7,    0x05, 0x81, 0x03, 0x01, 0x00, 12};
    addUsbDevice(hub, descriptors, false);
}

int runTestsUnderUmockdev(int argc, char** argv) {
    ensureUmockdevPreload(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

}  // namespace ptz::testing
