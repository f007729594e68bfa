#include "platform/usb/libusb_backend.h"

#include <fcntl.h>
#include <libusb.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>

#include "platform/log.h"
#include "platform/usb/usb_status_mapping.h"

namespace ptz {
namespace {

constexpr std::chrono::milliseconds kFirstClaimPause{1};
constexpr std::chrono::milliseconds kLongestClaimPause{32};

// The process's libusb context, made on first use and kept: the kernel takes back what it holds
// when the process ends. Nullptr, after a log line, when libusb cannot be started (tried again
// on the next request).
libusb_context* sharedContext(int& error) {
    static libusb_context* context = nullptr;
    error = LIBUSB_SUCCESS;
    if (context != nullptr) {
        return context;
    }
    // Devices are reached through their usbfs nodes only: no enumeration and no hot-plug
    // thread, which libusb would otherwise start with every context.
    libusb_set_option(nullptr, LIBUSB_OPTION_NO_DEVICE_DISCOVERY);
    error = libusb_init(&context);
    if (error != LIBUSB_SUCCESS) {
        context = nullptr;
        logLine("libusb could not be started: %s", libusb_error_name(error));
    }
    return context;
}

// Tries the claim again while another program holds the interface, within kClaimBusyBudget.
int claimWaitingOutCollisions(libusb_device_handle* handle, uint8_t interfaceNumber) {
    const auto deadline = std::chrono::steady_clock::now() + kClaimBusyBudget;
    std::chrono::milliseconds pause = kFirstClaimPause;
    for (;;) {
        const int result = libusb_claim_interface(handle, interfaceNumber);
        if (result != LIBUSB_ERROR_BUSY || std::chrono::steady_clock::now() + pause > deadline) {
            return result;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kLongestClaimPause);
    }
}

}  // namespace

LibusbBackend::LibusbBackend(const VideoControlBinding& binding)
    : busNumber_(binding.busNumber),
      deviceNumber_(binding.deviceNumber),
      interfaceNumber_(binding.interfaceNumber) {}

LibusbBackend::~LibusbBackend() {
    close();
}

UsbStatus LibusbBackend::open() {
    if (handle_ != nullptr) {
        return usb_status::kSuccess;
    }
    int error = LIBUSB_SUCCESS;
    libusb_context* context = sharedContext(error);
    if (context == nullptr) {
        return statusFromLibusbError(error);
    }
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", busNumber_, deviceNumber_);
    fd_ = ::open(node, O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        return statusFromErrno(errno);
    }
    error = libusb_wrap_sys_device(context, fd_, &handle_);
    if (error == LIBUSB_SUCCESS) {
        error = claimWaitingOutCollisions(handle_, interfaceNumber_);
    }
    if (error != LIBUSB_SUCCESS) {
        if (handle_ != nullptr) {
            libusb_close(handle_);
            handle_ = nullptr;
        }
        ::close(fd_);
        fd_ = -1;
    }
    return statusFromLibusbError(error);
}

UsbStatus LibusbBackend::controlRequest(UsbDeviceRequest& request) {
    request.wLenDone = 0;
    if (handle_ == nullptr) {
        return usb_status::kNoDevice;
    }
    const int result = libusb_control_transfer(
        handle_, request.bmRequestType, request.bRequest, request.wValue, request.wIndex,
        request.pData, request.wLength, static_cast<unsigned int>(kLibusbTransferTimeout.count()));
    if (result < 0) {
        return statusFromLibusbError(result);
    }
    request.wLenDone = static_cast<uint32_t>(result);
    return usb_status::kSuccess;
}

UsbStatus LibusbBackend::close() {
    if (handle_ == nullptr) {
        return usb_status::kSuccess;
    }
    const int result = libusb_release_interface(handle_, interfaceNumber_);
    // libusb leaves a node it was handed open; closing it is ours to do.
    libusb_close(handle_);
    handle_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    return statusFromLibusbError(result);
}

}  // namespace ptz
