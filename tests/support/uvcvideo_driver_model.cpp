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

constexpr uint8_t kInterfaceDescriptor = 0x04;
constexpr uint8_t kClassSpecificInterface = 0x24;

// Rows of a control's data block (uvc_ctrl.c, UVC_CTRL_DATA_*).
enum DataRow { kCurrent, kBackup, kMinimum, kMaximum, kResolution, kDefault, kRowCount };

enum class MappingKind {
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
    uint32_t dataType;
    MappingKind kind;
    uint32_t masterId = 0;
    int32_t masterManual = 0;
};

// uvc_ctrl_mappings: the camera terminal's controls our backend uses. Focus relative has none.
constexpr std::array kMappings{
    Mapping{V4L2_CID_FOCUS_ABSOLUTE, "Focus, Absolute", UVC_CT_FOCUS_ABSOLUTE_CONTROL, 16, 0,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_UNSIGNED, MappingKind::kLittleEndian,
            V4L2_CID_FOCUS_AUTO, 0},
    Mapping{V4L2_CID_FOCUS_AUTO, "Focus, Automatic Continuous", UVC_CT_FOCUS_AUTO_CONTROL, 1, 0,
            V4L2_CTRL_TYPE_BOOLEAN, UVC_CTRL_DATA_TYPE_BOOLEAN, MappingKind::kLittleEndian},
    Mapping{V4L2_CID_ZOOM_ABSOLUTE, "Zoom, Absolute", UVC_CT_ZOOM_ABSOLUTE_CONTROL, 16, 0,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_UNSIGNED, MappingKind::kLittleEndian},
    Mapping{V4L2_CID_ZOOM_CONTINUOUS, "Zoom, Continuous", UVC_CT_ZOOM_RELATIVE_CONTROL, 0, 0,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_SIGNED, MappingKind::kZoom},
    Mapping{V4L2_CID_PAN_ABSOLUTE, "Pan, Absolute", UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 0,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_SIGNED, MappingKind::kLittleEndian},
    Mapping{V4L2_CID_TILT_ABSOLUTE, "Tilt, Absolute", UVC_CT_PANTILT_ABSOLUTE_CONTROL, 32, 32,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_SIGNED, MappingKind::kLittleEndian},
    Mapping{V4L2_CID_PAN_SPEED, "Pan, Speed", UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 0,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_SIGNED, MappingKind::kRelativeSpeed},
    Mapping{V4L2_CID_TILT_SPEED, "Tilt, Speed", UVC_CT_PANTILT_RELATIVE_CONTROL, 16, 16,
            V4L2_CTRL_TYPE_INTEGER, UVC_CTRL_DATA_TYPE_SIGNED, MappingKind::kRelativeSpeed},
};

// uvc_control_classes, with the names the V4L2 core gives them (v4l2_ctrl_get_name).
struct ControlClass {
    uint32_t id;
    const char* name;
};
constexpr std::array kControlClasses{ControlClass{V4L2_CID_CAMERA_CLASS, "Camera Controls"},
                                     ControlClass{V4L2_CID_USER_CLASS, "User Controls"}};

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

enum class EntityKind { kCameraTerminal, kInputTerminal, kOutputTerminal, kProcessing, kExtension };

struct Entity;

struct Control {
    Entity* entity = nullptr;
    uint8_t index = 0;
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

struct Entity {
    uint8_t id = 0;
    EntityKind kind = EntityKind::kInputTerminal;
    std::vector<uint8_t> sources;
    std::vector<uint8_t> bmControls;
    std::vector<Control> controls;
};

bool testBit(std::span<const uint8_t> bits, size_t bit) {
    return bit / 8 < bits.size() && ((bits[bit / 8] >> (bit % 8)) & 1) != 0;
}

// uvc_get_le_value: the mapping's bit field of the little-endian data, sign-extended for
// signed mappings.
int32_t getLittleEndian(const Mapping& mapping, const uint8_t* data) {
    uint64_t bytes = 0;
    const unsigned firstByte = mapping.offsetBits / 8;
    const unsigned lastByte = (mapping.offsetBits + mapping.sizeBits + 7) / 8;
    for (unsigned i = firstByte; i < lastByte; ++i) {
        bytes |= static_cast<uint64_t>(data[i]) << (8 * (i - firstByte));
    }
    const uint64_t mask = (uint64_t{1} << mapping.sizeBits) - 1;
    auto value = static_cast<uint32_t>((bytes >> (mapping.offsetBits % 8)) & mask);
    if (mapping.dataType == UVC_CTRL_DATA_TYPE_SIGNED && mapping.sizeBits < 32 &&
        (value & (uint32_t{1} << (mapping.sizeBits - 1))) != 0) {
        value |= ~static_cast<uint32_t>(mask);
    }
    return static_cast<int32_t>(value);
}

// uvc_set_le_value.
void setLittleEndian(const Mapping& mapping, int32_t value, uint8_t* data) {
    auto bits = static_cast<int>(mapping.sizeBits);
    int offset = mapping.offsetBits % 8;
    auto remaining = static_cast<uint32_t>(value);
    for (data += mapping.offsetBits / 8; bits > 0; ++data) {
        const auto mask = static_cast<uint8_t>(((uint64_t{1} << bits) - 1) << offset);
        *data = static_cast<uint8_t>((*data & ~mask) | ((remaining << offset) & mask));
        remaining >>= offset != 0 ? offset : 8;
        bits -= 8 - offset;
        offset = 0;
    }
}

int32_t getValue(const Mapping& mapping, uint8_t query, const uint8_t* data) {
    switch (mapping.kind) {
        case MappingKind::kRelativeSpeed: {
            // uvc_ctrl_get_rel_speed
            const unsigned first = mapping.offsetBits / 8;
            const auto direction = static_cast<int8_t>(data[first]);
            const int32_t speed = data[first + 1];
            if (query == UVC_GET_CUR) {
                return direction == 0 ? 0 : (direction > 0 ? speed : -speed);
            }
            return query == UVC_GET_MIN ? -speed : speed;
        }
        case MappingKind::kZoom: {
            // uvc_ctrl_get_zoom
            const auto direction = static_cast<int8_t>(data[0]);
            const int32_t speed = data[2];
            if (query == UVC_GET_CUR) {
                return direction == 0 ? 0 : (direction > 0 ? speed : -speed);
            }
            return speed;
        }
        case MappingKind::kLittleEndian:
            break;
    }
    return getLittleEndian(mapping, data);
}

void setValue(const Mapping& mapping, int32_t value, uint8_t* data) {
    const uint8_t direction = value == 0 ? 0 : (value > 0 ? 1 : 0xFF);
    const auto speed =
        static_cast<uint8_t>(std::min(value < 0 ? -int64_t{value} : value, int64_t{0xFF}));
    switch (mapping.kind) {
        case MappingKind::kRelativeSpeed:  // uvc_ctrl_set_rel_speed
            data[mapping.offsetBits / 8] = direction;
            data[mapping.offsetBits / 8 + 1] = speed;
            return;
        case MappingKind::kZoom:  // uvc_ctrl_set_zoom
            data[0] = direction;
            data[2] = speed;
            return;
        case MappingKind::kLittleEndian:
            setLittleEndian(mapping, value, data);
            return;
    }
}

bool hasRelativeRange(const Mapping& mapping) {
    return mapping.kind != MappingKind::kLittleEndian;
}

std::vector<uint8_t> bytesOf(std::span<const uint8_t> descriptor, size_t from, size_t count) {
    if (from >= descriptor.size()) {
        return {};
    }
    const size_t end = std::min(descriptor.size(), from + count);
    return {descriptor.begin() + static_cast<std::ptrdiff_t>(from),
            descriptor.begin() + static_cast<std::ptrdiff_t>(end)};
}

}  // namespace

struct UvcvideoDriverModel::Impl {
    sim::SimulatedCamera& camera;
    UvcvideoKernel kernel;
    std::string busInfo;
    uint8_t interfaceNumber = 0;
    std::vector<Entity> entities;  // descriptor order
    std::vector<Entity*> chain;    // the video chain, in the order uvc_scan_chain adds them
    int handles = 0;
    bool disconnected = false;

    Impl(sim::SimulatedCamera& simulated, UvcvideoKernel version, std::string bus)
        : camera(simulated), kernel(version), busInfo(std::move(bus)) {
        parseControlInterface();
        scanChain();
        initControls();
    }

    Entity* entityById(uint8_t id) {
        for (Entity& entity : entities) {
            if (entity.id == id) {
                return &entity;
            }
        }
        return nullptr;
    }

    bool inChain(const Entity* entity) const {
        return std::find(chain.begin(), chain.end(), entity) != chain.end();
    }

    // uvc_parse_control / uvc_parse_standard_control: the VideoControl interface's number and
    // its terminals and units.
    void parseControlInterface() {
        const std::vector<uint8_t> configuration = camera.configurationDescriptor();
        bool inVideoControl = false;
        for (size_t at = 0; at + 2 <= configuration.size() && configuration[at] >= 2;
             at += configuration[at]) {
            const std::span<const uint8_t> d(
                configuration.data() + at,
                std::min<size_t>(configuration[at], configuration.size() - at));
            if (d[1] == kInterfaceDescriptor && d.size() >= 9) {
                inVideoControl = d[5] == 0x0E && d[6] == 0x01;
                if (inVideoControl) {
                    interfaceNumber = d[2];
                }
                continue;
            }
            if (!inVideoControl || d[1] != kClassSpecificInterface || d.size() < 4) {
                continue;
            }
            Entity entity;
            entity.id = d[3];
            switch (d[2]) {
                case UVC_VC_INPUT_TERMINAL:
                    if (d.size() < 8) {
                        continue;
                    }
                    if ((d[4] | d[5] << 8) == UVC_ITT_CAMERA && d.size() >= 15) {
                        entity.kind = EntityKind::kCameraTerminal;
                        entity.bmControls = bytesOf(d, 15, d[14]);
                    }
                    break;
                case UVC_VC_OUTPUT_TERMINAL:
                    if (d.size() < 9) {
                        continue;
                    }
                    entity.kind = EntityKind::kOutputTerminal;
                    entity.sources = {d[7]};
                    break;
                case UVC_VC_PROCESSING_UNIT:
                    if (d.size() < 8) {
                        continue;
                    }
                    entity.kind = EntityKind::kProcessing;
                    entity.sources = {d[4]};
                    break;
                case UVC_VC_EXTENSION_UNIT: {
                    if (d.size() < 22) {
                        continue;
                    }
                    const size_t pins = d[21];
                    if (d.size() < 23 + pins) {
                        continue;
                    }
                    entity.kind = EntityKind::kExtension;
                    entity.sources = bytesOf(d, 22, pins);
                    entity.bmControls = bytesOf(d, 23 + pins, d[22 + pins]);
                    break;
                }
                default:
                    continue;
            }
            entities.push_back(std::move(entity));
        }
    }

    // uvc_scan_device / uvc_scan_chain: from the output terminal back to the input terminal;
    // extension units fed by an entity of the chain join it (uvc_scan_chain_forward).
    void scanChain() {
        Entity* entity = nullptr;
        for (Entity& candidate : entities) {
            if (candidate.kind == EntityKind::kOutputTerminal) {
                entity = &candidate;
                break;
            }
        }
        const Entity* previous = nullptr;
        while (entity != nullptr && !inChain(entity)) {
            chain.push_back(entity);
            for (Entity& forward : entities) {
                const bool fedByEntity = std::find(forward.sources.begin(), forward.sources.end(),
                                                   entity->id) != forward.sources.end();
                if (fedByEntity && &forward != previous && !inChain(&forward) &&
                    forward.kind == EntityKind::kExtension && forward.sources.size() == 1) {
                    chain.push_back(&forward);
                }
            }
            previous = entity;
            const bool hasSource = entity->kind != EntityKind::kCameraTerminal &&
                                   entity->kind != EntityKind::kInputTerminal &&
                                   !entity->sources.empty();
            entity = hasSource ? entityById(entity->sources.front()) : nullptr;
        }
    }

    // uvc_ctrl_init_chain / uvc_ctrl_init_ctrl: one control per bmControls bit. The camera
    // terminal's are initialised now, with the camera's GET_INFO (uvc_ctrl_get_flags); the
    // extension units' on first use.
    void initControls() {
        for (Entity* entity : chain) {
            for (size_t bit = 0; bit < entity->bmControls.size() * 8; ++bit) {
                if (!testBit(entity->bmControls, bit)) {
                    continue;
                }
                Control control;
                control.entity = entity;
                control.index = static_cast<uint8_t>(bit);
                entity->controls.push_back(std::move(control));
            }
            if (entity->kind != EntityKind::kCameraTerminal) {
                continue;
            }
            for (Control& control : entity->controls) {
                const auto info = std::find_if(
                    kCameraControls.begin(), kCameraControls.end(),
                    [&](const ControlInfo& known) { return known.index == control.index; });
                if (info == kCameraControls.end()) {
                    continue;
                }
                control.initialize(info->selector, info->size, info->flags);
                updateFlags(control);
                for (const Mapping& mapping : kMappings) {
                    if (mapping.selector == control.selector) {
                        control.mappings.push_back(&mapping);
                    }
                }
            }
        }
    }

    // uvc_query_ctrl: one request on the camera's default pipe. A stall is explained by the
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
        if (why.stalled || why.length != 1) {
            return EPIPE;
        }
        switch (code[0]) {
            case 1:
                return EBUSY;
            case 2:
                return EILSEQ;
            case 3:
                return EREMOTE;
            case 4:
                return ERANGE;
            case 5:
            case 6:
            case 7:
                return EIO;
            case 8:
                return EINVAL;
            default:
                return EPIPE;
        }
    }

    // uvc_ctrl_get_flags: GET_INFO replaces what the driver assumed of GET_CUR, SET_CUR,
    // auto-update and asynchronous; when it fails the driver's own flags stay.
    int updateFlags(Control& control) {
        uint8_t info = 0;
        const int error = queryCamera(UVC_GET_INFO, control.entity->id, control.selector, &info, 1);
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
        const std::array<std::pair<uint32_t, DataRow>, 4> rows{
            std::pair{UVC_CTRL_FLAG_GET_DEF, kDefault}, std::pair{UVC_CTRL_FLAG_GET_MIN, kMinimum},
            std::pair{UVC_CTRL_FLAG_GET_MAX, kMaximum},
            std::pair{UVC_CTRL_FLAG_GET_RES, kResolution}};
        const std::array<uint8_t, 4> queries{UVC_GET_DEF, UVC_GET_MIN, UVC_GET_MAX, UVC_GET_RES};
        for (size_t i = 0; i < rows.size(); ++i) {
            if ((control.flags & rows[i].first) == 0) {
                continue;
            }
            const int error = queryCamera(queries[i], control.entity->id, control.selector,
                                          control.row(rows[i].second), control.size);
            if (error != 0) {
                if (queries[i] != UVC_GET_RES || control.entity->kind != EntityKind::kExtension) {
                    return error;
                }
                std::fill_n(control.row(kResolution), control.size, uint8_t{0});
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
        if ((control.flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            std::fill_n(control.row(kCurrent), control.size, uint8_t{0});
            control.loaded = true;
            return 0;
        }
        const int error = queryCamera(UVC_GET_CUR, control.entity->id, control.selector,
                                      control.row(kCurrent), control.size);
        if (error == 0) {
            control.loaded = true;
        }
        return error;
    }

    // __uvc_ctrl_get
    int getCurrent(Control& control, const Mapping& mapping, int32_t& value) {
        if ((control.flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            return EACCES;
        }
        if (const int error = loadCurrent(control); error != 0) {
            return error;
        }
        value = getValue(mapping, UVC_GET_CUR, control.row(kCurrent));
        return 0;
    }

    // uvc_find_control: the control mapped to `id`, or with V4L2_CTRL_FLAG_NEXT_CTRL in `id`
    // the one mapped to the lowest id above it.
    Control* findControl(uint32_t id, const Mapping*& mapping) {
        const bool next = (id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        id &= V4L2_CTRL_ID_MASK;
        mapping = nullptr;
        Control* found = nullptr;
        for (Entity* entity : chain) {
            for (Control& control : entity->controls) {
                if (!control.initialized) {
                    continue;
                }
                for (const Mapping* candidate : control.mappings) {
                    if (!next && candidate->id == id) {
                        mapping = candidate;
                        return &control;
                    }
                    if (next && candidate->id > id &&
                        (mapping == nullptr || mapping->id > candidate->id)) {
                        mapping = candidate;
                        found = &control;
                    }
                }
            }
        }
        return found;
    }

    // __uvc_query_v4l2_class: the control class that `id` names, or with
    // V4L2_CTRL_FLAG_NEXT_CTRL the first one above it and below `nextControl`; only classes
    // that have a mapped control count. Null for none.
    const ControlClass* findClass(uint32_t id, uint32_t nextControl) const {
        const bool next = (id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0;
        id &= V4L2_CTRL_ID_MASK;
        for (const ControlClass& candidate : kControlClasses) {
            if (!hasControlOf(candidate)) {
                continue;
            }
            if (next ? candidate.id > id && candidate.id < nextControl : candidate.id == id) {
                return &candidate;
            }
        }
        return nullptr;
    }

    // __uvc_ctrl_add_mapping marks the class of every mapping it adds.
    bool hasControlOf(const ControlClass& controlClass) const {
        for (const Entity* entity : chain) {
            for (const Control& control : entity->controls) {
                for (const Mapping* mapping : control.mappings) {
                    if (V4L2_CTRL_ID2WHICH(mapping->id) == V4L2_CTRL_ID2WHICH(controlClass.id)) {
                        return true;
                    }
                }
            }
        }
        return false;
    }

    int32_t minimumOf(Control& control, const Mapping& mapping) {
        // The fix: a relative control goes as fast one way as the other.
        if (kernel == UvcvideoKernel::kFixed && hasRelativeRange(mapping)) {
            return -getValue(mapping, UVC_GET_MAX, control.row(kMaximum));
        }
        return getValue(mapping, UVC_GET_MIN, control.row(kMinimum));
    }

    // uvc_query_v4l2_ctrl: a control class, or a control. Enumerating with
    // V4L2_CTRL_FLAG_NEXT_CTRL, a class comes before its first control.
    int queryControl(v4l2_queryctrl& query) {
        const ControlClass* controlClass = nullptr;
        const Mapping* mapping = nullptr;
        Control* control = nullptr;
        if ((query.id & V4L2_CTRL_FLAG_NEXT_CTRL) == 0) {
            controlClass = findClass(query.id, 0);
        }
        if (controlClass == nullptr) {
            control = findControl(query.id, mapping);
            if (control == nullptr) {
                return EINVAL;
            }
            if ((query.id & V4L2_CTRL_FLAG_NEXT_CTRL) != 0) {
                controlClass = findClass(query.id, mapping->id);
            }
        }
        if (controlClass != nullptr) {
            // uvc_query_v4l2_class
            query = v4l2_queryctrl{};
            query.id = controlClass->id;
            std::strncpy(reinterpret_cast<char*>(query.name), controlClass->name,
                         sizeof query.name - 1);
            query.type = V4L2_CTRL_TYPE_CTRL_CLASS;
            query.flags = V4L2_CTRL_FLAG_WRITE_ONLY | V4L2_CTRL_FLAG_READ_ONLY;
            return 0;
        }
        return describeControl(*control, *mapping, query);
    }

    // __uvc_query_v4l2_ctrl
    int describeControl(Control& control, const Mapping& mapping, v4l2_queryctrl& query) {
        v4l2_queryctrl answer{};
        answer.id = mapping.id;
        answer.type = mapping.v4l2Type;
        std::strncpy(reinterpret_cast<char*>(answer.name), mapping.name, sizeof answer.name - 1);
        if ((control.flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            answer.flags |= V4L2_CTRL_FLAG_WRITE_ONLY;
        }
        if ((control.flags & UVC_CTRL_FLAG_SET_CUR) == 0) {
            answer.flags |= V4L2_CTRL_FLAG_READ_ONLY;
        }
        if (mapping.masterId != 0) {
            const Mapping* masterMapping = nullptr;
            Control* master = findControl(mapping.masterId, masterMapping);
            if (master != nullptr && (master->flags & UVC_CTRL_FLAG_GET_CUR) != 0) {
                int32_t value = 0;
                if (const int error = getCurrent(*master, *masterMapping, value); error != 0) {
                    return error;
                }
                if (value != mapping.masterManual) {
                    answer.flags |= V4L2_CTRL_FLAG_INACTIVE;
                }
            }
        }
        if (!control.cached) {
            if (const int error = populateCache(control); error != 0) {
                return error;
            }
        }
        if ((control.flags & UVC_CTRL_FLAG_GET_DEF) != 0) {
            answer.default_value = getValue(mapping, UVC_GET_DEF, control.row(kDefault));
        }
        if (mapping.v4l2Type == V4L2_CTRL_TYPE_BOOLEAN) {
            answer.minimum = 0;
            answer.maximum = 1;
            answer.step = 1;
        } else {
            if ((control.flags & UVC_CTRL_FLAG_GET_MIN) != 0) {
                answer.minimum = minimumOf(control, mapping);
            }
            if ((control.flags & UVC_CTRL_FLAG_GET_MAX) != 0) {
                answer.maximum = getValue(mapping, UVC_GET_MAX, control.row(kMaximum));
            }
            if ((control.flags & UVC_CTRL_FLAG_GET_RES) != 0) {
                answer.step = getValue(mapping, UVC_GET_RES, control.row(kResolution));
            }
        }
        query = answer;
        return 0;
    }

    // uvc_ioctl_query_ext_ctrl: the same, in the extended struct.
    int queryExtendedControl(v4l2_query_ext_ctrl& query) {
        v4l2_queryctrl control{};
        control.id = query.id;
        if (const int error = queryControl(control); error != 0) {
            return error;
        }
        query = v4l2_query_ext_ctrl{};
        query.id = control.id;
        query.type = control.type;
        static_assert(sizeof query.name == sizeof control.name);
        std::memcpy(query.name, control.name, sizeof query.name);
        query.minimum = control.minimum;
        query.maximum = control.maximum;
        query.step = static_cast<uint64_t>(control.step);
        query.default_value = control.default_value;
        query.flags = control.flags;
        query.elem_size = 4;
        query.elems = 1;
        return 0;
    }

    // uvc_ctrl_is_accessible, for `request` VIDIOC_G_EXT_CTRLS, VIDIOC_TRY_EXT_CTRLS or
    // VIDIOC_S_EXT_CTRLS: the control exists and may be read or written; a slave control (focus
    // absolute) may be set only while its master (autofocus) is manual, in this call or on the
    // camera.
    int checkAccess(uint32_t id, const v4l2_ext_controls& controls, unsigned long request) {
        if (findClass(id, 0) != nullptr) {
            return EACCES;
        }
        const Mapping* mapping = nullptr;
        Control* control = findControl(id, mapping);
        if (control == nullptr) {
            return EINVAL;
        }
        const bool read = request == VIDIOC_G_EXT_CTRLS;
        if (read && (control->flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            return EACCES;
        }
        if (!read && (control->flags & UVC_CTRL_FLAG_SET_CUR) == 0) {
            return EACCES;
        }
        if (request != VIDIOC_S_EXT_CTRLS || mapping->masterId == 0) {
            return 0;
        }
        for (uint32_t i = controls.count; i-- > 0;) {
            if (controls.controls[i].id == mapping->masterId) {
                return controls.controls[i].value == mapping->masterManual ? 0 : EACCES;
            }
        }
        const Mapping* masterMapping = nullptr;
        Control* master = findControl(mapping->masterId, masterMapping);
        if (master == nullptr || (master->flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
            return 0;
        }
        int32_t value = 0;
        if (getCurrent(*master, *masterMapping, value) == 0 && value != mapping->masterManual) {
            return EACCES;
        }
        return 0;
    }

    // uvc_ctrl_set: the value is rounded to the step from the minimum and clamped into the
    // range, never refused; a mapping that covers part of the control is written over its
    // current value (read-modify-write).
    int setControl(v4l2_ext_control& xctrl) {
        const Mapping* mapping = nullptr;
        Control* control = findControl(xctrl.id, mapping);
        if (control == nullptr) {
            return EINVAL;
        }
        if ((control->flags & UVC_CTRL_FLAG_SET_CUR) == 0) {
            return EACCES;
        }
        if (mapping->v4l2Type == V4L2_CTRL_TYPE_INTEGER) {
            if (!control->cached) {
                if (const int error = populateCache(*control); error != 0) {
                    return error;
                }
            }
            const int32_t minimum = minimumOf(*control, *mapping);
            const int32_t maximum = getValue(*mapping, UVC_GET_MAX, control->row(kMaximum));
            auto step =
                static_cast<uint32_t>(getValue(*mapping, UVC_GET_RES, control->row(kResolution)));
            if (step == 0) {
                step = 1;
            }
            // DIV_ROUND_CLOSEST on u32, as the kernel computes it.
            const uint32_t offset =
                static_cast<uint32_t>(xctrl.value) - static_cast<uint32_t>(minimum);
            const uint32_t rounded = (offset + step / 2) / step * step;
            xctrl.value = static_cast<int32_t>(static_cast<uint32_t>(minimum) + rounded);
            if (mapping->dataType == UVC_CTRL_DATA_TYPE_SIGNED) {
                xctrl.value = std::min(std::max(xctrl.value, minimum), maximum);
            } else {
                xctrl.value = static_cast<int32_t>(std::min(
                    std::max(static_cast<uint32_t>(xctrl.value), static_cast<uint32_t>(minimum)),
                    static_cast<uint32_t>(maximum)));
            }
        } else {
            xctrl.value = std::min(std::max(xctrl.value, 0), 1);
        }
        if (control->size * 8u != mapping->sizeBits) {
            if (const int error = loadCurrent(*control); error != 0) {
                return error;
            }
        }
        if (!control->dirty) {
            std::copy_n(control->row(kCurrent), control->size, control->row(kBackup));
        }
        setValue(*mapping, xctrl.value, control->row(kCurrent));
        control->dirty = true;
        return 0;
    }

    // __uvc_ctrl_commit / uvc_ctrl_commit_entity: one SET_CUR per changed control, in chain
    // order; a failure rolls back the rest. Either way, values that the camera may change on
    // its own (auto-update) or that cannot be read are forgotten, so they are read again.
    int commit(bool rollback) {
        int result = 0;
        for (Entity* entity : chain) {
            for (Control& control : entity->controls) {
                if (!control.initialized) {
                    continue;
                }
                if ((control.flags & UVC_CTRL_FLAG_AUTO_UPDATE) != 0 ||
                    (control.flags & UVC_CTRL_FLAG_GET_CUR) == 0) {
                    control.loaded = false;
                }
                if (!control.dirty) {
                    continue;
                }
                int error = 0;
                if (!rollback) {
                    error = queryCamera(UVC_SET_CUR, entity->id, control.selector,
                                        control.row(kCurrent), control.size);
                }
                if (rollback || error != 0) {
                    std::copy_n(control.row(kBackup), control.size, control.row(kCurrent));
                }
                control.dirty = false;
                if (error != 0) {
                    rollback = true;
                    result = error;
                }
            }
        }
        return result;
    }

    // uvc_ioctl_g_ext_ctrls
    int getControls(v4l2_ext_controls& controls) {
        for (uint32_t i = 0; i < controls.count; ++i) {
            if (const int error =
                    checkAccess(controls.controls[i].id, controls, VIDIOC_G_EXT_CTRLS);
                error != 0) {
                return error;
            }
        }
        for (uint32_t i = 0; i < controls.count; ++i) {
            const Mapping* mapping = nullptr;
            Control* control = findControl(controls.controls[i].id, mapping);
            int32_t value = 0;  // the struct is packed: never bind its fields
            const int error = getCurrent(*control, *mapping, value);
            controls.controls[i].value = value;
            if (error != 0) {
                commit(true);
                return error;
            }
        }
        return commit(true);
    }

    // uvc_ioctl_s_try_ext_ctrls, for `request` VIDIOC_S_EXT_CTRLS or VIDIOC_TRY_EXT_CTRLS (which
    // rounds, clamps and reads as a set does, then rolls back).
    int setControls(v4l2_ext_controls& controls, unsigned long request) {
        for (uint32_t i = 0; i < controls.count; ++i) {
            if (const int error = checkAccess(controls.controls[i].id, controls, request);
                error != 0) {
                return error;
            }
        }
        for (uint32_t i = 0; i < controls.count; ++i) {
            if (const int error = setControl(controls.controls[i]); error != 0) {
                commit(true);
                return error;
            }
        }
        return commit(request != VIDIOC_S_EXT_CTRLS);
    }

    // uvc_ioctl_g_selection: a rectangle only for the capture stream's default and bounds crop
    // targets, which are not modelled (ENOTTY); EINVAL for every other target and type.
    static int getSelection(const v4l2_selection& selection) {
        const bool hasRectangle = selection.type == V4L2_BUF_TYPE_VIDEO_CAPTURE &&
                                  (selection.target == V4L2_SEL_TGT_CROP_DEFAULT ||
                                   selection.target == V4L2_SEL_TGT_CROP_BOUNDS);
        return hasRectangle ? ENOTTY : EINVAL;
    }

    // uvc_ctrl_fill_xu_info / uvc_ctrl_init_xu_ctrl: GET_LEN and GET_INFO on first use.
    int initExtensionControl(Control& control) {
        if (control.initialized) {
            return 0;
        }
        const auto selector = static_cast<uint8_t>(control.index + 1);
        std::array<uint8_t, 2> length{};
        if (const int error =
                queryCamera(UVC_GET_LEN, control.entity->id, selector, length.data(), 2);
            error != 0) {
            return error;
        }
        control.initialize(selector, static_cast<uint16_t>(length[0] | length[1] << 8),
                           UVC_CTRL_FLAG_GET_MIN | UVC_CTRL_FLAG_GET_MAX | UVC_CTRL_FLAG_GET_RES |
                               UVC_CTRL_FLAG_GET_DEF);
        if (const int error = updateFlags(control); error != 0) {
            control.initialized = false;
            return error;
        }
        return 0;
    }

    // uvc_xu_ctrl_query: the unit must be an extension unit of the chain and the selector one
    // of its bmControls bits (ENOENT), the size the control's GET_LEN (ENOBUFS), the request
    // one that GET_INFO allows (EBADRQC). The bytes then pass unchanged.
    int queryExtensionUnit(uvc_xu_control_query& query) {
        Entity* unit = nullptr;
        for (Entity* entity : chain) {
            if (entity->kind == EntityKind::kExtension && entity->id == query.unit) {
                unit = entity;
                break;
            }
        }
        if (unit == nullptr) {
            return ENOENT;
        }
        const auto control =
            std::find_if(unit->controls.begin(), unit->controls.end(),
                         [&](const Control& c) { return c.index == query.selector - 1; });
        if (control == unit->controls.end()) {
            return ENOENT;
        }
        if (initExtensionControl(*control) != 0) {
            return ENOENT;
        }
        uint32_t required = 0;
        uint16_t size = control->size;
        switch (query.query) {
            case UVC_GET_CUR:
                required = UVC_CTRL_FLAG_GET_CUR;
                break;
            case UVC_GET_MIN:
                required = UVC_CTRL_FLAG_GET_MIN;
                break;
            case UVC_GET_MAX:
                required = UVC_CTRL_FLAG_GET_MAX;
                break;
            case UVC_GET_DEF:
                required = UVC_CTRL_FLAG_GET_DEF;
                break;
            case UVC_GET_RES:
                required = UVC_CTRL_FLAG_GET_RES;
                break;
            case UVC_SET_CUR:
                required = UVC_CTRL_FLAG_SET_CUR;
                break;
            case UVC_GET_LEN:
                size = 2;
                break;
            case UVC_GET_INFO:
                size = 1;
                break;
            default:
                return EINVAL;
        }
        if (size != query.size) {
            return ENOBUFS;
        }
        if (required != 0 && (control->flags & required) == 0) {
            return EBADRQC;
        }
        std::vector<uint8_t> data(size);
        if (query.query == UVC_SET_CUR) {
            std::copy_n(query.data, size, data.begin());
        }
        if (const int error =
                queryCamera(query.query, query.unit, query.selector, data.data(), size);
            error != 0) {
            return error;
        }
        if (query.query != UVC_SET_CUR) {
            std::copy(data.begin(), data.end(), query.data);
        }
        return 0;
    }

    // uvc_ioctl_querycap / uvc_meta_v4l2_querycap, with what the V4L2 core adds
    // (v4l_querycap): `capabilities` names the whole device, `device_caps` the node.
    void queryCapabilities(VideoNodeKind node, v4l2_capability& capability) {
        capability = v4l2_capability{};
        std::strncpy(reinterpret_cast<char*>(capability.driver), "uvcvideo",
                     sizeof capability.driver - 1);
        std::strncpy(reinterpret_cast<char*>(capability.card), camera.spec().product.c_str(),
                     sizeof capability.card - 1);
        std::strncpy(reinterpret_cast<char*>(capability.bus_info), busInfo.c_str(),
                     sizeof capability.bus_info - 1);
        capability.version = KERNEL_VERSION(6, 1, 0);
        capability.device_caps =
            (node == VideoNodeKind::kCapture ? V4L2_CAP_VIDEO_CAPTURE : V4L2_CAP_META_CAPTURE) |
            V4L2_CAP_STREAMING | V4L2_CAP_EXT_PIX_FORMAT;
        capability.capabilities = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_STREAMING |
                                  V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE |
                                  V4L2_CAP_EXT_PIX_FORMAT;
    }

    int ioctl(VideoNodeKind node, unsigned long request, void* argument) {
        // video_ioctl2 refuses every call once the device is unregistered.
        if (disconnected) {
            return ENODEV;
        }
        if (request == VIDIOC_QUERYCAP) {
            queryCapabilities(node, *static_cast<v4l2_capability*>(argument));
            return 0;
        }
        // The metadata node's ioctl ops (uvc_meta_ioctl_ops) have no controls.
        if (node == VideoNodeKind::kMetadata) {
            return ENOTTY;
        }
        switch (request) {
            case VIDIOC_QUERYCTRL:
                return queryControl(*static_cast<v4l2_queryctrl*>(argument));
            case VIDIOC_QUERY_EXT_CTRL:
                return queryExtendedControl(*static_cast<v4l2_query_ext_ctrl*>(argument));
            case VIDIOC_G_EXT_CTRLS:
                return getControls(*static_cast<v4l2_ext_controls*>(argument));
            case VIDIOC_S_EXT_CTRLS:
            case VIDIOC_TRY_EXT_CTRLS:
                return setControls(*static_cast<v4l2_ext_controls*>(argument), request);
            case VIDIOC_G_SELECTION:
                return getSelection(*static_cast<v4l2_selection*>(argument));
            case UVCIOC_CTRL_QUERY:
                return queryExtensionUnit(*static_cast<uvc_xu_control_query*>(argument));
            default:
                return ENOTTY;
        }
    }
};

UvcvideoDriverModel::UvcvideoDriverModel(sim::SimulatedCamera& camera, UvcvideoKernel kernel,
                                         std::string busInfo)
    : impl_(std::make_unique<Impl>(camera, kernel, std::move(busInfo))) {}

UvcvideoDriverModel::~UvcvideoDriverModel() = default;

int UvcvideoDriverModel::ioctl(VideoNodeKind node, unsigned long request, void* argument) {
    return impl_->ioctl(node, request, argument);
}

void UvcvideoDriverModel::open() {
    ++impl_->handles;
}

void UvcvideoDriverModel::release() {
    --impl_->handles;
}

int UvcvideoDriverModel::openHandles() const {
    return impl_->handles;
}

void UvcvideoDriverModel::disconnect() {
    impl_->disconnected = true;
}

}  // namespace ptz::testing
