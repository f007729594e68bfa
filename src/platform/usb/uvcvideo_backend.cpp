#include "platform/usb/uvcvideo_backend.h"

#include <utility>

#include "platform/usb/uvcvideo_node.h"
#include "platform/usb/uvcvideo_requests.h"

namespace ptz {

struct UvcvideoBackend::State {
    State(VideoControlUnits units, uint8_t number, std::unique_ptr<VideoNode> videoNode)
        : interfaceNumber(number), node(std::move(videoNode)), requests(std::move(units), *node) {}

    uint8_t interfaceNumber;
    std::unique_ptr<VideoNode> node;
    UvcvideoRequests requests;
};

UvcvideoBackend::UvcvideoBackend(VideoControlBinding binding)
    : UvcvideoBackend(binding.units, binding.interfaceNumber,
                      std::make_unique<UvcvideoNode>(binding)) {}

UvcvideoBackend::UvcvideoBackend(VideoControlUnits units, uint8_t interfaceNumber,
                                 std::unique_ptr<VideoNode> node)
    : state_(std::make_unique<State>(std::move(units), interfaceNumber, std::move(node))) {}

UvcvideoBackend::~UvcvideoBackend() {
    state_->node->close();
}

UsbStatus UvcvideoBackend::open() {
    return state_->node->open();
}

UsbStatus UvcvideoBackend::controlRequest(UsbDeviceRequest& request) {
    return state_->requests.carryOut(request);
}

UsbStatus UvcvideoBackend::close() {
    // An open node keeps the camera from autosuspending in the middle of a move.
    if (!state_->requests.moveInProgress()) {
        state_->node->close();
    }
    return usb_status::kSuccess;
}

uint8_t UvcvideoBackend::interfaceNumber() const {
    return state_->interfaceNumber;
}

}  // namespace ptz
