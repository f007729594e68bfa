// For now over the node lookup and the per-request interface that came before this class.
#include "platform/usb/uvcvideo_backend.h"

#include <optional>
#include <string>

#include "platform/usb/uvcvideo_interface.h"
#include "platform/usb/video_node_lookup.h"

namespace ptz {

struct UvcvideoBackend::State {
    VideoControlBinding binding;
    std::unique_ptr<UvcvideoInterface> node;
};

UvcvideoBackend::UvcvideoBackend(VideoControlBinding binding)
    : state_(std::make_unique<State>(State{std::move(binding), nullptr})) {}

UvcvideoBackend::~UvcvideoBackend() = default;

UsbStatus UvcvideoBackend::open() {
    // The driver holds the interface but has not (yet) made a node for it.
    const std::optional<std::string> node = findVideoNode(state_->binding.interfaceSyspath());
    if (!node) {
        return usb_status::kNoDevice;
    }
    state_->node = std::make_unique<UvcvideoInterface>(*node, state_->binding.units);
    return state_->node->open();
}

UsbStatus UvcvideoBackend::controlRequest(UsbDeviceRequest& request) {
    if (!state_->node) {
        request.wLenDone = 0;
        return usb_status::kNoDevice;
    }
    return state_->node->controlRequest(request);
}

UsbStatus UvcvideoBackend::close() {
    return state_->node ? state_->node->close() : usb_status::kSuccess;
}

uint8_t UvcvideoBackend::interfaceNumber() const {
    return state_->binding.interfaceNumber;
}

}  // namespace ptz
