#include "ui/logic/osd_panel_logic.h"

#include "discovery/st_dev_ref.h"
#include "platform/hid/hid_device.h"
#include "ui/logic/model_profiles.h"
#include "ui/logic/ptz_panel_logic.h"

namespace ptz {

OsdPanelLogic* global_mainview = nullptr;

OsdPanelLogic::OsdPanelLogic(UsbRegistry& registry, DeviceWatcherSetUp setUpDeviceWatcher)
    : registry_(registry), setUpDeviceWatcher_(std::move(setUpDeviceWatcher)) {}

OsdPanelLogic::~OsdPanelLogic() {
    // The window owns the panel; forget it rather than leave a dangling global behind.
    if (global_mainview == this) {
        global_mainview = nullptr;
    }
}

void OsdPanelLogic::viewDidLoad() {
    if (!arrDevList) {
        arrDevList.emplace();
    }
    // Device events arrive through the event loop, so none is handled before this load ends.
    if (setUpDeviceWatcher_) {
        setUpDeviceWatcher_(*this);
    }
    global_mainview = this;

    view().setBackgroundColor(0.6, 0.6, 0.6, 1.0);

    leftButton().setImage("left.png");
    rightButton().setImage("right.png");
    upButton().setImage("up.png");
    downButton().setImage("down.png");
    okButton().setImage("enter.png");
    backButton().setImage("osdback.png");
    openCloseBtn().setImage("osd.png");

    leftButton().setImageScaling(ImageScaling::AxesIndependently);

    for (ButtonView* key : {&leftButton(), &rightButton(), &upButton(), &downButton(), &okButton(),
                            &backButton(), &openCloseBtn()}) {
        key->setBordered(false);
    }

    TabContainer* container = parentViewController();
    if (container) {
        container->setPreferredContentSize(528, 532);
    }
    view().setPreferredContentSize(518, 506);

    // Both tab items are kept so that a tab withheld for a model can be put back.
    if (container) {
        const std::vector<std::shared_ptr<TabItem>> items = container->tabViewItems();
        if (items.size() >= 2) {
            pGlobleItem0 = items[0];
            pGlobleItem = items[1];
        }
    }
}

void OsdPanelLogic::EnableCtrl(bool enabled) {
    for (ButtonView* key : {&openCloseBtn(), &upButton(), &downButton(), &leftButton(),
                            &rightButton(), &okButton(), &backButton()}) {
        key->setEnabled(enabled);
    }
}

void OsdPanelLogic::InitUvcContrl(int32_t pid, int32_t vid, uint32_t locationId) {
    // A failed binding is kept too: its commands then fail with a log line each.
    cameraControl_ = locationId != 0 ? UVCCameraControl::initWithLocationID(registry_, locationId)
                                     : UVCCameraControl::initWithVendorID(registry_, vid, pid);
    if (g_kView2) {
        g_kView2->setCameraControl(cameraControl_);
    }
}

void OsdPanelLogic::UnInitUvcContrl() {
    // The PTZ panel keeps its reference until the next bind replaces it.
    cameraControl_.reset();
}

void OsdPanelLogic::ReInitUI(st_DevRef device) {
    applyModelProfile(device);
}

void OsdPanelLogic::runOsdCommand(bool (UVCCameraControl::*command)()) {
    if (cameraControl_) {
        (cameraControl_.get()->*command)();
    }
}

void OsdPanelLogic::OnClickUp() {
    runOsdCommand(&UVCCameraControl::ClickOsdUpBtn);
}

void OsdPanelLogic::OnClickLeft() {
    runOsdCommand(&UVCCameraControl::ClickOsdLeftBtn);
}

void OsdPanelLogic::OnClickDown() {
    runOsdCommand(&UVCCameraControl::ClickOsdDownBtn);
}

void OsdPanelLogic::OnClickRight() {
    runOsdCommand(&UVCCameraControl::ClickOsdRightBtn);
}

void OsdPanelLogic::OnClickOk() {
    runOsdCommand(&UVCCameraControl::ClickOsdOkBtn);
}

void OsdPanelLogic::OnClickOpenClose() {
    runOsdCommand(&UVCCameraControl::ClickOsdOpencloseBtn);
}

void OsdPanelLogic::OnClickBack() {
    runOsdCommand(&UVCCameraControl::ClickOsdBackBtn);
}

void OsdPanelLogic::OnClickCbxDevice() {
    UnInitUvcContrl();
    const int selected = cbxDevice().indexOfSelectedItem();
    if (selected < 0) {
        return;
    }
    // Rows and list entries are kept in step by the watcher; a row without an entry would be
    // its fault, and binding nothing is the safe answer to it.
    if (!arrDevList || static_cast<size_t>(selected) >= arrDevList->size()) {
        return;
    }
    const st_DevRef device = (*arrDevList)[static_cast<size_t>(selected)];
    InitUvcContrl(device.pid, device.vid, device.devRef ? device.devRef->locationId() : 0);
    ReInitUI(device);
}

}  // namespace ptz
