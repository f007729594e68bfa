#include "ui/logic/ptz_panel_logic.h"

#include "camera/preset_number.h"
#include "platform/log.h"

namespace ptz {

PtzPanelLogic* g_kView2 = nullptr;

namespace {

// A latch holds true while the next click starts a movement. It flips only when the command
// went through, so a failed start or stop is repeated by the next click.
bool clickDirection(UVCCameraControl* camera, bool& bStart,
                    bool (UVCCameraControl::*command)(bool start)) {
    if (!camera) {
        return false;
    }
    const bool ok = (camera->*command)(bStart);
    if (ok) {
        bStart = !bStart;
    }
    return ok;
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

    presetCbx().selectItemAtIndex(0);

    RadioMatrixView& matrix = createRadioMatrix();
    matrix.setCellTitle(0, "Set");
    matrix.setCellTitle(1, "Call");
    // Recall until the user asks to store: a stray preset action then moves the camera to a
    // stored position instead of overwriting one.
    matrix.selectCellAtColumn(1);

    g_kView2 = this;
}

void PtzPanelLogic::EnableCtrl(bool enabled) {
    for (ButtonView* button :
         {&homeButton(), &upButton(), &downButton(), &leftButton(), &rightButton(), &zoomPlus(),
          &zoomReduce(), &focusPlus(), &focusReduce(), &autoFocusBtn()}) {
        button->setEnabled(enabled);
    }
}

bool PtzPanelLogic::OnClickUp() {
    static bool bStart = true;
    return clickDirection(cameraControl_.get(), bStart, &UVCCameraControl::ClickPtzUpBtn);
}

bool PtzPanelLogic::OnClickLeft() {
    static bool bStart = true;
    return clickDirection(cameraControl_.get(), bStart, &UVCCameraControl::ClickPtzLeftBtn);
}

bool PtzPanelLogic::OnClickDown() {
    static bool bStart = true;
    return clickDirection(cameraControl_.get(), bStart, &UVCCameraControl::ClickPtzDownBtn);
}

bool PtzPanelLogic::OnClickRight() {
    static bool bStart = true;
    return clickDirection(cameraControl_.get(), bStart, &UVCCameraControl::ClickPtzRightBtn);
}

void PtzPanelLogic::OnClickHome() {
    if (cameraControl_) {
        cameraControl_->ClickPtzHomeBtn();
    }
}

bool PtzPanelLogic::OnClickZoomReduce() {
    return cameraControl_ && cameraControl_->ClickPtzZoomReduceBtn();
}

bool PtzPanelLogic::OnClickZoomPlus() {
    return cameraControl_ && cameraControl_->ClickPtzZoomPlusBtn();
}

bool PtzPanelLogic::focusAction(bool (UVCCameraControl::*focusCommand)()) {
    bool ok = false;
    if (cameraControl_) {
        // A manual step is refused while autofocus is on.
        cameraControl_->MakeAutoFocus(false);
        ok = (cameraControl_.get()->*focusCommand)();
    }
    autoFocusBtn().setImage("autofocus_off.png");
    return ok;
}

bool PtzPanelLogic::OnClickFocusReduce() {
    return focusAction(&UVCCameraControl::ClickPtzFocusReduceBtn);
}

bool PtzPanelLogic::OnClickFocusPlus() {
    return focusAction(&UVCCameraControl::ClickPtzFocusPlusBtn);
}

void PtzPanelLogic::OnClickAutoFocus() {
    if (!cameraControl_) {
        return;
    }
    // The image shows the state the click switches to.
    autoFocusBtn().setImage(cameraControl_->bAutoFocus() != 0 ? "autofocus_off.png"
                                                              : "autofocus.png");
    cameraControl_->ClickPtzAutoFocusBtn();
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
    if (myMatrix().selectedColumn() == 0) {
        cameraControl_->ClickPtzSetBtn(*preset.number);
    } else {
        cameraControl_->ClickPtzCallBtn(*preset.number);
    }
}

void PtzPanelLogic::runHoldAction(HoldControl control) {
    bool ok = false;
    switch (control) {
        case HoldControl::Up:
            ok = OnClickUp();
            break;
        case HoldControl::Down:
            ok = OnClickDown();
            break;
        case HoldControl::Left:
            ok = OnClickLeft();
            break;
        case HoldControl::Right:
            ok = OnClickRight();
            break;
        case HoldControl::ZoomPlus:
            ok = OnClickZoomPlus();
            break;
        case HoldControl::ZoomReduce:
            ok = OnClickZoomReduce();
            break;
        case HoldControl::FocusPlus:
            ok = OnClickFocusPlus();
            break;
        case HoldControl::FocusReduce:
            ok = OnClickFocusReduce();
            break;
    }
    if (ok) {
        moving_[index(control)] = !moving_[index(control)];
    }
}

void PtzPanelLogic::pressHoldControl(HoldControl control) {
    if (held_[index(control)]) {
        return;
    }
    held_[index(control)] = true;
    runHoldAction(control);
}

void PtzPanelLogic::releaseHoldControl(HoldControl control) {
    if (!held_[index(control)]) {
        return;
    }
    held_[index(control)] = false;
    if (moving_[index(control)]) {
        runHoldAction(control);
    }
}

}  // namespace ptz
