// Entry point of the integration test binaries: they run behind umockdev's preload.
#include "emulated_machine.h"

int main(int argc, char** argv) {
    return ptz::testing::runTestsUnderUmockdev(argc, argv);
}
