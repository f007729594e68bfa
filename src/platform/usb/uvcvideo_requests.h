// How UVC control requests reach a camera through the uvcvideo driver, which takes them only as
// its own ioctls.
//
// Extension-unit requests pass unchanged (UVCIOC_CTRL_QUERY). Camera-terminal requests become
// V4L2 controls, which the driver encodes itself after rounding each value to the step and
// clamping it into the range it reports; released kernels report the relative controls' ranges
// wrongly (PAN_SPEED and TILT_SPEED from -(GET_MIN speed), ZOOM_CONTINUOUS from +(GET_MIN
// speed)), so a zoom out or stop can turn into a zoom in. Hence a relative move (pan/tilt,
// zoom, focus) goes as its relative value only where the driver carries that value and a stop
// exactly, a speed above the camera's maximum being carried at the maximum. Otherwise it goes
// to the camera's absolute control: a start to the end of the range in its direction, a stop
// to where the head is. Where the camera has no absolute control nothing is sent, one line
// says what this kernel's driver cannot do, and the request fails as unsupported. Focus
// relative has no V4L2 control on any kernel, so focus near and far always go through focus
// absolute (autofocus must be off, which the driver checks).
//
// This relies on the camera stopping whatever move an axis makes on a relative stop, and on an
// absolute target replacing a relative move, as one motor per axis does.
//
// The ranges are read once per object, that is once per binding. GET_MIN and GET_MAX of the
// relative controls are refused: the driver's values are not the camera's bytes.
// Threading: GUI thread only.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>

#include "platform/usb/usb_device_request.h"
#include "platform/usb/usb_status.h"
#include "platform/usb/uvc_descriptors.h"
#include "platform/usb/video_node.h"

namespace ptz {

class UvcvideoRequests {
  public:
    // `node` is borrowed and must be open whenever carryOut() is called.
    UvcvideoRequests(VideoControlUnits units, VideoNode& node);

    // Carries out one request; sets request.wLenDone. kUnsupported for a request the driver
    // cannot carry, the status of the driver's errno otherwise.
    UsbStatus carryOut(UsbDeviceRequest& request);

    // A move that went through is still under way: no stop of its axis went through since.
    bool moveInProgress() const;

    // Where one axis of the head is asked to go: direction -1, 0 (stop) or +1, forward being
    // clockwise, up, toward telephoto and toward near.
    struct AxisMove {
        size_t axis;
        int direction;
        uint8_t speed;
    };

    struct DriverRange {
        int64_t minimum = 0;
        int64_t maximum = 0;
        uint64_t step = 1;
        uint32_t flags = 0;
    };

  private:
    UsbStatus rangeOf(uint32_t controlId, const DriverRange*& range);
    UsbStatus move(std::span<const AxisMove> moves);
    UsbStatus setCameraTerminal(uint8_t selector, UsbDeviceRequest& request);
    UsbStatus getCameraTerminal(uint8_t selector, UsbDeviceRequest& request);
    UsbStatus queryExtensionUnit(uint8_t unit, uint8_t selector, UsbDeviceRequest& request);

    VideoControlUnits units_;
    VideoNode& node_;
    std::map<uint32_t, std::optional<DriverRange>> ranges_;
    std::array<bool, 4> moving_{};  // by axis: pan, tilt, zoom, focus
};

}  // namespace ptz
