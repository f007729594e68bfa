// Runs the HID integration tests under umockdev's preload, with a Qt event loop.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    // The preload redirects /sys and /dev to the testbed; it must be in place from the
    // process's start, so the binary re-executes itself once with it.
    const char* preload = getenv("LD_PRELOAD");
    if (preload == nullptr || strstr(preload, "libumockdev-preload.so") == nullptr) {
        std::string value = "libumockdev-preload.so.0";
        if (preload != nullptr && *preload != '\0') {
            value += ":" + std::string(preload);
        }
        setenv("LD_PRELOAD", value.c_str(), 1);
        // AddressSanitizer wants to be first in the list; the preload comes first here.
        std::string asan = getenv("ASAN_OPTIONS") != nullptr ? getenv("ASAN_OPTIONS") : "";
        if (asan.find("verify_asan_link_order") == std::string::npos) {
            asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
            setenv("ASAN_OPTIONS", asan.c_str(), 1);
        }
        execv("/proc/self/exe", argv);
        perror("re-executing under libumockdev-preload.so.0");
        return 1;
    }
    // Without the preload the tests would see the machine's real devices.
    if (dlopen("libumockdev-preload.so.0", RTLD_NOW | RTLD_NOLOAD) == nullptr) {
        fprintf(stderr, "libumockdev-preload.so.0 is not active; is umockdev installed?\n");
        return 1;
    }
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
