#include "uvcvideo_driver_model.h"

#include <linux/usb/video.h>
#include <linux/uvcvideo.h>
#include <linux/version.h>
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

enum class Encoding {
    kLittleEndian,   // uvc_get_le_value / uvc_set_le_value
    kRelativeSpeed,  // uvc_ctrl_get_rel_speed / uvc_ctrl_set_rel_speed
    kZoom,           // uvc_ctrl_get_zoom / uvc_ctrl_set_zoom
};

struct Mapping {
    uint32_t id;
    const char* name;
    uint8_t selector;
    uint8_t sizeBits;
    uint8_t offsetBits;
    uint32_t v4l2Type;
    bool isSigned;
    Encoding encoding;
    uint32_t masterId = 0;  // settable only while the master is 0 (manual)
};

// uvc_ctrl_mappings: the camera terminal's controls our backend uses. Focus relative has none.
constexpr std::array kMappings{
    Mapping{V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", UVC_CT_FOCUS_ABSOLUTE_CONTROL, 16, 0,
            V4L2_CTRL_TYPE_INTEGER, false, Encoding::kLittleEndian, V4L2_CID_FOCUS_AUTO},
    Mapping{V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", UVC_CT_FOCUS_AUTO_CONTROL, 1, 0,
            V4L2_CTRL_TYPE_BOOLEAN, false, Encoding::kLittleEndian},
    Mapping{V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", UVC_CT_ZOOM_ABSOLUTE_CONTROL, 16, 0,
            V4L2_CTRL_TYPE_INTEGER, false, Encoding::kLittleEndian},
    Mapping{V4L2_CID_ZOOM_CONTINUOUS, "Zoom, Continuous", UVC_CT_ZOOM_RELATIVE_CONTROL, 0, 0,
            V4L2_CTRL_TYPE_INTEGER, true, Encoding::kZoom},
    Mapping{V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 0,
            V4L2_CTRL_TYPE_INTEGER, true, Encoding::kLittleEndian},
    Mapping{V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 32,
            V4L2_CTRL_TYPE_INTEGER, true, Encoding::kLittleEndian},
    Mapping{V4L2_CID_PAN_SPEED, "Pan, Speed", UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 0,
            V4L2_CTRL_TYPE_INTEGER, true, Encoding::kRelativeSpeed},
    Mapping{V4L2_CID_TILT_SPEED, "Tilt, Speed", UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 16,
            V4L2_CTRL_TYPE_INTEGER, true, Encoding::kRelativeSpeed},
};

struct ControlInfo {
    uint8_t index;  // bit in the camera terminal's bmControls
    uint8_t selector;
    uint16_t size;
    uint32_t flags;
};

constexpr uint32_t kRelativeFlags = UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_MIN |
                                    UVC_CTRL_FLAG_GET_MAX | UVC_CTRL_FLAG_GET_RES |
                                    UVC_CTRL_FLAG_GET_DEF | UVC_CTRL_FLAG_AUTO_UPDATE;
constexpr uint32_t kAbsoluteFlags = UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_RANGE |
                                    UVC_CTRL_FLAG_RESTORE | UVC_CTRL_FLAG_AUTO_UPDATE;

// uvc_ctrls: the camera terminal's controls our backend uses, with the driver's own flags
// (GET_INFO may change the GET_CUR, SET_CUR, AUTO_UPDATE and ASYNCHRONOUS bits).
constexpr std::array kCameraControls{
    ControlInfo{5, UVC_CT_FOCUS_ABSOLUTE_CONTROL, 2, kAbsoluteFlags},
    ControlInfo{6, UVC_CT_FOCUS_RELATIVE_CONTROL, 2, kRelativeFlags},
    ControlInfo{9, UVC_CT_ZOOM_ABSOLUTE_CONTROL, 2, kAbsoluteFlags},
    ControlInfo{10, UVC_CT_ZOOM_RELATIVE_CONTROL, 3, kRelativeFlags},
    ControlInfo{11, UVC_CT_PANTILT_ABSOLUTE_CONTROL, 8, kAbsoluteFlags},
    ControlInfo{12, UVC_CT_PANTILT_RELATIVE_CONTROL, 4,
                UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_RANGE | UVC_CTRL_FLAG_AUTO_UPDATE},
    ControlInfo{17, UVC_CT_FOCUS_AUTO_CONTROL, 1,
                UVC_CTRL_FLAG_SET_CUR | UVC_CTRL_FLAG_GET_CUR | UVC_CTRL_FLAG_GET_DEF |
                    UVC_CTRL_FLAG_RESTORE},
};

// uvc_query_ctrl: the camera's request error code behind a stall, as an errno.
constexpr std::array kErrorCodes{EPIPE, EBUSY, EILSEQ, EREMOTE, ERANGE, EIO, EIO, EIO, EINVAL};

struct Control {
    uint8_t unit = 0;
    bool extensionUnit = false;
    uint8_t index = 0;  // its bit in the unit's bmControls
    bool initialized = false;
    uint8_t selector = 0;
    uint16_t size = 0;
    uint32_t flags = 0;
    std::vector<const Mapping*> mappings;
    std::vector<uint8_t> data;  // kRowCount rows of `size` bytes
    bool cached = false;
    bool loaded = false;
    bool dirty = false;

    uint8_t* row(DataRow which) { return data.data() + static_cast<size_t>(which) * size; }
    void initialize(uint8_t controlSelector, uint16_t controlSize, uint32_t controlFlags) {
        selector = controlSelector;
        size = controlSize;
        flags = controlFlags;
        data.assign(static_cast<size_t>(size) * kRowCount, 0);
        initialized = true;
    }
};

// uvc_get_le_value: the mapping's bits of the little-endian data, sign-extended if signed.
int32_t getLittleEndian(const Mapping& mapping, const uint8_t* data) {
    uint64_t bits = 0;
    for (unsigned bit = 0; bit < mapping.sizeBits; ++bit) {
        const unsigned at = mapping.offsetBits + bit;
        bits |= static_cast<uint64_t>((data[at / 8] >> (at % 8)) & 1) << bit;
    }
    if (mapping.isSigned && ((bits >> (mapping.sizeBits - 1)) & 1) != 0) {
        bits |= ~uint64_t{0} << mapping.sizeBits;
    }
    return static_cast<int32_t>(bits);
}

int32_t getValue(const Mapping& mapping, uint8_t query, const uint8_t* data) {
    if (mapping.encoding == Encoding::kLittleEndian) {
        return getLittleEndian(mapping, data);
    }
    // A direction byte and a speed byte: GET_MIN of a speed is its negative, of a zoom not.
    const unsigned first = mapping.offsetBits / 8;
    const auto direction = static_cast<int8_t>(data[first]);
    const int32_t speed = data[mapping.encoding == Encoding::kZoom ? 2 : first + 1];
    if (query == UVC_GET_CUR) {
        return direction == 0 ? 0 : (direction > 0 ? speed : -speed);
    }
    return query == UVC_GET_MIN && mapping.encoding == Encoding::kRelativeSpeed ? -speed : speed;
}

void setValue(const Mapping& mapping, int32_t value, uint8_t* data) {
    if (mapping.encoding == Encoding::kLittleEndian) {  // uvc_set_le_value
        for (unsigned bit = 0; bit < mapping.sizeBits; ++bit) {
            const unsigned at = mapping.offsetBits + bit;
            const auto mask = static_cast<uint8_t>(1u << (at % 8));
            const bool one = ((static_cast<uint32_t>(value) >> bit) & 1) != 0;
            data[at / 8] = static_cast<uint8_t>(one ? data[at / 8] | mask : data[at / 8] & ~mask);
        }
        return;
    }
    const unsigned first = mapping.offsetBits / 8;
    data[first] = value == 0 ? 0 : (value > 0 ? 1 : 0xFF);
    data[mapping.encoding == Encoding::kZoom ? 2 : first + 1] =
        static_cast<uint8_t>(std::min<int64_t>(value < 0 ? -int64_t{value} : value, 0xFF));
}

}  // namespace

struct UvcvideoDriverModel::Impl {
    sim::SimulatedCamera& camera;
    UvcvideoKernel kernel;
    uint8_t interfaceNumber = 0;
    // The controls of the camera terminal and the extension units, in descriptor order: the
    // simulated camera has one video chain, in which uvc_scan_chain finds every unit.
    std::vector<Control> controls;
    bool disconnected = false;

    // uvc_parse_standard_control, then uvc_ctrl_init_chain / uvc_ctrl_init_ctrl: one control
    // per bmControls bit; the camera terminal's are initialised now, with the camera's
    // GET_INFO, the extension units' on first use.
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
            const bool extensionUnit = d[2] == UVC_VC_EXTENSION_UNIT && d.size() >= 24u + d[21];
            if (!inVideoControl || d[1] != 0x24 || !(cameraTerminal || extensionUnit)) {
                continue;
            }
            const size_t bitmap = cameraTerminal ? 15 : 23u + d[21];
            const size_t bits = 8 * std::min<size_t>(d[bitmap - 1], d.size() - bitmap);
            for (size_t bit = 0; bit < bits; ++bit) {
                if (((d[bitmap + bit / 8] >> (bit % 8)) & 1) != 0) {
                    addControl(d[3], extensionUnit, static_cast<uint8_t>(bit));
                }
            }
        }
    }

    void addControl(uint8_t unit, bool extensionUnit, uint8_t index) {
        Control& control = controls.emplace_back();
        control.unit = unit;
        control.extensionUnit = extensionUnit;
        control.index = index;
        const auto info = std::ranges::find(kCameraControls, index, &ControlInfo::index);
        if (extensionUnit || info == kCameraControls.end()) {
            return;
        }
        control.initialize(info->selector, info->size, info->flags);
        updateFlags(control);
        for (const Mapping& mapping : kMappings) {
            if (mapping.selector == control.selector) {
                control.mappings.push_back(&mapping);
            }
        }
    }

    // uvc_query_ctrl: one request on the camera's default pipe; a stall is explained by the
    // camera's request error code.
    int queryCamera(uint8_t query, uint8_t unit, uint8_t selector, uint8_t* data, uint16_t size) {
        const std::array<uint8_t, 8> setup{static_cast<uint8_t>((query & 0x80) != 0 ? 0xA1 : 0x21),
                                           query,
                                           0,
                                           selector,
                                           interfaceNumber,
                                           unit,
                                           static_cast<uint8_t>(size & 0xFF),
                                           static_cast<uint8_t>(size >> 8)};
        std::vector<uint8_t> buffer(data, data + size);
        const sim::ControlReply reply = camera.controlRequest(setup, buffer);
        if (!reply.stalled) {
            if ((query & 0x80) != 0) {
                std::copy_n(buffer.begin(), std::min<size_t>(reply.length, size), data);
            }
            return 0;
        }
        const std::array<uint8_t, 8> errorCode{
            0xA1, UVC_GET_CUR, 0, UVC_VC_REQUEST_ERROR_CODE_CONTROL, interfaceNumber, 0, 1, 0};
        std::array<uint8_t, 1> code{};
        const sim::ControlReply why = camera.controlRequest(errorCode, code);
        return why.stalled || why.length != 1 || code[0] >= kErrorCodes.size()
                   ? EPIPE
                   : kErrorCodes[code[0]];
    }

    // uvc_ctrl_get_flags: GET_INFO replaces what the driver assumed of GET_CUR, SET_CUR,
    // auto-update and asynchronous; when it fails the driver's own flags stay.
    int updateFlags(Control& control) {
        uint8_t info = 0;
        const int error = queryCamera(UVC_GET_INFO, control.unit, control.selector, &info, 1);
        if (error == 0) {
            control.flags &= ~(UVC_CTRL_FLAG_GET_CUR | UVC_CTRL_FLAG_SET_CUR |
                               UVC_CTRL_FLAG_AUTO_UPDATE | UVC_CTRL_FLAG_ASYNCHRONOUS);
            control.flags |=
                ((info & UVC_CONTROL_CAP_GET) != 0 ? UVC_CTRL_FLAG_GET_CUR : 0) |
                ((info & UVC_CONTROL_CAP_SET) != 0 ? UVC_CTRL_FLAG_SET_CUR : 0) |
                ((info & UVC_CONTROL_CAP_AUTOUPDATE) != 0 ? UVC_CTRL_FLAG_AUTO_UPDATE : 0) |
                ((info & UVC_CONTROL_CAP_ASYNCHRONOUS) != 0 ? UVC_CTRL_FLAG_ASYNCHRONOUS : 0);
        }
        return error;
    }

    // uvc_ctrl_populate_cache: on a control's first use, GET_DEF, GET_MIN, GET_MAX and GET_RES
    // as its flags allow; a failure aborts (except GET_RES of an extension unit).
    int populateCache(Control& control) {
        constexpr std::array<std::tuple<uint32_t, uint8_t, DataRow>, 4> kRows{
            std::tuple{UVC_CTRL_FLAG_GET_DEF, UVC_GET_DEF, kDefault},
            std::tuple{UVC_CTRL_FLAG_GET_MIN, UVC_GET_MIN, kMinimum},
            std::tuple{UVC_CTRL_FLAG_GET_MAX, UVC_GET_MAX, kMaximum},
            std::tuple{UVC_CTRL_FLAG_GET_RES, UVC_GET_RES, kResolution}};
        for (const auto& [flag, query, row] : kRows) {
            if ((control.flags & flag) == 0) {
                continue;
            }
            const int error =
                queryCamera(query, control.unit, control.selector, control.row(row), control.size);
            if (error != 0 && (query != UVC_GET_RES || !control.extensionUnit)) {
                return error;
            }
        }
        control.cached = true;
        return 0;
    }

    // __uvc_ctrl_load_cur: GET_CUR unless the value is cached; a control that cannot be read
    // is taken as all zeros.
    int loadCurrent(Control& control) {
        if (control.loaded) {
            return 0;
        }
        int error = 0;
        if ((control.flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            std::fill_n(control.row(kCurrent), control.size, uint8_t{0});
        } else {
            error = queryCamera(UVC_GET_CUR, control.unit, control.selector, control.row(kCurrent),
                                control.size);
        }
        control.loaded = error == 0;
        return error;
    }

    // __uvc_ctrl_get
    int getCurrent(Control& control, const Mapping& mapping, int32_t& value) {
        if ((control.flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            return EACCES;
        }
        const int error = loadCurrent(control);
        value = error == 0 ? getValue(mapping, UVC_GET_CUR, control.row(kCurrent)) : value;
        return error;
    }

    // uvc_find_control: the control mapped to `id`, or with V4L2_CTRL_FLAG_NEXT_CTRL in `id`
    // the one mapped to the lowest id above it (how v4l2-ctl finds a control by name).
    Control* findControl(uint32_t id, const Mapping*& mapping) {
        const bool next = (id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        id &= V4L2_CTRL_ID_MASK;
        mapping = nullptr;
        Control* found = nullptr;
        for (Control& control : controls) {
            for (const Mapping* candidate : control.mappings) {
                if (next ? candidate->id > id && (mapping == nullptr || mapping->id > candidate->id)
                         : candidate->id == id) {
                    mapping = candidate;
                    found = &control;
                }
            }
        }
        return found;
    }

    int32_t minimumOf(Control& control, const Mapping& mapping) {
        // The fix: a relative control goes as fast one way as the other.
        if (kernel == UvcvideoKernel::kFixed && mapping.encoding != Encoding::kLittleEndian) {
            return -getValue(mapping, UVC_GET_MAX, control.row(kMaximum));
        }
        return getValue(mapping, UVC_GET_MIN, control.row(kMinimum));
    }

    // __uvc_query_v4l2_ctrl: a control, with the range the driver derives (on first use, from
    // the camera's). Control classes and default values are not modelled.
    int queryControl(v4l2_query_ext_ctrl& query) {
        const Mapping* mapping = nullptr;
        Control* control = findControl(query.id, mapping);
        if (control == nullptr) {
            return EINVAL;
        }
        // The slave is inactive while its master is not manual, which may take a GET_CUR.
        const Mapping* masterMapping = nullptr;
        Control* master = findControl(mapping->masterId, masterMapping);
        int32_t masterValue = 0;
        if (master != nullptr && (master->flags & UVC_CTRL_FLAG_GET_CUR) != 0) {
            if (const int error = getCurrent(*master, *masterMapping, masterValue); error != 0) {
                return error;
            }
        }
        if (!control->cached) {
            if (const int error = populateCache(*control); error != 0) {
                return error;
            }
        }
        query = v4l2_query_ext_ctrl{};
        query.id = mapping->id;
        query.type = mapping->v4l2Type;
        query.maximum = 1;
        query.step = 1;
        query.elem_size = 4;
        query.elems = 1;
        query.flags = masterValue != 0 ? V4L2_CTRL_FLAG_INACTIVE : 0u;
        std::strcpy(query.name, mapping->name);
        if ((control->flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            query.flags |= V4L2_CTRL_FLAG_WRITE_ONLY;
        }
        if ((control->flags & UVC_CTRL_FLAG_SET_CUR) == 0) {
            query.flags |= V4L2_CTRL_FLAG_READ_ONLY;
        }
        if (mapping->v4l2Type == V4L2_CTRL_TYPE_INTEGER) {
            query.minimum = minimumOf(*control, *mapping);
            query.maximum = getValue(*mapping, UVC_GET_MAX, control->row(kMaximum));
            query.step =
                static_cast<uint32_t>(getValue(*mapping, UVC_GET_RES, control->row(kResolution)));
        }
        return 0;
    }

    // uvc_ctrl_is_accessible, for VIDIOC_G/TRY/S_EXT_CTRLS: the control exists and may be read
    // or written; a slave (focus absolute) may be set only while its master (autofocus) is
    // manual, in this call or on the camera.
    int checkAccess(uint32_t id, const v4l2_ext_controls& group, unsigned long request) {
        const Mapping* mapping = nullptr;
        Control* control = findControl(id & ~V4L2_CTRL_FLAG_NEXT_CTRL, mapping);
        if (control == nullptr) {
            return EINVAL;
        }
        const bool read = request == VIDIOC_G_EXT_CTRLS;
        if ((control->flags & (read ? UVC_CTRL_FLAG_GET_CUR : UVC_CTRL_FLAG_SET_CUR)) == 0) {
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
        const Mapping* masterMapping = nullptr;
        Control* master = findControl(mapping->masterId, masterMapping);
        int32_t value = 0;
        if (master == nullptr || (master->flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            return 0;
        }
        return getCurrent(*master, *masterMapping, value) == 0 && value != 0 ? EACCES : 0;
    }

    // uvc_ctrl_set: the value is rounded to the step from the minimum and clamped into the
    // range, never refused; a mapping that covers part of the control is written over its
    // current value (read-modify-write).
    int setControl(v4l2_ext_control& xctrl) {
        const Mapping* mapping = nullptr;
        Control& control = *findControl(xctrl.id, mapping);  // checked by checkAccess
        if (mapping->v4l2Type == V4L2_CTRL_TYPE_INTEGER) {
            if (!control.cached) {
                if (const int error = populateCache(control); error != 0) {
                    return error;
                }
            }
            const int32_t minimum = minimumOf(control, *mapping);
            const int32_t maximum = getValue(*mapping, UVC_GET_MAX, control.row(kMaximum));
            const auto step = std::max<uint32_t>(
                static_cast<uint32_t>(getValue(*mapping, UVC_GET_RES, control.row(kResolution))),
                1);
            // DIV_ROUND_CLOSEST on u32, as the kernel computes it.
            const uint32_t offset =
                static_cast<uint32_t>(xctrl.value) - static_cast<uint32_t>(minimum);
            xctrl.value = static_cast<int32_t>(static_cast<uint32_t>(minimum) +
                                               (offset + step / 2) / step * step);
            xctrl.value = mapping->isSigned
                              ? std::clamp(xctrl.value, minimum, maximum)
                              : static_cast<int32_t>(std::clamp(static_cast<uint32_t>(xctrl.value),
                                                                static_cast<uint32_t>(minimum),
                                                                static_cast<uint32_t>(maximum)));
        } else {
            xctrl.value = std::clamp(xctrl.value, 0, 1);
        }
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

    // __uvc_ctrl_commit / uvc_ctrl_commit_entity: one SET_CUR per changed control, in chain
    // order; a failure rolls back the rest. Either way, values that the camera may change on
    // its own (auto-update) or that cannot be read are forgotten, so they are read again.
    int commit(bool rollback) {
        int result = 0;
        for (Control& control : controls) {
            if ((control.flags & (UVC_CTRL_FLAG_AUTO_UPDATE | UVC_CTRL_FLAG_GET_CUR)) !=
                UVC_CTRL_FLAG_GET_CUR) {
                control.loaded = false;
            }
            if (!control.dirty) {
                continue;
            }
            const int error = rollback ? 0
                                       : queryCamera(UVC_SET_CUR, control.unit, control.selector,
                                                     control.row(kCurrent), control.size);
            if (rollback || error != 0) {
                std::copy_n(control.row(kBackup), control.size, control.row(kCurrent));
            }
            control.dirty = false;
            rollback = rollback || error != 0;
            result = error != 0 ? error : result;
        }
        return result;
    }

    // uvc_ioctl_g_ext_ctrls and uvc_ioctl_s_try_ext_ctrls (a try rounds, clamps and reads as a
    // set does, then rolls back).
    int exchangeControls(v4l2_ext_controls& group, unsigned long request) {
        for (uint32_t i = 0; i < group.count; ++i) {
            if (const int error = checkAccess(group.controls[i].id, group, request); error != 0) {
                return error;
            }
        }
        for (uint32_t i = 0; i < group.count; ++i) {
            v4l2_ext_control& xctrl = group.controls[i];
            int error = 0;
            if (request == VIDIOC_G_EXT_CTRLS) {
                const Mapping* mapping = nullptr;
                int32_t value = 0;  // the struct is packed: never bind its fields
                Control& control = *findControl(xctrl.id, mapping);
                error = getCurrent(control, *mapping, value);
                xctrl.value = value;
            } else {
                error = setControl(xctrl);
            }
            if (error != 0) {
                commit(true);
                return error;
            }
        }
        return commit(request != VIDIOC_S_EXT_CTRLS);
    }

    // uvc_xu_ctrl_query: the unit must be an extension unit and the selector one of its
    // bmControls bits (ENOENT; GET_LEN and GET_INFO on first use, uvc_ctrl_init_xu_ctrl), the
    // size the control's GET_LEN (ENOBUFS), the request one that GET_INFO allows (EBADRQC).
    // The bytes then pass unchanged.
    int queryExtensionUnit(uvc_xu_control_query& query) {
        const auto control = std::ranges::find_if(controls, [&](const Control& c) {
            return c.extensionUnit && c.unit == query.unit && c.index + 1 == query.selector;
        });
        if (control == controls.end()) {
            return ENOENT;
        }
        if (!control->initialized) {
            std::array<uint8_t, 2> length{};
            if (queryCamera(UVC_GET_LEN, query.unit, query.selector, length.data(), 2) != 0) {
                return ENOENT;
            }
            control->initialize(query.selector, static_cast<uint16_t>(length[0] | length[1] << 8),
                                UVC_CTRL_FLAG_GET_MIN | UVC_CTRL_FLAG_GET_MAX |
                                    UVC_CTRL_FLAG_GET_RES | UVC_CTRL_FLAG_GET_DEF);
            control->initialized = updateFlags(*control) == 0;
            if (!control->initialized) {
                return ENOENT;
            }
        }
        constexpr std::array<std::pair<uint8_t, uint32_t>, 8> kRequired{
            std::pair{UVC_GET_CUR, UVC_CTRL_FLAG_GET_CUR},
            std::pair{UVC_GET_MIN, UVC_CTRL_FLAG_GET_MIN},
            std::pair{UVC_GET_MAX, UVC_CTRL_FLAG_GET_MAX},
            std::pair{UVC_GET_DEF, UVC_CTRL_FLAG_GET_DEF},
            std::pair{UVC_GET_RES, UVC_CTRL_FLAG_GET_RES},
            std::pair{UVC_SET_CUR, UVC_CTRL_FLAG_SET_CUR},
            std::pair{UVC_GET_LEN, 0},
            std::pair{UVC_GET_INFO, 0}};
        const auto required =
            std::ranges::find(kRequired, query.query, &std::pair<uint8_t, uint32_t>::first);
        const uint16_t size =
            query.query == UVC_GET_LEN ? 2 : (query.query == UVC_GET_INFO ? 1 : control->size);
        if (required == kRequired.end()) {
            return EINVAL;
        }
        if (size != query.size) {
            return ENOBUFS;
        }
        if ((control->flags & required->second) != required->second) {
            return EBADRQC;
        }
        std::vector<uint8_t> data(query.data, query.data + size);
        if (const int error =
                queryCamera(query.query, query.unit, query.selector, data.data(), size);
            error != 0) {
            return error;
        }
        std::copy(data.begin(), data.end(), query.data);
        return 0;
    }

    // uvc_ioctl_querycap / uvc_meta_v4l2_querycap, with what the V4L2 core adds
    // (v4l_querycap): `capabilities` names the whole device, `device_caps` the node.
    static void queryCapabilities(VideoNodeKind node, v4l2_capability& capability) {
        capability = v4l2_capability{};
        capability.version = KERNEL_VERSION(6, 1, 0);
        std::strcpy(reinterpret_cast<char*>(capability.driver), "uvcvideo");
        std::strcpy(reinterpret_cast<char*>(capability.bus_info), "usb-0000:00:14.0-1");
        capability.device_caps =
            (node == VideoNodeKind::kCapture ? V4L2_CAP_VIDEO_CAPTURE : V4L2_CAP_META_CAPTURE) |
            V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
        capability.capabilities = capability.device_caps | V4L2_CAP_DEVICE_CAPS |
                                  V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
    }

    int ioctl(VideoNodeKind node, unsigned long request, void* argument) {
        if (disconnected) {  // video_ioctl2, once the device is unregistered
            return ENODEV;
        }
        if (request == VIDIOC_QUERYCAP) {
            queryCapabilities(node, *static_cast<v4l2_capability*>(argument));
            return 0;
        }
        if (node == VideoNodeKind::kMetadata) {  // uvc_meta_ioctl_ops have no controls
            return ENOTTY;
        }
        switch (request) {
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
