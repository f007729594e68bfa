// A UVC PTZ camera's firmware, simulated: it takes class-specific control requests addressed to
// its VideoControl interface as bytes on the default pipe, and answers them as the UVC 1.5
// standard has a camera answer them. Pan, tilt, zoom and focus move over time; extension unit
// 19 drives an on-screen menu, unit 20 stores and recalls presets.
//
// The head: pan -170°..+170° and tilt -30°..+90° (arc seconds, GET_RES 1°), zoom 0..16384,
// focus 0..1000 (300 at start, autofocus on). Relative moves go 4° a second per pan or tilt
// speed step, 600 zoom and 40 focus units a second per step; absolute targets and presets
// move pan 100°, tilt 80°, zoom 8192 and focus 500 units a second; autofocus 250 a second
// toward the in-focus position, which grows from 300 at widest to 500 at full telephoto.
//
// Where the standard leaves the choice to the firmware, this camera: stalls a wLength other
// than the control's with "invalid request"; refuses manual focus (absolute and relative)
// while autofocus is on with "wrong state" and reports those controls in GET_INFO as disabled
// by automatic mode; treats CT_FOCUS_AUTO as the boolean it is (no GET_MIN, GET_MAX,
// GET_RES); takes a key press only as the value 0; ignores keys other than open/close while
// the menu is hidden; recalls a preset never stored as the factory position (pan and tilt 0,
// widest zoom, default focus), and leaves focus to autofocus on a recall while it is on; and
// leaves the error code alone for requests not addressed to its VideoControl interface.
//
// No I/O, no threads, no Qt: time comes from an injected clock, so that a test steps it
// instead of sleeping. Not thread-safe: a caller on another thread (an ioctl handler) guards
// it with its own lock.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ptz::sim {

// The camera's sense of time.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual std::chrono::milliseconds now() const = 0;
};

// The machine's monotonic clock.
class SteadyClock final : public Clock {
  public:
    std::chrono::milliseconds now() const override;
};

// A clock that moves only when told to.
class ManualClock final : public Clock {
  public:
    std::chrono::milliseconds now() const override { return now_; }
    void advance(std::chrono::milliseconds by) { now_ += by; }

  private:
    std::chrono::milliseconds now_{0};
};

// What a camera is made of. The defaults are the simulated PTZ camera the program offers.
struct CameraSpec {
    uint16_t vendorId = 0x2e7e;
    uint16_t productId = 0x0606;
    std::string product = "Simulated PTZ Camera";
    // The VideoControl interface's number; requests whose wIndex low byte names another
    // interface do not reach it (they stall).
    uint8_t videoControlInterface = 0;
    // GET_MIN and GET_MAX of the speed bytes of the relative controls. Real cameras report a
    // minimum speed of 0 or 1.
    uint8_t minimumSpeed = 1;
    uint8_t maximumPanSpeed = 24;
    uint8_t maximumTiltSpeed = 20;
    uint8_t maximumZoomSpeed = 7;
    uint8_t maximumFocusSpeed = 7;
    // Pan/tilt, zoom and focus absolute controls; without them only relative moves exist.
    bool hasAbsoluteControls = true;
};

// What happened to one request, as the host sees it.
struct ControlReply {
    bool stalled = false;
    // Bytes of the data stage: taken from the host (host to device) or written into `data`
    // (device to host).
    size_t length = 0;
};

// One request as it reached the camera: setup packet in bus order, the data stage as sent
// (SET) or as answered (GET), and whether it stalled.
struct RecordedRequest {
    std::array<uint8_t, 8> setup{};
    std::vector<uint8_t> data;
    bool stalled = false;
};

// The on-screen menu as it is shown over the picture.
struct OsdMenuView {
    bool open = false;
    std::string title;               // the level shown, e.g. "Setup" or "Exposure"
    std::vector<std::string> lines;  // one per item, value included: "Brightness    5"
    int cursor = 0;                  // index into lines

    bool operator==(const OsdMenuView&) const = default;
};

// Where the head is and what it is doing, at the clock's present time.
struct CameraState {
    int32_t pan = 0;        // dwPanAbsolute, arc seconds, clockwise positive
    int32_t tilt = 0;       // dwTiltAbsolute, arc seconds, up positive
    uint16_t zoom = 0;      // wObjectiveFocalLength, larger toward telephoto
    uint16_t focus = 0;     // wFocusAbsolute, a distance: smaller is nearer
    bool autoFocus = true;  // bFocusAuto
    bool moving = false;    // some axis is moving (or autofocus is still settling)
    // The focus position at which the scene's subject is sharp at this zoom.
    uint16_t inFocus = 0;
    OsdMenuView menu;
};

class SimulatedCamera {
  public:
    // `clock` must outlive the camera.
    explicit SimulatedCamera(const Clock& clock, CameraSpec spec = {});
    ~SimulatedCamera();
    SimulatedCamera(const SimulatedCamera&) = delete;
    SimulatedCamera& operator=(const SimulatedCamera&) = delete;

    const CameraSpec& spec() const;

    // One class-specific request to the VideoControl interface: `setup` in bus order; `data`
    // holds wLength bytes to send (host to device) or room for wLength bytes to answer.
    // Requests to a unit, selector or request code it lacks, with a length other than the
    // control's, or with a value it refuses stall, and set the request error code that the
    // interface's VC_REQUEST_ERROR_CODE_CONTROL then reports.
    ControlReply controlRequest(std::span<const uint8_t, 8> setup, std::span<uint8_t> data);

    // Standard descriptors, as GET_DESCRIPTOR answers them: the 18-byte device descriptor, and
    // the whole configuration descriptor (VideoControl with camera terminal 1 and extension
    // units 19 and 20, VideoStreaming, HID).
    std::vector<uint8_t> deviceDescriptor() const;
    std::vector<uint8_t> configurationDescriptor() const;

    CameraState state() const;
    // The state as one line, for people: "pan -12.5° tilt 0.0° zoom 0 focus 300 af on, menu
    // closed" and what is moving.
    std::string describe() const;

    // Every request so far, in order, while recording (from the start); for checks of the bytes
    // on the wire. A camera that lives as long as a program stops recording: the list would
    // grow without bound.
    const std::vector<RecordedRequest>& requests() const;
    void clearRequests();
    void setRecording(bool recording);

    // Called after a request changed what the camera shows or does (a move started or
    // stopped, the menu changed). The caller then follows state() while `moving` holds.
    void setChangeCallback(std::function<void()> changed);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// "21 01 00 0e 00 01 04 00 | 00 00 01 0a": setup bytes, then the data stage, lower-case hex.
std::string requestLine(const RecordedRequest& request);

}  // namespace ptz::sim
