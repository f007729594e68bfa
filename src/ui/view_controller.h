// The OSD panel: the device combo box and the seven OSD keys, over OsdPanelLogic.
//
// Mouse: a key acts on click. Keyboard (while the OSD tab has focus): arrow keys, Enter,
// Backspace and M press the matching key; holding a key down presses it once.
#pragma once

#include <memory>

#include "ui/logic/osd_panel_logic.h"
#include "ui/panel_widget.h"

namespace Ui {
class ViewController;
}

namespace ptz {

class ImageButton;

class ViewController : public PanelWidget, public OsdPanelLogic {
    Q_OBJECT

  public:
    // `registry`, `status` and `settings` must outlive the panel. The panel is loaded
    // (viewDidLoad) by whoever puts it into the tab container, once it is there.
    ViewController(UsbRegistry& registry, DeviceWatcherSetUp setUpDeviceWatcher,
                   CameraStatus& status, SettingsStore& settings, QWidget* parent = nullptr);
    ~ViewController() override;

    // Outlets.
    ButtonView& leftButton() override;
    ButtonView& rightButton() override;
    ButtonView& upButton() override;
    ButtonView& downButton() override;
    ButtonView& okButton() override;
    ButtonView& openCloseBtn() override;
    ButtonView& backButton() override;
    DeviceComboBox& cbxDevice() override;
    TabContainer* parentViewController() override;

  protected:
    PanelView& view() override { return *this; }
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

  private:
    ImageButton* keyFor(int qtKey) const;

    std::unique_ptr<Ui::ViewController> ui_;
};

}  // namespace ptz
