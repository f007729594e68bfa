#include "fake_video_node.h"

#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace ptz::testing {
namespace {

// umockdev wants device paths without the /sys prefix in its text descriptions.
std::string withoutSysPrefix(const std::string& path) {
    return path.starts_with("/sys/") ? path.substr(4) : path;
}

// The `driver` link's target relative to the device folder: up to /sys, then the driver.
std::string uvcvideoDriverLink(const std::string& devicePath) {
    const std::string relative = withoutSysPrefix(devicePath);
    std::string up;
    for (char c : relative) {
        if (c == '/') {
            up += "../";
        }
    }
    return up + "bus/usb/drivers/uvcvideo";
}

void addFromString(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

// The memory a pointer field of the ioctl argument points at, in the caller's process.
struct ResolvedData {
    UMockdevIoctlData* data = nullptr;
    ResolvedData(UMockdevIoctlData* argument, size_t offset, size_t length) {
        GError* error = nullptr;
        data = umockdev_ioctl_data_resolve(argument, offset, length, &error);
        g_clear_error(&error);
    }
    ~ResolvedData() {
        if (data != nullptr) {
            g_object_unref(data);
        }
    }
    ResolvedData(const ResolvedData&) = delete;
    ResolvedData& operator=(const ResolvedData&) = delete;
};

// The ioctl's argument struct copied into `value`; the resolved data stays alive in the result
// for writing back. When it cannot be resolved the call is answered EFAULT and null returned.
template <typename T>
std::unique_ptr<ResolvedData> readArgument(UMockdevIoctlClient* client, T& value) {
    auto argument =
        std::make_unique<ResolvedData>(umockdev_ioctl_client_get_arg(client), 0, sizeof(T));
    if (argument->data == nullptr) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return nullptr;
    }
    std::memcpy(&value, argument->data->data, sizeof(T));
    return argument;
}

// The typical camera: what its extension units hold and what V4L2 makes of its terminal.
void addTypicalControls(std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>>& units,
                        std::map<uint32_t, FakeV4l2Control>& controls) {
    for (uint8_t selector = 1; selector <= 7; ++selector) {
        units[{19, selector}] = {0x00, 0x00};
    }
    units[{20, 4}] = {0x00};
    units[{20, 5}] = {0x00};
    controls[V4L2_CID_PAN_SPEED] = {0, -16, 16};
    controls[V4L2_CID_TILT_SPEED] = {0, -16, 16};
    controls[V4L2_CID_PAN_ABSOLUTE] = {0, -36000, 36000};
    controls[V4L2_CID_TILT_ABSOLUTE] = {0, -18000, 18000};
    controls[V4L2_CID_ZOOM_CONTINUOUS] = {0, -7, 7};
    controls[V4L2_CID_ZOOM_ABSOLUTE] = {0, 0, 16384};
    controls[V4L2_CID_FOCUS_AUTO] = {1, 0, 1};
}

}  // namespace

void addUvcvideoInterface(UMockdevTestbed* testbed, const std::string& interfacePath) {
    const std::string path = withoutSysPrefix(interfacePath);
    addFromString(testbed, "P: " + path +
                               "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\nE: DRIVER=uvcvideo\n"
                               "A: bInterfaceClass=0e\nA: bInterfaceSubClass=01\n"
                               "A: bInterfaceNumber=00\nL: driver=" +
                               uvcvideoDriverLink(path) + "\n");
}

FakeVideoNode::FakeVideoNode(UMockdevTestbed* testbed, const std::string& interfaceSysfsPath,
                             const std::string& name, int index)
    : testbed_(testbed), devicePath_("/dev/" + name) {
    addTypicalControls(extensionUnitControls_, v4l2Controls_);
    const std::string nodePath = withoutSysPrefix(interfaceSysfsPath) + "/video4linux/" + name;
    addFromString(testbed,
                  "P: " + nodePath + "\nN: " + name + "\nE: DEVNAME=" + devicePath_ +
                      "\nE: SUBSYSTEM=video4linux\nE: MAJOR=81\nE: MINOR=" + std::to_string(index) +
                      "\nA: index=" + std::to_string(index) + "\nA: name=USB Camera\n");

    handler_ = umockdev_ioctl_base_new();
    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeVideoNode::onIoctl), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed, devicePath_.c_str(), handler_, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

FakeVideoNode::~FakeVideoNode() {
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(testbed_, devicePath_.c_str(), &error);
    g_clear_error(&error);
    g_object_unref(handler_);
}

void FakeVideoNode::setExtensionUnitControl(uint8_t unit, uint8_t selector,
                                            std::vector<uint8_t> value) {
    const std::lock_guard lock(mutex_);
    extensionUnitControls_[{unit, selector}] = std::move(value);
}

void FakeVideoNode::setV4l2Control(uint32_t id, FakeV4l2Control control) {
    const std::lock_guard lock(mutex_);
    v4l2Controls_[id] = control;
}

void FakeVideoNode::failNextCall(int errnoValue) {
    const std::lock_guard lock(mutex_);
    nextError_ = errnoValue;
}

std::vector<VideoNodeCall> FakeVideoNode::calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
}

void FakeVideoNode::clearCalls() {
    const std::lock_guard lock(mutex_);
    calls_.clear();
}

gboolean FakeVideoNode::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    static_cast<FakeVideoNode*>(self)->handle(client);
    return TRUE;
}

void FakeVideoNode::handle(UMockdevIoctlClient* client) {
    const std::lock_guard lock(mutex_);
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    VideoNodeCall call;
    switch (request) {
        case UVCIOC_CTRL_QUERY:
            call.name = "UVCIOC_CTRL_QUERY";
            break;
        case VIDIOC_S_EXT_CTRLS:
            call.name = "VIDIOC_S_EXT_CTRLS";
            break;
        case VIDIOC_G_EXT_CTRLS:
            call.name = "VIDIOC_G_EXT_CTRLS";
            break;
        case VIDIOC_QUERY_EXT_CTRL:
            call.name = "VIDIOC_QUERY_EXT_CTRL";
            break;
        default: {
            char name[32];
            std::snprintf(name, sizeof name, "ioctl 0x%lx", request);
            call.name = name;
            calls_.push_back(std::move(call));
            umockdev_ioctl_client_complete(client, -1, ENOTTY);
            return;
        }
    }
    if (nextError_) {
        const int error = *nextError_;
        nextError_.reset();
        calls_.push_back(std::move(call));
        umockdev_ioctl_client_complete(client, -1, error);
        return;
    }
    switch (request) {
        case UVCIOC_CTRL_QUERY:
            answerExtensionUnitQuery(client, call);
            break;
        case VIDIOC_S_EXT_CTRLS:
            answerExtControls(client, call, true);
            break;
        case VIDIOC_G_EXT_CTRLS:
            answerExtControls(client, call, false);
            break;
        default:
            answerQueryExtCtrl(client, call);
            break;
    }
    calls_.push_back(std::move(call));
}

void FakeVideoNode::answerExtensionUnitQuery(UMockdevIoctlClient* client, VideoNodeCall& call) {
    uvc_xu_control_query query;
    const std::unique_ptr<ResolvedData> argument = readArgument(client, query);
    if (!argument) {
        return;
    }
    call.unit = query.unit;
    call.selector = query.selector;
    call.query = query.query;

    // As the driver: an unknown unit or selector is ENOENT, a size other than the control's
    // length ENOBUFS.
    const auto control = extensionUnitControls_.find({query.unit, query.selector});
    if (control == extensionUnitControls_.end()) {
        umockdev_ioctl_client_complete(client, -1, ENOENT);
        return;
    }
    if (query.size != control->second.size()) {
        umockdev_ioctl_client_complete(client, -1, ENOBUFS);
        return;
    }
    ResolvedData payload(argument->data, offsetof(uvc_xu_control_query, data), query.size);
    if (payload.data == nullptr) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    if (query.query == 0x01) {
        control->second.assign(payload.data->data, payload.data->data + query.size);
        call.data = control->second;
    } else if (query.query >= 0x81 && query.query <= 0x87) {
        std::memcpy(payload.data->data, control->second.data(), query.size);
        call.data = control->second;
    } else {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

void FakeVideoNode::answerExtControls(UMockdevIoctlClient* client, VideoNodeCall& call, bool set) {
    v4l2_ext_controls group;
    const std::unique_ptr<ResolvedData> argument = readArgument(client, group);
    if (!argument) {
        return;
    }
    if (group.count == 0 || group.count > 64) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    ResolvedData list(argument->data, offsetof(v4l2_ext_controls, controls),
                      group.count * sizeof(v4l2_ext_control));
    if (list.data == nullptr) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    auto* controls = reinterpret_cast<v4l2_ext_control*>(list.data->data);
    // As V4L2: every id is checked before anything changes; an unknown one is EINVAL, a value
    // outside the range ERANGE.
    for (uint32_t i = 0; i < group.count; ++i) {
        const auto known = v4l2Controls_.find(controls[i].id);
        if (known == v4l2Controls_.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return;
        }
        if (set && (controls[i].value < known->second.minimum ||
                    controls[i].value > known->second.maximum)) {
            umockdev_ioctl_client_complete(client, -1, ERANGE);
            return;
        }
    }
    for (uint32_t i = 0; i < group.count; ++i) {
        const uint32_t id = controls[i].id;  // the struct is packed: copy, never bind
        FakeV4l2Control& known = v4l2Controls_[id];
        if (set) {
            known.current = controls[i].value;
        } else {
            controls[i].value = known.current;
        }
        call.controls.emplace_back(id, known.current);
    }
    umockdev_ioctl_client_complete(client, 0, 0);
}

void FakeVideoNode::answerQueryExtCtrl(UMockdevIoctlClient* client, VideoNodeCall& call) {
    v4l2_query_ext_ctrl query;
    const std::unique_ptr<ResolvedData> argument = readArgument(client, query);
    if (!argument) {
        return;
    }
    call.controls.emplace_back(query.id, 0);
    const auto known = v4l2Controls_.find(query.id);
    if (known == v4l2Controls_.end()) {
        umockdev_ioctl_client_complete(client, -1, EINVAL);
        return;
    }
    query.minimum = known->second.minimum;
    query.maximum = known->second.maximum;
    query.step = 1;
    query.default_value = known->second.current;
    std::memcpy(argument->data->data, &query, sizeof query);
    umockdev_ioctl_client_complete(client, 0, 0);
}

}  // namespace ptz::testing
