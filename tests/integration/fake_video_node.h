// An emulated /dev/videoN that answers control ioctls as the uvcvideo driver would, for the
// uvcvideo backend's integration tests under umockdev.
//
// The node's ioctl handler runs in umockdev's own thread while the caller blocks in ioctl();
// everything it shares with the test is guarded by one mutex.
#pragma once

#include <umockdev.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ptz::testing {

// One ioctl as it reached the node.
struct VideoNodeCall {
    std::string name;  // "UVCIOC_CTRL_QUERY", "VIDIOC_S_EXT_CTRLS", ... or "ioctl 0x<request>"
    // UVCIOC_CTRL_QUERY: the query's fields; `data` is what was sent (SET) or answered (GET).
    uint8_t unit = 0;
    uint8_t selector = 0;
    uint8_t query = 0;
    std::vector<uint8_t> data;
    // VIDIOC_*_EXT_CTRLS: (control id, value) as set or answered; VIDIOC_QUERY_EXT_CTRL: the id.
    std::vector<std::pair<uint32_t, int32_t>> controls;
};

// A V4L2 control as the driver exposes it.
struct FakeV4l2Control {
    int32_t current = 0;
    int32_t minimum = 0;
    int32_t maximum = 0;
};

class FakeVideoNode {
  public:
    // Adds video4linux node `name` (such as "video0") with attribute `index` under the USB
    // interface at `interfaceSysfsPath` (a path inside the testbed, starting with /sys or
    // /devices) and attaches the handler to /dev/<name>. The driver starts knowing the
    // controls of a typical camera: extension units 19 (selectors 1..7, 2 bytes) and 20
    // (selectors 4 and 5, 1 byte), and the V4L2 pan/tilt, zoom and autofocus controls.
    FakeVideoNode(UMockdevTestbed* testbed, const std::string& interfaceSysfsPath,
                  const std::string& name = "video0", int index = 0);
    ~FakeVideoNode();
    FakeVideoNode(const FakeVideoNode&) = delete;
    FakeVideoNode& operator=(const FakeVideoNode&) = delete;

    const std::string& devicePath() const { return devicePath_; }

    // The extension-unit controls the driver knows, with the bytes a GET answers.
    void setExtensionUnitControl(uint8_t unit, uint8_t selector, std::vector<uint8_t> value);
    void setV4l2Control(uint32_t id, FakeV4l2Control control);
    // The next ioctl fails with this errno instead of being answered.
    void failNextCall(int errnoValue);

    std::vector<VideoNodeCall> calls() const;
    void clearCalls();

  private:
    static gboolean onIoctl(UMockdevIoctlBase* handler, UMockdevIoctlClient* client, gpointer self);
    void handle(UMockdevIoctlClient* client);
    void answerExtensionUnitQuery(UMockdevIoctlClient* client, VideoNodeCall& call);
    void answerExtControls(UMockdevIoctlClient* client, VideoNodeCall& call, bool set);
    void answerQueryExtCtrl(UMockdevIoctlClient* client, VideoNodeCall& call);

    UMockdevTestbed* testbed_;
    UMockdevIoctlBase* handler_ = nullptr;
    std::string devicePath_;

    mutable std::mutex mutex_;
    std::map<std::pair<uint8_t, uint8_t>, std::vector<uint8_t>> extensionUnitControls_;
    std::map<uint32_t, FakeV4l2Control> v4l2Controls_;
    std::optional<int> nextError_;
    std::vector<VideoNodeCall> calls_;
};

// Adds a VideoControl interface at `interfacePath` (under an existing USB device, or alone
// for tests that need no device) with the `driver` link pointing at uvcvideo, as the kernel
// shows an interface that uvcvideo holds.
void addUvcvideoInterface(UMockdevTestbed* testbed, const std::string& interfacePath);

}  // namespace ptz::testing
