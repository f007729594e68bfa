#include "platform/usb/uvcvideo_interface.h"

#include <fcntl.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <utility>

#include "platform/usb/usb_status_mapping.h"
#include "platform/usb/uvcvideo_translation.h"

namespace ptz {
namespace {

UvcvideoCallTrace& callTrace() {
    static UvcvideoCallTrace trace;
    return trace;
}

void trace(std::string_view call, int errnoValue) {
    if (callTrace()) {
        callTrace()(call, errnoValue);
    }
}

// Every ioctl goes through here under its own name, so that a trace shows each call.
UsbStatus callDriver(int fd, const char* name, unsigned long request, void* argument) {
    int result = 0;
    do {
        result = ::ioctl(fd, request, argument);
    } while (result < 0 && errno == EINTR);
    const int error = result < 0 ? errno : 0;
    trace(name, error);
    return statusFromErrno(error);
}

UsbStatus queryExtensionUnit(int fd, const UvcvideoPlan& plan, UsbDeviceRequest& request) {
    uvc_xu_control_query query{};
    query.unit = plan.unit;
    query.selector = plan.selector;
    query.query = plan.query;
    query.size = plan.size;
    query.data = request.pData;
    const UsbStatus status = callDriver(fd, "UVCIOC_CTRL_QUERY", UVCIOC_CTRL_QUERY, &query);
    if (status == usb_status::kSuccess) {
        request.wLenDone = plan.size;
    }
    return status;
}

// Sets or reads all controls of the plan in one call.
UsbStatus exchangeControls(int fd, const UvcvideoPlan& plan, bool set,
                           std::array<v4l2_ext_control, kMaxControlsPerRequest>& controls) {
    for (size_t i = 0; i < plan.controlCount; ++i) {
        controls[i] = v4l2_ext_control{};
        controls[i].id = plan.controls[i].controlId;
        controls[i].value = plan.controls[i].value;
    }
    v4l2_ext_controls group{};
    group.which = V4L2_CTRL_WHICH_CUR_VAL;
    group.count = static_cast<uint32_t>(plan.controlCount);
    group.controls = controls.data();
    return set ? callDriver(fd, "VIDIOC_S_EXT_CTRLS", VIDIOC_S_EXT_CTRLS, &group)
               : callDriver(fd, "VIDIOC_G_EXT_CTRLS", VIDIOC_G_EXT_CTRLS, &group);
}

UsbStatus readCameraTerminal(int fd, const UvcvideoPlan& plan, UsbDeviceRequest& request) {
    std::array<int64_t, kMaxControlsPerRequest> values{};
    if (plan.route == UvcvideoRoute::kGetCurrent) {
        std::array<v4l2_ext_control, kMaxControlsPerRequest> controls{};
        const UsbStatus status = exchangeControls(fd, plan, false, controls);
        if (status != usb_status::kSuccess) {
            return status;
        }
        for (size_t i = 0; i < plan.controlCount; ++i) {
            values[i] = controls[i].value;
        }
    } else {
        // V4L2 reports a range per control, so a two-field control takes one query each.
        for (size_t i = 0; i < plan.controlCount; ++i) {
            v4l2_query_ext_ctrl query{};
            query.id = plan.controls[i].controlId;
            const UsbStatus status =
                callDriver(fd, "VIDIOC_QUERY_EXT_CTRL", VIDIOC_QUERY_EXT_CTRL, &query);
            if (status != usb_status::kSuccess) {
                return status;
            }
            values[i] = plan.route == UvcvideoRoute::kGetMinimum ? query.minimum : query.maximum;
        }
    }
    packCameraTerminalAnswer(*plan.mapping, std::span(values.data(), plan.controlCount),
                             std::span(request.pData, request.wLength));
    request.wLenDone = request.wLength;
    return usb_status::kSuccess;
}

}  // namespace

void setUvcvideoCallTrace(UvcvideoCallTrace trace) {
    callTrace() = std::move(trace);
}

UvcvideoInterface::UvcvideoInterface(std::string videoNodePath, VideoControlUnits units)
    : videoNodePath_(std::move(videoNodePath)), units_(std::move(units)) {}

UvcvideoInterface::~UvcvideoInterface() {
    close();
}

UsbStatus UvcvideoInterface::open() {
    if (fd_ >= 0) {
        return usb_status::kSuccess;
    }
    fd_ = ::open(videoNodePath_.c_str(), O_RDWR | O_CLOEXEC);
    const int error = fd_ < 0 ? errno : 0;
    trace("open", error);
    return statusFromErrno(error);
}

UsbStatus UvcvideoInterface::controlRequest(UsbDeviceRequest& request) {
    request.wLenDone = 0;
    if (fd_ < 0) {
        return usb_status::kNoDevice;
    }
    const UvcvideoPlan plan = planUvcvideoRequest(request, units_);
    switch (plan.route) {
        case UvcvideoRoute::kExtensionUnitQuery:
            return queryExtensionUnit(fd_, plan, request);
        case UvcvideoRoute::kSetControls: {
            std::array<v4l2_ext_control, kMaxControlsPerRequest> controls{};
            const UsbStatus status = exchangeControls(fd_, plan, true, controls);
            if (status == usb_status::kSuccess) {
                request.wLenDone = request.wLength;
            }
            return status;
        }
        case UvcvideoRoute::kGetCurrent:
        case UvcvideoRoute::kGetMinimum:
        case UvcvideoRoute::kGetMaximum:
            return readCameraTerminal(fd_, plan, request);
        case UvcvideoRoute::kUnsupported:
            break;
    }
    return usb_status::kUnsupported;
}

UsbStatus UvcvideoInterface::close() {
    if (fd_ < 0) {
        return usb_status::kSuccess;
    }
    const int result = ::close(fd_);
    fd_ = -1;
    const int error = result < 0 ? errno : 0;
    trace("close", error);
    return statusFromErrno(error);
}

}  // namespace ptz
