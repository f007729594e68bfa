#include "fake_hid.h"

namespace ptz::testing {

int32_t FakeHidDevice::open() {
    ++openCalls;
    if (openResult_ != 0) {
        return openResult_;
    }
    if (open_) {
        ++misuses;
    }
    open_ = true;
    ++successfulOpens;
    return 0;
}

int32_t FakeHidDevice::close() {
    ++closeCalls;
    if (!open_) {
        ++misuses;
    }
    open_ = false;
    return 0;
}

void FakeHidManager::setCallbacks(DeviceCallback matching, DeviceCallback removal) {
    calls.push_back("setCallbacks");
    matching_ = std::move(matching);
    removal_ = std::move(removal);
}

int32_t FakeHidManager::open() {
    calls.push_back("open");
    return openResult_;
}

void FakeHidManager::plug(FakeHidDevice& device) {
    if (matching_) {
        matching_(&device);
    }
}

void FakeHidManager::unplug(FakeHidDevice& device) {
    if (removal_) {
        removal_(&device);
    }
}

}  // namespace ptz::testing
