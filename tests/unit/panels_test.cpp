// The panels' behaviour through fake views, with the simulated camera's recorded requests for
// the bytes: holds, speeds, the status line's words, presets and their names, shortcuts, the
// gamepad, the model profiles and the camera picked last.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "discovery/device_watcher.h"
#include "fake_hid.h"
#include "fake_panels.h"
#include "fake_usb.h"
#include "log_capture.h"
#include "request_lines.h"
#include "ui/logic/model_profiles.h"

namespace ptz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

constexpr auto panTilt = [](const char* data) { return setCur(panTiltRelative, data); };
constexpr auto zoom = [](const char* data) { return setCur(zoomRelative, data); };
constexpr auto focus = [](const char* data) { return setCur(focusRelative, data); };
const std::string kAutoFocusOff = setCur(focusAuto, "00");

constexpr CameraModel kPlainModel{0x2e7e, 0x0606};
constexpr CameraModel kNoPresetModel{0x2e7e, 0x0735};

class Panels : public ::testing::Test {
  protected:
    Panels() {
        osd.viewDidLoad();
        ptz.viewDidLoad();
    }
    ~Panels() override { arrDevList.reset(); }

    // The simulated camera, newly bound (as after plugging it in again).
    void bind(CameraModel model = kPlainModel) {
        ptz.setCameraControl(usb.bind(), model);
        usb.sent();
    }
    std::vector<std::string> sent() { return usb.sent(); }
    // The next requests fail so, as an unplugged, busy or silent camera's do.
    void failNext(int requests, UsbStatus status) {
        usb.script.requestResults.assign(requests, status);
    }
    void hold(HoldControl control) {
        ptz.pressHoldControl(control);
        ptz.releaseHoldControl(control);
    }

    LogCapture log;
    SimulatedUsb usb;  // pan speeds 1-24, tilt 1-20, zoom and focus 1-7
    FakeStatusView statusView;
    CameraStatus status{statusView};
    MapSettings settings;
    FakeTabs tabs;
    // The load sets the watcher up once the device list exists, before registering the panel.
    bool watcherSetUpInOrder = false;
    FakeOsdPanel osd{usb.registry, status, settings, tabs, [this](DeviceListPanel&) {
                         watcherSetUpInOrder = arrDevList.has_value() && !global_mainview;
                     }};
    FakePtzPanel ptz{status, settings, tabs};
};

TEST_F(Panels, LoadDressesTheControlsAndEnableCtrlSwitchesTheKeysOnly) {
    ptz.EnableCtrl(false);
    osd.EnableCtrl(false);
    // Outlet and image, of keys that are borderless, disabled, and stretched only on the left.
    const auto dressed = [](const std::map<std::string, FakeButton>& buttons) {
        std::vector<std::string> images;
        for (const auto& [name, button] : buttons) {
            EXPECT_FALSE(button.bordered || button.enabled) << name;
            EXPECT_EQ(button.stretched, name == "left") << name;
            images.push_back(name + " " + button.image);
        }
        return images;
    };
    EXPECT_THAT(
        dressed(ptz.buttons),
        ElementsAre("autoFocus autofocus.png", "down down2.png", "focusPlus focus+.png",
                    "focusReduce focus-.png", "home home.png", "left left2.png", "right right2.png",
                    "up up2.png", "zoomPlus zoom+.png", "zoomReduce zoom-.png"));
    EXPECT_THAT(dressed(osd.keys),
                ElementsAre("back osdback.png", "down down.png", "left left.png", "menu osd.png",
                            "ok enter.png", "right right.png", "up up.png"));
    EXPECT_TRUE(ptz.presetLabel.enabled);
    EXPECT_EQ(ptz.presets.text, "0");
    EXPECT_EQ(ptz.presets.items.size(), 10u);
    EXPECT_EQ(ptz.matrix.titles[0] + ptz.matrix.titles[1], "SetCall");
    EXPECT_EQ(ptz.matrix.selected, 1) << "recall, never store, until the user says so";
    EXPECT_TRUE(g_kView2 == &ptz && global_mainview == &osd && watcherSetUpInOrder);
    EXPECT_EQ(std::vector({pGlobleItem0, pGlobleItem}), tabs.all);
}

TEST_F(Panels, TheBindingIsSharedAndThePtzPanelKeepsItAfterAnUnbind) {
    usb.registry.add({.vendorId = 0x3242, .productId = 0x1000, .locationId = 0x11000000});
    osd.InitUvcContrl(0x1000, 0x3242, 0);
    EXPECT_THAT(usb.script.calls, ::testing::Contains("device-plugin 285212672"));
    ASSERT_TRUE(osd.cameraControl() && osd.cameraControl()->isBound());
    EXPECT_EQ(ptz.cameraControl(), osd.cameraControl());
    const std::weak_ptr<UVCCameraControl> first = osd.cameraControl();

    osd.OnClickCbxDevice();  // no row selected: unbound; the PTZ panel keeps its camera
    EXPECT_EQ(osd.cameraControl(), nullptr);
    EXPECT_EQ(ptz.cameraControl(), first.lock());
    osd.OnClickUp();
    EXPECT_THAT(sent(), IsEmpty());

    g_kView2 = nullptr;  // a bind before the PTZ panel has loaded reaches the OSD panel only
    osd.InitUvcContrl(0x1000, 0x3242, 0);
    EXPECT_FALSE(first.expired());
    g_kView2 = &ptz;
    osd.InitUvcContrl(0x1000, 0x3242, 0);
    EXPECT_TRUE(first.expired()) << "both panels let go of the first binding";
    EXPECT_EQ(ptz.cameraControl(), osd.cameraControl());
}

TEST_F(Panels, HoldsMoveAtTheCommandSetsSpeedsOrTheChosenOnes) {
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
    EXPECT_EQ(usb.camera.state().moving, false);
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
    // Home's first request fails although the command reports success.
    ptz.setCameraControl(UVCCameraControl::initWithInterface(nullptr), kPlainModel);
    ptz.OnClickHome();
    EXPECT_EQ(statusView.message,
              "The camera could not be opened: plug it in again, or pick it again in the camera "
              "list");
    EXPECT_THAT(log.lines, ::testing::Contains("CameraControl Error: Control request failed: "
                                               "e00002e2"));
}

TEST_F(Panels, SpeedsComeInTheCamerasRangeOnceAskedAndAreKeptPerModel) {
    bind();
    EXPECT_EQ(ptz.panTiltSpeed.range, kDefaultPanTiltSpeeds);
    EXPECT_EQ(ptz.panTiltSpeed.speed, 10);
    EXPECT_EQ(ptz.zoomFocusSpeed.range, kDefaultZoomFocusSpeeds);
    EXPECT_EQ(ptz.zoomFocusSpeed.speed, 3);
    EXPECT_THAT(sent(), IsEmpty()) << "binding asks the camera nothing";

    ptz.learnSpeedRanges();
    EXPECT_EQ(sent().size(), 6u) << "GET_MIN and GET_MAX of pan/tilt, zoom and focus";
    ptz.learnSpeedRanges();
    EXPECT_THAT(sent(), IsEmpty()) << "once per binding";
    EXPECT_EQ(ptz.panTiltSpeed.range, (SpeedRange{1, 20})) << "what pan and tilt both take";
    EXPECT_EQ(ptz.zoomFocusSpeed.range, (SpeedRange{1, 7}));
    ptz.OnChangePanTiltSpeed(50);
    EXPECT_EQ(ptz.panTiltSpeed.speed, 20);
    hold(HoldControl::Up);
    EXPECT_EQ(sent().front(), panTilt("00 00 01 14"));

    bind(kNoPresetModel);
    EXPECT_EQ(ptz.panTiltSpeed.speed, 10) << "another model";
    bind(kPlainModel);
    EXPECT_EQ(ptz.panTiltSpeed.speed, 20) << "this model's, remembered";
    EXPECT_EQ(ptz.panTiltSpeed.range, kDefaultPanTiltSpeeds) << "not asked again yet";

    // A driver that refuses the ranges is asked once, and the widest ranges stay.
    failNext(1, usb_status::kUnsupported);
    log.lines.clear();
    ptz.learnSpeedRanges();
    EXPECT_THAT(log.lines, ElementsAre("CameraControl Error: Control request failed: e00002c7"));
    EXPECT_EQ(ptz.panTiltSpeed.range, kDefaultPanTiltSpeeds);
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
    pad.buttonChanged(1, GamepadButton::LeftShoulder, true);
    pad.frameEnded(1);
    EXPECT_THAT(sent(), ElementsAre(kAutoFocusOff, focus("01 03")));
    EXPECT_EQ(ptz.buttons["autoFocus"].image, "autofocus_off.png");
}

TEST_F(Panels, TheOsdKeysDriveTheCamerasMenu) {
    usb.registry.add({.vendorId = 0x2e7e, .productId = 0x0606});
    osd.InitUvcContrl(0x0606, 0x2e7e, 0);  // the simulated camera, for both panels
    // A key, then the menu's level and the line under its cursor; none: the menu is closed.
    const std::tuple<void (OsdPanelLogic::*)(), const char*, const char*> steps[] = {
        {&OsdPanelLogic::OnClickOpenClose, "Setup", "Exposure      >"},
        {&OsdPanelLogic::OnClickDown, "Setup", "White Balance >"},
        {&OsdPanelLogic::OnClickOk, "White Balance", "Mode          Auto"},
        {&OsdPanelLogic::OnClickRight, "White Balance", "Mode          Indoor"},
        {&OsdPanelLogic::OnClickUp, "White Balance", "Blue Gain     10"},
        {&OsdPanelLogic::OnClickLeft, "White Balance", "Blue Gain     9"},
        {&OsdPanelLogic::OnClickBack, "Setup", "White Balance >"},
        {&OsdPanelLogic::OnClickOpenClose, nullptr, nullptr},
    };
    for (const auto& [key, title, line] : steps) {
        (osd.*key)();
        const sim::OsdMenuView menu = usb.camera.state().menu;
        ASSERT_EQ(menu.open, title != nullptr);
        if (menu.open) {
            EXPECT_EQ(menu.title, title);
            EXPECT_EQ(menu.lines[static_cast<size_t>(menu.cursor)], line);
        }
    }
}

TEST_F(Panels, PresetNamesAreShownAndKeptPerModelButNeverSent) {
    bind();
    ptz.presets.text = "3";
    ptz.nameGiven = "  Pulpit\n";
    ptz.OnNamePreset();
    ptz.presets.text = "12";
    ptz.nameGiven = "Door";
    ptz.OnNamePreset();
    EXPECT_THAT(ptz.asked, ElementsAre("name 3 ", "name 12 "));
    EXPECT_THAT(ptz.presets.items, ElementsAre("3 \u00b7 Pulpit", "12 \u00b7 Door", "0", "1", "2",
                                               "4", "5", "6", "7", "8", "9"));
    EXPECT_EQ(ptz.presets.text, "12 \u00b7 Door");
    ptz.matrix.selected = -1;  // neither Set nor Call: recalled
    ptz.OnClickPresetCbx();
    EXPECT_THAT(sent(), ElementsAre(setCur(presetCall, "0c")));
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

TEST_F(Panels, PresetShortcutsRecallAndStoreAfterAskingWhereTheModelHasPresets) {
    bind();
    ptz.recallPreset(3);
    ptz.confirms = false;
    ptz.storePresetAfterConfirmation(3);
    ptz.confirms = true;
    ptz.storePresetAfterConfirmation(3);
    EXPECT_THAT(ptz.asked, ElementsAre("store 3", "store 3"));
    EXPECT_THAT(sent(), ElementsAre(setCur(presetCall, "03"), setCur(presetSet, "03")));

    bind(kNoPresetModel);
    ptz.recallPreset(3);
    ptz.storePresetAfterConfirmation(3);
    EXPECT_THAT(sent(), IsEmpty());
    EXPECT_EQ(ptz.asked.size(), 2u);
}

TEST_F(Panels, AutofocusImageShowsTheStateSwitchedTo) {
    hold(HoldControl::FocusPlus);  // no camera: only the image changes
    ptz.OnClickAutoFocus();        // no camera: nothing at all
    EXPECT_EQ(ptz.buttons["autoFocus"].image, "autofocus_off.png");
    bind();
    // a: the autofocus button, f: a focus hold; the image after each.
    for (const auto& [step, image] : {std::pair{'a', "autofocus.png"},
                                      {'a', "autofocus_off.png"},
                                      {'a', "autofocus.png"},
                                      {'f', "autofocus_off.png"},
                                      {'a', "autofocus.png"}}) {
        step == 'a' ? ptz.OnClickAutoFocus() : hold(HoldControl::FocusReduce);
        EXPECT_EQ(ptz.buttons["autoFocus"].image, image);
    }
    EXPECT_TRUE(usb.camera.state().autoFocus);
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

// The camera the user picked is bound again when it is listed at the next start, and the
// status line names the bound camera.
TEST_F(Panels, TheLastPickedCameraIsPreferredAtTheNextStart) {
    FakeHidDevice first(0x2e7e, 0x0737, "HD Camera"), second(0x2e7e, 0x0737, "HD Camera");
    first.setLocationId(0x01200000);
    second.setLocationId(0x01230000);
    const auto start = [&](FakeHidManager& manager) {
        arrDevList.emplace();
        setUpDeviceWatcher(manager, osd);
        manager.plug(first);
        manager.plug(second);
    };
    FakeHidManager manager;
    start(manager);
    EXPECT_EQ(osd.rows.selected, 0) << "nothing remembered: the first listed";
    EXPECT_EQ(statusView.camera, "HD Camera \u00b7 USB 1-2");
    EXPECT_THAT(osd.cameraChoices(),
                ElementsAre("HD Camera \u00b7 USB 1-2", "HD Camera \u00b7 USB 1-2.3"));
    osd.OnPickCamera(1);
    EXPECT_EQ(statusView.camera, "HD Camera \u00b7 USB 1-2.3");

    FakeHidManager nextStart;
    osd.rows.rows.clear();
    start(nextStart);
    EXPECT_EQ(osd.rows.selected, 1);
    EXPECT_EQ(statusView.camera, "HD Camera \u00b7 USB 1-2.3");
    nextStart.unplug(second);
    EXPECT_EQ(statusView.camera, "");
}

}  // namespace
}  // namespace ptz::testing
