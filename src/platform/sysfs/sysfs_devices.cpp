#include "platform/sysfs/sysfs_devices.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <memory>
#include <string_view>

#include "platform/usb/usb_location_id.h"

namespace ptz {
namespace {

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

constexpr std::string_view kDevicesRoot = "/sys/devices/";

// What the symbolic link at `path` holds, as written; nullopt when there is no such link.
std::optional<std::string> linkTarget(const std::string& path) {
    std::array<char, 4096> target{};
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size() - 1);
    if (length <= 0) {
        return std::nullopt;
    }
    return std::string(target.data(), static_cast<size_t>(length));
}

}  // namespace

std::vector<UsbDeviceRecord> usbDevices(std::optional<uint32_t> locationId) {
    // The kernel names a usb_device after its bus and port path ("1-2.3", a root hub "usb1"),
    // which make its location id; its interfaces ("1-2.3:1.0") are not usb_devices.
    constexpr std::string_view kBus = "/sys/bus/usb/devices/";
    std::vector<UsbDeviceRecord> records;
    for (const std::string& name : sysfsDirectoryEntries(std::string(kBus))) {
        const std::optional<uint32_t> location = usbLocationIdOfDeviceName(name);
        if (!location || (locationId && *location != *locationId)) {
            continue;
        }
        if (const std::string syspath = sysfsLinkTarget(std::string(kBus) + name);
            !syspath.empty()) {
            records.push_back(readUsbDeviceRecord(syspath));
        }
    }
    std::sort(
        records.begin(), records.end(),
        [](const UsbDeviceRecord& a, const UsbDeviceRecord& b) { return a.syspath < b.syspath; });
    return records;
}

UsbDeviceRecord readUsbDeviceRecord(const std::string& syspath) {
    const auto text = [&](const char* name) {
        return readSysfsText(syspath + "/" + name).value_or(std::string());
    };
    UsbDeviceRecord record;
    record.syspath = syspath;
    record.vendorId = parseNumber<uint16_t>(text("idVendor"), 16).value_or(0);
    record.productId = parseNumber<uint16_t>(text("idProduct"), 16).value_or(0);
    record.product = text("product");
    const std::optional<uint8_t> bus = parseNumber<uint8_t>(text("busnum"), 10);
    record.busNumber = bus.value_or(0);
    record.deviceNumber = parseNumber<uint8_t>(text("devnum"), 10).value_or(0);
    if (bus) {
        record.locationId = usbLocationId(*bus, text("devpath"));
    }
    return record;
}

std::string usbDeviceAbove(const std::string& syspath) {
    std::string path = syspath;
    while (path.size() > kDevicesRoot.size() && path.starts_with(kDevicesRoot)) {
        const size_t slash = path.rfind('/');
        if (usbLocationIdOfDeviceName(std::string_view(path).substr(slash + 1)) &&
            sysfsLinkName(path + "/subsystem") == "usb") {
            return path;
        }
        path.erase(slash);
    }
    return {};
}

std::vector<std::string> classDevices(const std::string& className) {
    const std::string directory = "/sys/class/" + className + "/";
    std::vector<std::string> syspaths;
    for (const std::string& name : sysfsDirectoryEntries(directory)) {
        if (std::string syspath = sysfsLinkTarget(directory + name); !syspath.empty()) {
            syspaths.push_back(std::move(syspath));
        }
    }
    std::sort(syspaths.begin(), syspaths.end());
    return syspaths;
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

std::vector<std::string> sysfsDirectoryEntries(const std::string& path) {
    std::vector<std::string> names;
    const std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(path.c_str()), ::closedir);
    if (!directory) {
        return names;
    }
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.emplace_back(name);
        }
    }
    return names;
}

std::string sysfsLinkTarget(const std::string& path) {
    std::optional<std::string> target = linkTarget(path);
    if (!target || target->starts_with('/')) {
        return target.value_or(std::string());
    }
    std::string_view relative = *target;
    std::string resolved = path.substr(0, path.rfind('/'));
    while (relative.starts_with("../")) {
        resolved.erase(std::min(resolved.size(), resolved.rfind('/')));
        relative.remove_prefix(3);
    }
    return resolved + "/" + std::string(relative);
}

std::string sysfsLinkName(const std::string& path) {
    const std::optional<std::string> target = linkTarget(path);
    return target ? target->substr(target->find_last_of('/') + 1) : std::string();
}

}  // namespace ptz
