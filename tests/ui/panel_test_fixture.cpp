#include "panel_test_fixture.h"

namespace ptz::testing {

const char* const kPanTiltAbsoluteZero = "21 01 00 0d 00 01 08 00 | 00 00 00 00 00 00 00 00";
const char* const kZoomAbsoluteZero = "21 01 00 0b 00 01 02 00 | 00 00";

std::string osdKey(int selector) {
    return "21 01 00 0" + std::to_string(selector) + " 00 13 02 00 | 00 00";
}
std::string panTilt(const char* data) {
    return std::string("21 01 00 0e 00 01 04 00 | ") + data;
}
std::string zoomRelative(const char* data) {
    return std::string("21 01 00 0c 00 01 03 00 | ") + data;
}
std::string focusRelative(const char* data) {
    return std::string("21 01 00 07 00 01 02 00 | ") + data;
}
std::string focusAuto(const char* data) {
    return std::string("21 01 00 08 00 01 01 00 | ") + data;
}
std::string presetSet(const char* data) {
    return std::string("21 01 00 04 00 14 01 00 | ") + data;
}
std::string presetCall(const char* data) {
    return std::string("21 01 00 05 00 14 01 00 | ") + data;
}

PanelTest::PanelTest() {
    for (const TestCamera& camera :
         {kPtzOnlyCamera, kOsdOnlyCamera, kNoPresetCamera, kPlainCamera}) {
        FakeDeviceSpec spec;
        spec.vendorId = static_cast<uint32_t>(camera.vid);
        spec.productId = static_cast<uint32_t>(camera.pid);
        spec.locationId = camera.location;
        registry.add(spec);
    }
    window = std::make_unique<MainWindow>(registry, [this](DeviceListPanel&) { ++watcherSetUps; });
}

PanelTest::~PanelTest() {
    window.reset();
}

void PanelTest::bind(const TestCamera& camera) {
    osd().InitUvcContrl(camera.pid, camera.vid, 0);
    script.calls.clear();
    usb.sent();
}

std::vector<std::string> PanelTest::sent() {
    return usb.sent();
}

}  // namespace ptz::testing
