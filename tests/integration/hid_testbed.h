// Emulated hidraw nodes whose parents are emulated USB devices, on a umockdev testbed, and the
// means to run the Qt event loop until something has happened. One testbed per test process.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;
class QEventLoop;

namespace ptz::testing {

struct EmulatedUsbDevice {
    int32_t vendorId = 0x2e7e;
    int32_t productId = 0x0737;
    std::optional<std::string> product = "HD Camera";  // nullopt: no product string
    unsigned bus = 1;
    std::string ports = "2";  // sysfs devpath, e.g. "2.3"
    // A camera's descriptors (those of the simulated camera, with these ids): its
    // configuration has a VideoControl interface. Without, the device has none.
    bool videoControl = true;
};

class HidTestbed {
  public:
    HidTestbed();
    // HID nodes on a testbed that also holds other emulated devices (it is shared, not taken).
    explicit HidTestbed(UMockdevTestbed* shared);
    ~HidTestbed();
    HidTestbed(const HidTestbed&) = delete;
    HidTestbed& operator=(const HidTestbed&) = delete;

    // A USB device with one HID interface; returns the hidraw node's syspath. umockdev sends
    // the "add" uevents once the attributes are in place.
    std::string addUsbHidDevice(const EmulatedUsbDevice& usb);
    // One more HID interface on the USB device that `hidraw` (a syspath from above) belongs to.
    std::string addSecondHidNode(const std::string& hidraw);
    // A hidraw node under an existing USB interface ("/sys/devices/.../1-2:1.2"); returns its
    // syspath.
    std::string addHidNode(const std::string& interfaceSyspath);
    // A hidraw node that is not on USB (a virtual, uhid-made one).
    std::string addVirtualHidNode();

    void sendUevent(const std::string& syspath, const char* action);
    // The node's "remove" uevent, then its sysfs entries go (umockdev sends no uevent itself).
    void unplug(const std::string& syspath);
    // Makes the node's /dev file vanish, so that opening it fails.
    void removeDeviceNode(const std::string& syspath);

    std::string devnode(const std::string& syspath) const;  // "/dev/hidraw3"
    // How many of this process's descriptors are open on the node.
    int openDescriptors(const std::string& syspath) const;

  private:
    std::string addFromString(const std::string& description);
    std::string nodeRecords(const std::string& interfacePath, int32_t vendorId, int32_t productId);

    UMockdevTestbed* testbed_;
    int nextHidraw_ = 0;
    int nextInterface_ = 0;
};

// Runs the event loop until `done` holds. `done` is checked at the start and whenever
// notify() is called (from callbacks); false when `timeoutMs` passes first.
class EventWaiter {
  public:
    bool waitUntil(const std::function<bool()>& done, int timeoutMs = 5000);
    void notify();

  private:
    QEventLoop* loop_ = nullptr;
    const std::function<bool()>* done_ = nullptr;
};

}  // namespace ptz::testing
