#include <gtest/gtest.h>

#include "discovery/model_filter.h"

namespace ptz {
namespace {

TEST(ModelFilter, ProductIdsAloneQualifyExceptTheVendorSpecificOne) {
    for (const int32_t pid : {0x0735, 0x0737, 0x0605, 0x0606}) {
        EXPECT_TRUE(isSupportedModel(0x1234, pid)) << pid;
        EXPECT_TRUE(isSupportedModel(0, pid)) << pid;
    }
    EXPECT_TRUE(isSupportedModel(0x3242, 0x1000));
    for (const int32_t pid : {0x0604, 0x0607, 0x0734, 0x0736, 0}) {
        EXPECT_FALSE(isSupportedModel(0x3242, pid)) << pid;
    }
    EXPECT_FALSE(isSupportedModel(0x3242, 0x1001));
    EXPECT_FALSE(isSupportedModel(0x2e7e, 0x1000));
    EXPECT_FALSE(isSupportedModel(-1, 0x1000));
}

}  // namespace
}  // namespace ptz
