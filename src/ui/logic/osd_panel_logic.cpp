#include "ui/logic/osd_panel_logic.h"

#include "discovery/device_row_text.h"
#include "discovery/st_dev_ref.h"
#include "platform/hid/hid_device.h"
#include "ui/logic/model_profiles.h"
#include "ui/logic/ptz_panel_logic.h"

namespace ptz {

OsdPanelLogic* global_mainview = nullptr;

namespace {

// The listed device in that row, if the row has one.
const st_DevRef* listedDevice(int row) {
    if (!arrDevList || row < 0 || static_cast<size_t>(row) >= arrDevList->size()) {
        return nullptr;
    }
    return &(*arrDevList)[static_cast<size_t>(row)];
}

uint32_t locationOf(const st_DevRef& device) {
    return device.devRef ? device.devRef->locationId() : 0;
}

std::string describe(const st_DevRef& device) {
    return cameraDescription(
        deviceRowText(device.vid, device.pid, device.devRef ? device.devRef->productName() : ""),
        locationOf(device));
}

}  // namespace

OsdPanelLogic::OsdPanelLogic(UsbRegistry& registry, DeviceWatcherSetUp setUpDeviceWatcher,
                             CameraStatus& status, SettingsStore& settings)
    : registry_(registry),
      setUpDeviceWatcher_(std::move(setUpDeviceWatcher)),
      status_(status),
      settings_(settings) {}

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
    // Both binding paths select the row they bind first.
    const st_DevRef* device = listedDevice(cbxDevice().indexOfSelectedItem());
    const bool described = device && device->vid == vid && device->pid == pid &&
                           (locationId == 0 || locationOf(*device) == locationId);
    status_.showCamera(described ? describe(*device) : deviceRowText(vid, pid, ""));
    if (g_kView2) {
        g_kView2->setCameraControl(cameraControl_, CameraModel{vid, pid});
    }
}

void OsdPanelLogic::UnInitUvcContrl() {
    // The PTZ panel keeps its reference until the next bind replaces it.
    cameraControl_.reset();
    status_.showCamera({});
}

void OsdPanelLogic::ReInitUI(st_DevRef device) {
    applyModelProfile(device);
}

void OsdPanelLogic::runOsdCommand(bool (UVCCameraControl::*command)()) {
    if (cameraControl_) {
        status_.run(*cameraControl_,
                    [command](UVCCameraControl& camera) { return (camera.*command)(); });
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
    // No row selected, or a row without an entry (the watcher keeps them in step, so that
    // would be its fault, and binding nothing is the safe answer to it): stay unbound.
    const st_DevRef* picked = listedDevice(cbxDevice().indexOfSelectedItem());
    if (!picked) {
        return;
    }
    const st_DevRef device = *picked;
    InitUvcContrl(device.pid, device.vid, locationOf(device));
    ReInitUI(device);
    setPreferredCamera(settings_, {device.vid, device.pid, locationOf(device)});
}

void OsdPanelLogic::OnPickCamera(int row) {
    cbxDevice().selectItemAtIndex(row);
    OnClickCbxDevice();
}

void OsdPanelLogic::OnDeviceListed(int row) {
    const st_DevRef* device = listedDevice(row);
    const std::optional<PreferredCamera> preferred = preferredCamera(settings_);
    if (!device || !preferred || device->vid != preferred->vendorId ||
        device->pid != preferred->productId || locationOf(*device) != preferred->locationId) {
        return;
    }
    const st_DevRef record = *device;
    cbxDevice().selectItemAtIndex(row);
    InitUvcContrl(record.pid, record.vid, locationOf(record));
    ReInitUI(record);
}

std::vector<std::string> OsdPanelLogic::cameraChoices() const {
    std::vector<std::string> choices;
    if (arrDevList) {
        for (const st_DevRef& device : *arrDevList) {
            choices.push_back(describe(device));
        }
    }
    return choices;
}

}  // namespace ptz
