// Our own cost of one command, from the call to the transport, with a transport that does
// nothing but look at the request.
#include <benchmark/benchmark.h>

#include "camera/uvc_camera_control.h"

namespace {

class NullInterface final : public ptz::UsbInterface {
  public:
    ptz::UsbStatus open() override { return ptz::usb_status::kSuccess; }
    ptz::UsbStatus controlRequest(ptz::UsbDeviceRequest& request) override {
        benchmark::DoNotOptimize(request.pData[0]);
        request.wLenDone = request.wLength;
        return ptz::usb_status::kSuccess;
    }
    ptz::UsbStatus close() override { return ptz::usb_status::kSuccess; }
    uint8_t interfaceNumber() const override { return 0; }
};

void BM_PanTiltStart(benchmark::State& state) {
    auto camera = ptz::UVCCameraControl::initWithInterface(std::make_unique<NullInterface>());
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera->ClickPtzUpBtn(true));
    }
}
BENCHMARK(BM_PanTiltStart);

void BM_OsdKeyWithStop(benchmark::State& state) {
    auto camera = ptz::UVCCameraControl::initWithInterface(std::make_unique<NullInterface>());
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera->ClickOsdLeftBtn());
    }
}
BENCHMARK(BM_OsdKeyWithStop);

void BM_GetCurrentValue(benchmark::State& state) {
    auto camera = ptz::UVCCameraControl::initWithInterface(std::make_unique<NullInterface>());
    for (auto _ : state) {
        benchmark::DoNotOptimize(camera->getValueForControl(&ptz::uvc_controls[ptz::zoomAbsolute]));
    }
}
BENCHMARK(BM_GetCurrentValue);

}  // namespace
