// An emulated machine on umockdev. A USB device is a usb_device in sysfs with a usb_interface
// child per interface (a `driver` link while a kernel driver holds it), and its usbfs node, which
// reads as the descriptors and answers ioctls as drivers/usb/core/devio.c does. uvcvideo bound to
// a VideoControl interface makes a capture and then a metadata node, answered by the model of the
// driver; usbhid on an HID interface an HID device and its hidraw node. Either path reaches the
// device's firmware, a SimulatedCamera, under the device's one lock, so the methods here may be
// called while umockdev's thread answers ioctls. One machine per process: a udev monitor made
// for one does not hear the next.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "simcam/simulated_camera.h"
#include "uvcvideo_driver_model.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace ptz::testing {

struct VideoNodeNumbers {
    unsigned capture, metadata;  // the N of /dev/videoN
};

struct UsbDeviceSpec {
    uint8_t bus = 1;
    std::vector<uint8_t> ports = {2};  // from the root down: sysfs name "1-2"
    uint8_t deviceNumber = 2;
    sim::CameraSpec camera;                  // the firmware
    std::vector<uint8_t> descriptors;        // device + configuration; empty: the firmware's own
    std::map<uint8_t, std::string> drivers;  // by interface number: "uvcvideo", "usbhid"
    // The uvcvideo that binds, and its nodes' numbers: the lowest free unless given.
    UvcvideoKernel kernel = UvcvideoKernel::kReleased;
    std::optional<VideoNodeNumbers> videoNodes;
};

// A camera of these ids at this place on the bus; the rest as by default.
UsbDeviceSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                       uint16_t vendorId = 0x2e7e, uint16_t productId = 0x0606);

class EmulatedUsbDevice {
  public:
    explicit EmulatedUsbDevice(UsbDeviceSpec spec);
    ~EmulatedUsbDevice();

    const UsbDeviceSpec& spec() const { return spec_; }
    // "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2", "/dev/bus/usb/001/002".
    std::string syspath() const;
    std::string devnode() const;
    // Bus in the top 8 bits, a nibble per port.
    uint32_t locationId() const;
    // The hidraw node usbhid made for the interface.
    std::string hidrawSyspath(uint8_t interfaceNumber) const;
    // The ioctl requests each of uvcvideo's latest nodes had, in order; none before it binds.
    std::vector<unsigned long> videoIoctls(VideoNodeKind kind) const;

    // The requests that reached the firmware, as sim::requestLine writes them.
    std::vector<std::string> requestLines() const;
    void clearRequests();
    sim::CameraState state() const;
    // Moves the firmware's time, which stands still otherwise.
    void advanceClock(std::chrono::milliseconds by);

    // The next `count` claims fail with `errnoValue`; a negative count: all of them.
    void refuseClaims(int errnoValue, int count = -1);
    // Control transfers are accepted but never finish unless cancelled.
    void setHanging(bool hanging);

  private:
    friend class EmulatedMachine;
    struct VideoFunction;
    struct DriverNodes {
        std::vector<std::string> syspaths;  // in the order the kernel removes them
        VideoFunction* video = nullptr;
    };

    std::string interfaceSyspath(uint8_t interfaceNumber) const;  // ".../1-2/1-2:1.n"
    bool answerUsbfs(void* client);                               // on umockdev's thread

    UsbDeviceSpec spec_;
    sim::ManualClock clock_;
    sim::SimulatedCamera camera_;
    mutable std::mutex mutex_;
    int claimErrno_ = 0;
    int claimsToRefuse_ = 0;
    bool hanging_ = false;
    bool gone_ = false;  // every ioctl fails with ENODEV, as on a node whose device went
    std::vector<unsigned long> finishedUrbs_;
    std::vector<unsigned long> hungUrbs_;
    std::map<uint8_t, DriverNodes> driverNodes_;
    // uvcvideo's functions stay for the handles still open on their nodes.
    std::vector<std::unique_ptr<VideoFunction>> videoFunctions_;
};

class EmulatedMachine {
  public:
    EmulatedMachine();
    ~EmulatedMachine();
    EmulatedMachine(const EmulatedMachine&) = delete;
    EmulatedMachine& operator=(const EmulatedMachine&) = delete;

    UMockdevTestbed* umockdev() const { return testbed_; }

    // Plugs the device in ("add" uevents), answers its usbfs node, binds `spec.drivers`.
    EmulatedUsbDevice& add(UsbDeviceSpec spec = {});
    // Binds `driver` to the interface, or unbinds it for an empty name; its nodes come and go.
    void setDriver(EmulatedUsbDevice& device, uint8_t interfaceNumber, const std::string& driver);
    // "remove" uevents, children first; sysfs entries gone; its open nodes answer ENODEV.
    void unplug(EmulatedUsbDevice& device);
    // The uevent again, as udev may repeat one.
    void uevent(const std::string& syspath, const char* action);
    // Makes one of the machine's nodes one this process may not open, as without the udev
    // rule. A process running as root acts as nobody from then on, until the machine goes.
    void denyAccess(const std::string& devnode);

  private:
    void bind(EmulatedUsbDevice& device, uint8_t interfaceNumber, const std::string& driver);
    void unbind(EmulatedUsbDevice& device, uint8_t interfaceNumber);
    void removeNode(const std::string& syspath);
    // "videoN" or "hidrawN" of the lowest N free, as the V4L2 core and hidraw pick them.
    std::string freeNodeName(const std::string& prefix);
    std::string nodeLine(const std::string& name);

    UMockdevTestbed* testbed_ = nullptr;
    std::vector<std::unique_ptr<EmulatedUsbDevice>> devices_;
    std::vector<void*> handlers_;
    std::set<std::string> nodeNamesInUse_;
    unsigned hidDevicesAdded_ = 0;
    bool actsAsNobody_ = false;
};

// For umockdev doubles: the block a pointer inside an ioctl argument points to, as a copy that
// reaches the caller when the ioctl completes; null when `length` is 0 or it cannot be read.
using IoctlBlock = std::unique_ptr<UMockdevIoctlData, void (*)(void*)>;
IoctlBlock resolve(UMockdevIoctlData* parent, size_t offset, size_t length);
// Adds devices in umockdev's record format; throws what umockdev reports.
void addRecords(UMockdevTestbed* testbed, const std::string& records);
// Answers the node's ioctls with `handler` (a UMockdevIoctlBase); throws what umockdev reports.
void attachIoctl(UMockdevTestbed* testbed, const std::string& devnode, void* handler);

// Returns behind umockdev's preload, which must redirect /sys and /dev from the start: otherwise
// re-executes the binary with it (and ASAN_OPTIONS that tolerate it), or exits with 1 if it
// cannot be loaded, so that no test ever reads the machine's real devices.
void ensureUmockdevPreload(char** argv);

}  // namespace ptz::testing
