// Cost of one camera request through the uvcvideo backend.
//
// Default: Google Benchmark. BM_UvcvideoBackend* go through the real backend to emulated nodes
// under umockdev (the binary runs itself again behind umockdev's preload), answered by the
// model of the driver: umockdev's socket round trip dominates, so they bound ours from above.
// BM_UvcvideoTranslation is the backend's own work, over a node that answers at once.
//
// `--syscall-probe N`: sends N OSD keys to the emulated camera and exits, for counting system
// calls per request with `strace -c -f`.
#include <benchmark/benchmark.h>
#include <linux/videodev2.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "camera/uvc_camera_control.h"
#include "emulated_machine.h"
#include "platform/log.h"
#include "platform/usb/uvcvideo_backend.h"

namespace {

using ptz::testing::EmulatedUsbDevice;

// A camera held by uvcvideo, and a camera control bound to it.
class EmulatedCamera {
  public:
    EmulatedCamera() : camera_(machine_.add(heldByUvcvideo())) {
        ptz::VideoControlBinding binding;
        binding.deviceSyspath = camera_.syspath();
        binding.busNumber = camera_.spec().bus;
        binding.deviceNumber = camera_.spec().deviceNumber;
        binding.units = {1, {19, 20}};
        control_ = ptz::UVCCameraControl::initWithInterface(
            std::make_unique<ptz::UvcvideoBackend>(std::move(binding)));
    }

    ptz::UVCCameraControl& control() { return *control_; }
    void forget() { camera_.clearRequests(); }

  private:
    static ptz::testing::UsbDeviceSpec heldByUvcvideo() {
        ptz::testing::UsbDeviceSpec spec;
        spec.drivers[0] = "uvcvideo";
        spec.kernel = ptz::testing::UvcvideoKernel::kFixed;
        return spec;
    }

    ptz::testing::EmulatedMachine machine_;
    EmulatedUsbDevice& camera_;
    std::shared_ptr<ptz::UVCCameraControl> control_;
};

// An OSD key: UVCIOC_CTRL_QUERY to extension unit 19.
void BM_UvcvideoBackendExtensionUnitSet(benchmark::State& state) {
    EmulatedCamera camera;
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera.control().ClickOsdOkBtn());
        camera.forget();
    }
}
BENCHMARK(BM_UvcvideoBackendExtensionUnitSet);

// A zoom start and its stop: VIDIOC_S_EXT_CTRLS with V4L2_CID_ZOOM_CONTINUOUS, the node kept
// open in between.
void BM_UvcvideoBackendZoomStartAndStop(benchmark::State& state) {
    EmulatedCamera camera;
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera.control().moveZoom(1, 3));
        benchmark::DoNotOptimize(camera.control().moveZoom(0, 3));
        camera.forget();
    }
}
BENCHMARK(BM_UvcvideoBackendZoomStartAndStop);

// A node that answers every ioctl at once, ranges as the fixed kernel reports them.
class AnsweringNode final : public ptz::VideoNode {
  public:
    ptz::UsbStatus open() override { return ptz::usb_status::kSuccess; }
    int ioctl(const char*, unsigned long request, void* argument) override {
        if (request == VIDIOC_QUERY_EXT_CTRL) {
            auto* query = static_cast<v4l2_query_ext_ctrl*>(argument);
            query->minimum = -7;
            query->maximum = 7;
            query->step = 1;
        }
        return 0;
    }
    void close() override {}
};

// The backend's own work for a pan/tilt start: planning, one ioctl's argument.
void BM_UvcvideoTranslation(benchmark::State& state) {
    const auto control =
        ptz::UVCCameraControl::initWithInterface(std::make_unique<ptz::UvcvideoBackend>(
            ptz::VideoControlUnits{1, {19, 20}}, 0, std::make_unique<AnsweringNode>()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(control->movePanTilt(1, 5, 0, 0));
    }
}
BENCHMARK(BM_UvcvideoTranslation);

}  // namespace

int main(int argc, char** argv) {
    ptz::testing::ensureUmockdevPreload(argv);
    if (argc == 3 && std::strcmp(argv[1], "--syscall-probe") == 0) {
        // Failure lines would add writes of their own to the count.
        ptz::setLogSink([](std::string_view) {});
        const long requests = std::strtol(argv[2], nullptr, 10);
        EmulatedCamera camera;
        long answered = 0;
        for (long i = 0; i < requests; ++i) {
            answered += camera.control().ClickOsdBackBtn() ? 1 : 0;
        }
        std::printf("%ld requests, %ld answered\n", requests, answered);
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
