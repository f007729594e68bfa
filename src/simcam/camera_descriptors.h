// The simulated camera's standard descriptors, as GET_DESCRIPTOR answers them: a USB 2.0
// composite device (interface association) with a video function, VideoControl and
// VideoStreaming, and a HID interface for its keys.
//
// Interface numbers: VideoControl at spec.videoControlInterface and VideoStreaming after it;
// HID last when VideoControl is interface 0, otherwise first (interface 0), as on cameras whose
// video function does not come first. A VideoControl number above 1 leaves numbers unused.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "simcam/camera_controls.h"
#include "simcam/simulated_camera.h"

namespace ptz::sim {

// iManufacturer and iProduct of the device descriptor.
inline constexpr uint8_t kManufacturerStringIndex = 1;
inline constexpr uint8_t kProductStringIndex = 2;

std::vector<uint8_t> deviceDescriptorOf(const CameraSpec& spec);

// The whole configuration, wTotalLength bytes; bmControls from `controls`.
std::vector<uint8_t> configurationDescriptorOf(const CameraSpec& spec,
                                               std::span<const ControlDefinition> controls);

}  // namespace ptz::sim
