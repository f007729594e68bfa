#include "ui/logic/panel_memory.h"

#include <charconv>
#include <cstdio>

#include "camera/preset_number.h"

namespace ptz {
namespace {

std::string modelGroup(CameraModel model) {
    char group[32];
    std::snprintf(group, sizeof group, "cameras/%04x-%04x", static_cast<unsigned>(model.vendorId),
                  static_cast<unsigned>(model.productId));
    return group;
}

std::string speedKey(CameraModel model, SpeedPair pair) {
    return modelGroup(model) + (pair == SpeedPair::PanTilt ? "/panTiltSpeed" : "/zoomFocusSpeed");
}

// A whole decimal number in [0, maximum], or nothing: the file may have been edited by hand.
std::optional<uint32_t> number(const std::optional<std::string>& text, uint32_t maximum) {
    uint32_t value = 0;
    if (!text || text->empty()) {
        return std::nullopt;
    }
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (error != std::errc() || stop != end || value > maximum) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<uint8_t> rememberedSpeed(const SettingsStore& store, CameraModel model,
                                       SpeedPair pair) {
    const std::optional<uint32_t> speed = number(store.value(speedKey(model, pair)), 255);
    return speed ? std::optional<uint8_t>(static_cast<uint8_t>(*speed)) : std::nullopt;
}

void rememberSpeed(SettingsStore& store, CameraModel model, SpeedPair pair, uint8_t speed) {
    store.setValue(speedKey(model, pair), std::to_string(speed));
}

std::map<int, std::string> presetNames(const SettingsStore& store, CameraModel model) {
    std::map<int, std::string> names;
    const std::string group = modelGroup(model) + "/presetNames";
    for (const std::string& key : store.childKeys(group)) {
        const std::optional<uint32_t> preset = number(key, kHighestPreset);
        const std::optional<std::string> name = store.value(group + "/" + key);
        if (preset && name && !name->empty()) {
            names[static_cast<int>(*preset)] = *name;
        }
    }
    return names;
}

std::string setPresetName(SettingsStore& store, CameraModel model, int number,
                          const std::string& name) {
    std::string kept;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
            kept.push_back(c);
        }
    }
    const size_t first = kept.find_first_not_of(' ');
    kept = first == std::string::npos ? ""
                                      : kept.substr(first, kept.find_last_not_of(' ') + 1 - first);
    // Cut by characters, not bytes, so that no UTF-8 sequence is split.
    size_t characters = 0;
    for (size_t i = 0; i < kept.size(); ++i) {
        if ((static_cast<unsigned char>(kept[i]) & 0xC0) != 0x80 &&
            ++characters > kMaxPresetNameLength) {
            kept.resize(i);
            break;
        }
    }
    const std::string key = modelGroup(model) + "/presetNames/" + std::to_string(number);
    if (kept.empty()) {
        store.remove(key);
    } else {
        store.setValue(key, kept);
    }
    return kept;
}

std::optional<PreferredCamera> preferredCamera(const SettingsStore& store) {
    const std::optional<uint32_t> vendorId =
        number(store.value("preferredCamera/vendorId"), 0xFFFF);
    const std::optional<uint32_t> productId =
        number(store.value("preferredCamera/productId"), 0xFFFF);
    const std::optional<uint32_t> locationId =
        number(store.value("preferredCamera/locationId"), UINT32_MAX);
    if (!vendorId || !productId || !locationId) {
        return std::nullopt;
    }
    return PreferredCamera{static_cast<int32_t>(*vendorId), static_cast<int32_t>(*productId),
                           *locationId};
}

void setPreferredCamera(SettingsStore& store, PreferredCamera camera) {
    store.setValue("preferredCamera/vendorId", std::to_string(camera.vendorId));
    store.setValue("preferredCamera/productId", std::to_string(camera.productId));
    store.setValue("preferredCamera/locationId", std::to_string(camera.locationId));
}

}  // namespace ptz
