#include "platform/usb/libusb_backend.h"

#include <dlfcn.h>
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

template <typename Function>
bool resolve(void* library, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(::dlsym(library, name));
    return function != nullptr;
}

// The libusb calls this backend makes. libusb is loaded when a request first takes this path,
// not with the program: a program whose requests all go through uvcvideo (ptzctl) loads
// neither libusb nor the libudev and thread library it links.
struct Libusb {
    decltype(libusb_set_option)* setOption = nullptr;
    decltype(libusb_init)* init = nullptr;
    decltype(libusb_error_name)* errorName = nullptr;
    decltype(libusb_wrap_sys_device)* wrapSysDevice = nullptr;
    decltype(libusb_claim_interface)* claimInterface = nullptr;
    decltype(libusb_release_interface)* releaseInterface = nullptr;
    decltype(libusb_control_transfer)* controlTransfer = nullptr;
    decltype(libusb_close)* close = nullptr;

    bool load(void* library) {
        return resolve(library, "libusb_set_option", setOption) &&
               resolve(library, "libusb_init", init) &&
               resolve(library, "libusb_error_name", errorName) &&
               resolve(library, "libusb_wrap_sys_device", wrapSysDevice) &&
               resolve(library, "libusb_claim_interface", claimInterface) &&
               resolve(library, "libusb_release_interface", releaseInterface) &&
               resolve(library, "libusb_control_transfer", controlTransfer) &&
               resolve(library, "libusb_close", close);
    }
};

// libusb's calls, loaded on first use and kept; nullptr, after a log line, when the library
// cannot be loaded (not tried again).
const Libusb* libusb() {
    static const Libusb* const loaded = [] {
        static Libusb calls;
        void* library = ::dlopen("libusb-1.0.so.0", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr || !calls.load(library)) {
            logLine("libusb could not be loaded: %s", ::dlerror());
            return static_cast<const Libusb*>(nullptr);
        }
        return static_cast<const Libusb*>(&calls);
    }();
    return loaded;
}

// The process's libusb context, made on first use and kept: the kernel takes back what it holds
// when the process ends. Nullptr, after a log line, when libusb cannot be started (tried again
// on the next request).
libusb_context* sharedContext(const Libusb& calls, int& error) {
    static libusb_context* context = nullptr;
    error = LIBUSB_SUCCESS;
    if (context != nullptr) {
        return context;
    }
    // Devices are reached through their usbfs nodes only: no enumeration and no hot-plug
    // thread, which libusb would otherwise start with every context.
    calls.setOption(nullptr, LIBUSB_OPTION_NO_DEVICE_DISCOVERY);
    error = calls.init(&context);
    if (error != LIBUSB_SUCCESS) {
        context = nullptr;
        logLine("libusb could not be started: %s", calls.errorName(error));
    }
    return context;
}

// Tries the claim again while another program holds the interface, within kClaimBusyBudget.
int claimWaitingOutCollisions(const Libusb& calls, libusb_device_handle* handle,
                              uint8_t interfaceNumber) {
    const auto deadline = std::chrono::steady_clock::now() + kClaimBusyBudget;
    std::chrono::milliseconds pause = kFirstClaimPause;
    for (;;) {
        const int result = calls.claimInterface(handle, interfaceNumber);
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
    const Libusb* calls = libusb();
    if (calls == nullptr) {
        return usb_status::kUnsupported;
    }
    int error = LIBUSB_SUCCESS;
    libusb_context* context = sharedContext(*calls, error);
    if (context == nullptr) {
        return statusFromLibusbError(error);
    }
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", busNumber_, deviceNumber_);
    fd_ = ::open(node, O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        return statusFromErrno(errno);
    }
    error = calls->wrapSysDevice(context, fd_, &handle_);
    if (error == LIBUSB_SUCCESS) {
        error = claimWaitingOutCollisions(*calls, handle_, interfaceNumber_);
    }
    if (error != LIBUSB_SUCCESS) {
        if (handle_ != nullptr) {
            calls->close(handle_);
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
    const int result = libusb()->controlTransfer(
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
    const int result = libusb()->releaseInterface(handle_, interfaceNumber_);
    // libusb leaves a node it was handed open; closing it is ours to do.
    libusb()->close(handle_);
    handle_ = nullptr;
    ::close(fd_);
    fd_ = -1;
    return statusFromLibusbError(result);
}

}  // namespace ptz
