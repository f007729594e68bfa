// ptzctl: the panel's commands from the command line, for scripts, hotkeys and field
// debugging.
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "platform/hid/hid_device_info.h"
#include "platform/usb/usb_registry_factory.h"
#include "ptzctl_runner.h"

namespace {

class Machine final : public ptz::PtzctlMachine {
  public:
    ptz::UsbRegistry& usbRegistry() override {
        if (!registry_) {
            registry_ = ptz::createUsbRegistry();
        }
        return *registry_;
    }

    std::vector<ptz::HidDeviceInfo> hidDevices() override { return ptz::enumerateHidDevices(); }

  private:
    std::unique_ptr<ptz::UsbRegistry> registry_;
};

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    std::ostringstream out;
    int status = ptz::kPtzctlFailure;
    {
        Machine machine;
        status = ptz::runPtzctl(args, machine, out, std::cerr);
    }
    // Written once the USB layer has closed what it opened, and checked: a reading that cannot
    // be written is a failed run, not a silent one.
    return ptz::writePtzctlOutput(status, out.str(), stdout, std::cerr);
}
