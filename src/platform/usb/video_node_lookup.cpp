#include "platform/usb/video_node_lookup.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>
#include <vector>

namespace ptz {
namespace {

namespace fs = std::filesystem;

struct VideoNode {
    std::string name;  // videoN
    unsigned number = 0;
    std::optional<unsigned> index;
};

std::optional<unsigned> parseNumber(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<unsigned> readIndexAttribute(const fs::path& nodeDirectory) {
    std::ifstream file(nodeDirectory / "index");
    std::string line;
    if (!std::getline(file, line)) {
        return std::nullopt;
    }
    return parseNumber(line);
}

// The node's device file as udev names it (DEVNAME in its uevent), or /dev/<name>.
std::string deviceFileOf(const fs::path& nodeDirectory, const std::string& name) {
    std::ifstream uevent(nodeDirectory / "uevent");
    constexpr std::string_view kDevName = "DEVNAME=";
    for (std::string line; std::getline(uevent, line);) {
        if (line.starts_with(kDevName) && line.size() > kDevName.size()) {
            const std::string devName = line.substr(kDevName.size());
            return devName.front() == '/' ? devName : "/dev/" + devName;
        }
    }
    return "/dev/" + name;
}

}  // namespace

std::optional<std::string> findVideoNode(const std::string& usbInterfaceSysfsPath) {
    const fs::path classDirectory = fs::path(usbInterfaceSysfsPath) / "video4linux";
    std::error_code error;
    fs::directory_iterator entries(classDirectory, error);
    if (error) {
        return std::nullopt;
    }
    std::vector<VideoNode> nodes;
    for (const fs::directory_entry& entry : entries) {
        const std::string name = entry.path().filename().string();
        constexpr std::string_view kPrefix = "video";
        if (!name.starts_with(kPrefix)) {
            continue;
        }
        const std::optional<unsigned> number =
            parseNumber(std::string_view(name).substr(kPrefix.size()));
        if (!number) {
            continue;
        }
        nodes.push_back({name, *number, readIndexAttribute(entry.path())});
    }
    if (nodes.empty()) {
        return std::nullopt;
    }
    const VideoNode* chosen = nullptr;
    for (const VideoNode& node : nodes) {
        const bool isCapture = node.index == 0u;
        const bool chosenIsCapture = chosen != nullptr && chosen->index == 0u;
        if (chosen == nullptr || (isCapture && !chosenIsCapture) ||
            (isCapture == chosenIsCapture && node.number < chosen->number)) {
            chosen = &node;
        }
    }
    return deviceFileOf(classDirectory / chosen->name, chosen->name);
}

}  // namespace ptz
