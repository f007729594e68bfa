// The one window: a tab container with the OSD panel (tab 0) and the PTZ panel (tab 1), the
// status line under it, and the preset shortcuts. It remembers its place and the last tab the
// user chose, and holds the panels' memory (QSettings of the application's names).
#pragma once

#include <QSettings>
#include <QWidget>

#include "ui/logic/camera_status.h"
#include "ui/logic/osd_panel_logic.h"
#include "ui/qt_settings_store.h"

namespace ptz {

class StatusLine;
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
    ~MainWindow() override;

    TabViewController* tabViewController() const { return tabs_; }
    ViewController* osdPanel() const { return osdPanel_; }
    ViewController2* ptzPanel() const { return ptzPanel_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void fillCameraMenu();
    void addPresetShortcuts();

    QSettings settings_;
    QtSettingsStore settingsStore_{settings_};
    StatusLine* statusLine_;
    CameraStatus status_;
    TabViewController* tabs_;
    ViewController* osdPanel_;
    ViewController2* ptzPanel_;
};

}  // namespace ptz
