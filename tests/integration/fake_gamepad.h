// An emulated gamepad on a umockdev testbed: its input device and event node, with what udev's
// input_id builtin and the input core would give them, and a node that answers evdev's EVIOCG*
// ioctls from the pad's state as drivers/input/evdev.c does.
//
// Events reach the reader through the node's pseudo terminal, whole events only, as evdev hands
// them out. The ioctl and read handlers run in umockdev's thread while the reader blocks; the
// pad's state is guarded by one mutex.
#pragma once

#include <linux/input.h>
#include <umockdev.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace ptz::testing {

struct EmulatedGamepad {
    std::string name;
    // Axis codes with their ranges; values start at the middle of each range.
    std::vector<std::pair<uint16_t, input_absinfo>> axes;
    std::vector<uint16_t> keys;
};

// As the xpad driver describes a wired Xbox 360 pad: 16-bit sticks with a flat of 128,
// 8-bit triggers on ABS_Z/ABS_RZ, the D-pad as a hat.
EmulatedGamepad xboxStylePad();
// As hid-input describes a plain USB HID gamepad: 8-bit axes with a flat of range / 16, the
// right stick on ABS_Z/ABS_RZ, digital triggers BTN_TL2/BTN_TR2, the D-pad as a hat.
EmulatedGamepad plainHidPad();

class FakeGamepad {
  public:
    // Adds input device inputN and its node /dev/input/eventN and attaches the handlers.
    FakeGamepad(UMockdevTestbed* testbed, int number, EmulatedGamepad pad = xboxStylePad());
    ~FakeGamepad();
    FakeGamepad(const FakeGamepad&) = delete;
    FakeGamepad& operator=(const FakeGamepad&) = delete;

    const std::string& syspath() const { return eventSyspath_; }

    // One frame: the events, then SYN_REPORT, queued for the reader; the state follows them.
    void send(const std::vector<std::pair<uint16_t, int32_t>>& absOrKeyChanges);
    // The state changes but the reader's buffer overflowed: it finds a SYN_DROPPED instead.
    void overflowWhile(const std::vector<std::pair<uint16_t, int32_t>>& absOrKeyChanges);
    // Unplugged as the kernel sees it: every ioctl and read answers ENODEV, and a waiting
    // reader is woken. No uevent is sent.
    void disconnect();
    // Unplugged as udev sees it: the node's "remove" uevent, then its sysfs entries go.
    void unplug();

  private:
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self);
    void answer(UMockdevIoctlClient* client);
    void apply(const std::vector<std::pair<uint16_t, int32_t>>& changes);
    void queue(const std::vector<input_event>& events);

    UMockdevTestbed* testbed_;
    UMockdevIoctlBase* handler_;
    std::string inputSyspath_;
    std::string eventSyspath_;
    std::string devnode_;
    std::string name_;

    std::mutex mutex_;
    std::bitset<EV_CNT> eventTypes_;
    std::bitset<KEY_CNT> keyCodes_;
    std::bitset<ABS_CNT> absCodes_;
    std::bitset<KEY_CNT> keysDown_;
    std::array<input_absinfo, ABS_CNT> absInfo_{};
    bool disconnected_ = false;
};

}  // namespace ptz::testing
