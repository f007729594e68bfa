// Cost of one camera request through the libusb backend against the simulated camera.
//
// Default: Google Benchmark, with the simulated camera in this process behind umockdev's preload
// (the binary runs itself again with it). umockdev answers each usbfs ioctl over a socket from
// another thread, so these times measure mostly umockdev and bound ours from above.
//
// For counting system calls per request the camera and the requests run in two processes, so
// that `strace -c -f` sees only the requesting side:
//   --serve-camera        adds the simulated camera, prints "UMOCKDEV_DIR=<dir>", then waits until
//                         its standard input is closed
//   --syscall-probe N     (behind the preload, UMOCKDEV_DIR set) binds the camera and sends N
//                         OSD key requests; exit 0 when all went through
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "camera/uvc_camera_control.h"
#include "emulated_machine.h"
#include "platform/log.h"
#include "platform/usb/usb_registry_factory.h"

namespace {

constexpr int64_t kVendorId = 0x2e7e;
constexpr int64_t kProductId = 0x0606;

// The simulated camera on an emulated bus, and a camera control bound to it through the factory.
class BoundCamera {
  public:
    BoundCamera() : camera_(machine_.add()), registry_(ptz::createUsbRegistry()) {
        control_ = ptz::UVCCameraControl::initWithVendorID(*registry_, kVendorId, kProductId);
    }

    ptz::UVCCameraControl& control() { return *control_; }
    ptz::testing::EmulatedUsbDevice& camera() { return camera_; }

  private:
    ptz::testing::EmulatedMachine machine_;
    ptz::testing::EmulatedUsbDevice& camera_;
    std::unique_ptr<ptz::UsbRegistry> registry_;
    std::shared_ptr<ptz::UVCCameraControl> control_;
};

// An OSD key: SET_CUR of two bytes to extension unit 19.
void BM_LibusbSetCur(benchmark::State& state) {
    BoundCamera bound;
    for (auto _ : state) {
        if (!bound.control().setValue(0.0f, &ptz::uvc_controls[ptz::osdOk])) {
            state.SkipWithError("request failed");
            break;
        }
        bound.camera().clearRequests();
    }
}
BENCHMARK(BM_LibusbSetCur);

// A read of the zoom position: GET_CUR of two bytes from the camera terminal.
void BM_LibusbGetCur(benchmark::State& state) {
    BoundCamera bound;
    for (auto _ : state) {
        benchmark::DoNotOptimize(bound.control().getDataFor(ptz::kUvcGetCur, 2, 11, 1));
        bound.camera().clearRequests();
    }
}
BENCHMARK(BM_LibusbGetCur);

int serveCamera() {
    ptz::testing::EmulatedMachine machine;
    machine.add();
    const char* dir = std::getenv("UMOCKDEV_DIR");
    std::printf("UMOCKDEV_DIR=%s\n", dir != nullptr ? dir : "");
    std::fflush(stdout);
    // Blocks until the caller closes our standard input; umockdev's thread answers meanwhile.
    while (std::fgetc(stdin) != EOF) {
    }
    return 0;
}

int probe(long requests) {
    ptz::setLogSink([](std::string_view line) {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(line.size()), line.data());
    });
    const std::unique_ptr<ptz::UsbRegistry> registry = ptz::createUsbRegistry();
    const auto control = ptz::UVCCameraControl::initWithVendorID(*registry, kVendorId, kProductId);
    bool ok = control->isBound();
    for (long i = 0; ok && i < requests; ++i) {
        ok = control->setValue(0.0f, &ptz::uvc_controls[ptz::osdOk]);
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (mode == "--syscall-probe" && argc > 2) {
        return probe(std::strtol(argv[2], nullptr, 10));
    }
    ptz::testing::ensureUmockdevPreload(argv);
    if (mode == "--serve-camera") {
        return serveCamera();
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
