#include "simcam/osd_menu.h"

#include <algorithm>

namespace ptz::sim {
namespace {

// The width a line gives an item's name before its value.
constexpr size_t kNameColumn = 14;

std::vector<std::string> numbers(int first, int last, bool withSign) {
    std::vector<std::string> choices;
    for (int value = first; value <= last; ++value) {
        choices.push_back((withSign && value > 0 ? "+" : "") + std::to_string(value));
    }
    return choices;
}

size_t indexOf(const std::vector<std::string>& choices, const std::string& choice) {
    return static_cast<size_t>(std::find(choices.begin(), choices.end(), choice) - choices.begin());
}

}  // namespace

OsdMenu::OsdMenu() {
    const auto setting = [](std::string name, std::vector<std::string> choices,
                            const std::string& initial) {
        const size_t value = indexOf(choices, initial);
        return Item{std::move(name), std::move(choices), value, kNoLevel};
    };
    const std::vector<std::string> offOn = {"Off", "On"};
    levels_ = {
        {"Setup",
         {Item{"Exposure", {}, 0, 1}, Item{"White Balance", {}, 0, 2},
          setting("Brightness", numbers(0, 14, false), "7"),
          setting("Sharpness", numbers(0, 15, false), "8"), setting("Picture Flip", offOn, "Off"),
          setting("Mirror", offOn, "Off"), Item{"Exit", {}, 0, kNoLevel}}},
        {"Exposure",
         {setting("Mode", {"Auto", "Manual", "Shutter Pri", "Iris Pri"}, "Auto"),
          setting("Compensation", numbers(-3, 3, true), "0"), setting("Backlight", offOn, "Off")}},
        {"White Balance",
         {setting("Mode", {"Auto", "Indoor", "Outdoor", "One Push", "Manual"}, "Auto"),
          setting("Red Gain", numbers(0, 20, false), "10"),
          setting("Blue Gain", numbers(0, 20, false), "10")}},
    };
}

OsdMenu::Item& OsdMenu::itemUnderCursor() {
    const Place& place = path_.back();
    return levels_[place.level].items[place.cursor];
}

void OsdMenu::press(OsdKey key) {
    if (key == OsdKey::kOpenClose) {
        if (path_.empty()) {
            path_.push_back({0, 0});
        } else {
            path_.clear();
        }
        return;
    }
    if (path_.empty()) {
        return;
    }
    Place& place = path_.back();
    const size_t count = levels_[place.level].items.size();
    Item& item = itemUnderCursor();
    switch (key) {
        case OsdKey::kUp:
            place.cursor = (place.cursor + count - 1) % count;
            break;
        case OsdKey::kDown:
            place.cursor = (place.cursor + 1) % count;
            break;
        case OsdKey::kLeft:
            if (item.value > 0) {
                --item.value;
            }
            break;
        case OsdKey::kRight:
            if (item.value + 1 < item.choices.size()) {
                ++item.value;
            }
            break;
        case OsdKey::kOk:
            // Settings take effect as they change; OK acts only on sub-levels and "Exit".
            if (item.subLevel != kNoLevel) {
                path_.push_back({item.subLevel, 0});
            } else if (item.choices.empty()) {
                path_.clear();
            }
            break;
        case OsdKey::kBack:
            path_.pop_back();
            break;
        case OsdKey::kOpenClose:
            break;
    }
}

OsdMenuView OsdMenu::view() const {
    OsdMenuView view;
    if (path_.empty()) {
        return view;
    }
    const Place& place = path_.back();
    const Level& level = levels_[place.level];
    view.open = true;
    view.title = level.title;
    view.cursor = static_cast<int>(place.cursor);
    for (const Item& item : level.items) {
        std::string value;
        if (item.subLevel != kNoLevel) {
            value = ">";
        } else if (!item.choices.empty()) {
            value = item.choices[item.value];
        }
        std::string line = item.name;
        if (!value.empty()) {
            line.resize(std::max(kNameColumn, line.size() + 1), ' ');
            line += value;
        }
        view.lines.push_back(line);
    }
    return view;
}

}  // namespace ptz::sim
