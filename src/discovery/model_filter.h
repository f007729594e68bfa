// The supported camera models, by USB vendor and product id.
#pragma once

#include <cstdint>

namespace ptz {

// Product ids 0x0735, 0x0737, 0x0605 and 0x0606 under any vendor, and 0x3242/0x1000.
bool isSupportedModel(int32_t vendorId, int32_t productId);

}  // namespace ptz
