#include "platform/usb/usb_status_mapping.h"

#include <libusb.h>

#include <cerrno>

namespace ptz {

UsbStatus statusFromLibusbError(int libusbError) {
    switch (libusbError) {
        case LIBUSB_SUCCESS:
            return usb_status::kSuccess;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return usb_status::kNoDevice;
        case LIBUSB_ERROR_ACCESS:
            return usb_status::kNotPermitted;
        case LIBUSB_ERROR_BUSY:
            return usb_status::kExclusiveAccess;
        case LIBUSB_ERROR_TIMEOUT:
            return usb_status::kTimeout;
        case LIBUSB_ERROR_PIPE:
            return usb_status::kPipeStalled;
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return usb_status::kUnsupported;
        default:
            return usb_status::kGeneralError;
    }
}

UsbStatus statusFromErrno(int errnoValue) {
    switch (errnoValue) {
        case 0:
            return usb_status::kSuccess;
        case ENODEV:
        case ENOENT:
        case ENXIO:
            return usb_status::kNoDevice;
        case EACCES:
        case EPERM:
            return usb_status::kNotPermitted;
        case EBUSY:
            return usb_status::kExclusiveAccess;
        case ETIMEDOUT:
            return usb_status::kTimeout;
        // A stall, or the camera's request error code behind it (uvc_query_ctrl): wrong state,
        // power, out of range.
        case EPIPE:
        case EILSEQ:
        case EREMOTE:
        case ERANGE:
            return usb_status::kPipeStalled;
        // No such control (ENOBUFS: not of that size; EBADRQC: not that request).
        case ENOTTY:
        case EOPNOTSUPP:
        case EINVAL:
        case ENOBUFS:
        case EBADRQC:
            return usb_status::kUnsupported;
        default:
            return usb_status::kGeneralError;
    }
}

UsbStatus statusFromDriverErrno(int errnoValue) {
    // The driver's ENOENT is an unknown unit or control, not a missing file.
    return errnoValue == ENOENT ? usb_status::kUnsupported : statusFromErrno(errnoValue);
}

}  // namespace ptz
