#include "uvcvideo_driver_model.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/videodev2.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <span>
#include <vector>

namespace ptz::testing {
namespace {

// Rows of a control's data block (uvc_ctrl.c, UVC_CTRL_DATA_*).
enum DataRow { kCurrent, kBackup, kMinimum, kMaximum, kResolution, kDefault, kRowCount };

enum class Kind {
    kUnsigned,       // uvc_get_le_value / uvc_set_le_value, UVC_CTRL_DATA_TYPE_UNSIGNED
    kSigned,         // the same, sign-extended
    kBoolean,        // the same, V4L2_CTRL_TYPE_BOOLEAN
    kRelativeSpeed,  // uvc_ctrl_get_rel_speed / uvc_ctrl_set_rel_speed
    kZoom,           // uvc_ctrl_get_zoom / uvc_ctrl_set_zoom
};

struct Mapping {
    uint32_t id;
    const char* name;
    uint8_t selector;
    uint8_t sizeBits;
    uint8_t offsetBits;
    Kind kind;
    uint32_t masterId = 0;  // settable only while the master is 0 (manual)
};

// uvc_ctrl_mappings: the camera terminal's controls our backend uses. Focus relative has none.
constexpr std::array kMappings{
    Mapping{V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", UVC_CT_FOCUS_ABSOLUTE_CONTROL, 16, 0,
            Kind::kUnsigned, V4L2_CID_FOCUS_AUTO},
    Mapping{V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", UVC_CT_FOCUS_AUTO_CONTROL, 1, 0,
            Kind::kBoolean},
    Mapping{V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", UVC_CT_ZOOM_ABSOLUTE_CONTROL, 16, 0,
            Kind::kUnsigned},
    Mapping{V4L2_CID_ZOOM_CONTINUOUS, "Zoom, Continuous", UVC_CT_ZOOM_RELATIVE_CONTROL, 0, 0,
            Kind::kZoom},
    Mapping{V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 0,
            Kind::kSigned},
    Mapping{V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 32,
            Kind::kSigned},
    Mapping{V4L2_CID_PAN_SPEED, "Pan, Speed", UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 0,
            Kind::kRelativeSpeed},
    Mapping{V4L2_CID_TILT_SPEED, "Tilt, Speed", UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 16,
            Kind::kRelativeSpeed},
};

struct ControlInfo {
    uint8_t index;  // bit in the camera terminal's bmControls
    uint8_t selector;
    uint16_t size;
    uint32_t flags;
};

constexpr uint32_t kRelative = UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_MIN |
                               UVC_CTRL_FLAG_GET_MAX | UVC_CTRL_FLAG_GET_RES |
                               UVC_CTRL_FLAG_GET_DEF | UVC_CTRL_FLAG_AUTO_UPDATE;
constexpr uint32_t kAbsolute = UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_RANGE |
                               UVC_CTRL_FLAG_RESTORE | UVC_CTRL_FLAG_AUTO_UPDATE;

// uvc_ctrls: the camera terminal's controls our backend uses, with the driver's own flags.
constexpr std::array kCameraControls{
    ControlInfo{5, UVC_CT_FOCUS_ABSOLUTE_CONTROL, 2, kAbsolute},
    ControlInfo{6, UVC_CT_FOCUS_RELATIVE_CONTROL, 2, kRelative},
    ControlInfo{9, UVC_CT_ZOOM_ABSOLUTE_CONTROL, 2, kAbsolute},
    ControlInfo{10, UVC_CT_ZOOM_RELATIVE_CONTROL, 3, kRelative},
    ControlInfo{11, UVC_CT_PANTILT_ABSOLUTE_CONTROL, 8, kAbsolute},
    ControlInfo{12, UVC_CT_PANTILT_RELATIVE_CONTROL, 4,
                UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_RANGE | UVC_CTRL_FLAG_AUTO_UPDATE},
    ControlInfo{17, UVC_CT_FOCUS_AUTO_CONTROL, 1,
                UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_CUR | UVC_CTRL_FLAG_GET_DEF |
                    UVC_CTRL_FLAG_RESTORE},
};

using Flags = std::pair<uint8_t, uint32_t>;

// uvc_xu_ctrl_query: the requests, and the flag each needs (GET_LEN and GET_INFO none).
constexpr std::array<Flags, 8> kQueries{{{UVC_SET_CUR, UVC_CTRL_FLAG_SET_CUR},
                                         {UVC_GET_CUR, UVC_CTRL_FLAG_GET_CUR},
                                         {UVC_GET_MIN, UVC_CTRL_FLAG_GET_MIN},
                                         {UVC_GET_MAX, UVC_CTRL_FLAG_GET_MAX},
                                         {UVC_GET_RES, UVC_CTRL_FLAG_GET_RES},
                                         {UVC_GET_DEF, UVC_CTRL_FLAG_GET_DEF},
                                         {UVC_GET_LEN, 0},
                                         {UVC_GET_INFO, 0}}};

// uvc_ctrl_get_flags: GET_INFO's capabilities, each as the flag it replaces.
constexpr std::array<Flags, 4> kCapabilities{
    {{UVC_CONTROL_CAP_GET, UVC_CTRL_FLAG_GET_CUR},
     {UVC_CONTROL_CAP_SET, UVC_CTRL_FLAG_SET_CUR},
     {UVC_CONTROL_CAP_AUTOUPDATE, UVC_CTRL_FLAG_AUTO_UPDATE},
     {UVC_CONTROL_CAP_ASYNCHRONOUS, UVC_CTRL_FLAG_ASYNCHRONOUS}}};

struct Range {
    int32_t minimum = 0, maximum = 1, step = 1;
};

struct Control {
    uint8_t unit = 0;
    bool extensionUnit = false;
    uint8_t index = 0;  // its bit in the unit's bmControls
    uint8_t selector = 0;
    uint16_t size = 0;  // 0 until initialised
    uint32_t flags = 0;
    std::vector<const Mapping*> mappings{};
    std::vector<uint8_t> data{};  // kRowCount rows of `size` bytes
    bool cached = false, loaded = false, dirty = false;

    uint8_t* row(DataRow which) { return data.data() + static_cast<size_t>(which) * size; }
    bool has(uint32_t flag) const { return (flags & flag) != 0; }
};

int32_t getValue(const Mapping& mapping, uint8_t query, const uint8_t* data) {
    const unsigned first = mapping.offsetBits / 8;
    if (mapping.kind == Kind::kRelativeSpeed || mapping.kind == Kind::kZoom) {
        // A direction byte and a speed byte: GET_MIN of a speed is its negative, of a zoom not.
        const auto direction = static_cast<int8_t>(data[first]);
        const int32_t speed = data[mapping.kind == Kind::kZoom ? 2 : first + 1];
        if (query == UVC_GET_CUR) {
            return direction == 0 ? 0 : (direction > 0 ? speed : -speed);
        }
        return query == UVC_GET_MIN && mapping.kind == Kind::kRelativeSpeed ? -speed : speed;
    }
    uint64_t bits = 0;
    for (unsigned bit = 0; bit < mapping.sizeBits; ++bit) {
        const unsigned at = mapping.offsetBits + bit;
        bits |= static_cast<uint64_t>((data[at / 8] >> (at % 8)) & 1) << bit;
    }
    if (mapping.kind == Kind::kSigned && ((bits >> (mapping.sizeBits - 1)) & 1) != 0) {
        bits |= ~uint64_t{0} << mapping.sizeBits;
    }
    return static_cast<int32_t>(bits);
}

void setValue(const Mapping& mapping, int32_t value, uint8_t* data) {
    const unsigned first = mapping.offsetBits / 8;
    if (mapping.kind == Kind::kRelativeSpeed || mapping.kind == Kind::kZoom) {
        data[first] = value == 0 ? 0 : (value > 0 ? 1 : 0xFF);
        data[mapping.kind == Kind::kZoom ? 2 : first + 1] =
            static_cast<uint8_t>(std::min<int64_t>(value < 0 ? -int64_t{value} : value, 0xFF));
        return;
    }
    for (unsigned bit = 0; bit < mapping.sizeBits; ++bit) {
        const unsigned at = mapping.offsetBits + bit;
        const auto mask = static_cast<uint8_t>(1u << (at % 8));
        const bool one = ((static_cast<uint32_t>(value) >> bit) & 1) != 0;
        data[at / 8] = static_cast<uint8_t>(one ? data[at / 8] | mask : data[at / 8] & ~mask);
    }
}

}  // namespace

struct UvcvideoDriverModel::Impl {
    sim::SimulatedCamera& camera;
    UvcvideoKernel kernel;
    uint8_t interfaceNumber = 0;
    // Of the camera terminal and the extension units: one chain (uvc_scan_chain) holds all.
    std::vector<Control> controls;
    bool disconnected = false;

    // uvc_parse_standard_control, uvc_ctrl_init_ctrl: a control per bmControls bit, the camera
    // terminal's initialised now, the extension units' on first use.
    Impl(sim::SimulatedCamera& simulated, UvcvideoKernel version)
        : camera(simulated), kernel(version) {
        const std::vector<uint8_t> all = camera.configurationDescriptor();
        bool inVideoControl = false;
        for (size_t at = 0; at + 3 < all.size() && all[at] >= 3; at += all[at]) {
            const std::span<const uint8_t> d(all.data() + at,
                                             std::min<size_t>(all[at], all.size() - at));
            if (d[1] == 0x04 && d.size() >= 9) {  // an interface
                inVideoControl = d[5] == 0x0E && d[6] == 0x01;
                interfaceNumber = inVideoControl ? d[2] : interfaceNumber;
            }
            const bool cameraTerminal = d[2] == UVC_VC_INPUT_TERMINAL && d.size() >= 15 &&
                                        (d[4] | d[5] << 8) == UVC_ITT_CAMERA;
            const bool extensionUnit =
                d[2] == UVC_VC_EXTENSION_UNIT && d.size() >= 24 && d.size() >= 24u + d[21];
            if (!inVideoControl || d[1] != 0x24 || !(cameraTerminal || extensionUnit)) {
                continue;
            }
            const size_t bitmap = cameraTerminal ? 15 : 23u + d[21];
            for (size_t bit = 0; bit < 8 * std::min<size_t>(d[bitmap - 1], d.size() - bitmap);
                 ++bit) {
                const auto info = std::ranges::find(kCameraControls, bit, &ControlInfo::index);
                if (((d[bitmap + bit / 8] >> (bit % 8)) & 1) == 0) {
                    continue;
                }
                Control& control =
                    controls.emplace_back(Control{d[3], extensionUnit, static_cast<uint8_t>(bit)});
                if (cameraTerminal && info != kCameraControls.end()) {
                    initialize(control, info->selector, info->size, info->flags);
                    for (const Mapping& mapping : kMappings) {
                        if (mapping.selector == control.selector) {
                            control.mappings.push_back(&mapping);
                        }
                    }
                }
            }
        }
    }

    // uvc_ctrl_get_flags: GET_INFO's bits replace the driver's own, unless it fails.
    int initialize(Control& control, uint8_t selector, uint16_t size, uint32_t flags) {
        control.selector = selector;
        control.size = size;
        control.flags = flags;
        control.data.assign(static_cast<size_t>(size) * kRowCount, 0);
        uint8_t info = 0;
        const int error = queryCamera(UVC_GET_INFO, control.unit, selector, &info, 1);
        for (const auto& [capability, flag] : kCapabilities) {
            const bool has = error == 0 ? (info & capability) != 0 : control.has(flag);
            control.flags = has ? control.flags | flag : control.flags & ~flag;
        }
        return error;
    }

    // uvc_query_ctrl: a stall is explained by the camera's request error code.
    int queryCamera(uint8_t query, uint8_t unit, uint8_t selector, uint8_t* data, uint16_t size) {
        const uint8_t type = (query & 0x80) != 0 ? 0xA1 : 0x21;
        const auto low = static_cast<uint8_t>(size & 0xFF), high = static_cast<uint8_t>(size >> 8);
        std::vector<uint8_t> buffer(data, data + size);
        const sim::ControlReply reply = camera.controlRequest(
            std::array<uint8_t, 8>{type, query, 0, selector, interfaceNumber, unit, low, high},
            buffer);
        if (!reply.stalled) {
            std::copy_n(buffer.begin(), type == 0xA1 ? std::min<size_t>(reply.length, size) : 0,
                        data);
            return 0;
        }
        constexpr std::array kErrors{EPIPE, EBUSY, EILSEQ, EREMOTE, ERANGE, EIO, EIO, EIO, EINVAL};
        std::array<uint8_t, 1> code{};
        const sim::ControlReply why = camera.controlRequest(
            std::array<uint8_t, 8>{0xA1, UVC_GET_CUR, 0, UVC_VC_REQUEST_ERROR_CODE_CONTROL,
                                   interfaceNumber, 0, 1, 0},
            code);
        return why.stalled || why.length != 1 || code[0] >= kErrors.size() ? EPIPE
                                                                           : kErrors[code[0]];
    }

    int queryRow(Control& control, uint8_t query, DataRow row) {
        return queryCamera(query, control.unit, control.selector, control.row(row), control.size);
    }

    // uvc_ctrl_populate_cache: GET_DEF, GET_MIN, GET_MAX and GET_RES as the flags allow.
    int populateCache(Control& control) {
        constexpr std::array<std::tuple<uint32_t, uint8_t, DataRow>, 4> kRows{
            std::tuple{UVC_CTRL_FLAG_GET_DEF, UVC_GET_DEF, kDefault},
            std::tuple{UVC_CTRL_FLAG_GET_MIN, UVC_GET_MIN, kMinimum},
            std::tuple{UVC_CTRL_FLAG_GET_MAX, UVC_GET_MAX, kMaximum},
            std::tuple{UVC_CTRL_FLAG_GET_RES, UVC_GET_RES, kResolution}};
        for (const auto& [flag, query, row] : kRows) {
            if (const int error = control.has(flag) ? queryRow(control, query, row) : 0) {
                return error;
            }
        }
        control.cached = true;
        return 0;
    }

    // __uvc_ctrl_load_cur: GET_CUR unless the value is cached; a control that cannot be read
    // is taken as all zeros.
    int loadCurrent(Control& control) {
        const bool readable = control.has(UVC_CTRL_FLAG_GET_CUR);
        if (!control.loaded && !readable) {
            std::fill_n(control.row(kCurrent), control.size, uint8_t{0});
        }
        const int error =
            control.loaded || !readable ? 0 : queryRow(control, UVC_GET_CUR, kCurrent);
        control.loaded = error == 0;
        return error;
    }

    // uvc_find_control, also the next id up (V4L2_CTRL_FLAG_NEXT_CTRL, as v4l2-ctl lists).
    std::pair<Control*, const Mapping*> findControl(uint32_t id) {
        const bool next = (id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        id &= V4L2_CTRL_ID_MASK;
        std::pair<Control*, const Mapping*> found{};
        for (Control& control : controls) {
            for (const Mapping* candidate : control.mappings) {
                if (next ? candidate->id > id && (!found.second || found.second->id > candidate->id)
                         : candidate->id == id) {
                    found = {&control, candidate};
                }
            }
        }
        return found;
    }

    // The range the driver reports, from the cache; the fixed driver's relative minimum is
    // -maximum.
    int rangeOf(Control& control, const Mapping& mapping, Range& range) {
        if (const int error = control.cached ? 0 : populateCache(control); error != 0) {
            return error;
        }
        const auto get = [&](uint8_t query, DataRow row) {
            return getValue(mapping, query, control.row(row));
        };
        const bool relative = mapping.kind == Kind::kRelativeSpeed || mapping.kind == Kind::kZoom;
        if (mapping.kind != Kind::kBoolean) {
            range = {kernel == UvcvideoKernel::kFixed && relative ? -get(UVC_GET_MAX, kMaximum)
                                                                  : get(UVC_GET_MIN, kMinimum),
                     get(UVC_GET_MAX, kMaximum), get(UVC_GET_RES, kResolution)};
        }
        return 0;
    }

    // __uvc_query_v4l2_ctrl, without control classes, default values, the inactive flag.
    int queryControl(v4l2_query_ext_ctrl& query) {
        const auto [control, mapping] = findControl(query.id);
        Range range;
        if (const int error = control == nullptr ? EINVAL : rangeOf(*control, *mapping, range)) {
            return error;
        }
        query = v4l2_query_ext_ctrl{};
        query.id = mapping->id;
        query.type =
            mapping->kind == Kind::kBoolean ? V4L2_CTRL_TYPE_BOOLEAN : V4L2_CTRL_TYPE_INTEGER;
        query.minimum = range.minimum;
        query.maximum = range.maximum;
        query.step = static_cast<uint64_t>(range.step);
        query.flags = (control->has(UVC_CTRL_FLAG_GET_CUR) ? 0 : V4L2_CTRL_FLAG_WRITE_ONLY) |
                      (control->has(UVC_CTRL_FLAG_SET_CUR) ? 0 : V4L2_CTRL_FLAG_READ_ONLY);
        query.elem_size = 4;
        query.elems = 1;
        std::strcpy(query.name, mapping->name);
        return 0;
    }

    // uvc_ctrl_is_accessible: a slave (focus absolute) is set only while its master
    // (autofocus) is manual, in this call (its last value there) or on the camera.
    int checkAccess(uint32_t id, const v4l2_ext_controls& group, unsigned long request) {
        const auto [control, mapping] = findControl(id & ~V4L2_CTRL_FLAG_NEXT_CTRL);
        if (control == nullptr) {
            return EINVAL;
        }
        if (!control->has(request == VIDIOC_G_EXT_CTRLS ? UVC_CTRL_FLAG_GET_CUR
                                                        : UVC_CTRL_FLAG_SET_CUR)) {
            return EACCES;
        }
        if (request != VIDIOC_S_EXT_CTRLS || mapping->masterId == 0) {
            return 0;
        }
        for (uint32_t i = group.count; i-- > 0;) {
            if (group.controls[i].id == mapping->masterId) {
                return group.controls[i].value == 0 ? 0 : EACCES;
            }
        }
        const auto [master, masterMapping] = findControl(mapping->masterId);
        return master != nullptr && master->has(UVC_CTRL_FLAG_GET_CUR) &&
                       loadCurrent(*master) == 0 &&
                       getValue(*masterMapping, UVC_GET_CUR, master->row(kCurrent)) != 0
                   ? EACCES
                   : 0;
    }

    // uvc_ctrl_set: rounded to the step from the minimum (DIV_ROUND_CLOSEST on u32), clamped,
    // never refused; a mapping of part of the control is written over its current value.
    int setControl(Control& control, const Mapping* mapping, v4l2_ext_control& xctrl) {
        Range range;
        if (mapping->kind != Kind::kBoolean) {
            if (const int error = rangeOf(control, *mapping, range); error != 0) {
                return error;
            }
            const auto step = static_cast<uint32_t>(std::max(range.step, 1));
            const auto minimum = static_cast<uint32_t>(range.minimum);
            const uint32_t offset = static_cast<uint32_t>(xctrl.value) - minimum;
            xctrl.value = static_cast<int32_t>(minimum + (offset + step / 2) / step * step);
        }
        const auto asUnsigned = [](int32_t value) { return static_cast<uint32_t>(value); };
        xctrl.value = mapping->kind == Kind::kUnsigned
                          ? static_cast<int32_t>(std::clamp(asUnsigned(xctrl.value),
                                                            asUnsigned(range.minimum),
                                                            asUnsigned(range.maximum)))
                          : std::clamp(xctrl.value, range.minimum, range.maximum);
        if (control.size * 8u != mapping->sizeBits) {
            if (const int error = loadCurrent(control); error != 0) {
                return error;
            }
        }
        if (!control.dirty) {
            std::copy_n(control.row(kCurrent), control.size, control.row(kBackup));
        }
        setValue(*mapping, xctrl.value, control.row(kCurrent));
        control.dirty = true;
        return 0;
    }

    // __uvc_ctrl_commit: a SET_CUR per changed control, a failure rolling back the rest;
    // auto-update and unreadable values are forgotten, to be read again.
    int commit(bool rollback) {
        int result = 0;
        for (Control& control : controls) {
            control.loaded = control.loaded && control.has(UVC_CTRL_FLAG_GET_CUR) &&
                             !control.has(UVC_CTRL_FLAG_AUTO_UPDATE);
            const int error =
                control.dirty && !rollback ? queryRow(control, UVC_SET_CUR, kCurrent) : 0;
            if (control.dirty && (rollback || error != 0)) {
                std::copy_n(control.row(kBackup), control.size, control.row(kCurrent));
            }
            control.dirty = false;
            rollback = rollback || error != 0;
            result = error != 0 ? error : result;
        }
        return result;
    }

    // uvc_ioctl_g_ext_ctrls, uvc_ioctl_s_try_ext_ctrls (a try rolls back).
    int exchangeControls(v4l2_ext_controls& group, unsigned long request) {
        for (uint32_t i = 0; i < group.count; ++i) {
            if (const int error = checkAccess(group.controls[i].id, group, request); error != 0) {
                return error;
            }
        }
        for (uint32_t i = 0; i < group.count; ++i) {
            v4l2_ext_control& xctrl = group.controls[i];
            const auto [control, mapping] = findControl(xctrl.id);  // checked by checkAccess
            const bool get = request == VIDIOC_G_EXT_CTRLS;         // __uvc_ctrl_get, uvc_ctrl_set
            const int error = get ? loadCurrent(*control) : setControl(*control, mapping, xctrl);
            if (get && error == 0) {
                xctrl.value = getValue(*mapping, UVC_GET_CUR, control->row(kCurrent));
            }
            if (error != 0) {
                commit(true);
                return error;
            }
        }
        return commit(request != VIDIOC_S_EXT_CTRLS);
    }

    // uvc_xu_ctrl_query: an extension unit's control (ENOENT; GET_LEN and GET_INFO on first
    // use, uvc_ctrl_init_xu_ctrl) of GET_LEN's size (ENOBUFS) that GET_INFO allows (EBADRQC).
    int queryExtensionUnit(uvc_xu_control_query& query) {
        const auto control = std::ranges::find_if(controls, [&](const Control& c) {
            return c.extensionUnit && c.unit == query.unit && c.index + 1 == query.selector;
        });
        if (control == controls.end()) {
            return ENOENT;
        }
        if (control->size == 0) {
            std::array<uint8_t, 2> length{};
            if (queryCamera(UVC_GET_LEN, query.unit, query.selector, length.data(), 2) != 0 ||
                initialize(*control, query.selector,
                           static_cast<uint16_t>(length[0] | length[1] << 8),
                           UVC_CTRL_FLAG_GET_MIN | UVC_CTRL_FLAG_GET_MAX | UVC_CTRL_FLAG_GET_RES |
                               UVC_CTRL_FLAG_GET_DEF) != 0) {
                control->size = 0;
                return ENOENT;
            }
        }
        const auto known = std::ranges::find(kQueries, query.query, &Flags::first);
        if (known == kQueries.end()) {
            return EINVAL;
        }
        const uint16_t size =
            query.query == UVC_GET_LEN ? 2 : (query.query == UVC_GET_INFO ? 1 : control->size);
        if (size != query.size) {
            return ENOBUFS;
        }
        if ((control->flags & known->second) != known->second) {
            return EBADRQC;
        }
        return queryCamera(query.query, query.unit, query.selector, query.data, size);
    }

    int ioctl(VideoNodeKind node, unsigned long request, void* argument) {
        // video_ioctl2 once the device is unregistered; uvc_meta_ioctl_ops have no controls.
        if (disconnected || (node == VideoNodeKind::kMetadata && request != VIDIOC_QUERYCAP)) {
            return disconnected ? ENODEV : ENOTTY;
        }
        switch (request) {
            case VIDIOC_QUERYCAP: {  // uvc_ioctl_querycap, uvc_meta_v4l2_querycap, v4l_querycap
                auto& capability = *static_cast<v4l2_capability*>(argument);
                capability = v4l2_capability{};
                capability.device_caps = (node == VideoNodeKind::kCapture ? V4L2_CAP_VIDEO_CAPTURE
                                                                          : V4L2_CAP_META_CAPTURE) |
                                         V4L2_CAP_STREAMING;
                capability.capabilities = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE |
                                          V4L2_CAP_META_CAPTURE | V4L2_CAP_STREAMING;
                std::strcpy(reinterpret_cast<char*>(capability.driver), "uvcvideo");
                return 0;
            }
            case VIDIOC_QUERY_EXT_CTRL:
                return queryControl(*static_cast<v4l2_query_ext_ctrl*>(argument));
            case VIDIOC_G_EXT_CTRLS:
            case VIDIOC_S_EXT_CTRLS:
            case VIDIOC_TRY_EXT_CTRLS:
                return exchangeControls(*static_cast<v4l2_ext_controls*>(argument), request);
            case UVCIOC_CTRL_QUERY:
                return queryExtensionUnit(*static_cast<uvc_xu_control_query*>(argument));
            default:
                return ENOTTY;
        }
    }
};

UvcvideoDriverModel::UvcvideoDriverModel(sim::SimulatedCamera& camera, UvcvideoKernel kernel)
    : impl_(std::make_unique<Impl>(camera, kernel)) {}

UvcvideoDriverModel::~UvcvideoDriverModel() = default;

int UvcvideoDriverModel::ioctl(VideoNodeKind node, unsigned long request, void* argument) {
    return impl_->ioctl(node, request, argument);
}

void UvcvideoDriverModel::disconnect() {
    impl_->disconnected = true;
}

}  // namespace ptz::testing
