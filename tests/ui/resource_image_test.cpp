// The images read from the resources: found by name, at their own size, and nothing for a name
// the resources do not have.
#include <gtest/gtest.h>

#include "ui/resource_image.h"

namespace ptz::testing {
namespace {

TEST(ResourceImage, ReadsTheNamedImagesAndNothingElse) {
    const QImage key = readResourcePng(QStringLiteral(":/up.png"));
    ASSERT_FALSE(key.isNull());
    const QImage sharpKey = readResourcePng(QStringLiteral(":/up@2x.png"));
    ASSERT_FALSE(sharpKey.isNull());
    EXPECT_EQ(sharpKey.size(), key.size() * 2);

    const QIcon icon = resourceIcon(QStringLiteral("up.png"));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.actualSize(QSize(512, 512)), key.size());

    EXPECT_FALSE(resourceIcon(QStringLiteral("window-icon.png")).isNull());
    EXPECT_TRUE(readResourcePng(QStringLiteral(":/no-such-image.png")).isNull());
    EXPECT_TRUE(resourceIcon(QStringLiteral("no-such-image.png")).isNull());
    EXPECT_TRUE(resourceIcon(QString()).isNull());
}

}  // namespace
}  // namespace ptz::testing
