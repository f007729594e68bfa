#include "discovery/model_filter.h"

#include <array>

namespace ptz {
namespace {

constexpr int32_t kAnyVendor = -1;

struct SupportedModel {
    int32_t vendorId;  // kAnyVendor: the product id alone decides
    int32_t productId;
};

constexpr std::array<SupportedModel, 5> kSupportedModels = {{
    {kAnyVendor, 0x0735},
    {kAnyVendor, 0x0737},
    {kAnyVendor, 0x0605},
    {kAnyVendor, 0x0606},
    {0x3242, 0x1000},
}};

}  // namespace

bool isSupportedModel(int32_t vendorId, int32_t productId) {
    for (const SupportedModel& model : kSupportedModels) {
        if (model.productId == productId &&
            (model.vendorId == kAnyVendor || model.vendorId == vendorId)) {
            return true;
        }
    }
    return false;
}

}  // namespace ptz
