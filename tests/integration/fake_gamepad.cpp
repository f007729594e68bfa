#include "fake_gamepad.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace ptz::testing {
namespace {

constexpr size_t kBitsPerLong = 8 * sizeof(unsigned long);

input_absinfo range(int32_t minimum, int32_t maximum, int32_t fuzz, int32_t flat) {
    input_absinfo info{};
    info.minimum = minimum;
    info.maximum = maximum;
    info.fuzz = fuzz;
    info.flat = flat;
    return info;  // at rest: sticks and hats in the middle, triggers released
}

// A bitmap as the kernel keeps it: `maxbit` bits in unsigned longs (bits_to_user's length).
template <size_t N>
std::vector<unsigned long> longs(const std::bitset<N>& bits, size_t maxbit) {
    std::vector<unsigned long> words((maxbit + kBitsPerLong - 1) / kBitsPerLong);
    for (size_t bit = 0; bit < N && bit / kBitsPerLong < words.size(); ++bit) {
        if (bits[bit]) {
            words[bit / kBitsPerLong] |= 1UL << (bit % kBitsPerLong);
        }
    }
    return words;
}

// A capabilities/* attribute as input_print_bitmap writes it: hex words from the highest
// non-zero one down, separated by spaces.
template <size_t N>
std::string capabilityText(const std::bitset<N>& bits) {
    const std::vector<unsigned long> words = longs(bits, N);
    size_t top = words.size() - 1;
    while (top > 0 && words[top] == 0) {
        --top;
    }
    std::string text;
    for (size_t i = top + 1; i-- > 0;) {
        char word[24];
        snprintf(word, sizeof word, "%lx", words[i]);
        text += word;
        text += i > 0 ? " " : "";
    }
    return text;
}

void addFromString(UMockdevTestbed* testbed, const std::string& description) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, description.c_str(), &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

// Copies `length` bytes to the ioctl's buffer and completes it with `result`.
void answerWith(UMockdevIoctlClient* client, const void* bytes, size_t length, long result) {
    if (length > 0) {
        GError* error = nullptr;
        UMockdevIoctlData* buffer =
            umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), 0, length, &error);
        g_clear_error(&error);
        if (buffer == nullptr) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
        std::memcpy(buffer->data, bytes, length);
        umockdev_ioctl_client_complete(client, result, 0);
        g_object_unref(buffer);
        return;
    }
    umockdev_ioctl_client_complete(client, result, 0);
}

// bits_to_user: as many bytes of the bitmap as fit, and that count as the result.
template <size_t N>
void answerBits(UMockdevIoctlClient* client, const std::bitset<N>& bits, size_t maxbit,
                size_t size) {
    const std::vector<unsigned long> words = longs(bits, maxbit);
    const size_t length = std::min(size, words.size() * sizeof(unsigned long));
    answerWith(client, words.data(), length, static_cast<long>(length));
}

}  // namespace

EmulatedGamepad xboxStylePad() {
    EmulatedGamepad pad;
    pad.name = "Microsoft X-Box 360 pad";
    for (const uint16_t stick : {ABS_X, ABS_Y, ABS_RX, ABS_RY}) {
        pad.axes.emplace_back(stick, range(-32768, 32767, 16, 128));
    }
    pad.axes.emplace_back(ABS_Z, range(0, 255, 0, 0));
    pad.axes.emplace_back(ABS_RZ, range(0, 255, 0, 0));
    pad.axes.emplace_back(ABS_HAT0X, range(-1, 1, 0, 0));
    pad.axes.emplace_back(ABS_HAT0Y, range(-1, 1, 0, 0));
    pad.keys = {BTN_SOUTH,  BTN_EAST,  BTN_NORTH, BTN_WEST,   BTN_TL,    BTN_TR,
                BTN_SELECT, BTN_START, BTN_MODE,  BTN_THUMBL, BTN_THUMBR};
    return pad;
}

EmulatedGamepad plainHidPad() {
    EmulatedGamepad pad;
    pad.name = "USB Gamepad";
    for (const uint16_t axis : {ABS_X, ABS_Y, ABS_Z, ABS_RZ}) {
        pad.axes.emplace_back(axis, range(0, 255, 0, 15));
        pad.axes.back().second.value = 128;
    }
    pad.axes.emplace_back(ABS_HAT0X, range(-1, 1, 0, 0));
    pad.axes.emplace_back(ABS_HAT0Y, range(-1, 1, 0, 0));
    // hid-input numbers a gamepad's buttons from BTN_GAMEPAD on.
    pad.keys = {BTN_SOUTH, BTN_EAST, BTN_C,   BTN_NORTH, BTN_WEST,   BTN_Z,
                BTN_TL,    BTN_TR,   BTN_TL2, BTN_TR2,   BTN_SELECT, BTN_START};
    return pad;
}

FakeGamepad::FakeGamepad(UMockdevTestbed* testbed, int number, EmulatedGamepad pad)
    : testbed_(testbed), handler_(umockdev_ioctl_base_new()), name_(std::move(pad.name)) {
    eventTypes_.set(EV_SYN);
    eventTypes_.set(EV_KEY);
    eventTypes_.set(EV_ABS);
    for (const uint16_t key : pad.keys) {
        keyCodes_.set(key);
    }
    for (const auto& [code, info] : pad.axes) {
        absCodes_.set(code);
        absInfo_[code] = info;
    }

    const std::string input = "input" + std::to_string(number);
    const std::string event = "event" + std::to_string(number);
    inputSyspath_ = "/sys/devices/virtual/input/" + input;
    eventSyspath_ = inputSyspath_ + "/" + event;
    devnode_ = "/dev/input/" + event;
    // udev's input_id builtin marks the device and its nodes; ID_INPUT_JOYSTICK is what makes
    // it a gamepad.
    const std::string udevProperties =
        "E: SUBSYSTEM=input\nE: ID_INPUT=1\nE: ID_INPUT_JOYSTICK=1\n";
    addFromString(
        testbed_,
        "P: " + inputSyspath_.substr(4) + "\n" + udevProperties + "E: NAME=\"" + name_ +
            "\"\nE: PRODUCT=3/45e/28e/114\nA: name=" + name_ +
            "\\n\nA: phys=usb-0000:00:14.0-2/input0\\n\nA: id/bustype=0003\\n\n"
            "A: id/vendor=045e\\n\nA: id/product=028e\\n\nA: id/version=0114\\n\n"
            "A: capabilities/ev=" +
            capabilityText(eventTypes_) + "\\n\nA: capabilities/key=" + capabilityText(keyCodes_) +
            "\\n\nA: capabilities/abs=" + capabilityText(absCodes_) +
            "\\n\n\nP: " + eventSyspath_.substr(4) + "\nN: input/" + event + "\n" + udevProperties +
            "E: DEVNAME=" + devnode_ + "\nE: MAJOR=13\nE: MINOR=" + std::to_string(64 + number) +
            "\nA: dev=13:" + std::to_string(64 + number) + "\\n\n");

    g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&FakeGamepad::onIoctl), this);
    g_signal_connect(handler_, "handle-read", G_CALLBACK(&FakeGamepad::onRead), this);
    GError* error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed_, devnode_.c_str(), handler_, &error)) {
        const std::string message = error != nullptr ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + message);
    }
}

FakeGamepad::~FakeGamepad() {
    GError* error = nullptr;
    umockdev_testbed_detach_ioctl(testbed_, devnode_.c_str(), &error);
    g_clear_error(&error);
    g_object_unref(handler_);
}

void FakeGamepad::apply(const std::vector<std::pair<uint16_t, int32_t>>& changes) {
    // The input core keeps the state before it passes the events on.
    const std::lock_guard lock(mutex_);
    for (const auto& [code, value] : changes) {
        if (absCodes_[code]) {
            absInfo_[code].value = value;
        } else {
            keysDown_[code] = value != 0;
        }
    }
}

void FakeGamepad::queue(const std::vector<input_event>& events) {
    const int fd = umockdev_testbed_get_dev_fd(testbed_, devnode_.c_str());
    const size_t length = events.size() * sizeof(input_event);
    if (fd < 0 || write(fd, events.data(), length) != static_cast<ssize_t>(length)) {
        throw std::runtime_error("cannot queue events on " + devnode_);
    }
}

void FakeGamepad::send(const std::vector<std::pair<uint16_t, int32_t>>& changes) {
    apply(changes);
    std::vector<input_event> events;
    for (const auto& [code, value] : changes) {
        input_event event{};
        event.type = absCodes_[code] ? EV_ABS : EV_KEY;
        event.code = code;
        event.value = value;
        events.push_back(event);
    }
    input_event report{};
    report.type = EV_SYN;
    report.code = SYN_REPORT;
    events.push_back(report);
    queue(events);
}

void FakeGamepad::overflowWhile(const std::vector<std::pair<uint16_t, int32_t>>& changes) {
    apply(changes);
    // evdev's full buffer is cut back to a SYN_DROPPED and the newest event, here the frame's
    // SYN_REPORT.
    input_event dropped{};
    dropped.type = EV_SYN;
    dropped.code = SYN_DROPPED;
    input_event report{};
    report.type = EV_SYN;
    report.code = SYN_REPORT;
    queue({dropped, report});
}

void FakeGamepad::disconnect() {
    {
        const std::lock_guard lock(mutex_);
        disconnected_ = true;
    }
    // evdev wakes its readers with EPOLLHUP; the terminal behind the node has to be readable.
    input_event wake{};
    queue({wake});
}

void FakeGamepad::unplug() {
    umockdev_testbed_uevent(testbed_, eventSyspath_.c_str(), "remove");
    umockdev_testbed_uevent(testbed_, inputSyspath_.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, eventSyspath_.c_str());
    umockdev_testbed_remove_device(testbed_, inputSyspath_.c_str());
}

gboolean FakeGamepad::onRead(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* pad = static_cast<FakeGamepad*>(self);
    const std::lock_guard lock(pad->mutex_);
    if (!pad->disconnected_) {
        return FALSE;  // the terminal hands out the queued events
    }
    umockdev_ioctl_client_complete(client, -1, ENODEV);
    return TRUE;
}

gboolean FakeGamepad::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
    auto* pad = static_cast<FakeGamepad*>(self);
    const std::lock_guard lock(pad->mutex_);
    pad->answer(client);
    return TRUE;
}

// evdev_ioctl_handler and evdev_do_ioctl, for a pad without force feedback, LEDs or touch.
void FakeGamepad::answer(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    const size_t size = _IOC_SIZE(request);
    if (disconnected_) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return;
    }
    switch (request) {
        case EVIOCGVERSION: {
            const int version = EV_VERSION;
            answerWith(client, &version, sizeof version, 0);
            return;
        }
        case EVIOCGID: {
            const input_id id{BUS_USB, 0x045e, 0x028e, 0x0114};
            answerWith(client, &id, sizeof id, 0);
            return;
        }
        case EVIOCGREP:
            umockdev_ioctl_client_complete(client, -1, ENOSYS);  // no EV_REP
            return;
        default:
            break;
    }
    const auto answerString = [&](const char* text) {
        if (text == nullptr) {
            umockdev_ioctl_client_complete(client, -1, ENOENT);
            return;
        }
        const size_t length = std::min(size, std::strlen(text) + 1);
        answerWith(client, text, length, static_cast<long>(length));
    };
    switch (request & ~(static_cast<unsigned long>(_IOC_SIZEMASK) << _IOC_SIZESHIFT)) {
        case EVIOCGPROP(0):
            answerBits(client, std::bitset<INPUT_PROP_CNT>(), INPUT_PROP_MAX, size);
            return;
        case EVIOCGKEY(0):
            answerBits(client, keysDown_, KEY_MAX, size);
            return;
        case EVIOCGLED(0):
            answerBits(client, std::bitset<LED_CNT>(), LED_MAX, size);
            return;
        case EVIOCGSND(0):
            answerBits(client, std::bitset<SND_CNT>(), SND_MAX, size);
            return;
        case EVIOCGSW(0):
            answerBits(client, std::bitset<SW_CNT>(), SW_MAX, size);
            return;
        case EVIOCGNAME(0):
            answerString(name_.c_str());
            return;
        case EVIOCGPHYS(0):
            answerString("usb-0000:00:14.0-2/input0");
            return;
        case EVIOCGUNIQ(0):
            answerString(nullptr);
            return;
        default:
            break;
    }
    if (_IOC_TYPE(request) == 'E' && _IOC_DIR(request) == _IOC_READ) {
        if ((_IOC_NR(request) & ~EV_MAX) == _IOC_NR(EVIOCGBIT(0, 0))) {
            switch (_IOC_NR(request) & EV_MAX) {
                case 0:
                    answerBits(client, eventTypes_, EV_MAX, size);
                    return;
                case EV_KEY:
                    answerBits(client, keyCodes_, KEY_MAX, size);
                    return;
                case EV_ABS:
                    answerBits(client, absCodes_, ABS_MAX, size);
                    return;
                case EV_REL:
                    answerBits(client, std::bitset<REL_CNT>(), REL_MAX, size);
                    return;
                case EV_MSC:
                    answerBits(client, std::bitset<MSC_CNT>(), MSC_MAX, size);
                    return;
                case EV_LED:
                    answerBits(client, std::bitset<LED_CNT>(), LED_MAX, size);
                    return;
                case EV_SND:
                    answerBits(client, std::bitset<SND_CNT>(), SND_MAX, size);
                    return;
                case EV_FF:
                    answerBits(client, std::bitset<FF_CNT>(), FF_MAX, size);
                    return;
                case EV_SW:
                    answerBits(client, std::bitset<SW_CNT>(), SW_MAX, size);
                    return;
                default:
                    break;
            }
        } else if ((_IOC_NR(request) & ~ABS_MAX) == _IOC_NR(EVIOCGABS(0))) {
            const input_absinfo& info = absInfo_[_IOC_NR(request) & ABS_MAX];
            answerWith(client, &info, std::min(size, sizeof info), 0);
            return;
        }
    }
    umockdev_ioctl_client_complete(client, -1, EINVAL);
}

}  // namespace ptz::testing
