// An emulated USB bus on umockdev, for tests of the real USB layer. Each device is what the
// kernel shows of a plugged-in USB device: a usb_device in sysfs with a usb_interface child per
// interface (and a `driver` link while a kernel driver holds it), and its usbfs node, which
// reads as the descriptors and whose ioctls are answered as drivers/usb/core/devio.c answers
// them. Control transfers go to the device's firmware, a SimulatedCamera.
//
// One testbed per process (a udev monitor made for one does not hear the next), behind
// umockdev's preload. umockdev answers ioctls on its own thread; every method here may be
// called from the test's thread at any time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "simcam/simulated_camera.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace ptz::testing {

struct UsbDeviceSpec {
    uint8_t bus = 1;
    std::vector<uint8_t> ports = {2};  // from the root down: sysfs name "1-2"
    uint8_t deviceNumber = 2;
    // The firmware: ids, product string, the VideoControl interface's number.
    sim::CameraSpec camera;
    // The device and configuration descriptors; empty for the firmware's own.
    std::vector<uint8_t> descriptors;
    // Kernel drivers bound to interfaces, by interface number ("uvcvideo", "usbhid").
    std::map<uint8_t, std::string> drivers;
};

// A camera of these ids at this place on the bus; the rest as by default.
UsbDeviceSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                       uint16_t vendorId = 0x2e7e, uint16_t productId = 0x0606);

class EmulatedUsbCamera {
  public:
    explicit EmulatedUsbCamera(UsbDeviceSpec spec);

    const UsbDeviceSpec& spec() const { return spec_; }
    // "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2", its interface n's directory
    // (".../1-2/1-2:1.n"), "/dev/bus/usb/001/002".
    std::string syspath() const;
    std::string interfaceSyspath(uint8_t interfaceNumber) const;
    std::string devnode() const;
    // Bus in the top 8 bits, a nibble per port.
    uint32_t locationId() const;
    // The number of the configuration's first interface of this class (3: HID); throws when
    // there is none.
    uint8_t firstInterfaceOfClass(uint8_t interfaceClass) const;

    // The requests that reached the firmware, as sim::requestLine writes them.
    std::vector<std::string> requestLines() const;
    void clearRequests();
    // The firmware, not while a request may be under way, and its time, which moves when told.
    sim::SimulatedCamera& firmware() { return camera_; }
    sim::ManualClock& clock() { return clock_; }

    // The next `count` claims fail with `errnoValue` (EBUSY: another program holds the
    // interface for a moment); a negative count: all of them.
    void refuseClaims(int errnoValue, int count = -1);
    // Control transfers are accepted but never finish unless cancelled.
    void setHanging(bool hanging);

    // Called by the ioctl handler on umockdev's thread.
    bool handleIoctl(void* client);

  private:
    friend class UsbTestbed;

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
};

class UsbTestbed {
  public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    UMockdevTestbed* umockdev() const { return testbed_; }

    // Plugs the device in ("add" uevents included) and answers its usbfs node.
    EmulatedUsbCamera& add(UsbDeviceSpec spec = {});
    // Binds `driver` to the interface (usbfs then refuses to claim it), or unbinds whatever is
    // bound for an empty name.
    void setDriver(EmulatedUsbCamera& device, uint8_t interfaceNumber, const std::string& driver);
    // Unplugs the device: "remove" uevent, sysfs entry gone, its open node answers ENODEV.
    void unplug(EmulatedUsbCamera& device);
    // Makes one of the testbed's nodes one this process may not open, as without the udev
    // rule. A process running as root acts as nobody from then on, until the testbed goes.
    void denyAccess(const std::string& devnode);

  private:
    UMockdevTestbed* testbed_ = nullptr;
    std::vector<std::unique_ptr<EmulatedUsbCamera>> devices_;
    std::vector<void*> handlers_;
    bool actsAsNobody_ = false;
};

// Integration test binaries run behind umockdev's preload, which redirects /sys and /dev to the
// testbed; it must be in place from the process's start.
// True when the preload is loaded into this process.
bool runsBehindUmockdevPreload();

// Returns when the process runs behind the preload; otherwise re-executes the binary once with
// it (and ASAN_OPTIONS that tolerate it) and does not return. Exits with 1 when the preload
// cannot be loaded, so that no test ever reads the machine's real devices.
void ensureUmockdevPreload(char** argv);

// main() of an integration test binary: makes sure it runs behind umockdev's preload, then
// runs the tests.
int runTestsUnderUmockdev(int argc, char** argv);

}  // namespace ptz::testing
