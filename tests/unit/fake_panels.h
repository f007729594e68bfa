// The panels' logic over small fake views, and a fixture that loads both panels as the window
// does, with the simulated camera behind them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "discovery/st_dev_ref.h"
#include "fake_usb.h"
#include "log_capture.h"
#include "ui/logic/osd_panel_logic.h"
#include "ui/logic/ptz_panel_logic.h"

namespace ptz::testing {

// Every kind of view the panels drive, in one: each setter writes down what it was given. As a
// combo box's, its selection follows its row when an earlier row goes, and is lost with its own.
struct FakeControl final : ButtonView,
                           ComboTextView,
                           DeviceComboBox,
                           RadioMatrixView,
                           SpeedView,
                           PanelView,
                           StatusView {
    void setEnabled(bool on) override { enabled = on; }
    void setHidden(bool on) override { hidden = on; }
    void setImage(const std::string& name) override { image = name; }
    void setBordered(bool) override {}
    void setImageScaling(ImageScaling) override {}
    std::string stringValue() const override { return text; }
    void selectItemAtIndex(int index) override {
        selected = index;
        text = index < 0 ? text : items.at(static_cast<size_t>(index));
    }
    void setItems(const std::vector<std::string>& list) override { items = list; }
    int numberOfItems() const override { return static_cast<int>(items.size()); }
    void addItemWithObjectValue(const std::string& row) override { items.push_back(row); }
    void setStringValue(const std::string& value) override { text = value; }
    int indexOfSelectedItem() const override { return selected; }
    void removeItemAtIndex(int index) override {
        if (index >= 0 && index < numberOfItems()) {
            items.erase(items.begin() + index);
            selected = selected == index ? -1 : selected - (selected > index ? 1 : 0);
        }
    }
    void setCellTitle(int, const std::string&) override {}
    void selectCellAtColumn(int column) override { selected = column; }
    int selectedColumn() const override { return selected; }
    void setSpeedRange(SpeedRange shown) override { range = shown; }
    void setSpeed(uint8_t shown) override { speed = shown; }
    void setBackgroundColor(double, double, double, double) override {}
    void setPreferredContentSize(int, int) override {}
    void showCamera(const std::string& shown) override { camera = shown; }
    void showMessage(const std::string& shown) override { message = shown; }

    bool enabled = true, hidden = false;
    std::string image, text, camera, message;
    std::vector<std::string> items;
    int selected = -1, speed = -1;
    SpeedRange range{0, 0};
};

// Tabs 0 and 1 hold the OSD and PTZ panels.
struct FakeTabs final : TabContainer {
    FakeTabs() : items{std::make_shared<TabItem>(), std::make_shared<TabItem>()}, all(items) {}
    std::vector<std::shared_ptr<TabItem>> tabViewItems() const override { return items; }
    void insertTabViewItem(std::shared_ptr<TabItem> item, int index) override {
        items.insert(items.begin() + index, std::move(item));
    }
    void removeTabViewItem(const std::shared_ptr<TabItem>& item) override {
        std::erase(items, item);
    }
    std::shared_ptr<TabItem> selectedTabViewItem() const override { return selected; }
    void setPreferredContentSize(int, int) override {}
    TabContainer* holding(int tab) {
        return std::find(items.begin(), items.end(), all[tab]) != items.end() ? this : nullptr;
    }
    std::vector<std::shared_ptr<TabItem>> items;
    const std::vector<std::shared_ptr<TabItem>> all;
    std::shared_ptr<TabItem> selected;
};

struct MapSettings final : SettingsStore {
    std::optional<std::string> value(const std::string& key) const override {
        const auto found = values.find(key);
        return found == values.end() ? std::nullopt : std::optional(found->second);
    }
    void setValue(const std::string& key, const std::string& value) override {
        values[key] = value;
    }
    void remove(const std::string& key) override { values.erase(key); }
    std::vector<std::string> childKeys(const std::string& group) const override {
        std::vector<std::string> keys;
        for (const auto& [key, value] : values) {
            if (key.starts_with(group + "/") &&
                key.find('/', group.size() + 1) == std::string::npos) {
                keys.push_back(key.substr(group.size() + 1));
            }
        }
        return keys;
    }
    std::map<std::string, std::string> values;
};

class FakeOsdPanel final : public OsdPanelLogic {
  public:
    FakeOsdPanel(UsbRegistry& registry, CameraStatus& status, SettingsStore& settings,
                 FakeTabs& tabs)
        : OsdPanelLogic(registry, {}, status, settings), tabs_(tabs) {}
    ButtonView& leftButton() override { return keys["left"]; }
    ButtonView& rightButton() override { return keys["right"]; }
    ButtonView& upButton() override { return keys["up"]; }
    ButtonView& downButton() override { return keys["down"]; }
    ButtonView& okButton() override { return keys["ok"]; }
    ButtonView& openCloseBtn() override { return keys["menu"]; }
    ButtonView& backButton() override { return keys["back"]; }
    DeviceComboBox& cbxDevice() override { return rows; }
    TabContainer* parentViewController() override { return tabs_.holding(0); }

    std::map<std::string, FakeControl> keys;
    FakeControl rows;

  protected:
    PanelView& view() override { return view_; }

  private:
    FakeTabs& tabs_;
    FakeControl view_;
};

class FakePtzPanel final : public PtzPanelLogic {
  public:
    FakePtzPanel(CameraStatus& status, SettingsStore& settings, FakeTabs& tabs)
        : PtzPanelLogic(status, settings), tabs_(tabs) {}
    ButtonView& leftButton() override { return buttons["left"]; }
    ButtonView& rightButton() override { return buttons["right"]; }
    ButtonView& upButton() override { return buttons["up"]; }
    ButtonView& downButton() override { return buttons["down"]; }
    ButtonView& zoomReduce() override { return buttons["zoomReduce"]; }
    ButtonView& zoomPlus() override { return buttons["zoomPlus"]; }
    ButtonView& homeButton() override { return buttons["home"]; }
    ButtonView& focusReduce() override { return buttons["focusReduce"]; }
    ButtonView& focusPlus() override { return buttons["focusPlus"]; }
    ComboTextView& presetCbx() override { return presets; }
    ButtonView& autoFocusBtn() override { return buttons["autoFocus"]; }
    ControlView& presetStatic() override { return static_cast<ButtonView&>(presetLabel); }
    SpeedView& panTiltSpeedControl() override { return panTiltSpeed; }
    SpeedView& zoomFocusSpeedControl() override { return zoomFocusSpeed; }
    TabContainer* parentViewController() override { return tabs_.holding(1); }

    std::map<std::string, FakeControl> buttons;
    FakeControl presets;
    FakeControl presetLabel;
    FakeControl matrix;
    FakeControl panTiltSpeed, zoomFocusSpeed;
    // The user's answers to the dialogs, and what they were asked.
    bool confirms = true;
    std::optional<std::string> nameGiven;
    std::vector<std::string> asked;

  protected:
    PanelView& view() override { return view_; }
    RadioMatrixView& createRadioMatrix() override { return matrix; }
    RadioMatrixView& myMatrix() override { return matrix; }
    bool confirmPresetStore(const std::string& preset) override {
        asked.push_back("store " + preset);
        return confirms;
    }
    std::optional<std::string> askPresetName(int number, const std::string& name) override {
        asked.push_back("name " + std::to_string(number) + " " + name);
        return nameGiven;
    }

  private:
    FakeTabs& tabs_;
    FakeControl view_;
};

// The simulated camera's model: both tabs and every control.
constexpr CameraModel kPlainModel{0x2e7e, 0x0606};

// Both panels loaded, as the window loads them, over the simulated camera (pan speeds 1-24,
// tilt 1-20, zoom and focus 1-7).
class Panels : public ::testing::Test {
  protected:
    Panels() {
        osd.viewDidLoad();
        ptz.viewDidLoad();
    }
    ~Panels() override { arrDevList.reset(); }

    // The camera, bound anew to both panels as a camera of `model` (as when plugged in again).
    void bind(CameraModel model = kPlainModel) {
        usb.registry.add({.vendorId = static_cast<uint32_t>(model.vendorId),
                          .productId = static_cast<uint32_t>(model.productId)});
        osd.InitUvcContrl(model.productId, model.vendorId, 0);
        usb.sent();
    }
    // The requests that reached the camera since the last call.
    std::vector<std::string> sent() { return usb.sent(); }
    // The next requests fail so, as an unplugged, busy or silent camera's do.
    void failNext(int requests, UsbStatus status) {
        usb.script.requestResults.assign(requests, status);
    }
    void hold(HoldControl control) {
        ptz.pressHoldControl(control);
        ptz.releaseHoldControl(control);
    }

    LogCapture log;
    SimulatedUsb usb;
    FakeControl statusView;
    CameraStatus status{statusView};
    MapSettings settings;
    FakeTabs tabs;
    FakeOsdPanel osd{usb.registry, status, settings, tabs};
    FakePtzPanel ptz{status, settings, tabs};
};

}  // namespace ptz::testing
