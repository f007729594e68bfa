// Integration test binaries run behind umockdev's preload, which redirects /sys and /dev to the
// testbed; it must be in place from the process's start.
#pragma once

namespace ptz::testing {

// True when the preload is loaded into this process.
bool runsBehindUmockdevPreload();

// Returns when the process runs behind the preload; otherwise re-executes the binary once with
// it (and ASAN_OPTIONS that tolerate it) and does not return. Exits with 1 when the preload
// cannot be loaded, so that no test ever reads the machine's real devices.
void ensureUmockdevPreload(char** argv);

}  // namespace ptz::testing
