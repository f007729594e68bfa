// The model profile table: vendor and product both have to match.
#include <gtest/gtest.h>

#include "ui/logic/model_profiles.h"

namespace ptz {
namespace {

TEST(ModelProfileTable, NamesTheThreeModelsWithAnArrangementOfTheirOwn) {
    const ModelProfile* ptzOnly = findModelProfile(0x3242, 0x1000);
    ASSERT_NE(ptzOnly, nullptr);
    EXPECT_EQ(ptzOnly->withheldTab, WithheldTab::Osd);
    EXPECT_TRUE(ptzOnly->hidesFocusControls);
    EXPECT_FALSE(ptzOnly->hidesPresetControls);

    const ModelProfile* osdOnly = findModelProfile(0x2E7E, 0x0737);
    ASSERT_NE(osdOnly, nullptr);
    EXPECT_EQ(osdOnly->withheldTab, WithheldTab::Ptz);
    EXPECT_FALSE(osdOnly->hidesFocusControls);
    EXPECT_FALSE(osdOnly->hidesPresetControls);

    const ModelProfile* noPresets = findModelProfile(0x2E7E, 0x0735);
    ASSERT_NE(noPresets, nullptr);
    EXPECT_EQ(noPresets->withheldTab, WithheldTab::None);
    EXPECT_FALSE(noPresets->hidesFocusControls);
    EXPECT_TRUE(noPresets->hidesPresetControls);
}

TEST(ModelProfileTable, OtherPairsHaveNone) {
    const std::pair<int32_t, int32_t> others[] = {
        {0, 0},           {0x3242, 0x0735}, {0x3242, 0x0737}, {0x1234, 0x0737},
        {0x1234, 0x0735}, {0x2E7E, 0x1000}, {0x1234, 0x0605}, {0x2E7E, 0x0606},
    };
    for (const auto& [vid, pid] : others) {
        EXPECT_EQ(findModelProfile(vid, pid), nullptr) << std::hex << vid << "/" << pid;
    }
}

}  // namespace
}  // namespace ptz
