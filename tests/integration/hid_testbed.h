// Emulated hidraw nodes whose parents are emulated USB devices, on a umockdev testbed.
#pragma once

#include <cstdint>
#include <string>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace ptz::testing {

// A USB device with no video function (a keyboard, say).
struct EmulatedUsbDevice {
    int32_t vendorId = 0x2e7e;
    int32_t productId = 0x0737;
    std::string product;
    unsigned bus = 1;
    std::string ports = "2";  // sysfs devpath, e.g. "2.3"
};

class HidTestbed {
  public:
    // HID nodes on a testbed that also holds other emulated devices (it is shared, not taken).
    explicit HidTestbed(UMockdevTestbed* shared);
    ~HidTestbed();
    HidTestbed(const HidTestbed&) = delete;
    HidTestbed& operator=(const HidTestbed&) = delete;

    // A USB device with one HID interface; returns the hidraw node's syspath. umockdev sends
    // the "add" uevents once the attributes are in place.
    std::string addUsbHidDevice(const EmulatedUsbDevice& usb);
    // A hidraw node under an existing USB interface ("/sys/devices/.../1-2:1.2"); returns its
    // syspath.
    std::string addHidNode(const std::string& interfaceSyspath);

    void sendUevent(const std::string& syspath, const char* action);
    // The node's "remove" uevent, then its sysfs entries go (umockdev sends no uevent itself).
    void unplug(const std::string& syspath);

  private:
    std::string addNode(const std::string& parentRecords, const std::string& interfacePath,
                        int32_t vendorId, int32_t productId);

    UMockdevTestbed* testbed_;
    int nextHidraw_ = 0;
};

}  // namespace ptz::testing
