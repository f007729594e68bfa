// ptzpanel: a control panel for UVC cameras with an OSD menu and a pan/tilt/zoom head.
#include <QApplication>
#include <memory>

#include "app/app_delegate.h"
#include "discovery/device_watcher.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/usb/usb_registry_factory.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ptzpanel"));

    ptz::AppDelegate delegate;
    QApplication::setQuitOnLastWindowClosed(
        delegate.applicationShouldTerminateAfterLastWindowClosed());

    // Opens nothing: devices are looked up when a camera is bound.
    const std::unique_ptr<ptz::UsbRegistry> registry = ptz::createUsbRegistry();
    // Outlives the window: the devices it reports are listed in the OSD panel.
    const std::unique_ptr<ptz::HidManager> hidManager = ptz::createHidManager();
    ptz::MainWindow window(*registry, [&hidManager](ptz::DeviceListPanel& panel) {
        ptz::setUpDeviceWatcher(*hidManager, panel);
    });
    window.show();

    delegate.applicationDidFinishLaunching();
    const int result = QApplication::exec();
    delegate.applicationWillTerminate();
    return result;
}
