#include "umockdev_preload.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ptz::testing {
namespace {

constexpr const char* kPreload = "libumockdev-preload.so.0";

bool preloadRequested() {
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::string_view(preload).find(kPreload) != std::string_view::npos;
}

}  // namespace

bool runsBehindUmockdevPreload() {
    return preloadRequested() && dlopen(kPreload, RTLD_NOW | RTLD_NOLOAD) != nullptr;
}

void ensureUmockdevPreload(char** argv) {
    if (preloadRequested()) {
        if (!runsBehindUmockdevPreload()) {
            std::fprintf(stderr, "%s is not active; is umockdev installed?\n", kPreload);
            std::exit(1);
        }
        return;
    }
    const auto prepend = [](const char* name, std::string value, const char* separator) {
        const char* old = std::getenv(name);
        if (old != nullptr && *old != '\0') {
            value += separator + std::string(old);
        }
        setenv(name, value.c_str(), 1);
    };
    prepend("LD_PRELOAD", kPreload, ":");
    // The sanitizer runtime would refuse to start behind the preload.
    prepend("ASAN_OPTIONS", "verify_asan_link_order=0", ":");
    execv("/proc/self/exe", argv);
    std::perror("re-executing under libumockdev-preload.so.0");
    std::exit(1);
}

}  // namespace ptz::testing
