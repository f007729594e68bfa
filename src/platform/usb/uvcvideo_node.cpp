#include "platform/usb/uvcvideo_node.h"

#include <fcntl.h>
#include <libudev.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/usb/usb_status_mapping.h"

namespace ptz {
namespace {

UvcvideoCallTrace& callTrace() {
    static UvcvideoCallTrace trace;
    return trace;
}

int traced(std::string_view call, int result) {
    const int error = result < 0 ? errno : 0;
    if (callTrace()) {
        callTrace()(call, error);
    }
    return error;
}

struct UdevDeviceUnref {
    void operator()(udev_device* device) const { udev_device_unref(device); }
};
using UdevDevicePtr = std::unique_ptr<udev_device, UdevDeviceUnref>;

struct UdevEnumerateUnref {
    void operator()(udev_enumerate* enumerate) const { udev_enumerate_unref(enumerate); }
};

unsigned numberOf(const char* text, unsigned otherwise) {
    if (text == nullptr) {
        return otherwise;
    }
    const std::string_view view(text);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    return error == std::errc{} && end != view.data() ? value : otherwise;
}

bool sysattrIs(udev_device* device, const char* attribute, unsigned expected) {
    return numberOf(udev_device_get_sysattr_value(device, attribute),
                    std::numeric_limits<unsigned>::max()) == expected;
}

struct Candidate {
    std::string devnode;
    bool capture = false;  // udev's v4l_id found V4L2_CAP_VIDEO_CAPTURE
    unsigned index = 0;    // the driver's order of the interface's nodes
};

// The interface's video4linux nodes, likeliest capture node first.
std::vector<Candidate> nodesOf(udev* context, const std::string& interfaceSyspath) {
    const UdevDevicePtr interface(udev_device_new_from_syspath(context, interfaceSyspath.c_str()));
    if (!interface) {
        return {};
    }
    const std::unique_ptr<udev_enumerate, UdevEnumerateUnref> enumerate(
        udev_enumerate_new(context));
    udev_enumerate_add_match_subsystem(enumerate.get(), "video4linux");
    udev_enumerate_add_match_parent(enumerate.get(), interface.get());
    udev_enumerate_scan_devices(enumerate.get());
    std::vector<Candidate> nodes;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get())) {
        const UdevDevicePtr node(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        const char* devnode = node ? udev_device_get_devnode(node.get()) : nullptr;
        if (devnode == nullptr) {
            continue;
        }
        const char* capabilities =
            udev_device_get_property_value(node.get(), "ID_V4L_CAPABILITIES");
        nodes.push_back({devnode, capabilities != nullptr && std::strstr(capabilities, ":capture:"),
                         numberOf(udev_device_get_sysattr_value(node.get(), "index"),
                                  std::numeric_limits<unsigned>::max())});
    }
    std::sort(nodes.begin(), nodes.end(), [](const Candidate& a, const Candidate& b) {
        return std::tuple(!a.capture, a.index, a.devnode) <
               std::tuple(!b.capture, b.index, b.devnode);
    });
    return nodes;
}

}  // namespace

void setUvcvideoCallTrace(UvcvideoCallTrace trace) {
    callTrace() = std::move(trace);
}

UvcvideoNode::UvcvideoNode(VideoControlBinding binding) : binding_(std::move(binding)) {}

UvcvideoNode::~UvcvideoNode() {
    close();
    if (udev_ != nullptr) {
        udev_unref(udev_);
    }
}

UsbStatus UvcvideoNode::open() {
    if (fd_ >= 0) {
        return usb_status::kSuccess;
    }
    if (udev_ == nullptr && (udev_ = udev_new()) == nullptr) {
        return usb_status::kGeneralError;
    }
    // The node found before, while it is still the bound interface's; else look again (the
    // driver may have been bound anew and given other numbers).
    if (!devnode_.empty()) {
        const UsbStatus status = openChecked(devnode_);
        if (status != usb_status::kNoDevice) {
            return status;
        }
        devnode_.clear();
    }
    for (const Candidate& node : nodesOf(udev_, binding_.interfaceSyspath())) {
        if (const UsbStatus status = openChecked(node.devnode); status != usb_status::kSuccess) {
            return status;
        }
        if (isCaptureNode()) {
            devnode_ = node.devnode;
            return usb_status::kSuccess;
        }
        close();
    }
    return usb_status::kNoDevice;
}

UsbStatus UvcvideoNode::openChecked(const std::string& devnode) {
    fd_ = ::open(devnode.c_str(), O_RDWR | O_CLOEXEC);
    if (const int error = traced("open", fd_); error != 0) {
        return statusFromErrno(error);
    }
    if (!belongsToBinding(devnode.c_str())) {
        close();
        return usb_status::kNoDevice;
    }
    return usb_status::kSuccess;
}

// Whether the node now behind `devnode` is a child of the bound interface of the bound device.
// Asked after the open: were the name given to another device in between, the open has that
// device's node.
bool UvcvideoNode::belongsToBinding(const char* devnode) {
    struct stat status {};
    if (::stat(devnode, &status) != 0 || !S_ISCHR(status.st_mode)) {
        return false;
    }
    const UdevDevicePtr node(udev_device_new_from_devnum(udev_, 'c', status.st_rdev));
    if (!node) {
        return false;
    }
    udev_device* interface =
        udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_interface");
    udev_device* device =
        udev_device_get_parent_with_subsystem_devtype(node.get(), "usb", "usb_device");
    return interface != nullptr && device != nullptr &&
           binding_.interfaceSyspath() == udev_device_get_syspath(interface) &&
           sysattrIs(device, "busnum", binding_.busNumber) &&
           sysattrIs(device, "devnum", binding_.deviceNumber);
}

// The driver gives a camera a capture node and a metadata node; only the capture node takes
// control ioctls. `capabilities` names the whole device, `device_caps` this node.
bool UvcvideoNode::isCaptureNode() {
    v4l2_capability capability{};
    if (ioctl("VIDIOC_QUERYCAP", VIDIOC_QUERYCAP, &capability) != 0) {
        return false;
    }
    const uint32_t caps = (capability.capabilities & V4L2_CAP_DEVICE_CAPS) != 0
                              ? capability.device_caps
                              : capability.capabilities;
    return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

int UvcvideoNode::ioctl(const char* name, unsigned long request, void* argument) {
    int result = 0;
    do {
        result = ::ioctl(fd_, request, argument);
    } while (result < 0 && errno == EINTR);
    return traced(name, result);
}

void UvcvideoNode::close() {
    if (fd_ < 0) {
        return;
    }
    traced("close", ::close(fd_));
    fd_ = -1;
}

}  // namespace ptz
