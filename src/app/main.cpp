// ptzpanel: a control panel for UVC cameras with an OSD menu and a pan/tilt/zoom head.
#include <QApplication>
#include <QCommandLineParser>
#include <memory>

#include "app/app_delegate.h"
#include "app/simulated_camera_option.h"
#include "discovery/device_watcher.h"
#include "platform/hid/hid_manager_factory.h"
#include "platform/input/gamepad_monitor_factory.h"
#include "platform/usb/usb_registry_factory.h"
#include "simview/simulated_camera_view.h"
#include "ui/logic/gamepad_control.h"
#include "ui/main_window.h"
#include "ui/view_controller2.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The panels' memory is QSettings of these names: ~/.config/ptzpanel/ptzpanel.conf.
    QApplication::setOrganizationName(QStringLiteral("ptzpanel"));
    QApplication::setApplicationName(QStringLiteral("ptzpanel"));

    QCommandLineParser options;
    options.setApplicationDescription(
        QStringLiteral("Drives the OSD menu and the pan/tilt/zoom head of USB cameras."));
    options.addHelpOption();
    options.addOption(ptz::simulatedCameraOption());
    options.process(app);

    ptz::AppDelegate delegate;
    QApplication::setQuitOnLastWindowClosed(
        delegate.applicationShouldTerminateAfterLastWindowClosed());

    // Opens nothing: devices are looked up when a camera is bound.
    const std::unique_ptr<ptz::UsbRegistry> machineUsb = ptz::createUsbRegistry();
    // Outlives the window: the devices it reports are listed in the OSD panel.
    const std::unique_ptr<ptz::HidManager> machineHid = ptz::createHidManager();
    ptz::UsbRegistry* registry = machineUsb.get();
    ptz::HidManager* hidManager = machineHid.get();
    // Only when asked: without it, nothing of the simulated camera is made.
    std::unique_ptr<ptz::SimulatedCameraPresence> simulated;
    if (options.isSet(ptz::simulatedCameraOption())) {
        simulated = std::make_unique<ptz::SimulatedCameraPresence>(*machineUsb, *machineHid);
        registry = &simulated->usb;
        hidManager = &simulated->hid;
    }

    ptz::MainWindow window(*registry, [hidManager](ptz::DeviceListPanel& panel) {
        ptz::setUpDeviceWatcher(*hidManager, panel);
    });
    window.show();
    // Sends the window to the screen before the work queued behind it (listing the cameras,
    // its icon) is done.
    QGuiApplication::sync();
    std::unique_ptr<ptz::SimulatedCameraView> view;
    if (simulated) {
        view = std::make_unique<ptz::SimulatedCameraView>(simulated->camera);
        view->placeBeside(window);
        view->show();
    }

    // A gamepad drives the panels. Its pads are looked for once the event loop runs, after the
    // window is on its way to the screen.
    ptz::GamepadControl gamepad(*window.ptzPanel());
    const std::unique_ptr<ptz::GamepadMonitor> gamepads = ptz::createGamepadMonitor();
    gamepads->setListener(&gamepad);
    QMetaObject::invokeMethod(
        &app, [&gamepads] { gamepads->open(); }, Qt::QueuedConnection);

    delegate.applicationDidFinishLaunching();
    const int result = QApplication::exec();
    delegate.applicationWillTerminate();
    return result;
}
