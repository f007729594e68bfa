// ptzctl: the panel's commands from the command line, for scripts, hotkeys and field
// debugging.
#include <cstdio>
#include <iostream>
#include <string_view>
#include <vector>

#include "discovery/camera_list.h"
#include "platform/hid/hid_device_info.h"
#include "platform/log.h"
#include "platform/usb/usb_registry_factory.h"
#include "ptzctl_arguments.h"
#include "ptzctl_runner.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const ptz::PtzctlParseResult parsed = ptz::parsePtzctlArguments(args);
    if (!parsed.options) {
        std::fprintf(stderr, "ptzctl: %s (ptzctl --help shows the usage)\n", parsed.error.c_str());
        return ptz::kPtzctlUsage;
    }
    if (parsed.options->help) {
        std::cout << ptz::ptzctlUsage();
        return ptz::kPtzctlSuccess;
    }
    if (parsed.options->command.action == ptz::PtzctlAction::List) {
        const std::vector<std::string> cameras =
            ptz::supportedCameraLines(ptz::enumerateHidDevices());
        for (const std::string& line : cameras) {
            std::cout << line << '\n';
        }
        return cameras.empty() ? ptz::kPtzctlFailure : ptz::kPtzctlSuccess;
    }
    const auto toStandardError = [](std::string_view line) {
        std::cerr << ptz::stampedLogLine(line) << '\n';
    };
    if (parsed.options->dryRun) {
        return ptz::runPtzctl(*parsed.options, nullptr, std::cout, toStandardError);
    }
    const std::unique_ptr<ptz::UsbRegistry> registry = ptz::createUsbRegistry();
    return ptz::runPtzctl(*parsed.options, registry.get(), std::cout, toStandardError);
}
