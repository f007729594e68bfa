// The udev/libevdev gamepad monitor against emulated event nodes, driving the gamepad mapping.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <umockdev.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "fake_gamepad.h"
#include "hid_testbed.h"
#include "platform/input/gamepad_monitor_factory.h"
#include "platform/log.h"
#include "recording_gamepad_target.h"
#include "ui/logic/gamepad_control.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using testing::EventWaiter;
using testing::FakeGamepad;
using testing::RecordingGamepadTarget;

constexpr const char* kPadName = "Microsoft X-Box 360 pad";

class GamepadMonitorTest : public ::testing::Test {
  protected:
    GamepadMonitorTest() {
        target.afterCall = [this] { waiter.notify(); };
        setLogSink([this](std::string_view line) {
            log.emplace_back(line);
            waiter.notify();
        });
        monitor->setListener(&control);
    }
    ~GamepadMonitorTest() override {
        monitor.reset();
        setLogSink({});
        g_object_unref(testbed);
    }

    bool waitForCalls(size_t count) {
        return waiter.waitUntil([&] { return target.calls.size() >= count; });
    }
    bool waitForLog(const std::string& line) {
        return waiter.waitUntil([&] { return std::count(log.begin(), log.end(), line) > 0; });
    }

    UMockdevTestbed* testbed = umockdev_testbed_new();
    EventWaiter waiter;
    std::vector<std::string> log;
    RecordingGamepadTarget target;
    GamepadControl control{target};
    std::unique_ptr<GamepadMonitor> monitor = createGamepadMonitor();
};

TEST_F(GamepadMonitorTest, StickDeflectionStartsPanAtItsProportionalSpeedAndCentringStopsIt) {
    FakeGamepad pad(testbed, 20);
    ASSERT_EQ(monitor->open(), 0);

    pad.send({{ABS_X, 16447}});  // half way out past the flat zone
    ASSERT_TRUE(waitForCalls(1));
    pad.send({{ABS_X, 32767}, {ABS_Y, -32768}});
    ASSERT_TRUE(waitForCalls(2));
    pad.send({{ABS_X, 0}, {ABS_Y, 0}});
    ASSERT_TRUE(waitForCalls(3));
    EXPECT_THAT(target.calls,
                ElementsAre("panTilt 1/96 0/0", "panTilt 1/255 1/255", "panTilt 0/255 0/255"));
}

TEST_F(GamepadMonitorTest, PadUnpluggedMidMoveStopsWhatItStarted) {
    ASSERT_EQ(monitor->open(), 0);
    FakeGamepad pad(testbed, 21);  // arrives while the monitor watches
    ASSERT_TRUE(waitForLog(std::string("Gamepad /dev/input/event21 connected: ") + kPadName));
    pad.send({{ABS_X, 32767}, {ABS_RZ, 255}});
    ASSERT_TRUE(waitForCalls(2));

    pad.unplug();
    ASSERT_TRUE(waitForCalls(4));
    EXPECT_THAT(target.calls,
                ElementsAre("panTilt 1/255 0/0", "zoom 1/7", "panTilt 0/255 0/0", "zoom 0/7"));
}

TEST_F(GamepadMonitorTest, ReadFailureEndsThePadOnceBeforeItsUevent) {
    FakeGamepad pad(testbed, 22);
    ASSERT_EQ(monitor->open(), 0);
    pad.send({{BTN_TR, 1}});
    ASSERT_TRUE(waitForCalls(2));

    pad.disconnect();  // reading now answers ENODEV
    ASSERT_TRUE(waitForCalls(3));
    pad.unplug();
    FakeGamepad sentinel(testbed, 23);  // uevents come in order: the removal is read before it
    ASSERT_TRUE(waitForLog(std::string("Gamepad /dev/input/event23 connected: ") + kPadName));

    EXPECT_THAT(target.calls, ElementsAre("autofocus off", "focus -1/3", "focus 0/3"));
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("Gamepad ") + kPadName + " gone"), 1);
}

TEST_F(GamepadMonitorTest, CentringLostInAnOverflowStillStops) {
    FakeGamepad pad(testbed, 24);
    ASSERT_EQ(monitor->open(), 0);
    pad.send({{ABS_Y, 32767}});
    ASSERT_TRUE(waitForCalls(1));

    pad.overflowWhile({{ABS_Y, 0}});
    ASSERT_TRUE(waitForCalls(2));
    EXPECT_THAT(target.calls, ElementsAre("panTilt 0/0 -1/255", "panTilt 0/0 0/255"));
}

TEST_F(GamepadMonitorTest, HatIsTheDpadAndFaceButtonsAreOsdKeysOnTheOsdTab) {
    target.osdTab = true;
    FakeGamepad pad(testbed, 26);
    ASSERT_EQ(monitor->open(), 0);
    pad.send({{ABS_HAT0Y, -1}});
    pad.send({{ABS_HAT0Y, 0}, {ABS_HAT0X, 1}});
    pad.send({{BTN_SOUTH, 1}});
    ASSERT_TRUE(waitForCalls(3));
    EXPECT_THAT(target.calls, ElementsAre("osd up", "osd right", "osd ok"));
}

TEST_F(GamepadMonitorTest, PlainHidPadZoomsWithRightStickOnRzAndDigitalTriggers) {
    FakeGamepad pad(testbed, 27, testing::plainHidPad());
    ASSERT_EQ(monitor->open(), 0);
    pad.send({{ABS_RZ, 0}});  // right stick pushed up
    pad.send({{ABS_RZ, 128}});
    pad.send({{BTN_TL2, 1}});
    pad.send({{BTN_TL2, 0}});
    ASSERT_TRUE(waitForCalls(4));
    EXPECT_THAT(target.calls, ElementsAre("zoom 1/7", "zoom 0/7", "zoom -1/7", "zoom 0/7"));
}

// With a pad connected and at rest, the GUI thread sleeps in the event loop: no timer, nothing
// polled; it wakes only when a descriptor has something to say.
TEST_F(GamepadMonitorTest, IdleWithAPadConnectedTheThreadSleeps) {
    FakeGamepad pad(testbed, 25);
    ASSERT_EQ(monitor->open(), 0);
    pad.send({{ABS_X, 32767}});
    pad.send({{ABS_X, 0}});
    ASSERT_TRUE(waitForCalls(2));

    rusage before{};
    getrusage(RUSAGE_THREAD, &before);
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
    rusage after{};
    getrusage(RUSAGE_THREAD, &after);

    const auto microseconds = [](const timeval& time) {
        return time.tv_sec * 1000000L + time.tv_usec;
    };
    const long cpu = microseconds(after.ru_utime) + microseconds(after.ru_stime) -
                     microseconds(before.ru_utime) - microseconds(before.ru_stime);
    // One wake-up for the timer that ends the wait; a polling timer would add dozens.
    EXPECT_LE(after.ru_nvcsw - before.ru_nvcsw, 2);
    EXPECT_LT(cpu, 20000);
    EXPECT_EQ(target.calls.size(), 2u);
}

}  // namespace
}  // namespace ptz
