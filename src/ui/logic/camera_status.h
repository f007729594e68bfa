// The status line: which camera the panels drive, and the last request that failed, in plain
// words with what to do about it. The log lines stay as they are; this is for the window.
#pragma once

#include <cstdint>
#include <string>

#include "camera/uvc_camera_control.h"

namespace ptz {

// The window's status line. Owned by the window, borrowed by CameraStatus; GUI thread only.
class StatusView {
  public:
    virtual ~StatusView() = default;
    // "HD Camera · USB 1-2.3", or empty while no camera is bound.
    virtual void showCamera(const std::string& description) = 0;
    // Empty clears the message.
    virtual void showMessage(const std::string& message) = 0;
};

// "HD Camera · USB 1-2.3": the name, and the port path from a location id (bus in the top 8
// bits, then a nibble per port from the root down), as the kernel names USB ports.
std::string cameraDescription(const std::string& name, uint32_t locationId);

// What the user reads about a failed request.
std::string failureMessage(const RequestFailure& failure);

class CameraStatus {
  public:
    explicit CameraStatus(StatusView& view) : view_(view) {}

    // A camera was bound (clears the message of the one before) or unbound (empty).
    void showCamera(const std::string& description);

    // Runs `command(camera)`, which returns whether it succeeded, and shows the outcome: the
    // message of its last failed request, or none once all of its requests went through.
    template <typename Command>
    bool run(UVCCameraControl& camera, Command command) {
        const uint32_t failedBefore = camera.failedRequestCount();
        const bool result = command(camera);
        view_.showMessage(camera.failedRequestCount() == failedBefore
                              ? std::string()
                              : failureMessage(camera.lastFailure()));
        return result;
    }

  private:
    StatusView& view_;
};

}  // namespace ptz
