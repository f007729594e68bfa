// The camera's on-screen menu, driven by the seven keys of extension unit 19.
//
// Open/close shows or hides it; up and down move the cursor (wrapping round), left and right
// change the value under the cursor, OK enters a sub-level or carries out an action item, back
// leaves a sub-level or, at the top, closes the menu. While the menu is hidden the other keys
// do nothing. Values are settings of the camera: they persist while the menu is hidden, and
// the menu opens again at its top level.
#pragma once

#include <string>
#include <vector>

#include "simcam/simulated_camera.h"

namespace ptz::sim {

enum class OsdKey { kUp = 1, kDown, kLeft, kRight, kOk, kBack, kOpenClose };

class OsdMenu {
  public:
    OsdMenu();

    void press(OsdKey key);
    OsdMenuView view() const;

  private:
    struct Item {
        std::string name;
        // The values it can take, in the order left/right step through them; empty for a
        // sub-level or an action.
        std::vector<std::string> choices;
        size_t value = 0;
        // Index into levels_ of the sub-level it opens, or kNoLevel.
        size_t subLevel;
    };
    struct Level {
        std::string title;
        std::vector<Item> items;
    };
    // An open level and where its cursor is.
    struct Place {
        size_t level;
        size_t cursor;
    };

    static constexpr size_t kNoLevel = static_cast<size_t>(-1);

    Item& itemUnderCursor();

    std::vector<Level> levels_;
    // Empty while the menu is hidden; the top level first.
    std::vector<Place> path_;
};

}  // namespace ptz::sim
