// The panels' behaviour through fake views over the simulated camera: the watcher, binding, holds,
// speeds, the status line's words, gamepad, OSD keys, presets and names, profiles, memory.
#include <gmock/gmock.h>

#include "discovery/device_watcher.h"
#include "fake_hid.h"
#include "fake_panels.h"
#include "request_lines.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::EndsWith;
using ::testing::IsEmpty;

constexpr auto panTilt = [](const char* data) { return setCur(panTiltRelative, data); };
constexpr auto zoom = [](const char* data) { return setCur(zoomRelative, data); };
constexpr auto focus = [](const char* data) { return setCur(focusRelative, data); };
const std::string kAutoFocusOff = setCur(focusAuto, "00");

constexpr CameraModel kNoPresetModel{0x2e7e, 0x0735};

TEST_F(Panels, TheWatcherListsUvcCamerasOnlyAndKeepsRowsAndBindingInStepWithUnplugs) {
    // A keyboard that shares a camera's product id but has no video function, another
    // vendor's mouse, a camera whose node cannot be opened, twins of one model (the second
    // named to forge a log line) and a nameless camera of the PTZ-only model.
    FakeHidDevice lookAlike{0x1234, 0x0605, "Keyboard"}, mouse{0x046d, 0xc077, "Mouse"};
    lookAlike.videoControl = false;
    FakeHidDevice locked{0x2e7e, 0x0737, "Locked"};
    locked.openResult = static_cast<int32_t>(usb_status::kNotPermitted);
    FakeHidDevice twin{0x2e7e, 0x0737, "Twin", 0x01200000};
    FakeHidDevice forger{0x2e7e, 0x0737, "Evil\nCameraControl Error: x\x1b[2J", 0x01230000};
    FakeHidDevice nameless{0x3242, 0x1000, "", 0x02100000};
    const auto start = [&](FakeHidManager& watched, bool reversed = false) {
        arrDevList.emplace();
        osd.rows = {};
        setUpDeviceWatcher(watched, osd);
        std::vector<FakeHidDevice*> devices{&lookAlike, &mouse, &locked, &twin, &forger, &nameless};
        if (reversed) {
            std::reverse(devices.begin(), devices.end());
        }
        for (FakeHidDevice* device : devices) {
            watched.plug(*device);
        }
    };
    FakeHidManager manager;
    start(manager);
    const char* const forgerRow = "Evil\\nCameraControl Error: x\\x1b[2J";
    EXPECT_THAT(osd.rows.items, ElementsAre("Twin", forgerRow, "USB camera 3242:1000"));
    EXPECT_THAT(log.lines, ElementsAre("IOHIDManager打开成功", "my product name: Twin",
                                       std::string("my product name: ") + forgerRow,
                                       "my product name: USB camera 3242:1000"));
    EXPECT_FALSE(lookAlike.opened || mouse.opened) << "looked at, never opened";
    EXPECT_EQ(osd.rows.selected, 0);
    EXPECT_EQ(statusView.camera, "Twin \u00b7 USB 1-2") << "bound at its own place";
    EXPECT_THAT(tabs.items, ElementsAre(tabs.all[0])) << "arranged for its model";
    osd.OnPickCamera(1);
    EXPECT_EQ(statusView.camera, forgerRow + std::string(" \u00b7 USB 1-2.3"));
    // The next starts bind the camera picked last, told from its twin by its place.
    FakeHidManager nextStart, reversedStart;
    start(reversedStart, true);
    EXPECT_EQ(osd.rows.selected, 1);
    start(nextStart);
    EXPECT_EQ(osd.rows.selected, 1);
    EXPECT_EQ(statusView.camera, forgerRow + std::string(" \u00b7 USB 1-2.3"));
    osd.OnPickCamera(2);
    EXPECT_THAT(tabs.items, ElementsAre(tabs.all[1]));

    log.lines.clear();
    nextStart.unplug(forger);  // not the bound camera, but its twin's ids come first
    EXPECT_THAT(log.lines, ElementsAre("cursel:2", "cursel:2"));
    EXPECT_THAT(osd.rows.items, ElementsAre("Twin", "USB camera 3242:1000"));
    EXPECT_FALSE(forger.opened);
    EXPECT_NE(osd.cameraControl(), nullptr);

    nextStart.unplug(nameless);  // the bound camera
    EXPECT_EQ(log.lines.back(), "断开成功");
    EXPECT_EQ(osd.cameraControl(), nullptr);
    EXPECT_EQ(statusView.camera, "");
    EXPECT_EQ(osd.rows.text, "");
    EXPECT_THAT(osd.cameraChoices(), ElementsAre("Twin \u00b7 USB 1-2"));
    EXPECT_EQ(tabs.items, tabs.all) << "the arrangement without a camera";
}

// Both panels hold one binding; an unbind leaves the PTZ panel its camera and the OSD keys none.
// Until the user says so, the preset box recalls, never stores.
TEST_F(Panels, TheBindingIsSharedAndThePtzPanelKeepsItAfterAnUnbind) {
    EXPECT_EQ(ptz.matrix.selected, 1);
    usb.registry.add({.vendorId = 0x3242, .productId = 0x1000, .locationId = 0x11000000});
    osd.InitUvcContrl(0x1000, 0x3242, 0x11000000);
    EXPECT_THAT(usb.script.calls, ::testing::Contains("device-plugin 285212672"));
    ASSERT_TRUE(osd.cameraControl() && osd.cameraControl()->isBound());
    EXPECT_EQ(ptz.cameraControl(), osd.cameraControl());
    const std::weak_ptr<UVCCameraControl> first = osd.cameraControl();

    osd.OnClickCbxDevice();  // no row selected: unbound; the PTZ panel keeps its camera
    EXPECT_EQ(ptz.cameraControl(), first.lock());
    osd.OnClickUp();
    EXPECT_THAT(sent(), IsEmpty());
    osd.InitUvcContrl(0x1000, 0x3242, 0);
    EXPECT_TRUE(first.expired()) << "both panels let go of the first binding";
    ptz.EnableCtrl(false);
    osd.EnableCtrl(false);
    for (const auto* buttons : {&ptz.buttons, &osd.keys}) {
        for (const auto& [name, button] : *buttons) {
            EXPECT_FALSE(button.enabled) << name;
        }
    }
}

// The command set's speeds until the user picks others; the camera's range once asked (its
// GET_MIN and GET_MAX), 1-255 and 1-7 where it does not answer; the speeds kept per model.
TEST_F(Panels, HoldsMoveAtTheCommandSetsSpeedsOrTheChosenOnesInTheCamerasRange) {
    bind();
    const struct {
        HoldControl control;
        std::vector<std::string> atCommandSetSpeeds, atSpeeds20And5;
    } cases[] = {
        {HoldControl::Up,
         {panTilt("00 00 01 0a"), panTilt("00 00 00 0a")},
         {panTilt("00 00 01 14"), panTilt("00 00 00 14")}},
        {HoldControl::ZoomReduce,
         {zoom("ff 00 03"), zoom("00 00 03")},
         {zoom("ff 00 05"), zoom("00 00 05")}},
        {HoldControl::FocusPlus,
         {kAutoFocusOff, focus("01 03"), focus("00 03")},
         {kAutoFocusOff, focus("01 05"), focus("00 05")}},
    };
    for (const auto& c : cases) {
        hold(c.control);
        EXPECT_THAT(sent(), ElementsAreArray(c.atCommandSetSpeeds));
    }
    ptz.OnChangePanTiltSpeed(20);
    ptz.OnChangeZoomFocusSpeed(5);
    for (const auto& c : cases) {
        hold(c.control);
        EXPECT_THAT(sent(), ElementsAreArray(c.atSpeeds20And5));
    }

    bind(kNoPresetModel);
    EXPECT_EQ(ptz.panTiltSpeed.speed, 10) << "another model";
    failNext(6, usb_status::kPipeStalled);
    ptz.learnSpeedRanges();
    usb.script.requestResults.clear();
    EXPECT_EQ(ptz.panTiltSpeed.range, (SpeedRange{1, 255}));
    EXPECT_EQ(ptz.zoomFocusSpeed.range, (SpeedRange{1, 7}));
    bind(kPlainModel);
    EXPECT_EQ(ptz.panTiltSpeed.speed, 20) << "this model's, remembered";
    EXPECT_THAT(sent(), IsEmpty()) << "binding asks the camera nothing";
    ptz.learnSpeedRanges();
    EXPECT_EQ(sent().size(), 6u) << "GET_MIN and GET_MAX of pan/tilt, zoom and focus";
    ptz.learnSpeedRanges();
    EXPECT_THAT(sent(), IsEmpty()) << "once per binding";
    EXPECT_EQ(ptz.panTiltSpeed.range, (SpeedRange{1, 20})) << "what pan and tilt both take";
    EXPECT_EQ(ptz.zoomFocusSpeed.range, (SpeedRange{1, 7}));
    ptz.OnChangePanTiltSpeed(50);
    hold(HoldControl::Up);
    EXPECT_EQ(sent().front(), panTilt("00 00 01 14"));
    bind(kPlainModel);
    ptz.OnChangePanTiltSpeed(200);
    ptz.learnSpeedRanges();
    EXPECT_EQ(ptz.panTiltSpeed.speed, 20) << "brought into the range learned";
}

// Mended fault: a hold whose release failed (the camera was unplugged) left the panel's latch
// or the command's toggle at "stop", so the next press, on the camera plugged back in or the
// same one, sent a stop and nothing moved.
TEST_F(Panels, AHoldCutShortLeavesNothingStale) {
    const std::pair<HoldControl, std::string> starts[] = {
        {HoldControl::Up, panTilt("00 00 01 0a")},
        {HoldControl::ZoomPlus, zoom("01 00 03")},
        {HoldControl::FocusPlus, focus("01 03")},
    };
    for (const bool pluggedBackIn : {true, false}) {
        for (const auto& [control, start] : starts) {
            bind();
            ptz.pressHoldControl(control);
            failNext(1, usb_status::kNoDevice);
            ptz.releaseHoldControl(control);
            if (pluggedBackIn) {
                bind();
            }
            sent();
            ptz.pressHoldControl(control);
            EXPECT_EQ(sent().back(), start) << static_cast<int>(control) << pluggedBackIn;
            ptz.releaseHoldControl(control);
        }
    }
    // A camera bound while a move is held: the move stops, and the release sends nothing more.
    ptz.pressHoldControl(HoldControl::Right);
    bind();
    ptz.releaseHoldControl(HoldControl::Right);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_FALSE(usb.camera.state().moving);
}

TEST_F(Panels, EachFailureKindIsSaidInPlainWordsUntilTheNextSuccess) {
    const struct {
        UsbStatus status;
        HoldControl control;
        const char* words;
    } cases[] = {
        {usb_status::kNotPermitted, HoldControl::Up,
         "Permission denied: the udev rule is not installed \u2014 see Installing"},
        {usb_status::kExclusiveAccess, HoldControl::Up,
         "The camera is busy: another program is using it \u2014 close that program and try "
         "again"},
        {usb_status::kNoDevice, HoldControl::Up, "The camera was unplugged: plug it in again"},
        {usb_status::kTimeout, HoldControl::Up, "The camera did not answer"},
        {usb_status::kUnsupported, HoldControl::ZoomReduce,
         "This kernel's driver cannot zoom out on this camera"},
        {usb_status::kPipeStalled, HoldControl::Down, "The camera refused to tilt down"},
        {usb_status::kGeneralError, HoldControl::FocusReduce,
         "The camera could not focus farther (error e00002bc)"},
    };
    bind();
    for (const auto& c : cases) {
        failNext(2, c.status);  // focus switches autofocus off first
        ptz.pressHoldControl(c.control);
        EXPECT_EQ(statusView.message, c.words);
        usb.script.requestResults.clear();
        ptz.releaseHoldControl(c.control);
        hold(c.control);
        EXPECT_EQ(statusView.message, "");
    }
    // The camera's own refusal: a speed beyond its range (before the range was learned).
    ptz.OnChangePanTiltSpeed(30);
    ptz.pressHoldControl(HoldControl::Right);
    EXPECT_EQ(statusView.message, "The camera refused to pan right");
    // Unbound, home's first request fails although the command reports success.
    ptz.setCameraControl(UVCCameraControl::initWithInterface(nullptr), kPlainModel);
    ptz.OnClickHome();
    EXPECT_EQ(statusView.message,
              "The camera could not be opened: plug it in again, or pick it again in the camera "
              "list");
    EXPECT_EQ(log.lines.back(), "CameraControl Error: No interface to send request");
}

TEST_F(Panels, AGamepadDrivesTheHeadInTheCamerasRange) {
    bind();
    GamepadControl pad(ptz);
    pad.axisMoved(1, GamepadAxis::LeftStickX, 1.0);
    pad.frameEnded(1);
    EXPECT_EQ(sent().back(), panTilt("01 14 00 00")) << "full deflection: the fastest it takes";
    pad.buttonChanged(1, GamepadButton::North, true);
    EXPECT_THAT(sent(), ElementsAre(setCur(presetCall, "01")));
    tabs.selected = tabs.all[0];  // the OSD tab: the face buttons are OSD keys
    pad.buttonChanged(1, GamepadButton::North, false);
    pad.buttonChanged(1, GamepadButton::South, true);
    pad.buttonChanged(1, GamepadButton::LeftShoulder, true);
    pad.frameEnded(1);
    EXPECT_THAT(sent(), ElementsAre(setCur(osdOk, "00 00"), kAutoFocusOff, focus("01 03")));
    EXPECT_EQ(ptz.buttons["autoFocus"].image, "autofocus_off.png");
    ptz.OnClickAutoFocus();
    EXPECT_EQ(ptz.buttons["autoFocus"].image, "autofocus.png");
    EXPECT_TRUE(usb.camera.state().autoFocus);
}

TEST_F(Panels, EachOsdKeySendsItsOwnKeyAndTheKeysWalkTheCamerasMenu) {
    bind();
    const std::pair<void (OsdPanelLogic::*)(), UvcControlRow> keys[] = {
        {&OsdPanelLogic::OnClickUp, osdUp},
        {&OsdPanelLogic::OnClickDown, osdDown},
        {&OsdPanelLogic::OnClickLeft, osdLeft},
        {&OsdPanelLogic::OnClickRight, osdRight},
        {&OsdPanelLogic::OnClickOk, osdOk},
        {&OsdPanelLogic::OnClickBack, osdBack},
        {&OsdPanelLogic::OnClickOpenClose, osdOpenClose}};
    int changes = 0;  // what the camera's view repaints on
    usb.camera.setChangeCallback([&] { ++changes; });
    for (const auto& [key, row] : keys) {
        (osd.*key)();
        EXPECT_EQ(sent().front(), setCur(row, "00 00"));
    }
    EXPECT_EQ(changes, 1) << "keys do nothing until the last opens the camera's menu";
    osd.OnClickOk();
    osd.OnClickDown();
    osd.OnClickLeft();
    EXPECT_THAT(usb.camera.describe(), EndsWith("menu Exposure: Compensation  -1"));
    osd.OnClickBack();
    osd.OnClickUp();  // wraps to Exit
    osd.OnClickOk();
    EXPECT_FALSE(usb.camera.state().menu.open);
}

TEST_F(Panels, PresetsAreStoredOnlyAsConfirmedAndRecalledThroughTheBoxAndTheShortcuts) {
    bind();
    ptz.matrix.selected = 0;  // Set
    ptz.presets.text = "5";
    ptz.OnClickPresetCbx();
    ptz.confirms = false;
    ptz.storePresetAfterConfirmation(6);
    ptz.confirms = true;
    ptz.storePresetAfterConfirmation(7);
    EXPECT_THAT(ptz.asked, ElementsAre("store 6", "store 7"));
    ptz.matrix.selected = -1;  // neither Set nor Call: recalled
    ptz.OnClickPresetCbx();
    ptz.recallPreset(7);
    EXPECT_THAT(sent(), ElementsAre(setCur(presetSet, "05"), setCur(presetSet, "07"),
                                    setCur(presetCall, "05"), setCur(presetCall, "07")));

    bind(kNoPresetModel);  // the shortcuts do nothing where the model has no presets
    ptz.recallPreset(5);
    ptz.storePresetAfterConfirmation(5);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(ptz.asked.size(), 2u);
}

TEST_F(Panels, PresetNamesAreShownAndKeptPerModelButNeverSent) {
    bind();
    ptz.presets.text = "3";
    ptz.nameGiven = "  Pulpit\n";
    ptz.OnNamePreset();
    ptz.presets.text = "12";
    ptz.nameGiven = "Door";
    ptz.OnNamePreset();
    ptz.storePresetAfterConfirmation(3);
    EXPECT_THAT(ptz.asked, ElementsAre("name 3 ", "name 12 ", "store 3 \u00b7 Pulpit"));
    EXPECT_THAT(ptz.presets.items, ElementsAre("3 \u00b7 Pulpit", "12 \u00b7 Door", "0", "1", "2",
                                               "4", "5", "6", "7", "8", "9"));
    EXPECT_EQ(ptz.presets.text, "12 \u00b7 Door");
    ptz.OnClickPresetCbx();
    EXPECT_THAT(sent(), ElementsAre(setCur(presetSet, "03"), setCur(presetCall, "0c")));
    // A text that names no preset sends nothing (it would be another preset) and says why.
    ptz.presets.text = "256";
    ptz.OnClickPresetCbx();
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_THAT(log.lines, ElementsAre("Preset not sent: \"256\" is outside the presets 0-255"));

    // Another panel over the same memory: the names belong to the model.
    FakePtzPanel later(status, settings, tabs);
    later.viewDidLoad();
    later.setCameraControl(nullptr, kPlainModel);
    EXPECT_EQ(later.presets.items, ptz.presets.items);
    later.setCameraControl(nullptr, kNoPresetModel);
    EXPECT_EQ(later.presets.items.front(), "0");

    ptz.presets.text = "3 \u00b7 Pulpit";
    ptz.nameGiven = "";
    ptz.OnNamePreset();
    EXPECT_EQ(ptz.presets.items.front(), "12 \u00b7 Door") << "an empty name removes it";
}

TEST_F(Panels, EachModelsArrangementAndTheWayBack) {
    const struct {
        int32_t vid, pid;
        bool osdTab, ptzTab, focusHidden, presetHidden;
    } cases[] = {
        {0x3242, 0x1000, false, true, true, false}, {0x2E7E, 0x0737, true, false, false, false},
        {0x2E7E, 0x0735, true, true, false, true},  {0x3242, 0x0735, true, true, false, false},
        {0x1234, 0x0737, true, true, false, false}, {0x2E7E, 0x1000, true, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << std::hex << c.vid << ":" << c.pid);
        for (const bool back : {false, true}) {
            osd.ReInitUI(back ? st_DevRef{nullptr, 0, 0} : st_DevRef{nullptr, c.vid, c.pid});
            EXPECT_EQ(osd.parentViewController() != nullptr, back || c.osdTab);
            EXPECT_EQ(ptz.parentViewController() != nullptr, back || c.ptzTab);
            for (const char* key : {"autoFocus", "focusPlus", "focusReduce"}) {
                EXPECT_EQ(ptz.buttons[key].hidden, !back && c.focusHidden) << key;
            }
            for (const bool hidden :
                 {ptz.presets.hidden, ptz.matrix.hidden, ptz.presetLabel.hidden}) {
                EXPECT_EQ(hidden, !back && c.presetHidden);
            }
        }
        EXPECT_EQ(tabs.items, tabs.all);
    }
}

}  // namespace
}  // namespace ptz::testing
