#include "app/simulated_camera_option.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace ptz {

QCommandLineOption simulatedCameraOption() {
    return QCommandLineOption(
        QStringLiteral("simulated-camera"),
        QStringLiteral("Adds a simulated PTZ camera, and a window showing what it sees."));
}

SimulatedCameraPresence::SimulatedCameraPresence(UsbRegistry& machineUsb, HidManager& machineHid)
    : usb(machineUsb, camera), hid(machineHid, camera.spec(), [](std::function<void()> task) {
          QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(task),
                                    Qt::QueuedConnection);
      }) {
    // It lives as long as the program: a record of every request would grow without bound.
    camera.setRecording(false);
}

}  // namespace ptz
