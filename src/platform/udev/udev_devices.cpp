#include "platform/udev/udev_devices.h"

#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <memory>
#include <string_view>

#include "platform/usb/usb_location_id.h"

namespace ptz {
namespace {

struct UdevDeleter {
    void operator()(udev* context) const { udev_unref(context); }
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
    void operator()(udev_device* device) const { udev_device_unref(device); }
};

// sysfs files are small; the largest read here, `descriptors`, is at most 18 + 65535 bytes.
constexpr size_t kMaxSysfsFileLength = 18 + 65535;

std::optional<std::vector<uint8_t>> readSysfsBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    std::array<uint8_t, 4096> chunk{};
    bool failed = false;
    while (bytes.size() < kMaxSysfsFileLength) {
        const ssize_t count = ::read(fd, chunk.data(), chunk.size());
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            failed = count < 0;
            break;
        }
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + count);
    }
    ::close(fd);
    if (failed) {
        return std::nullopt;
    }
    return bytes;
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.remove_suffix(1);
    }
    return text;
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view text, int base) {
    text = trimmed(text);
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc{} || text.empty() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string_view attribute(udev_device* device, const char* name) {
    const char* value = udev_device_get_sysattr_value(device, name);
    return value != nullptr ? trimmed(value) : std::string_view();
}

}  // namespace

void forEachUdevDevice(const char* subsystem, const char* devtype,
                       const std::function<void(udev_device* device)>& visit) {
    const std::unique_ptr<udev, UdevDeleter> context(udev_new());
    if (!context) {
        return;
    }
    const std::unique_ptr<udev_enumerate, UdevDeleter> enumerate(udev_enumerate_new(context.get()));
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), subsystem) < 0 ||
        (devtype != nullptr &&
         udev_enumerate_add_match_property(enumerate.get(), "DEVTYPE", devtype) < 0) ||
        udev_enumerate_scan_devices(enumerate.get()) < 0) {
        return;
    }
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        const std::unique_ptr<udev_device, UdevDeleter> device(
            udev_device_new_from_syspath(context.get(), udev_list_entry_get_name(entry)));
        // Gone since the scan: as if it had never been listed.
        if (device) {
            visit(device.get());
        }
    }
}

UsbDeviceRecord readUsbDeviceRecord(udev_device* usbDevice) {
    UsbDeviceRecord record;
    const char* syspath = udev_device_get_syspath(usbDevice);
    record.syspath = syspath != nullptr ? syspath : "";
    record.vendorId = parseNumber<uint16_t>(attribute(usbDevice, "idVendor"), 16).value_or(0);
    record.productId = parseNumber<uint16_t>(attribute(usbDevice, "idProduct"), 16).value_or(0);
    record.product = attribute(usbDevice, "product");
    const std::optional<uint8_t> bus = parseNumber<uint8_t>(attribute(usbDevice, "busnum"), 10);
    record.busNumber = bus.value_or(0);
    record.deviceNumber = parseNumber<uint8_t>(attribute(usbDevice, "devnum"), 10).value_or(0);
    if (bus) {
        record.locationId = usbLocationId(*bus, attribute(usbDevice, "devpath"));
    }
    return record;
}

std::vector<VideoControlInterfaceDescriptors> readVideoControlInterfaces(
    const std::string& syspath, uint8_t& configurationValue) {
    // An unconfigured device has an empty bConfigurationValue, and no interfaces.
    const std::optional<unsigned> active = readSysfsNumber(syspath + "/bConfigurationValue");
    configurationValue = static_cast<uint8_t>(active.value_or(0));
    if (!active || *active == 0 || *active > 0xFF) {
        return {};
    }
    const std::optional<std::vector<uint8_t>> descriptors =
        readSysfsBytes(syspath + "/descriptors");
    if (!descriptors) {
        return {};
    }
    return findVideoControlInterfaces(*descriptors, configurationValue);
}

bool isSameUsbDevice(const std::string& syspath, uint8_t busNumber, uint8_t deviceNumber) {
    return readSysfsNumber(syspath + "/busnum") == busNumber &&
           readSysfsNumber(syspath + "/devnum") == deviceNumber;
}

std::optional<std::string> readSysfsText(const std::string& path) {
    const std::optional<std::vector<uint8_t>> bytes = readSysfsBytes(path);
    if (!bytes) {
        return std::nullopt;
    }
    return std::string(
        trimmed(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size())));
}

std::optional<unsigned> readSysfsNumber(const std::string& path) {
    const std::optional<std::string> text = readSysfsText(path);
    return text ? parseNumber<unsigned>(*text, 10) : std::nullopt;
}

std::string sysfsLinkName(const std::string& path) {
    std::array<char, 4096> target{};
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
    if (length <= 0) {
        return {};
    }
    const std::string_view link(target.data(), static_cast<size_t>(length));
    const size_t slash = link.find_last_of('/');
    return std::string(slash == std::string_view::npos ? link : link.substr(slash + 1));
}

}  // namespace ptz
