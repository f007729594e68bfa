// The one window: a tab container with the OSD panel (tab 0) and the PTZ panel (tab 1).
#pragma once

#include <QWidget>

#include "ui/logic/osd_panel_logic.h"

namespace ptz {

class TabViewController;
class ViewController;
class ViewController2;

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    // Builds the window and loads both panels, the OSD panel first (it sets up the device
    // watcher through `setUpDeviceWatcher`), so that every camera bound from the event loop
    // on reaches both panels. `registry` must outlive the window.
    MainWindow(UsbRegistry& registry, OsdPanelLogic::DeviceWatcherSetUp setUpDeviceWatcher,
               QWidget* parent = nullptr);

    TabViewController* tabViewController() const { return tabs_; }
    ViewController* osdPanel() const { return osdPanel_; }
    ViewController2* ptzPanel() const { return ptzPanel_; }

  private:
    TabViewController* tabs_;
    ViewController* osdPanel_;
    ViewController2* ptzPanel_;
};

}  // namespace ptz
