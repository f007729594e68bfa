// --simulated-camera: a simulated PTZ camera added to the machine's USB and HID devices, so
// that the device watcher, the binding, the panels and the model profiles run their real code
// on it, beside any real camera.
#pragma once

#include <QCommandLineOption>

#include "platform/hid/hid_device.h"
#include "platform/usb/usb_interface.h"
#include "simcam/simulated_camera.h"
#include "simcam/simulated_hid_manager.h"
#include "simcam/simulated_usb_registry.h"

namespace ptz {

QCommandLineOption simulatedCameraOption();

// The camera on the machine's clock, and the machine's registry and HID manager with it added.
// Borrows both, which must outlive it. GUI thread; make it once QApplication exists.
struct SimulatedCameraPresence {
    SimulatedCameraPresence(UsbRegistry& machineUsb, HidManager& machineHid);

    sim::SteadyClock clock;
    sim::SimulatedCamera camera{clock};
    sim::SimulatedUsbRegistry usb;
    sim::SimulatedHidManager hid;
};

}  // namespace ptz
