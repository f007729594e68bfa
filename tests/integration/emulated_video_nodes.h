// The nodes the uvcvideo driver gives a camera, on an umockdev testbed: a capture node and a
// metadata node under the camera's VideoControl interface, as udev shows them, whose ioctls the
// model of the driver answers over the camera's firmware, also for child processes (ptzctl)
// that inherit the testbed. umockdev answers on its own thread; the firmware is only touched
// under the nodes' lock (withFirmware()).
#pragma once

#include <umockdev.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "simcam/simulated_camera.h"
#include "uvcvideo_driver_model.h"

namespace ptz::testing {

// The N of each node's /dev/videoN.
struct VideoNodeNumbers {
    unsigned capture = 0;
    unsigned metadata = 1;
};

class EmulatedVideoNodes {
  public:
    // Adds the two nodes under `interfaceSyspath`; `firmware` must outlive them.
    EmulatedVideoNodes(UMockdevTestbed* testbed, const std::string& interfaceSyspath,
                       sim::SimulatedCamera& firmware, UvcvideoKernel kernel,
                       VideoNodeNumbers numbers = {});
    ~EmulatedVideoNodes();
    EmulatedVideoNodes(const EmulatedVideoNodes&) = delete;
    EmulatedVideoNodes& operator=(const EmulatedVideoNodes&) = delete;

    std::string captureNode() const { return capture_.devnode; }

    // Runs `use` on the firmware while no ioctl is being answered.
    void withFirmware(const std::function<void(sim::SimulatedCamera&)>& use);

    // The ioctl requests that reached the node, in order.
    std::vector<unsigned long> ioctls(VideoNodeKind node) const;

    // Before the camera's device goes: open handles answer ENODEV, the nodes leave sysfs.
    void unplug();

  private:
    struct Node {
        EmulatedVideoNodes* owner = nullptr;
        VideoNodeKind kind = VideoNodeKind::kCapture;
        std::string devnode;
        std::string syspath;
        UMockdevIoctlBase* handler = nullptr;
        bool attached = false;
        std::vector<unsigned long> ioctls{};
    };

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer node);
    void detach();

    UMockdevTestbed* testbed_;
    sim::SimulatedCamera& firmware_;
    UvcvideoDriverModel driver_;
    Node capture_;
    Node metadata_;
    mutable std::mutex mutex_;
};

}  // namespace ptz::testing
