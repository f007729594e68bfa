// What the panels' logic needs of the controls it drives: small views that the Qt widgets
// implement and that tests fake.
//
// Ownership: a view is owned by the panel that returns it and lives as long as the panel.
// Threading: GUI thread only. No call fails.
#pragma once

#include <string>
#include <vector>

#include "camera/speed_ranges.h"

namespace ptz {

// How a key's image fills the key.
enum class ImageScaling {
    ProportionallyDown,  // keeps its aspect ratio and never grows: the keys' default
    AxesIndependently,   // stretched to the key in both directions
};

// A control that can be shown, hidden, enabled and disabled.
class ControlView {
  public:
    virtual ~ControlView() = default;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setHidden(bool hidden) = 0;
};

// A key that shows an image from the application's resources.
class ButtonView : public ControlView {
  public:
    // The image resource of that name, e.g. "left.png".
    virtual void setImage(const std::string& resourceName) = 0;
    virtual void setBordered(bool bordered) = 0;
    virtual void setImageScaling(ImageScaling scaling) = 0;
};

// An editable combo box whose text is read as a number.
class ComboTextView : public ControlView {
  public:
    virtual std::string stringValue() const = 0;
    virtual void selectItemAtIndex(int index) = 0;
    // Replaces the items; none is selected until selectItemAtIndex.
    virtual void setItems(const std::vector<std::string>& items) = 0;
};

// A speed the user chooses within a range.
class SpeedView {
  public:
    virtual ~SpeedView() = default;
    virtual void setSpeedRange(SpeedRange range) = 0;
    virtual void setSpeed(uint8_t speed) = 0;
};

// One row of cells of which at most one is selected.
class RadioMatrixView : public ControlView {
  public:
    virtual void setCellTitle(int column, const std::string& title) = 0;
    virtual void selectCellAtColumn(int column) = 0;
    // 0 or 1, or -1 when no cell is selected.
    virtual int selectedColumn() const = 0;
};

// A panel's root view.
class PanelView {
  public:
    virtual ~PanelView() = default;
    // Opaque background, each component on a 0.0 to 1.0 scale.
    virtual void setBackgroundColor(double red, double green, double blue, double alpha) = 0;
    virtual void setPreferredContentSize(int width, int height) = 0;
};

}  // namespace ptz
