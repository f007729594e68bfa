// Cost of one camera request through the uvcvideo backend.
//
// Default: Google Benchmark against an emulated video node under umockdev (the binary runs
// itself again behind umockdev's preload). The emulation answers each ioctl over a socket
// from another thread, so these times measure mostly umockdev, and bound ours from above.
//
// `--syscall-probe N NODE`: sends N zoom starts and exits, for counting system calls per
// request with `strace -c -f`. NODE is a real device file (such as /dev/null, which refuses
// the ioctl with ENOTTY after the same system calls a camera costs), or `emulated` for the
// umockdev node.
#include <benchmark/benchmark.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "camera/uvc_camera_control.h"
#include "fake_video_node.h"
#include "platform/log.h"
#include "platform/usb/uvcvideo_interface.h"
#include "platform/usb/uvcvideo_translation.h"
#include "umockdev_preload.h"

namespace {

constexpr const char* kInterfacePath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1/1-1:1.0";

ptz::VideoControlUnits cameraUnits() {
    return {1, {19, 20}};
}

// An emulated camera node and a camera control bound to it, for one benchmark run.
class EmulatedCamera {
  public:
    EmulatedCamera() : testbed_(umockdev_testbed_new()) {
        ptz::testing::addUvcvideoInterface(testbed_, kInterfacePath);
        node_ = std::make_unique<ptz::testing::FakeVideoNode>(testbed_, kInterfacePath);
        control_ = ptz::UVCCameraControl::initWithInterface(
            std::make_unique<ptz::UvcvideoInterface>(node_->devicePath(), cameraUnits()));
    }
    ~EmulatedCamera() {
        control_.reset();
        node_.reset();
        g_object_unref(testbed_);
    }
    EmulatedCamera(const EmulatedCamera&) = delete;
    EmulatedCamera& operator=(const EmulatedCamera&) = delete;

    ptz::UVCCameraControl& control() { return *control_; }
    ptz::testing::FakeVideoNode& node() { return *node_; }

  private:
    UMockdevTestbed* testbed_;
    std::unique_ptr<ptz::testing::FakeVideoNode> node_;
    std::shared_ptr<ptz::UVCCameraControl> control_;
};

// An OSD key: UVCIOC_CTRL_QUERY to extension unit 19.
void BM_UvcvideoExtensionUnitSet(benchmark::State& state) {
    EmulatedCamera camera;
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera.control().setValue(0.0f, &ptz::uvc_controls[ptz::osdOk]));
        camera.node().clearCalls();
    }
}
BENCHMARK(BM_UvcvideoExtensionUnitSet);

// A zoom start: VIDIOC_S_EXT_CTRLS with V4L2_CID_ZOOM_CONTINUOUS.
void BM_UvcvideoCameraTerminalSet(benchmark::State& state) {
    EmulatedCamera camera;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            camera.control().setValue(196609.0f, &ptz::uvc_controls[ptz::zoomRelative]));
        camera.node().clearCalls();
    }
}
BENCHMARK(BM_UvcvideoCameraTerminalSet);

// The translation alone, without any system call.
void BM_UvcvideoTranslation(benchmark::State& state) {
    const ptz::VideoControlUnits units = cameraUnits();
    uint8_t payload[4] = {0x00, 0x00, 0x01, 0x0A};
    ptz::UsbDeviceRequest request;
    request.bmRequestType = 0x21;
    request.bRequest = 0x01;
    request.wValue = 0x0E00;
    request.wIndex = 0x0100;
    request.wLength = 4;
    request.pData = payload;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ptz::planUvcvideoRequest(request, units));
    }
}
BENCHMARK(BM_UvcvideoTranslation);

long sendZoomStarts(ptz::UVCCameraControl& control, long requests) {
    long answered = 0;
    for (long i = 0; i < requests; ++i) {
        answered += control.setValue(196609.0f, &ptz::uvc_controls[ptz::zoomRelative]) ? 1 : 0;
    }
    return answered;
}

int runSyscallProbe(long requests, const char* node) {
    // The failure lines would add writes of their own to the count.
    ptz::setLogSink([](std::string_view) {});
    long answered = 0;
    if (std::strcmp(node, "emulated") == 0) {
        EmulatedCamera camera;
        answered = sendZoomStarts(camera.control(), requests);
    } else {
        const auto control = ptz::UVCCameraControl::initWithInterface(
            std::make_unique<ptz::UvcvideoInterface>(node, cameraUnits()));
        answered = sendZoomStarts(*control, requests);
    }
    std::printf("%ld requests to %s, %ld answered\n", requests, node, answered);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool probe = argc == 4 && std::strcmp(argv[1], "--syscall-probe") == 0;
    const bool emulated = !probe || std::strcmp(argv[3], "emulated") == 0;
    if (emulated) {
        ptz::testing::ensureUmockdevPreload(argv);
    }
    if (probe) {
        return runSyscallProbe(std::strtol(argv[2], nullptr, 10), argv[3]);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
