// The OSD panel's behaviour, free of any toolkit: its load (the program's start-up point), the
// camera binding it owns and shares with the PTZ panel, its OSD keys, the device combo box's
// action and the model profiles. ViewController supplies the controls by implementing the
// outlets.
//
// Threading: GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "camera/uvc_camera_control.h"
#include "discovery/device_list_panel.h"
#include "platform/usb/usb_interface.h"
#include "ui/logic/control_views.h"
#include "ui/logic/tab_container.h"

namespace ptz {

class OsdPanelLogic : public DeviceListPanel {
  public:
    // Hands the panel to the device watcher during the load; may be empty.
    using DeviceWatcherSetUp = std::function<void(DeviceListPanel&)>;

    // `registry` finds the cameras to bind and must outlive the panel.
    OsdPanelLogic(UsbRegistry& registry, DeviceWatcherSetUp setUpDeviceWatcher);
    ~OsdPanelLogic() override;
    OsdPanelLogic(const OsdPanelLogic&) = delete;
    OsdPanelLogic& operator=(const OsdPanelLogic&) = delete;

    // Creates the device list, sets up the device watcher, records the panel in
    // global_mainview, dresses the keys, sets the preferred sizes and captures the tab items.
    // The panel must be in the tab container by then.
    void viewDidLoad();

    // DeviceListPanel.
    void EnableCtrl(bool enabled) override;
    void InitUvcContrl(int32_t pid, int32_t vid, uint32_t locationId) override;
    void UnInitUvcContrl() override;
    void ReInitUI(st_DevRef device) override;

    // Actions.
    void OnClickUp();
    void OnClickLeft();
    void OnClickDown();
    void OnClickRight();
    void OnClickOk();
    void OnClickOpenClose();
    void OnClickBack();
    // The user picked a row of the device combo box: binds that row's device.
    void OnClickCbxDevice();

    const std::shared_ptr<UVCCameraControl>& cameraControl() const { return cameraControl_; }

    // Outlets.
    virtual ButtonView& leftButton() = 0;
    virtual ButtonView& rightButton() = 0;
    virtual ButtonView& upButton() = 0;
    virtual ButtonView& downButton() = 0;
    virtual ButtonView& okButton() = 0;
    virtual ButtonView& openCloseBtn() = 0;
    virtual ButtonView& backButton() = 0;

    // The tab container while the panel's tab is in it, otherwise nullptr.
    virtual TabContainer* parentViewController() = 0;

  protected:
    virtual PanelView& view() = 0;

  private:
    void runOsdCommand(bool (UVCCameraControl::*command)());

    UsbRegistry& registry_;
    DeviceWatcherSetUp setUpDeviceWatcher_;
    std::shared_ptr<UVCCameraControl> cameraControl_;
};

// The OSD panel once it has loaded; the device watcher and the model profiles reach it here.
extern OsdPanelLogic* global_mainview;

}  // namespace ptz
