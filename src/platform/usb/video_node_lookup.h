// Finds the video node through which the uvcvideo driver serves a camera's VideoControl
// interface.
//
// Reads sysfs only (works under umockdev, which redirects /sys and /dev); blocks briefly;
// any thread. Failure: std::nullopt when the interface has no video4linux node, which is the
// case whenever uvcvideo does not hold it.
#pragma once

#include <optional>
#include <string>

namespace ptz {

// `usbInterfaceSysfsPath`: the interface's sysfs directory, such as
// /sys/bus/usb/devices/1-1:1.0. Returns the /dev path of its video4linux child whose `index`
// is 0 (the capture node), or else of the lowest-numbered one: the driver accepts control
// calls on any node of the camera.
std::optional<std::string> findVideoNode(const std::string& usbInterfaceSysfsPath);

}  // namespace ptz
