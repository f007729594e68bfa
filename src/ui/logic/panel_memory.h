// What the panels remember between runs: per camera model its chosen speeds and preset names,
// and the camera the user picked last. Kept in a store the platform provides.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace ptz {

// A persistent map of text keys to text values; a key's parts are separated by "/".
//
// Ownership: borrowed by the panels, which it must outlive. Threading: GUI thread only.
// Failures: none reported; a value that cannot be kept is simply missing next time.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::optional<std::string> value(const std::string& key) const = 0;
    virtual void setValue(const std::string& key, const std::string& value) = 0;
    virtual void remove(const std::string& key) = 0;
    // The last parts of the keys directly below `group`.
    virtual std::vector<std::string> childKeys(const std::string& group) const = 0;
};

struct CameraModel {
    int32_t vendorId = 0;
    int32_t productId = 0;
    bool known() const { return vendorId != 0 || productId != 0; }
};

enum class SpeedPair { PanTilt, ZoomFocus };

std::optional<uint8_t> rememberedSpeed(const SettingsStore& store, CameraModel model,
                                       SpeedPair pair);
void rememberSpeed(SettingsStore& store, CameraModel model, SpeedPair pair, uint8_t speed);

// Names by preset number. A name is one line of at most kMaxPresetNameLength characters.
inline constexpr size_t kMaxPresetNameLength = 40;
std::map<int, std::string> presetNames(const SettingsStore& store, CameraModel model);
// The name as kept: white space at the ends and control characters dropped, cut to length.
// An empty result removes the name.
std::string setPresetName(SettingsStore& store, CameraModel model, int number,
                          const std::string& name);

// The camera the user picked last, by its ids and where it is plugged in.
struct PreferredCamera {
    int32_t vendorId = 0;
    int32_t productId = 0;
    uint32_t locationId = 0;
};
std::optional<PreferredCamera> preferredCamera(const SettingsStore& store);
void setPreferredCamera(SettingsStore& store, PreferredCamera camera);

}  // namespace ptz
