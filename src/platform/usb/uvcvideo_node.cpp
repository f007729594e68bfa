#include "platform/usb/uvcvideo_node.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/sysfs/sysfs_devices.h"
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

struct Candidate {
    std::string devnode;
    unsigned index = 0;  // the driver's order of the interface's nodes
};

// The interface's video4linux nodes in the driver's order, its capture node first. They are
// the interface's children in sysfs (its "video4linux" directory), each with the driver's
// `index`; the video4linux class names a node's /dev file after the node.
std::vector<Candidate> nodesOf(const std::string& interfaceSyspath) {
    const std::string directory = interfaceSyspath + "/video4linux/";
    std::vector<Candidate> nodes;
    for (const std::string& name : sysfsDirectoryEntries(directory)) {
        nodes.push_back({"/dev/" + name, readSysfsNumber(directory + name + "/index")
                                             .value_or(std::numeric_limits<unsigned>::max())});
    }
    std::sort(nodes.begin(), nodes.end(), [](const Candidate& a, const Candidate& b) {
        return std::tie(a.index, a.devnode) < std::tie(b.index, b.devnode);
    });
    return nodes;
}

// The sysfs directory of the character device `devnum` ("/sys/devices/.../video0"), from the
// kernel's /sys/dev/char link; empty when there is none.
std::string syspathOf(dev_t devnum) {
    return sysfsLinkTarget("/sys/dev/char/" + std::to_string(major(devnum)) + ":" +
                           std::to_string(minor(devnum)));
}

}  // namespace

void setUvcvideoCallTrace(UvcvideoCallTrace trace) {
    callTrace() = std::move(trace);
}

UvcvideoNode::UvcvideoNode(VideoControlBinding binding) : binding_(std::move(binding)) {}

UvcvideoNode::~UvcvideoNode() {
    close();
}

UsbStatus UvcvideoNode::open() {
    if (fd_ >= 0) {
        return usb_status::kSuccess;
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
    for (const Candidate& node : nodesOf(binding_.interfaceSyspath())) {
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
    if (!belongsToBinding(devnode)) {
        close();
        return usb_status::kNoDevice;
    }
    return usb_status::kSuccess;
}

// Whether the node now behind `devnode` is one of the bound interface's, on the bound device
// (whose bus address is new at every plug-in). Asked after the open: were the name given to
// another device in between, the open has that device's node.
bool UvcvideoNode::belongsToBinding(const std::string& devnode) {
    struct stat status {};
    return ::stat(devnode.c_str(), &status) == 0 && S_ISCHR(status.st_mode) &&
           syspathOf(status.st_rdev).starts_with(binding_.interfaceSyspath() + "/") &&
           isSameUsbDevice(binding_.deviceSyspath, binding_.busNumber, binding_.deviceNumber);
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
