// A PTZ camera on an emulated USB bus, for tests of the real USB backends.
//
// FakeUsbTestbed wraps one umockdev testbed (one per test process: a libusb context or udev
// monitor does not hear a second one). Each FakeUsbCamera is an emulated usb_device with a
// binary `descriptors` attribute (device + configuration descriptor: a VideoControl interface
// with a camera terminal, a processing unit and extension units 19 and 20, a VideoStreaming
// interface and a HID interface), usb_interface children, and a usbfs node whose ioctls are
// answered by the camera itself: it records every control transfer byte for byte, answers
// GETs from its registers, and can refuse the claim, stall, hang or be unplugged.
//
// Threading: umockdev answers ioctls on its own thread; every camera method may be called from
// the test's thread at any time (state is behind a mutex).
// The process must run with umockdev's preload: see runTestsUnderUmockdev().
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace ptz::testing {

inline constexpr uint8_t kFakeCameraTerminalId = 1;
inline constexpr uint8_t kFakeProcessingUnitId = 2;
inline constexpr uint8_t kFakeOsdUnitId = 19;
inline constexpr uint8_t kFakePresetUnitId = 20;
inline constexpr uint8_t kFakeVideoControlInterface = 0;
inline constexpr uint8_t kFakeVideoStreamingInterface = 1;
inline constexpr uint8_t kFakeHidInterface = 2;

struct FakeCameraSpec {
    uint16_t vendorId = 0x2e7e;
    uint16_t productId = 0x0735;
    uint8_t bus = 1;
    std::vector<uint8_t> ports = {2};  // from the root down: sysfs name "1-2"
    uint8_t deviceNumber = 2;
    std::string product = "PTZ Camera";
    // Without it the device has only the streaming and the HID interface.
    bool hasVideoControl = true;
    // Kernel driver bound to the VideoControl interface, empty for none.
    std::string videoControlDriver;
};

// A camera of these ids at this place on the bus, the rest as by default.
FakeCameraSpec cameraAt(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber,
                        uint16_t vendorId = 0x2e7e, uint16_t productId = 0x0735);

// Device descriptor followed by the configuration descriptor with all its interfaces.
std::vector<uint8_t> fakeCameraDescriptors(const FakeCameraSpec& spec);

// The class-specific VideoControl descriptors alone (what libusb hands over as `extra`).
std::vector<uint8_t> fakeVideoControlDescriptors();

class FakeUsbCamera {
  public:
    explicit FakeUsbCamera(FakeCameraSpec spec);
    ~FakeUsbCamera();
    FakeUsbCamera(const FakeUsbCamera&) = delete;
    FakeUsbCamera& operator=(const FakeUsbCamera&) = delete;

    const FakeCameraSpec& spec() const { return spec_; }
    // "1-2"; "/sys/devices/.../1-2"; "/dev/bus/usb/001/002".
    std::string sysfsName() const;
    std::string sysfsPath() const;
    std::string interfaceSysfsPath(uint8_t interfaceNumber) const;
    std::string devNode() const;
    // Bus in the top 8 bits, a nibble per port.
    uint32_t locationId() const;

    // Behaviour.
    void setClaimErrno(int errnoValue);   // 0: claims succeed; EBUSY: held by another program
    void setUnplugged(bool unplugged);    // every ioctl fails with ENODEV
    void setStalling(bool stalling);      // control transfers end with a STALL
    void setHanging(bool hanging);        // control transfers never finish unless discarded
    void setSubmitErrno(int errnoValue);  // 0: transfers are accepted; else submitting fails
    // Answer of a GET with this request code to this control (wValue) of this unit (wIndex).
    void setAnswer(uint8_t bRequest, uint16_t wValue, uint16_t wIndex, std::vector<uint8_t> bytes);

    // What reached the camera: control transfers as "21 01 00 01 00 13 02 00 | 00 00" (the
    // data stage as sent for a SET, as answered for a GET), and every usbfs ioctl by name
    // ("claim 0", "submit", "reap", "reap-empty", "discard", "release 0", ...).
    std::vector<std::string> transferLines() const;
    std::vector<std::string> ioctls() const;
    void clearRecords();

    // Called by the ioctl handler on umockdev's thread.
    bool handleIoctl(void* client);

  private:
    FakeCameraSpec spec_;
    mutable std::mutex mutex_;
    int claimErrno_ = 0;
    bool unplugged_ = false;
    bool stalling_ = false;
    bool hanging_ = false;
    int submitErrno_ = 0;
    // (bRequest, wValue, wIndex) -> answer; SET_CUR writes the GET_CUR register.
    std::map<std::tuple<uint8_t, uint16_t, uint16_t>, std::vector<uint8_t>> answers_;
    std::vector<unsigned long> finishedUrbs_;
    std::vector<unsigned long> hungUrbs_;
    std::vector<std::string> transferLines_;
    std::vector<std::string> ioctls_;
};

class FakeUsbTestbed {
  public:
    FakeUsbTestbed();
    ~FakeUsbTestbed();
    FakeUsbTestbed(const FakeUsbTestbed&) = delete;
    FakeUsbTestbed& operator=(const FakeUsbTestbed&) = delete;

    // Adds the camera to the bus and answers its usbfs node. Add devices before creating the
    // registry: libusb enumerates when its context is made.
    FakeUsbCamera& addCamera(const FakeCameraSpec& spec);
    // A plain hub at this place, so that a camera behind it has a parent on the bus.
    void addHub(uint8_t bus, std::vector<uint8_t> ports, uint8_t deviceNumber);

    UMockdevTestbed* umockdev() const { return testbed_; }

  private:
    void addUsbDevice(const FakeCameraSpec& spec, const std::vector<uint8_t>& descriptors,
                      bool withInterfaces);

    UMockdevTestbed* testbed_ = nullptr;
    std::vector<std::unique_ptr<FakeUsbCamera>> cameras_;
    std::vector<void*> handlers_;
};

// Hex of bytes separated by spaces, lower case.
std::string hexLine(const uint8_t* bytes, size_t count);

// main() of an integration test binary: makes sure it runs behind umockdev's preload, then
// runs the tests.
int runTestsUnderUmockdev(int argc, char** argv);

}  // namespace ptz::testing
