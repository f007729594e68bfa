#include "ptzctl_runner.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "camera/uvc_camera_control.h"
#include "discovery/camera_list.h"
#include "ptzctl_camera_choice.h"
#include "ptzctl_commands.h"
#include "recording_usb_interface.h"
#include "simcam/simulated_camera_interface.h"

namespace ptz {
namespace {

// Sends the command and prints what it read: the status of the run.
int send(UVCCameraControl& camera, const PtzctlCommand& command, std::ostream& out) {
    const PtzctlReading reading = sendPtzctlCommand(camera, command);
    if (camera.failedRequestCount() != 0) {
        return kPtzctlFailure;
    }
    if (const std::string line = readingLine(command.row, reading); !line.empty()) {
        out << line << '\n';
    }
    return kPtzctlSuccess;
}

int list(PtzctlMachine& machine, std::ostream& out, std::ostream& err) {
    const std::vector<std::string> cameras = supportedCameraLines(machine.hidDevices());
    if (cameras.empty()) {
        err << "ptzctl: no camera of a supported model is connected\n";
        return kPtzctlFailure;
    }
    for (const std::string& line : cameras) {
        out << line << '\n';
    }
    return kPtzctlSuccess;
}

// A camera that nobody has used before: its time stands still, so that its state afterwards
// is what the command left, moves just begun.
int sendToSimulatedCamera(const PtzctlCommand& command, std::ostream& out) {
    sim::ManualClock clock;
    sim::SimulatedCamera camera(clock);
    const std::shared_ptr<UVCCameraControl> control = UVCCameraControl::initWithInterface(
        std::make_unique<sim::SimulatedCameraInterface>(camera));
    const int status = send(*control, command, out);
    out << camera.describe() << '\n';
    return status;
}

}  // namespace

int runPtzctl(std::span<const std::string_view> args, PtzctlMachine& machine, std::ostream& out,
              std::ostream& err) {
    const PtzctlParseResult parsed = parsePtzctlArguments(args);
    if (!parsed.help.empty()) {
        out << parsed.help;
        return kPtzctlSuccess;
    }
    if (!parsed.options) {
        err << "ptzctl: " << parsed.error << " (ptzctl --help shows the usage)\n";
        return kPtzctlUsage;
    }
    const PtzctlOptions& options = *parsed.options;
    if (options.command.action == PtzctlAction::List) {
        return list(machine, out, err);
    }
    if (options.simulatedCamera) {
        return sendToSimulatedCamera(options.command, out);
    }
    if (options.dryRun) {
        // The request lines are the output; the zeros a recorder reads back are not.
        std::ostringstream readings;
        const std::shared_ptr<UVCCameraControl> recorder =
            UVCCameraControl::initWithInterface(std::make_unique<RecordingUsbInterface>(out));
        return send(*recorder, options.command, readings);
    }
    const std::shared_ptr<UVCCameraControl> camera = bindPtzctlCamera(options, machine, err);
    return camera ? send(*camera, options.command, out) : kPtzctlFailure;
}

int writePtzctlOutput(int status, std::string_view output, std::FILE* stream, std::ostream& err) {
    const bool written = std::fwrite(output.data(), 1, output.size(), stream) == output.size();
    if (std::fflush(stream) != 0 || !written || std::ferror(stream)) {
        err << "ptzctl: cannot write standard output: " << std::strerror(errno) << '\n';
        return kPtzctlFailure;
    }
    return status;
}

}  // namespace ptz
