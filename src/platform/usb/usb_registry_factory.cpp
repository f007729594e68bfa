#include "platform/usb/usb_registry_factory.h"

#include <string_view>

#include "platform/sysfs/sysfs_devices.h"
#include "platform/usb/libusb_backend.h"
#include "platform/usb/sysfs_usb_registry.h"
#include "platform/usb/uvcvideo_backend.h"

namespace ptz {
namespace {

constexpr std::string_view kUvcvideoDriver = "uvcvideo";

// A bound VideoControl interface; each open() picks the backend that carries the request.
class VideoControlHandle final : public UsbInterface {
  public:
    explicit VideoControlHandle(VideoControlBinding binding)
        : binding_(std::move(binding)), libusb_(binding_) {}

    UsbStatus open() override {
        if (active_ != nullptr) {
            return usb_status::kSuccess;
        }
        // Nothing is opened for a camera that is gone, or for whichever device took its place.
        if (!isSameUsbDevice(binding_.deviceSyspath, binding_.busNumber, binding_.deviceNumber)) {
            return usb_status::kNoDevice;
        }
        UsbInterface* backend = &libusb_;
        if (sysfsLinkName(binding_.interfaceSyspath() + "/driver") == kUvcvideoDriver) {
            // Kept for the binding, so that what the driver reports is read once.
            if (!uvcvideo_) {
                uvcvideo_ = std::make_unique<UvcvideoBackend>(binding_);
            }
            backend = uvcvideo_.get();
        }
        const UsbStatus status = backend->open();
        if (status == usb_status::kSuccess) {
            active_ = backend;
        }
        return status;
    }

    UsbStatus controlRequest(UsbDeviceRequest& request) override {
        if (active_ == nullptr) {
            request.wLenDone = 0;
            return usb_status::kNoDevice;
        }
        return active_->controlRequest(request);
    }

    UsbStatus close() override {
        UsbInterface* backend = active_;
        active_ = nullptr;
        return backend != nullptr ? backend->close() : usb_status::kSuccess;
    }

    uint8_t interfaceNumber() const override { return binding_.interfaceNumber; }

  private:
    VideoControlBinding binding_;
    LibusbBackend libusb_;
    std::unique_ptr<UvcvideoBackend> uvcvideo_;
    UsbInterface* active_ = nullptr;  // the backend that was opened for the current request
};

std::unique_ptr<UsbInterface> makeVideoControlHandle(VideoControlBinding binding) {
    return std::make_unique<VideoControlHandle>(std::move(binding));
}

}  // namespace

std::unique_ptr<UsbRegistry> createUsbRegistry() {
    return std::make_unique<SysfsUsbRegistry>(makeVideoControlHandle);
}

}  // namespace ptz
