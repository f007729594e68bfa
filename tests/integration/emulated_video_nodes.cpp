#include "emulated_video_nodes.h"

#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <memory>
#include <stdexcept>

namespace ptz::testing {
namespace {

constexpr unsigned kVideoMajor = 81;

void throwOn(GError* error, const std::string& what) {
    if (error != nullptr) {
        const std::string message = what + ": " + error->message;
        g_error_free(error);
        throw std::runtime_error(message);
    }
}

std::string nodeSyspath(const std::string& interfaceSyspath, unsigned number) {
    return interfaceSyspath + "/video4linux/video" + std::to_string(number);
}

std::string rootDir(UMockdevTestbed* testbed) {
    gchar* root = umockdev_testbed_get_root_dir(testbed);
    const std::string path = root;
    g_free(root);
    return path;
}

// What udev and the V4L2 core show of one node. umockdev 0.17 cannot make a device file of the
// same name twice in a testbed: a node name an unplugged camera had keeps its file.
std::string nodeDescription(UMockdevTestbed* testbed, const std::string& interfaceSyspath,
                            unsigned number, unsigned index, const char* capabilities) {
    const std::string name = "video" + std::to_string(number);
    const std::string syspath = nodeSyspath(interfaceSyspath, number);
    const std::string devnum = std::to_string(kVideoMajor) + ":" + std::to_string(number);
    struct stat existing {};
    const bool fileKept = lstat((rootDir(testbed) + "/dev/" + name).c_str(), &existing) == 0;
    return "P: " + syspath.substr(syspath.find("/devices/")) + (fileKept ? "" : "\nN: " + name) +
           "\nE: DEVNAME=/dev/" + name +
           "\nE: SUBSYSTEM=video4linux\nE: MAJOR=" + std::to_string(kVideoMajor) +
           "\nE: MINOR=" + std::to_string(number) + "\nE: ID_V4L_CAPABILITIES=" + capabilities +
           "\nA: dev=" + devnum + "\nA: index=" + std::to_string(index) +
           "\nA: name=Simulated PTZ Camera\n";
}

// The `length` bytes of the caller's memory that the pointer at `offset` in `parent` points
// at, as a local copy that the pointer now points at and that reaches the caller when the ioctl
// completes. Nothing for no bytes: the pointer may then be null (VIDIOC_TRY_EXT_CTRLS of no
// controls, as v4l2-ctl asks whether the call exists).
using Resolved = std::unique_ptr<UMockdevIoctlData, void (*)(gpointer)>;
Resolved resolve(UMockdevIoctlData* parent, size_t offset, size_t length) {
    GError* error = nullptr;
    Resolved data(
        length == 0 ? nullptr : umockdev_ioctl_data_resolve(parent, offset, length, &error),
        &g_object_unref);
    throwOn(error, "resolving an ioctl argument");
    return data;
}

}  // namespace

EmulatedVideoNodes::EmulatedVideoNodes(UMockdevTestbed* testbed,
                                       const std::string& interfaceSyspath,
                                       sim::SimulatedCamera& firmware, UvcvideoKernel kernel,
                                       VideoNodeNumbers numbers)
    : testbed_(testbed), firmware_(firmware), driver_(firmware, kernel) {
    capture_ = {this, VideoNodeKind::kCapture, "/dev/video" + std::to_string(numbers.capture),
                nodeSyspath(interfaceSyspath, numbers.capture)};
    metadata_ = {this, VideoNodeKind::kMetadata, "/dev/video" + std::to_string(numbers.metadata),
                 nodeSyspath(interfaceSyspath, numbers.metadata)};
    GError* error = nullptr;
    // The driver registers the capture node first: its index is 0.
    const std::string description =
        nodeDescription(testbed, interfaceSyspath, numbers.capture, 0, ":capture:") + "\n" +
        nodeDescription(testbed, interfaceSyspath, numbers.metadata, 1, ":");
    umockdev_testbed_add_from_string(testbed_, description.c_str(), &error);
    throwOn(error, "adding video nodes");
    for (Node* node : {&capture_, &metadata_}) {
        node->handler = umockdev_ioctl_base_new();
        g_signal_connect(node->handler, "handle-ioctl", G_CALLBACK(&onIoctl), node);
        umockdev_testbed_attach_ioctl(testbed_, node->devnode.c_str(), node->handler, &error);
        throwOn(error, "attaching " + node->devnode);
        node->attached = true;
    }
}

EmulatedVideoNodes::~EmulatedVideoNodes() {
    detach();
    for (Node* node : {&capture_, &metadata_}) {
        g_object_unref(node->handler);
    }
}

void EmulatedVideoNodes::detach() {
    for (Node* node : {&capture_, &metadata_}) {
        if (node->attached) {
            GError* error = nullptr;
            umockdev_testbed_detach_ioctl(testbed_, node->devnode.c_str(), &error);
            g_clear_error(&error);
            node->attached = false;
        }
    }
}

void EmulatedVideoNodes::withFirmware(const std::function<void(sim::SimulatedCamera&)>& use) {
    const std::lock_guard lock(mutex_);
    use(firmware_);
}

std::vector<unsigned long> EmulatedVideoNodes::ioctls(VideoNodeKind kind) const {
    const std::lock_guard lock(mutex_);
    return kind == VideoNodeKind::kCapture ? capture_.ioctls : metadata_.ioctls;
}

void EmulatedVideoNodes::unplug() {
    {
        const std::lock_guard lock(mutex_);
        driver_.disconnect();
    }
    detach();
    // The device's removal takes the nodes' directories, but not their class links nor the
    // links that tell the preload their device numbers.
    const std::string root = rootDir(testbed_);
    for (const Node* node : {&capture_, &metadata_}) {
        umockdev_testbed_uevent(testbed_, node->syspath.c_str(), "remove");
        const std::string name = node->devnode.substr(5);
        unlink((root + "/sys/class/video4linux/" + name).c_str());
        unlink((root + "/dev/.node/" + name).c_str());
    }
}

gboolean EmulatedVideoNodes::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client,
                                     gpointer nodeData) {
    Node& node = *static_cast<Node*>(nodeData);
    EmulatedVideoNodes& self = *node.owner;
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const Resolved argument = resolve(umockdev_ioctl_client_get_arg(client), 0, _IOC_SIZE(request));
    const std::lock_guard lock(self.mutex_);
    node.ioctls.push_back(request);
    Resolved inner(nullptr, &g_object_unref);
    if (argument && (request == VIDIOC_G_EXT_CTRLS || request == VIDIOC_S_EXT_CTRLS ||
                     request == VIDIOC_TRY_EXT_CTRLS)) {
        const auto* group = reinterpret_cast<const v4l2_ext_controls*>(argument->data);
        inner = resolve(argument.get(), offsetof(v4l2_ext_controls, controls),
                        group->count * sizeof(v4l2_ext_control));
    } else if (argument && request == UVCIOC_CTRL_QUERY) {
        const auto* query = reinterpret_cast<const uvc_xu_control_query*>(argument->data);
        inner = resolve(argument.get(), offsetof(uvc_xu_control_query, data), query->size);
    }
    const int error = argument ? self.driver_.ioctl(node.kind, request, argument->data) : ENOTTY;
    umockdev_ioctl_client_complete(client, error == 0 ? 0 : -1, error);
    return TRUE;
}

}  // namespace ptz::testing
