// HID devices as the device watcher sees them.
//
// Ownership: the HidManager owns every HidDevice it reports; a device stays valid from its
// arrival callback until its removal callback has returned, and its address identifies it.
// Threading: everything, callbacks included, runs on the GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace ptz {

class HidDevice {
  public:
    virtual ~HidDevice() = default;

    // Ids and product name of the USB device the HID node belongs to, read at arrival.
    // 0 when an id is absent; an empty name when there is none.
    virtual int32_t vendorId() const = 0;
    virtual int32_t productId() const = 0;
    virtual std::string productName() const = 0;
    // Where the USB device sits: bus number in the top 8 bits, then one 4-bit nibble per port
    // from the root down. 0 when the node is not on USB.
    virtual uint32_t locationId() const = 0;
    // Whether that USB device has a VideoControl interface: the node belongs to a UVC camera,
    // not to a keyboard that happens to share a camera's product id.
    virtual bool hasVideoControl() const = 0;

    // 0 when the device is open now, otherwise a non-zero status (errno-derived).
    virtual int32_t open() = 0;
    // Closes what open() opened; 0 or a non-zero status.
    virtual int32_t close() = 0;
};

class HidManager {
  public:
    using DeviceCallback = std::function<void(HidDevice* device)>;

    virtual ~HidManager() = default;

    // Registers the arrival and removal callbacks; call before open().
    virtual void setCallbacks(DeviceCallback matching, DeviceCallback removal) = 0;

    // Starts watching. Devices present now are reported through the matching callback from
    // the event loop, after the caller has returned; later arrivals and removals follow as
    // they happen. 0 on success, otherwise a non-zero status (the callbacks stay registered).
    virtual int32_t open() = 0;
};

}  // namespace ptz
