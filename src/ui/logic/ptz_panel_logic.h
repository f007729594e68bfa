// The PTZ panel's behaviour, free of any toolkit: its load sequence, its actions on the bound
// camera (hold to move, home, autofocus image, presets with their names and shortcuts), the
// chosen speeds, EnableCtrl, and what a gamepad asks of the panels. ViewController2 supplies
// the controls by implementing the outlets.
//
// Every command goes through the status line (CameraStatus), which shows its failure in plain
// words. Threading: GUI thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "camera/speed_ranges.h"
#include "camera/uvc_camera_control.h"
#include "ui/logic/camera_status.h"
#include "ui/logic/control_views.h"
#include "ui/logic/gamepad_control.h"
#include "ui/logic/panel_memory.h"
#include "ui/logic/tab_container.h"

namespace ptz {

// The buttons that move the camera while held: pressing starts, letting go stops.
enum class HoldControl { Up, Down, Left, Right, ZoomPlus, ZoomReduce, FocusPlus, FocusReduce };
inline constexpr int kHoldControlCount = 8;

class PtzPanelLogic : public GamepadTarget {
  public:
    // Both are borrowed and must outlive the panel.
    PtzPanelLogic(CameraStatus& status, SettingsStore& settings)
        : status_(status), settings_(settings) {}
    ~PtzPanelLogic() override;
    PtzPanelLogic(const PtzPanelLogic&) = delete;
    PtzPanelLogic& operator=(const PtzPanelLogic&) = delete;

    // Dresses the controls, builds the preset matrix and records the panel in g_kView2.
    void viewDidLoad();

    RadioMatrixView& GetRadioMatrix() { return myMatrix(); }
    void EnableCtrl(bool enabled);
    void ChangeAutoFocusBtnState() {}

    const std::shared_ptr<UVCCameraControl>& cameraControl() const { return cameraControl_; }
    // A new binding. Moves the old camera was started on are stopped; the model's remembered
    // speeds and preset names take over.
    void setCameraControl(std::shared_ptr<UVCCameraControl> control, CameraModel model);

    // Actions.
    void OnClickHome();
    void OnClickAutoFocus();
    void OnClickPresetCbx();
    void OnClickSet() {}
    void OnClickCall() {}

    // Hold to move: a press starts the control's move, its release stops a move that started.
    // Each press starts afresh, whatever became of the last hold (a failed stop, an unplugged
    // or rebound camera): the moves are named outright, never alternated.
    void pressHoldControl(HoldControl control);
    void releaseHoldControl(HoldControl control);
    bool isHeld(HoldControl control) const { return held_[index(control)]; }

    // Speeds. The controls show the command set's speeds (10, 3) or the model's remembered
    // ones, in the widest ranges until the camera's own are learned: once per binding, when
    // the controls are about to be shown or a gamepad first needs them. A speed outside the
    // camera's range is brought into it.
    void learnSpeedRanges();
    void OnChangePanTiltSpeed(int speed);
    void OnChangeZoomFocusSpeed(int speed);

    // Presets named per camera model; a name is only shown, never sent.
    // The preset in the box that can be named now: a camera is bound and the text is a number.
    std::optional<int> presetToName();
    void OnNamePreset();
    // Keyboard shortcuts; nothing happens where the model offers no presets.
    void storePresetAfterConfirmation(int32_t number);
    bool presetsOffered() const;

    // GamepadTarget; recallPreset is also the shortcuts' recall.
    void movePanTilt(int panDirection, uint8_t panSpeed, int tiltDirection,
                     uint8_t tiltSpeed) override;
    void moveZoom(int direction, uint8_t speed) override;
    void switchAutoFocusOff() override;
    void moveFocus(int direction, uint8_t speed) override;
    void pressOsdKey(OsdKey key) override;
    void recallPreset(int32_t number) override;
    bool osdTabShown() const override;
    SpeedRange panTiltSpeeds() override;
    SpeedRange zoomFocusSpeeds() override;
    uint8_t focusButtonSpeed() override { return zoomFocusSpeed_; }

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
    virtual SpeedView& panTiltSpeedControl() = 0;
    virtual SpeedView& zoomFocusSpeedControl() = 0;

    // The tab container while the panel's tab is in it, otherwise nullptr.
    virtual TabContainer* parentViewController() = 0;

  protected:
    virtual PanelView& view() = 0;
    // The preset matrix, created by the view at load (createRadioMatrix) and kept by it.
    virtual RadioMatrixView& createRadioMatrix() = 0;
    virtual RadioMatrixView& myMatrix() = 0;
    // Asks before a preset is overwritten, e.g. "3 · Pulpit"; true to store.
    virtual bool confirmPresetStore(const std::string& preset) = 0;
    // Asks for a preset's new name, showing its present one; nothing when cancelled.
    virtual std::optional<std::string> askPresetName(int number, const std::string& name) = 0;

  private:
    static int index(HoldControl control) { return static_cast<int>(control); }
    // Runs a command on the bound camera through the status line; false without a camera.
    template <typename Command>
    bool run(Command command) {
        return cameraControl_ && status_.run(*cameraControl_, command);
    }
    void showSpeeds();
    void showPresetNames(std::optional<int> select);
    std::string presetLabel(int number) const;

    CameraStatus& status_;
    SettingsStore& settings_;
    std::shared_ptr<UVCCameraControl> cameraControl_;
    CameraModel model_;
    uint8_t panTiltSpeed_ = uvc_payload::kPanTiltSpeed;
    uint8_t zoomFocusSpeed_ = uvc_payload::kZoomFocusSpeed;
    SpeedRanges speedRanges_;
    bool speedRangesLearned_ = false;
    bool held_[kHoldControlCount] = {};
    // Whether the control's press started a move that its release has to stop.
    bool started_[kHoldControlCount] = {};
};

// The PTZ panel once it has loaded; never set back while the panel lives.
extern PtzPanelLogic* g_kView2;

}  // namespace ptz
