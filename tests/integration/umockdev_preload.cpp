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
    const char* preload = std::getenv("LD_PRELOAD");
    std::string value(kPreload);
    if (preload != nullptr && *preload != '\0') {
        value += ":" + std::string(preload);
    }
    setenv("LD_PRELOAD", value.c_str(), 1);
    // The sanitizer runtime would refuse to start behind the preload.
    const char* asan = std::getenv("ASAN_OPTIONS");
    std::string asanOptions = asan != nullptr ? asan : "";
    if (asanOptions.find("verify_asan_link_order") == std::string::npos) {
        asanOptions += (asanOptions.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
        setenv("ASAN_OPTIONS", asanOptions.c_str(), 1);
    }
    execv("/proc/self/exe", argv);
    std::perror("re-executing under libumockdev-preload.so.0");
    std::exit(1);
}

}  // namespace ptz::testing
