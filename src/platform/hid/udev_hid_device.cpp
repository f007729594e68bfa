#include "platform/hid/udev_hid_device.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/usb/usb_status_mapping.h"

namespace ptz {

UdevHidDevice::~UdevHidDevice() {
    close();
}

int32_t UdevHidDevice::open() {
    if (fd_ >= 0) {
        return 0;
    }
    if (node_.devnode.empty()) {
        return static_cast<int32_t>(statusFromErrno(ENOENT));
    }
    const int fd = ::open(node_.devnode.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return static_cast<int32_t>(statusFromErrno(errno));
    }
    fd_ = fd;
    return 0;
}

int32_t UdevHidDevice::close() {
    if (fd_ < 0) {
        return 0;
    }
    const int result = ::close(fd_);
    fd_ = -1;  // closed even when close() reports an error
    return result == 0 ? 0 : static_cast<int32_t>(statusFromErrno(errno));
}

}  // namespace ptz
