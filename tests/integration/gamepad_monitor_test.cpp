// The udev/libevdev gamepad monitor against emulated event nodes, driving the gamepad mapping.
#include <gmock/gmock.h>
#include <linux/input.h>
#include <sys/resource.h>
#include <umockdev.h>
#include <unistd.h>

#include <QtCore/qtestsupport_core.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "emulated_machine.h"
#include "log_capture.h"
#include "platform/input/gamepad_monitor_factory.h"
#include "recording_gamepad_target.h"
#include "ui/logic/gamepad_control.h"

namespace ptz {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using testing::RecordingGamepadTarget;
using Changes = std::vector<std::pair<uint16_t, int32_t>>;  // axis or key code, value

constexpr size_t kLongBits = 8 * sizeof(unsigned long);
constexpr input_absinfo kHat{0, -1, 1, 0, 0, 0};
constexpr input_absinfo kStick{0, -32768, 32767, 16, 128, 0}, kTrigger{0, 0, 255, 0, 0, 0};
constexpr input_absinfo kHidAxis{128, 0, 255, 0, 15, 0};

struct PadDescription {
    std::string name;
    std::vector<std::pair<input_absinfo, std::vector<uint16_t>>> axes;  // at rest at their value
    std::vector<uint16_t> keys;
};

// As xpad describes a wired Xbox 360 pad: 16-bit sticks with a flat of 128, 8-bit triggers on
// ABS_Z/ABS_RZ, the D-pad as a hat.
const PadDescription kXboxPad{
    "Microsoft X-Box 360 pad",
    {{kStick, {ABS_X, ABS_Y, ABS_RX, ABS_RY}},
     {kTrigger, {ABS_Z, ABS_RZ}},
     {kHat, {ABS_HAT0X, ABS_HAT0Y}}},
    {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_START}};

// As hid-input describes a plain USB gamepad: 8-bit axes with a flat of range / 16, the right
// stick on ABS_Z/ABS_RZ, digital triggers, a hat.
const PadDescription kPlainHidPad{
    "USB Gamepad",
    {{kHidAxis, {ABS_X, ABS_Y, ABS_Z, ABS_RZ}}, {kHat, {ABS_HAT0X, ABS_HAT0Y}}},
    {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_TL2, BTN_TR2}};

// inputN and /dev/input/eventN as udev announces a joystick, the node answering EVIOCG* as
// drivers/input/evdev.c does (on umockdev's thread); events reach the reader whole through its pty.
class FakeGamepad {
  public:
    FakeGamepad(UMockdevTestbed* testbed, int number, PadDescription pad = kXboxPad)
        : testbed_(testbed), handler_(umockdev_ioctl_base_new()), name_(pad.name), keys_(pad.keys) {
        for (const auto& [info, codes] : pad.axes) {
            std::for_each(codes.begin(), codes.end(), [&](uint16_t code) { axes_[code] = info; });
        }
        const std::string input = "/devices/virtual/input/input" + std::to_string(number);
        syspath_ = "/sys" + input + "/event" + std::to_string(number);
        devnode_ = "/dev/input/event" + std::to_string(number);
        const std::string udev = "E: SUBSYSTEM=input\nE: ID_INPUT=1\nE: ID_INPUT_JOYSTICK=1\n";
        const std::string minor = std::to_string(64 + number);
        testing::addRecords(
            testbed_, "P: " + input + "\n" + udev + "A: name=" + name_ +
                          "\\n\n\nP: " + syspath_.substr(4) + "\nN: " + devnode_.substr(5) + "\n" +
                          udev + "E: DEVNAME=" + devnode_ + "\nE: MAJOR=13\nE: MINOR=" + minor +
                          "\nA: dev=13:" + minor + "\\n\n");
        g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeGamepad::onIoctl), this);
        g_signal_connect(handler_, "handle-read", G_CALLBACK(&FakeGamepad::onRead), this);
        testing::attachIoctl(testbed_, devnode_, handler_);
    }
    ~FakeGamepad() {
        umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), nullptr);
        g_object_unref(handler_);
    }

    // One frame ending in SYN_REPORT, the input core's state changed first. After `overflow`
    // the reader's buffer overflowed meanwhile: evdev keeps a SYN_DROPPED and the newest event.
    void send(const Changes& changes, bool overflow = false) {
        std::vector<input_event> events;
        for (const auto& [code, value] : changes) {
            const std::lock_guard lock(mutex_);
            const bool axis = axes_.count(code) != 0;
            (axis ? axes_[code].value : keyValues_[code]) = value;
            events.push_back({{}, static_cast<uint16_t>(axis ? EV_ABS : EV_KEY), code, value});
        }
        if (overflow) {
            events = {{{}, EV_SYN, SYN_DROPPED, 0}};
        }
        events.push_back({{}, EV_SYN, SYN_REPORT, 0});
        queue(events);
    }
    // Unplugged as the kernel sees it, before udev has said so: reads and ioctls answer ENODEV,
    // and the reader is woken.
    void disconnect() {
        {
            const std::lock_guard lock(mutex_);
            disconnected_ = true;
        }
        queue({{}});
    }
    void unplug() {
        umockdev_testbed_uevent(testbed_, syspath_.c_str(), "remove");
        umockdev_testbed_remove_device(testbed_, syspath_.c_str());
    }

  private:
    void queue(const std::vector<input_event>& events) {
        const int fd = umockdev_testbed_get_dev_fd(testbed_, devnode_.c_str());
        const auto length = static_cast<ssize_t>(events.size() * sizeof(input_event));
        if (write(fd, events.data(), length) != length) {
            throw std::runtime_error("cannot queue events on " + devnode_);
        }
    }
    static gboolean onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* pad = static_cast<FakeGamepad*>(self);
        const std::lock_guard lock(pad->mutex_);
        if (pad->disconnected_) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
        }
        return pad->disconnected_;  // otherwise the terminal hands out the queued events
    }
    // evdev_ioctl_handler and evdev_do_ioctl for the ioctls a reader asks of a plain pad.
    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* pad = static_cast<FakeGamepad*>(self);
        const std::lock_guard lock(pad->mutex_);
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        const unsigned nr = _IOC_NR(request);
        const size_t size = _IOC_SIZE(request);
        const auto reply = [&](const void* bytes, size_t length, long result) {
            const testing::IoctlBlock data =
                testing::resolve(umockdev_ioctl_client_get_arg(client), 0, length);
            if (data) {
                std::memcpy(data->data, bytes, length);
            }
            umockdev_ioctl_client_complete(client, data ? result : -1, data ? 0 : EFAULT);
            return TRUE;
        };
        const auto fail = [&](int error) {
            umockdev_ioctl_client_complete(client, -1, error);
            return TRUE;
        };
        const input_id id{BUS_USB, 0x045e, 0x028e, 0x0114};
        const int version = EV_VERSION;
        // bits_to_user: the bitmaps a reader asks, each at the kernel's own length.
        std::vector<uint16_t> bits;
        if (pad->disconnected_) {
            return fail(ENODEV);
        } else if (request == EVIOCGVERSION || request == EVIOCGID) {
            return request == EVIOCGID ? reply(&id, sizeof id, 0)
                                       : reply(&version, sizeof version, 0);
        } else if (_IOC_TYPE(request) != 'E' || _IOC_DIR(request) != _IOC_READ) {
            return fail(EINVAL);
        } else if (nr == _IOC_NR(EVIOCGNAME(0))) {
            const size_t length = std::min(size, pad->name_.size() + 1);
            return reply(pad->name_.c_str(), length, static_cast<long>(length));
        } else if (nr == _IOC_NR(EVIOCGPHYS(0)) || nr == _IOC_NR(EVIOCGUNIQ(0))) {
            return fail(ENOENT);  // none, as for uinput pads
        } else if ((nr & ~ABS_MAX) == _IOC_NR(EVIOCGABS(0))) {
            const auto axis = pad->axes_.find(nr & ABS_MAX);
            const input_absinfo info = axis != pad->axes_.end() ? axis->second : input_absinfo{};
            return reply(&info, std::min(size, sizeof info), 0);
        } else if (nr == _IOC_NR(EVIOCGBIT(0, 0))) {
            bits = {EV_SYN, EV_KEY, EV_ABS};
        } else if (nr == _IOC_NR(EVIOCGBIT(EV_KEY, 0))) {
            bits = pad->keys_;
        } else if (nr == _IOC_NR(EVIOCGBIT(EV_ABS, 0))) {
            std::for_each(pad->axes_.begin(), pad->axes_.end(),
                          [&](const auto& axis) { bits.push_back(axis.first); });
        } else if (nr == _IOC_NR(EVIOCGKEY(0))) {
            for (const auto& [code, value] : pad->keyValues_) {
                if (value != 0) {
                    bits.push_back(code);
                }
            }
        } else if ((nr & ~EV_MAX) != _IOC_NR(EVIOCGBIT(0, 0)) && nr != _IOC_NR(EVIOCGPROP(0)) &&
                   (nr < _IOC_NR(EVIOCGKEY(0)) || nr > _IOC_NR(EVIOCGSW(0)))) {
            return fail(EINVAL);
        }  // else none set: relative axes, LEDs, properties...
        std::vector<unsigned long> words(KEY_MAX / kLongBits + 1 + size / sizeof(unsigned long));
        for (const uint16_t bit : bits) {
            words[bit / kLongBits] |= 1UL << bit % kLongBits;
        }
        return reply(words.data(), size, static_cast<long>(size));
    }

    UMockdevTestbed* testbed_;
    UMockdevIoctlBase* handler_;
    const std::string name_;
    const std::vector<uint16_t> keys_;
    std::map<uint16_t, input_absinfo> axes_;
    std::string syspath_, devnode_;
    std::mutex mutex_;
    std::map<uint16_t, int32_t> keyValues_;
    bool disconnected_ = false;
};

class GamepadMonitorTest : public ::testing::Test {
  protected:
    GamepadMonitorTest() { monitor->setListener(&control); }
    bool waitForCalls(size_t count) {
        return QTest::qWaitFor([&] { return target.calls.size() >= count; });
    }

    testing::EmulatedMachine machine;
    testing::LogCapture log;
    RecordingGamepadTarget target;
    GamepadControl control{target};
    std::unique_ptr<GamepadMonitor> monitor = createGamepadMonitor();
};

// Centring lost in an overflow still stops; at rest the GUI thread sleeps in the event loop: no
// timer, nothing polled, only a descriptor with something to say wakes it.
TEST_F(GamepadMonitorTest, StickDeflectionPansAtItsProportionalSpeedCentringStopsThenItSleeps) {
    FakeGamepad pad(machine.umockdev(), 20);
    ASSERT_EQ(monitor->open(), 0);
    pad.send({{ABS_X, 16447}});  // half way out past the flat zone
    pad.send({{ABS_X, 32767}, {ABS_Y, -32768}});
    pad.send({{ABS_X, 0}, {ABS_Y, 0}});
    pad.send({{ABS_Y, 32767}});
    pad.send({{ABS_Y, 0}}, true);
    ASSERT_TRUE(waitForCalls(5));
    EXPECT_THAT(target.calls,
                ElementsAre("panTilt 1/96 0/0", "panTilt 1/255 1/255", "panTilt 0/255 0/255",
                            "panTilt 0/255 -1/255", "panTilt 0/255 0/255"));

    const auto cpuMicroseconds = [](const rusage& use) {
        return (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1000000L + use.ru_utime.tv_usec +
               use.ru_stime.tv_usec;
    };
    rusage before{}, after{};
    getrusage(RUSAGE_THREAD, &before);
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
    getrusage(RUSAGE_THREAD, &after);
    // One wake-up, for the timer that ends the wait; a polling timer would add dozens.
    EXPECT_LE(after.ru_nvcsw - before.ru_nvcsw, 2);
    EXPECT_LT(cpuMicroseconds(after) - cpuMicroseconds(before), 20000);
}

// Unplugged mid-move, as the kernel first sees it (reads fail) and as udev later says it, or by
// udev alone: the moves the pad started stop, once. The second, a plain HID pad, zooms with its
// right stick on ABS_RZ and its digital triggers; its hat is the D-pad.
TEST_F(GamepadMonitorTest, PadsComeAndGoAndAnUnpluggedPadStopsWhatItStarted) {
    target.osdTab = true;
    FakeGamepad first(machine.umockdev(), 21);
    ASSERT_EQ(monitor->open(), 0);
    first.send({{ABS_X, 32767}});
    ASSERT_TRUE(waitForCalls(1));
    first.disconnect();
    ASSERT_TRUE(waitForCalls(2));
    first.unplug();
    FakeGamepad second(machine.umockdev(), 22, kPlainHidPad);  // arrives while the monitor watches
    const std::string connected = "Gamepad /dev/input/event22 connected: USB Gamepad";
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::ranges::count(log.lines, connected) > 0; }));
    second.send({{ABS_RZ, 0}});  // right stick pushed up
    second.send({{ABS_RZ, 128}});
    second.send({{BTN_TL2, 1}});
    second.send({{ABS_HAT0Y, -1}});
    ASSERT_TRUE(waitForCalls(6));
    second.unplug();
    ASSERT_TRUE(waitForCalls(7));
    EXPECT_THAT(target.calls, ElementsAre("panTilt 1/255 0/0", "panTilt 0/255 0/0", "zoom 1/7",
                                          "zoom 0/7", "zoom -1/7", "osd up", "zoom 0/7"));
    EXPECT_THAT(log.lines, Contains("Gamepad Microsoft X-Box 360 pad gone").Times(1));
    EXPECT_THAT(log.lines, Contains("Gamepad USB Gamepad gone").Times(1));
}

}  // namespace
}  // namespace ptz

int main(int argc, char** argv) {
    ptz::testing::ensureUmockdevPreload(argv);
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
