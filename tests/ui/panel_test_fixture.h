// The real window with the simulated camera behind it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "fake_usb.h"
#include "log_capture.h"
#include "ui/image_button.h"
#include "ui/main_window.h"
#include "ui/tab_view_controller.h"
#include "ui/view_controller.h"
#include "ui/view_controller2.h"

namespace ptz::testing {

// Models used by the tests, each at its own location so that a binding shows which one it hit.
struct TestCamera {
    int32_t vid;
    int32_t pid;
    uint32_t location;
};
inline constexpr TestCamera kPtzOnlyCamera{0x3242, 0x1000, 0x11000000};
inline constexpr TestCamera kOsdOnlyCamera{0x2E7E, 0x0737, 0x12000000};
inline constexpr TestCamera kNoPresetCamera{0x2E7E, 0x0735, 0x13000000};
inline constexpr TestCamera kPlainCamera{0x1234, 0x0606, 0x14000000};

// Expected bus lines.
std::string osdKey(int selector);
std::string panTilt(const char* data);
std::string zoomRelative(const char* data);
std::string focusRelative(const char* data);
std::string focusAuto(const char* data);
std::string presetSet(const char* data);
std::string presetCall(const char* data);
extern const char* const kPanTiltAbsoluteZero;
extern const char* const kZoomAbsoluteZero;

class PanelTest : public ::testing::Test {
  protected:
    PanelTest();
    ~PanelTest() override;

    // Binds a camera as the device watcher would, then forgets what the binding recorded.
    void bind(const TestCamera& camera);
    // The requests since the last call, as "setup | data" lines.
    std::vector<std::string> sent();

    ViewController& osd() { return *window->osdPanel(); }
    ViewController2& ptz() { return *window->ptzPanel(); }
    ImageButton& ptzButton(HoldControl control) { return *ptz().button(control); }

    SimulatedUsb usb;
    FakeUsbRegistry& registry = usb.registry;
    ScriptedUsb& script = usb.script;
    LogCapture log;
    int watcherSetUps = 0;
    std::unique_ptr<MainWindow> window;
};

}  // namespace ptz::testing
