// Runs the HID integration tests under umockdev's preload, with a Qt event loop.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "umockdev_preload.h"

int main(int argc, char** argv) {
    ptz::testing::ensureUmockdevPreload(argv);
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
