// The text a listed device is shown with.
#pragma once

#include <cstdint>
#include <string>

namespace ptz {

// The product name as the device reports it; a device that reports none is named by its ids
// ("USB camera 2e7e:0737"), so that every listed device still gets a row of its own.
std::string deviceRowText(int32_t vendorId, int32_t productId, const std::string& productName);

}  // namespace ptz
