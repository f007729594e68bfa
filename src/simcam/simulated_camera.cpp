#include "simcam/simulated_camera.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <optional>

#include "platform/usb/uvc_request_codes.h"
#include "simcam/camera_axis.h"
#include "simcam/camera_controls.h"
#include "simcam/camera_descriptors.h"
#include "simcam/osd_menu.h"

namespace ptz::sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kUvcGetRes = 0x84;
constexpr uint8_t kUvcGetLen = 0x85;
constexpr uint8_t kUvcGetInfo = 0x86;
constexpr uint8_t kUvcGetDef = 0x87;

// bRequestErrorCode values, as VC_REQUEST_ERROR_CODE_CONTROL reports them.
constexpr uint8_t kNoError = 0;
constexpr uint8_t kWrongState = 2;
constexpr uint8_t kOutOfRange = 4;
constexpr uint8_t kInvalidUnit = 5;
constexpr uint8_t kInvalidControl = 6;
constexpr uint8_t kInvalidRequest = 7;
constexpr uint8_t kInvalidValue = 8;

// GET_INFO bits.
constexpr uint8_t kInfoGet = 0x01;
constexpr uint8_t kInfoSet = 0x02;
constexpr uint8_t kInfoDisabledByAutoMode = 0x04;
constexpr uint8_t kInfoAutoUpdate = 0x08;

// Direction bytes of the relative controls.
constexpr uint8_t kStop = 0x00;
constexpr uint8_t kForward = 0x01;
constexpr uint8_t kBackward = 0xFF;

// How fast the head moves: per speed step for relative moves, fixed for absolute targets and
// preset recalls. Pan and tilt in arc seconds, zoom and focus in their controls' units, per
// second. A pan at speed 10 turns 40 degrees a second.
constexpr double kPanTiltPerSpeedStep = 4.0 * kArcSecondsPerDegree;
constexpr double kZoomPerSpeedStep = 600;
constexpr double kFocusPerSpeedStep = 40;
constexpr double kPanToTarget = 100.0 * kArcSecondsPerDegree;
constexpr double kTiltToTarget = 80.0 * kArcSecondsPerDegree;
constexpr double kZoomToTarget = 8192;
constexpr double kFocusToTarget = 500;
constexpr double kAutoFocusRate = 250;

// The scene's subject is in focus at this focus position, which grows toward telephoto.
int32_t inFocusPosition(int32_t zoom) {
    return kFocusDefault + zoom * 200 / kZoomMaximum;
}

bool isDirection(uint8_t direction) {
    return direction == kStop || direction == kForward || direction == kBackward;
}

double signOf(uint8_t direction) {
    return direction == kForward ? 1.0 : (direction == kBackward ? -1.0 : 0.0);
}

int32_t signedLittleEndian(std::span<const uint8_t> bytes) {
    return static_cast<int32_t>(readLittleEndian(bytes));
}

struct Setup {
    uint8_t requestType;
    uint8_t request;
    uint8_t selector;
    uint8_t interfaceNumber;
    uint8_t entity;
    uint16_t length;
};

Setup parseSetup(std::span<const uint8_t, 8> setup) {
    return {setup[0], setup[1], setup[3],
            setup[4], setup[5], static_cast<uint16_t>(setup[6] | setup[7] << 8)};
}

struct Preset {
    int32_t pan = 0;
    int32_t tilt = 0;
    int32_t zoom = kZoomMinimum;
    int32_t focus = kFocusDefault;
};

// What a request came to: a stall, or the bytes a GET answers.
struct Outcome {
    bool stalled = false;
    // The request error code it leaves; requests that never reached the VideoControl
    // interface's controls leave the code as it was.
    std::optional<uint8_t> errorCode = kNoError;
    Bytes answer;

    static Outcome stall(uint8_t code) { return {true, code, {}}; }
    static Outcome stallUnaddressed() { return {true, std::nullopt, {}}; }
    static Outcome done(Bytes answer = {}) { return {false, kNoError, std::move(answer)}; }
};

}  // namespace

std::chrono::milliseconds SteadyClock::now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

struct SimulatedCamera::Impl {
    Impl(const Clock& clock, CameraSpec spec)
        : clock(clock),
          spec(std::move(spec)),
          controls(cameraControls(this->spec)),
          lastAdvance(clock.now()) {}

    // Everything that can move or show, to tell whether a request changed any of it.
    struct Snapshot {
        CameraAxis pan, tilt, zoom, focus;
        bool autoFocus;
        OsdMenuView menu;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot snapshot() const { return {pan, tilt, zoom, focus, autoFocus, menu.view()}; }

    void advance();
    const ControlDefinition* find(uint8_t entity, uint8_t selector) const;
    Outcome handle(const Setup& setup, std::span<const uint8_t> stage);
    Outcome answer(const ControlDefinition& control, uint8_t request) const;
    Bytes current(const ControlDefinition& control) const;
    uint8_t info(const ControlDefinition& control) const;
    uint8_t set(const ControlDefinition& control, std::span<const uint8_t> value);
    uint8_t setPanTiltRelative(std::span<const uint8_t> value);
    uint8_t setZoomRelative(std::span<const uint8_t> value);
    uint8_t setFocusRelative(std::span<const uint8_t> value);
    void recall(const Preset& preset);
    std::string describe() const;

    // A direction outside {0, 1, 0xFF} is invalid; a speed outside the reported range is out
    // of range, except with a stop, whose speed byte does not matter.
    uint8_t checkRelative(uint8_t direction, uint8_t speed, uint8_t maximumSpeed) const {
        if (!isDirection(direction)) {
            return kInvalidValue;
        }
        if (direction != kStop && (speed < spec.minimumSpeed || speed > maximumSpeed)) {
            return kOutOfRange;
        }
        return kNoError;
    }

    const Clock& clock;
    const CameraSpec spec;
    const std::vector<ControlDefinition> controls;
    std::chrono::milliseconds lastAdvance;

    CameraAxis pan{kPanMinimum, kPanMaximum, 0};
    CameraAxis tilt{kTiltMinimum, kTiltMaximum, 0};
    CameraAxis zoom{kZoomMinimum, kZoomMaximum, kZoomMinimum};
    CameraAxis focus{kFocusMinimum, kFocusMaximum, kFocusDefault};
    bool autoFocus = true;
    // The relative controls' last SET_CUR; GET_CUR reports a direction only while that move
    // goes on.
    std::array<uint8_t, 4> panTiltRelative{};
    std::array<uint8_t, 3> zoomRelative{};
    std::array<uint8_t, 2> focusRelative{};

    OsdMenu menu;
    std::map<uint8_t, Preset> presets;
    uint8_t lastStoredPreset = 0;
    uint8_t lastRecalledPreset = 0;

    uint8_t requestErrorCode = kNoError;
    bool recording = true;
    std::vector<RecordedRequest> requests;
    std::function<void()> changed;
};

void SimulatedCamera::Impl::advance() {
    const std::chrono::milliseconds now = clock.now();
    const double seconds =
        std::max<double>(0, static_cast<double>((now - lastAdvance).count())) / 1000.0;
    lastAdvance = std::max(now, lastAdvance);
    pan.advance(seconds);
    tilt.advance(seconds);
    zoom.advance(seconds);
    // Autofocus follows the subject as zoom moves it in and out of focus.
    if (autoFocus) {
        focus.moveTo(inFocusPosition(zoom.position()), kAutoFocusRate);
    }
    focus.advance(seconds);
}

const ControlDefinition* SimulatedCamera::Impl::find(uint8_t entity, uint8_t selector) const {
    const auto found = std::find_if(controls.begin(), controls.end(), [&](const auto& control) {
        return control.entity == entity && control.selector == selector;
    });
    return found == controls.end() ? nullptr : &*found;
}

Outcome SimulatedCamera::Impl::handle(const Setup& setup, std::span<const uint8_t> stage) {
    const bool isSet = setup.requestType == kUvcSetRequestType;
    if ((!isSet && setup.requestType != kUvcGetRequestType) ||
        setup.interfaceNumber != spec.videoControlInterface) {
        return Outcome::stallUnaddressed();
    }
    if (isSet != (setup.request == kUvcSetCur)) {
        return Outcome::stall(kInvalidRequest);
    }
    const ControlDefinition* control = find(setup.entity, setup.selector);
    if (control == nullptr) {
        const bool knownEntity = setup.entity == kInterfaceEntity ||
                                 setup.entity == kCameraTerminalId ||
                                 setup.entity == kOutputTerminalId || setup.entity == kOsdUnitId ||
                                 setup.entity == kPresetUnitId;
        return Outcome::stall(knownEntity ? kInvalidControl : kInvalidUnit);
    }
    if (isSet) {
        if (!control->settable) {
            return Outcome::stall(kInvalidRequest);
        }
        if (setup.length != control->length || stage.size() != control->length) {
            return Outcome::stall(kInvalidRequest);
        }
        const uint8_t error = set(*control, stage);
        return error == kNoError ? Outcome::done() : Outcome::stall(error);
    }
    Outcome outcome = answer(*control, setup.request);
    if (!outcome.stalled &&
        (outcome.answer.size() != setup.length || stage.size() != setup.length)) {
        return Outcome::stall(kInvalidRequest);
    }
    return outcome;
}

Outcome SimulatedCamera::Impl::answer(const ControlDefinition& control, uint8_t request) const {
    Bytes bytes;
    switch (request) {
        case kUvcGetCur:
            bytes = current(control);
            break;
        case kUvcGetMin:
            bytes = control.minimum;
            break;
        case kUvcGetMax:
            bytes = control.maximum;
            break;
        case kUvcGetRes:
            bytes = control.resolution;
            break;
        case kUvcGetDef:
            bytes = control.defaultValue;
            break;
        case kUvcGetInfo:
            bytes = {info(control)};
            break;
        case kUvcGetLen:
            // The error code control answers GET_CUR and GET_INFO only.
            if (control.control != Control::kRequestErrorCode) {
                bytes = littleEndian(control.length, 2);
            }
            break;
        default:
            break;
    }
    return bytes.empty() ? Outcome::stall(kInvalidRequest) : Outcome::done(std::move(bytes));
}

Bytes SimulatedCamera::Impl::current(const ControlDefinition& control) const {
    const auto withDirection = [](uint8_t direction, const CameraAxis& axis) {
        return axis.movingContinuously() ? direction : kStop;
    };
    switch (control.control) {
        case Control::kRequestErrorCode:
            return {requestErrorCode};
        case Control::kFocusAbsolute:
            return littleEndian(static_cast<uint32_t>(focus.position()), 2);
        case Control::kFocusRelative:
            return {withDirection(focusRelative[0], focus), focusRelative[1]};
        case Control::kFocusAuto:
            return {static_cast<uint8_t>(autoFocus ? 1 : 0)};
        case Control::kZoomAbsolute:
            return littleEndian(static_cast<uint32_t>(zoom.position()), 2);
        case Control::kZoomRelative:
            return {withDirection(zoomRelative[0], zoom), zoomRelative[1], zoomRelative[2]};
        case Control::kPanTiltAbsolute: {
            Bytes bytes = littleEndian(static_cast<uint32_t>(pan.position()), 4);
            const Bytes tiltBytes = littleEndian(static_cast<uint32_t>(tilt.position()), 4);
            bytes.insert(bytes.end(), tiltBytes.begin(), tiltBytes.end());
            return bytes;
        }
        case Control::kPanTiltRelative:
            return {withDirection(panTiltRelative[0], pan), panTiltRelative[1],
                    withDirection(panTiltRelative[2], tilt), panTiltRelative[3]};
        case Control::kOsdKey:
            return {0, 0};
        case Control::kPresetStore:
            return {lastStoredPreset};
        case Control::kPresetRecall:
            return {lastRecalledPreset};
    }
    return {};
}

uint8_t SimulatedCamera::Impl::info(const ControlDefinition& control) const {
    switch (control.control) {
        case Control::kRequestErrorCode:
            return kInfoGet;
        case Control::kFocusAbsolute:
        case Control::kFocusRelative:
            // Manual focus is under the camera's control while autofocus is on.
            return kInfoGet | kInfoSet | kInfoAutoUpdate |
                   (autoFocus ? kInfoDisabledByAutoMode : 0);
        case Control::kZoomAbsolute:
        case Control::kZoomRelative:
        case Control::kPanTiltAbsolute:
        case Control::kPanTiltRelative:
            // Their values change without a SET: moves end at limits and targets, presets
            // move the head.
            return kInfoGet | kInfoSet | kInfoAutoUpdate;
        case Control::kFocusAuto:
        case Control::kOsdKey:
        case Control::kPresetStore:
        case Control::kPresetRecall:
            return kInfoGet | kInfoSet;
    }
    return 0;
}

uint8_t SimulatedCamera::Impl::set(const ControlDefinition& control,
                                   std::span<const uint8_t> value) {
    switch (control.control) {
        case Control::kRequestErrorCode:
            return kInvalidRequest;
        case Control::kFocusAbsolute: {
            // The standard has a control that automatic mode drives refuse a SET with "wrong
            // state".
            if (autoFocus) {
                return kWrongState;
            }
            const int32_t target = static_cast<int32_t>(readLittleEndian(value));
            if (target < kFocusMinimum || target > kFocusMaximum) {
                return kOutOfRange;
            }
            focus.moveTo(target, kFocusToTarget);
            return kNoError;
        }
        case Control::kFocusRelative:
            return setFocusRelative(value);
        case Control::kFocusAuto:
            if (value[0] > 1) {
                return kOutOfRange;
            }
            autoFocus = value[0] == 1;
            if (autoFocus) {
                focus.moveTo(inFocusPosition(zoom.position()), kAutoFocusRate);
            } else {
                focus.stop();
            }
            return kNoError;
        case Control::kZoomAbsolute: {
            const int32_t target = static_cast<int32_t>(readLittleEndian(value));
            if (target < kZoomMinimum || target > kZoomMaximum) {
                return kOutOfRange;
            }
            zoom.moveTo(target, kZoomToTarget);
            return kNoError;
        }
        case Control::kZoomRelative:
            return setZoomRelative(value);
        case Control::kPanTiltAbsolute: {
            const int32_t panTarget = signedLittleEndian(value.first(4));
            const int32_t tiltTarget = signedLittleEndian(value.subspan(4));
            if (panTarget < kPanMinimum || panTarget > kPanMaximum || tiltTarget < kTiltMinimum ||
                tiltTarget > kTiltMaximum) {
                return kOutOfRange;
            }
            pan.moveTo(panTarget, kPanToTarget);
            tilt.moveTo(tiltTarget, kTiltToTarget);
            return kNoError;
        }
        case Control::kPanTiltRelative:
            return setPanTiltRelative(value);
        case Control::kOsdKey:
            if (readLittleEndian(value) != 0) {
                return kOutOfRange;
            }
            menu.press(static_cast<OsdKey>(control.selector));
            return kNoError;
        case Control::kPresetStore:
            lastStoredPreset = value[0];
            presets[value[0]] = {pan.position(), tilt.position(), zoom.position(),
                                 focus.position()};
            return kNoError;
        case Control::kPresetRecall: {
            // A preset never stored holds the factory position: home, widest, default focus.
            lastRecalledPreset = value[0];
            const auto stored = presets.find(value[0]);
            recall(stored == presets.end() ? Preset{} : stored->second);
            return kNoError;
        }
    }
    return kInvalidControl;
}

uint8_t SimulatedCamera::Impl::setPanTiltRelative(std::span<const uint8_t> value) {
    const uint8_t panError = checkRelative(value[0], value[1], spec.maximumPanSpeed);
    const uint8_t tiltError = checkRelative(value[2], value[3], spec.maximumTiltSpeed);
    if (panError != kNoError || tiltError != kNoError) {
        return panError != kNoError ? panError : tiltError;
    }
    std::copy(value.begin(), value.end(), panTiltRelative.begin());
    const auto start = [](CameraAxis& axis, uint8_t direction, uint8_t speed) {
        if (direction == kStop) {
            axis.stop();
        } else {
            axis.moveContinuously(signOf(direction) * speed * kPanTiltPerSpeedStep);
        }
    };
    start(pan, value[0], value[1]);
    start(tilt, value[2], value[3]);
    return kNoError;
}

uint8_t SimulatedCamera::Impl::setZoomRelative(std::span<const uint8_t> value) {
    const uint8_t error = checkRelative(value[0], value[2], spec.maximumZoomSpeed);
    if (error != kNoError) {
        return error;
    }
    // bDigitalZoom's range is 0..0.
    if (value[1] != 0) {
        return kOutOfRange;
    }
    std::copy(value.begin(), value.end(), zoomRelative.begin());
    if (value[0] == kStop) {
        zoom.stop();
    } else {
        zoom.moveContinuously(signOf(value[0]) * value[2] * kZoomPerSpeedStep);
    }
    return kNoError;
}

uint8_t SimulatedCamera::Impl::setFocusRelative(std::span<const uint8_t> value) {
    if (autoFocus) {
        return kWrongState;
    }
    const uint8_t error = checkRelative(value[0], value[1], spec.maximumFocusSpeed);
    if (error != kNoError) {
        return error;
    }
    std::copy(value.begin(), value.end(), focusRelative.begin());
    if (value[0] == kStop) {
        focus.stop();
    } else {
        // Toward near is toward smaller distances.
        focus.moveContinuously(-signOf(value[0]) * value[1] * kFocusPerSpeedStep);
    }
    return kNoError;
}

void SimulatedCamera::Impl::recall(const Preset& preset) {
    pan.moveTo(preset.pan, kPanToTarget);
    tilt.moveTo(preset.tilt, kTiltToTarget);
    zoom.moveTo(preset.zoom, kZoomToTarget);
    // Autofocus keeps the focus it finds at the new place.
    if (!autoFocus) {
        focus.moveTo(preset.focus, kFocusToTarget);
    }
}

std::string SimulatedCamera::Impl::describe() const {
    char line[160];
    std::snprintf(line, sizeof line, "pan %.1f° tilt %.1f° zoom %d focus %d af %s",
                  pan.position() / double{kArcSecondsPerDegree},
                  tilt.position() / double{kArcSecondsPerDegree}, zoom.position(), focus.position(),
                  autoFocus ? "on" : "off");
    std::string text = line;
    const OsdMenuView view = menu.view();
    if (view.open) {
        text += ", menu " + view.title + ": " + view.lines[static_cast<size_t>(view.cursor)];
    } else {
        text += ", menu closed";
    }
    std::string moving;
    for (const auto& [name, axis] : {std::pair{"pan", &pan}, std::pair{"tilt", &tilt},
                                     std::pair{"zoom", &zoom}, std::pair{"focus", &focus}}) {
        if (axis->moving()) {
            moving += std::string(moving.empty() ? ", moving " : " ") + name;
        }
    }
    return text + moving;
}

SimulatedCamera::SimulatedCamera(const Clock& clock, CameraSpec spec)
    : impl_(std::make_unique<Impl>(clock, std::move(spec))) {}

SimulatedCamera::~SimulatedCamera() = default;

const CameraSpec& SimulatedCamera::spec() const {
    return impl_->spec;
}

ControlReply SimulatedCamera::controlRequest(std::span<const uint8_t, 8> setup,
                                             std::span<uint8_t> data) {
    impl_->advance();
    const Setup parsed = parseSetup(setup);
    const std::span<uint8_t> stage = data.first(std::min<size_t>(data.size(), parsed.length));
    const bool isSet = (parsed.requestType & 0x80) == 0;

    const Impl::Snapshot before = impl_->snapshot();
    Outcome outcome = impl_->handle(parsed, stage);
    if (!outcome.stalled && !isSet) {
        std::copy(outcome.answer.begin(), outcome.answer.end(), stage.begin());
    }
    if (outcome.errorCode) {
        impl_->requestErrorCode = *outcome.errorCode;
    }

    if (impl_->recording) {
        RecordedRequest record;
        std::copy(setup.begin(), setup.end(), record.setup.begin());
        record.data = isSet ? Bytes(stage.begin(), stage.end()) : outcome.answer;
        record.stalled = outcome.stalled;
        impl_->requests.push_back(std::move(record));
    }

    if (isSet && !outcome.stalled && impl_->changed && !(impl_->snapshot() == before)) {
        impl_->changed();
    }
    if (outcome.stalled) {
        return {true, 0};
    }
    return {false, isSet ? stage.size() : outcome.answer.size()};
}

std::vector<uint8_t> SimulatedCamera::deviceDescriptor() const {
    return deviceDescriptorOf(impl_->spec);
}

std::vector<uint8_t> SimulatedCamera::configurationDescriptor() const {
    return configurationDescriptorOf(impl_->spec, impl_->controls);
}

CameraState SimulatedCamera::state() const {
    impl_->advance();
    const Impl& camera = *impl_;
    CameraState state;
    state.pan = camera.pan.position();
    state.tilt = camera.tilt.position();
    state.zoom = static_cast<uint16_t>(camera.zoom.position());
    state.focus = static_cast<uint16_t>(camera.focus.position());
    state.autoFocus = camera.autoFocus;
    state.moving = camera.pan.moving() || camera.tilt.moving() || camera.zoom.moving() ||
                   camera.focus.moving();
    state.inFocus = static_cast<uint16_t>(inFocusPosition(camera.zoom.position()));
    state.menu = camera.menu.view();
    return state;
}

std::string SimulatedCamera::describe() const {
    impl_->advance();
    return impl_->describe();
}

const std::vector<RecordedRequest>& SimulatedCamera::requests() const {
    return impl_->requests;
}

void SimulatedCamera::clearRequests() {
    impl_->requests.clear();
}

void SimulatedCamera::setRecording(bool recording) {
    impl_->recording = recording;
    if (!recording) {
        impl_->requests.clear();
    }
}

void SimulatedCamera::setChangeCallback(std::function<void()> changed) {
    impl_->changed = std::move(changed);
}

std::string requestLine(const RecordedRequest& request) {
    std::string line;
    char hex[4];
    for (const uint8_t byte : request.setup) {
        std::snprintf(hex, sizeof hex, "%02x ", byte);
        line += hex;
    }
    line += "|";
    for (const uint8_t byte : request.data) {
        std::snprintf(hex, sizeof hex, " %02x", byte);
        line += hex;
    }
    return line;
}

}  // namespace ptz::sim
