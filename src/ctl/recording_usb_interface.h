// A UsbInterface that sends nothing and writes each request it is given as one line: the 8
// setup bytes in bus order, "|", then the data bytes sent (none for a GET), lower-case hex
// separated by spaces, e.g. "21 01 00 01 00 13 02 00 | 00 00".
//
// Every operation succeeds; a GET reads as all zero bytes. Borrows `out`, which must outlive
// it. Single-threaded, like every UsbInterface.
#pragma once

#include <ostream>

#include "platform/usb/usb_interface.h"

namespace ptz {

class RecordingUsbInterface final : public UsbInterface {
  public:
    explicit RecordingUsbInterface(std::ostream& out) : out_(out) {}

    UsbStatus open() override { return usb_status::kSuccess; }
    UsbStatus controlRequest(UsbDeviceRequest& request) override;
    UsbStatus close() override { return usb_status::kSuccess; }
    uint8_t interfaceNumber() const override { return 0; }

  private:
    std::ostream& out_;
};

}  // namespace ptz
