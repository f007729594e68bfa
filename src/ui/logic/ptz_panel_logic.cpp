#include "ui/logic/ptz_panel_logic.h"

#include <algorithm>
#include <utility>

#include "camera/preset_number.h"
#include "platform/log.h"
#include "ui/logic/model_profiles.h"
#include "ui/logic/osd_panel_logic.h"

namespace ptz {

PtzPanelLogic* g_kView2 = nullptr;

namespace {

bool isFocus(HoldControl control) {
    return control == HoldControl::FocusPlus || control == HoldControl::FocusReduce;
}

// The move a hold control makes: start (+1 or -1 on its axis) or stop (0), at the camera's
// chosen speeds. Directions send the command set's own start and stop.
bool moveFor(UVCCameraControl& camera, HoldControl control, bool start) {
    switch (control) {
        case HoldControl::Up:
            return camera.ClickPtzUpBtn(start);
        case HoldControl::Down:
            return camera.ClickPtzDownBtn(start);
        case HoldControl::Left:
            return camera.ClickPtzLeftBtn(start);
        case HoldControl::Right:
            return camera.ClickPtzRightBtn(start);
        case HoldControl::ZoomPlus:
        case HoldControl::ZoomReduce: {
            const int direction = control == HoldControl::ZoomPlus ? 1 : -1;
            return camera.moveZoom(start ? direction : 0, camera.zoomFocusSpeed());
        }
        case HoldControl::FocusPlus:
        case HoldControl::FocusReduce: {
            const int direction = control == HoldControl::FocusPlus ? 1 : -1;
            if (start) {
                // A manual move is refused while autofocus is on.
                camera.MakeAutoFocus(false);
            }
            return camera.moveFocus(start ? direction : 0, camera.zoomFocusSpeed());
        }
    }
    return false;
}

uint8_t clampSpeed(int speed, SpeedRange range) {
    return static_cast<uint8_t>(std::clamp<int>(speed, range.minimum, range.maximum));
}

}  // namespace

PtzPanelLogic::~PtzPanelLogic() {
    // The window owns the panel; forget it rather than leave a dangling global behind.
    if (g_kView2 == this) {
        g_kView2 = nullptr;
    }
}

void PtzPanelLogic::viewDidLoad() {
    view().setBackgroundColor(0.4, 0.4, 0.4, 1.0);

    leftButton().setImage("left2.png");
    rightButton().setImage("right2.png");
    upButton().setImage("up2.png");
    downButton().setImage("down2.png");
    homeButton().setImage("home.png");
    focusReduce().setImage("focus-.png");
    focusPlus().setImage("focus+.png");
    zoomReduce().setImage("zoom-.png");
    zoomPlus().setImage("zoom+.png");
    autoFocusBtn().setImage("autofocus.png");

    leftButton().setImageScaling(ImageScaling::AxesIndependently);

    for (ButtonView* button :
         {&leftButton(), &rightButton(), &upButton(), &downButton(), &homeButton(), &focusReduce(),
          &focusPlus(), &zoomReduce(), &zoomPlus(), &autoFocusBtn()}) {
        button->setBordered(false);
    }

    showPresetNames(std::nullopt);

    RadioMatrixView& matrix = createRadioMatrix();
    matrix.setCellTitle(0, "Set");
    matrix.setCellTitle(1, "Call");
    // Recall until the user asks to store: a stray preset action then moves the camera to a
    // stored position instead of overwriting one.
    matrix.selectCellAtColumn(1);

    showSpeeds();
    g_kView2 = this;
}

void PtzPanelLogic::EnableCtrl(bool enabled) {
    for (ButtonView* button :
         {&homeButton(), &upButton(), &downButton(), &leftButton(), &rightButton(), &zoomPlus(),
          &zoomReduce(), &focusPlus(), &focusReduce(), &autoFocusBtn()}) {
        button->setEnabled(enabled);
    }
}

void PtzPanelLogic::setCameraControl(std::shared_ptr<UVCCameraControl> control, CameraModel model) {
    // A move started on the camera being replaced would never see its stop.
    for (int i = 0; i < kHoldControlCount; ++i) {
        if (std::exchange(started_[i], false) && cameraControl_) {
            moveFor(*cameraControl_, static_cast<HoldControl>(i), false);
        }
    }
    cameraControl_ = std::move(control);
    model_ = model;
    speedRanges_ = {};
    speedRangesLearned_ = false;
    panTiltSpeed_ = clampSpeed(
        rememberedSpeed(settings_, model_, SpeedPair::PanTilt).value_or(uvc_payload::kPanTiltSpeed),
        kDefaultPanTiltSpeeds);
    zoomFocusSpeed_ = clampSpeed(rememberedSpeed(settings_, model_, SpeedPair::ZoomFocus)
                                     .value_or(uvc_payload::kZoomFocusSpeed),
                                 kDefaultZoomFocusSpeeds);
    showSpeeds();
    showPresetNames(parsePresetNumber(presetCbx().stringValue(), PresetText::LeadingNumber).number);
}

void PtzPanelLogic::OnClickHome() {
    run([](UVCCameraControl& camera) { return camera.ClickPtzHomeBtn(); });
}

void PtzPanelLogic::OnClickAutoFocus() {
    if (!cameraControl_) {
        return;
    }
    // The image shows the state the click switches to.
    autoFocusBtn().setImage(cameraControl_->bAutoFocus() != 0 ? "autofocus_off.png"
                                                              : "autofocus.png");
    run([](UVCCameraControl& camera) { return camera.ClickPtzAutoFocusBtn(); });
}

void PtzPanelLogic::OnClickPresetCbx() {
    if (!cameraControl_) {
        return;
    }
    const PresetNumber preset =
        parsePresetNumber(presetCbx().stringValue(), PresetText::LeadingNumber);
    if (!preset.number) {
        logLine("Preset not sent: %s", preset.whyNot.c_str());
        return;
    }
    const bool store = myMatrix().selectedColumn() == 0;
    run([&](UVCCameraControl& camera) {
        return store ? camera.ClickPtzSetBtn(*preset.number)
                     : camera.ClickPtzCallBtn(*preset.number);
    });
}

void PtzPanelLogic::pressHoldControl(HoldControl control) {
    if (std::exchange(held_[index(control)], true)) {
        return;
    }
    if (isFocus(control)) {
        autoFocusBtn().setImage("autofocus_off.png");
    }
    started_[index(control)] =
        run([control](UVCCameraControl& camera) { return moveFor(camera, control, true); });
}

void PtzPanelLogic::releaseHoldControl(HoldControl control) {
    if (!std::exchange(held_[index(control)], false)) {
        return;
    }
    // After a start that failed nothing moves; a stop would only fail the same way again.
    if (std::exchange(started_[index(control)], false)) {
        run([control](UVCCameraControl& camera) { return moveFor(camera, control, false); });
    }
}

void PtzPanelLogic::learnSpeedRanges() {
    if (speedRangesLearned_ || !cameraControl_) {
        return;
    }
    speedRangesLearned_ = true;
    speedRanges_ = readSpeedRanges(*cameraControl_);
    panTiltSpeed_ = clampSpeed(panTiltSpeed_, speedRanges_.panTilt);
    zoomFocusSpeed_ = clampSpeed(zoomFocusSpeed_, speedRanges_.zoomFocus);
    showSpeeds();
}

void PtzPanelLogic::showSpeeds() {
    if (cameraControl_) {
        cameraControl_->setPanTiltSpeed(panTiltSpeed_);
        cameraControl_->setZoomFocusSpeed(zoomFocusSpeed_);
    }
    panTiltSpeedControl().setSpeedRange(speedRanges_.panTilt);
    panTiltSpeedControl().setSpeed(panTiltSpeed_);
    zoomFocusSpeedControl().setSpeedRange(speedRanges_.zoomFocus);
    zoomFocusSpeedControl().setSpeed(zoomFocusSpeed_);
}

void PtzPanelLogic::OnChangePanTiltSpeed(int speed) {
    panTiltSpeed_ = clampSpeed(speed, speedRanges_.panTilt);
    if (model_.known()) {
        rememberSpeed(settings_, model_, SpeedPair::PanTilt, panTiltSpeed_);
    }
    showSpeeds();
}

void PtzPanelLogic::OnChangeZoomFocusSpeed(int speed) {
    zoomFocusSpeed_ = clampSpeed(speed, speedRanges_.zoomFocus);
    if (model_.known()) {
        rememberSpeed(settings_, model_, SpeedPair::ZoomFocus, zoomFocusSpeed_);
    }
    showSpeeds();
}

std::string PtzPanelLogic::presetLabel(int number) const {
    const std::map<int, std::string> names = presetNames(settings_, model_);
    const auto named = names.find(number);
    return std::to_string(number) + (named == names.end() ? "" : " \u00b7 " + named->second);
}

// Named presets first, by number, then the unnamed of 0-9.
void PtzPanelLogic::showPresetNames(std::optional<int> select) {
    const std::map<int, std::string> names =
        model_.known() ? presetNames(settings_, model_) : std::map<int, std::string>{};
    std::vector<std::string> items;
    for (const auto& [number, name] : names) {
        items.push_back(std::to_string(number) + " \u00b7 " + name);
    }
    for (int number = 0; number <= 9; ++number) {
        if (!names.contains(number)) {
            items.push_back(std::to_string(number));
        }
    }
    int selected = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (select && parsePresetNumber(items[i], PresetText::LeadingNumber).number == select) {
            selected = static_cast<int>(i);
        }
    }
    presetCbx().setItems(items);
    presetCbx().selectItemAtIndex(selected);
}

std::optional<int> PtzPanelLogic::presetToName() {
    if (!cameraControl_ || !model_.known()) {
        return std::nullopt;
    }
    return parsePresetNumber(presetCbx().stringValue(), PresetText::LeadingNumber).number;
}

void PtzPanelLogic::OnNamePreset() {
    const std::optional<int> number = presetToName();
    if (!number) {
        return;
    }
    const std::map<int, std::string> names = presetNames(settings_, model_);
    const auto named = names.find(*number);
    const std::optional<std::string> name =
        askPresetName(*number, named == names.end() ? std::string() : named->second);
    if (name) {
        setPresetName(settings_, model_, *number, *name);
        showPresetNames(number);
    }
}

bool PtzPanelLogic::presetsOffered() const {
    const ModelProfile* profile = findModelProfile(model_.vendorId, model_.productId);
    return !profile || (!profile->hidesPresetControls && profile->withheldTab != WithheldTab::Ptz);
}

void PtzPanelLogic::storePresetAfterConfirmation(int32_t number) {
    if (!cameraControl_ || !presetsOffered() || !confirmPresetStore(presetLabel(number))) {
        return;
    }
    run([number](UVCCameraControl& camera) { return camera.ClickPtzSetBtn(number); });
}

void PtzPanelLogic::recallPreset(int32_t number) {
    if (presetsOffered()) {
        run([number](UVCCameraControl& camera) { return camera.ClickPtzCallBtn(number); });
    }
}

void PtzPanelLogic::movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                                uint8_t tiltSpeed) {
    run([&](UVCCameraControl& camera) {
        return camera.movePanTilt(panDirection, panSpeed, tiltDirection, tiltSpeed);
    });
}

void PtzPanelLogic::moveZoom(int direction, uint8_t speed) {
    run([&](UVCCameraControl& camera) { return camera.moveZoom(direction, speed); });
}

void PtzPanelLogic::switchAutoFocusOff() {
    autoFocusBtn().setImage("autofocus_off.png");
    run([](UVCCameraControl& camera) {
        camera.MakeAutoFocus(false);
        return true;
    });
}

void PtzPanelLogic::moveFocus(int direction, uint8_t speed) {
    run([&](UVCCameraControl& camera) { return camera.moveFocus(direction, speed); });
}

void PtzPanelLogic::pressOsdKey(OsdKey key) {
    if (!global_mainview) {
        return;
    }
    switch (key) {
        case OsdKey::Up:
            return global_mainview->OnClickUp();
        case OsdKey::Down:
            return global_mainview->OnClickDown();
        case OsdKey::Left:
            return global_mainview->OnClickLeft();
        case OsdKey::Right:
            return global_mainview->OnClickRight();
        case OsdKey::Ok:
            return global_mainview->OnClickOk();
        case OsdKey::Back:
            return global_mainview->OnClickBack();
        case OsdKey::OpenClose:
            return global_mainview->OnClickOpenClose();
    }
}

bool PtzPanelLogic::osdTabShown() const {
    const TabContainer* container =
        global_mainview ? global_mainview->parentViewController() : nullptr;
    return container && container->selectedTabViewItem() == pGlobleItem0;
}

SpeedRange PtzPanelLogic::panTiltSpeeds() {
    learnSpeedRanges();
    return speedRanges_.panTilt;
}

SpeedRange PtzPanelLogic::zoomFocusSpeeds() {
    learnSpeedRanges();
    return speedRanges_.zoomFocus;
}

}  // namespace ptz
