// The PTZ panel's behaviour, free of any toolkit: its load sequence, its actions on the bound
// camera (direction latches, home, zoom, focus, autofocus image, presets), EnableCtrl and the
// press-and-hold triggers. ViewController2 supplies the controls by implementing the outlets.
//
// Threading: GUI thread only.
#pragma once

#include <cstdint>
#include <memory>

#include "camera/uvc_camera_control.h"
#include "ui/logic/control_views.h"
#include "ui/logic/tab_container.h"

namespace ptz {

// The buttons that move the camera while held: pressing starts, letting go stops.
enum class HoldControl { Up, Down, Left, Right, ZoomPlus, ZoomReduce, FocusPlus, FocusReduce };
inline constexpr int kHoldControlCount = 8;

class PtzPanelLogic {
  public:
    PtzPanelLogic() = default;
    virtual ~PtzPanelLogic();
    PtzPanelLogic(const PtzPanelLogic&) = delete;
    PtzPanelLogic& operator=(const PtzPanelLogic&) = delete;

    // Dresses the controls, builds the preset matrix and records the panel in g_kView2.
    void viewDidLoad();

    RadioMatrixView& GetRadioMatrix() { return myMatrix(); }
    void EnableCtrl(bool enabled);
    void ChangeAutoFocusBtnState() {}

    const std::shared_ptr<UVCCameraControl>& cameraControl() const { return cameraControl_; }
    void setCameraControl(std::shared_ptr<UVCCameraControl> control) {
        cameraControl_ = std::move(control);
    }

    // Actions. The direction, zoom and focus actions return whether a command was sent and
    // succeeded, which the press-and-hold triggers need.
    bool OnClickUp();
    bool OnClickLeft();
    bool OnClickDown();
    bool OnClickRight();
    void OnClickHome();
    bool OnClickZoomReduce();
    bool OnClickZoomPlus();
    bool OnClickFocusReduce();
    bool OnClickFocusPlus();
    void OnClickAutoFocus();
    void OnClickPresetCbx();
    void OnClickSet() {}
    void OnClickCall() {}

    // Press-and-hold: a press runs the control's action, the release runs it again only while
    // the control's last command that went through was a start. A release after a failed
    // start would otherwise send a start and leave the camera moving with no button held.
    void pressHoldControl(HoldControl control);
    void releaseHoldControl(HoldControl control);
    bool isHeld(HoldControl control) const { return held_[index(control)]; }

    // Outlets.
    virtual ButtonView& leftButton() = 0;
    virtual ButtonView& rightButton() = 0;
    virtual ButtonView& upButton() = 0;
    virtual ButtonView& downButton() = 0;
    virtual ButtonView& zoomReduce() = 0;
    virtual ButtonView& zoomPlus() = 0;
    virtual ButtonView& homeButton() = 0;
    virtual ButtonView& focusReduce() = 0;
    virtual ButtonView& focusPlus() = 0;
    virtual ComboTextView& presetCbx() = 0;
    virtual ButtonView& autoFocusBtn() = 0;
    virtual ControlView& presetStatic() = 0;

    // The tab container while the panel's tab is in it, otherwise nullptr.
    virtual TabContainer* parentViewController() = 0;

  protected:
    virtual PanelView& view() = 0;
    // The preset matrix, created by the view at load (createRadioMatrix) and kept by it.
    virtual RadioMatrixView& createRadioMatrix() = 0;
    virtual RadioMatrixView& myMatrix() = 0;

  private:
    static int index(HoldControl control) { return static_cast<int>(control); }
    void runHoldAction(HoldControl control);
    bool focusAction(bool (UVCCameraControl::*focusCommand)());

    std::shared_ptr<UVCCameraControl> cameraControl_;
    bool held_[kHoldControlCount] = {};
    // Whether the control's last command that went through started a movement. Each
    // successful command alternates start and stop, like the latches and toggles behind it.
    bool moving_[kHoldControlCount] = {};
};

// The PTZ panel once it has loaded; never set back while the panel lives.
extern PtzPanelLogic* g_kView2;

}  // namespace ptz
