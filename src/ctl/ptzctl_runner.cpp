#include "ptzctl_runner.h"

#include "camera/uvc_camera_control.h"
#include "discovery/model_filter.h"
#include "platform/log.h"
#include "ptzctl_commands.h"
#include "recording_usb_interface.h"

namespace ptz {
namespace {

constexpr std::string_view kRequestFailurePrefix = "CameraControl Error: ";

// The camera the options name; without ids, the first connected camera of a supported model.
std::shared_ptr<UVCCameraControl> bindCamera(const PtzctlOptions& options, UsbRegistry& registry) {
    if (options.locationId) {
        return UVCCameraControl::initWithLocationID(registry, *options.locationId);
    }
    if (options.vendorId && options.productId) {
        return UVCCameraControl::initWithVendorID(registry, *options.vendorId, *options.productId);
    }
    for (const UsbDeviceIds& ids : registry.allDeviceIds()) {
        if (isSupportedModel(static_cast<int32_t>(ids.vendorId),
                             static_cast<int32_t>(ids.productId))) {
            return UVCCameraControl::initWithVendorID(registry, ids.vendorId, ids.productId);
        }
    }
    logLine("ptzctl: no camera of a supported model is connected");
    return nullptr;
}

}  // namespace

int runPtzctl(const PtzctlOptions& options, UsbRegistry* registry, std::ostream& out,
              const std::function<void(std::string_view line)>& forwardLog) {
    int failedRequests = 0;
    setLogSink([&](std::string_view line) {
        if (line.starts_with(kRequestFailurePrefix)) {
            ++failedRequests;
        }
        forwardLog(line);
    });

    std::shared_ptr<UVCCameraControl> camera;
    if (options.dryRun) {
        camera = UVCCameraControl::initWithInterface(std::make_unique<RecordingUsbInterface>(out));
    } else if (registry != nullptr) {
        camera = bindCamera(options, *registry);
        if (camera && !camera->isBound()) {
            logLine("ptzctl: no camera bound");
        }
    }
    if (!camera || !camera->isBound()) {
        setLogSink({});
        return kPtzctlFailure;
    }
    // Failures met while looking for the camera do not count against the command.
    failedRequests = 0;

    const PtzctlReading reading = sendPtzctlCommand(*camera, options.command);
    camera.reset();
    setLogSink({});

    if (failedRequests > 0) {
        return kPtzctlFailure;
    }
    if (!options.dryRun) {
        if (reading.current) {
            out << *reading.current << '\n';
        }
        if (reading.range) {
            out << reading.range->min << ' ' << reading.range->max << '\n';
        }
    }
    return kPtzctlSuccess;
}

}  // namespace ptz
