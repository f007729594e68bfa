// The panels' logic without any toolkit: the order of their load steps, seen through
// recording views.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "fake_usb.h"
#include "ui/logic/model_profiles.h"
#include "ui/logic/osd_panel_logic.h"
#include "ui/logic/ptz_panel_logic.h"

namespace ptz {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

using Journal = std::vector<std::string>;

class RecordingButton : public ButtonView {
  public:
    RecordingButton(Journal& journal, std::string name) : journal_(journal), name_(name) {}
    void setImage(const std::string& resourceName) override {
        journal_.push_back(name_ + " image " + resourceName);
    }
    void setBordered(bool bordered) override {
        journal_.push_back(name_ + (bordered ? " bordered" : " borderless"));
    }
    void setImageScaling(ImageScaling scaling) override {
        journal_.push_back(name_ +
                           (scaling == ImageScaling::AxesIndependently ? " stretched" : " fitted"));
    }
    void setEnabled(bool enabled) override {
        journal_.push_back(name_ + (enabled ? " enabled" : " disabled"));
    }
    void setHidden(bool hidden) override {
        journal_.push_back(name_ + (hidden ? " hidden" : " shown"));
    }

  private:
    Journal& journal_;
    std::string name_;
};

class RecordingPanelView : public PanelView {
  public:
    explicit RecordingPanelView(Journal& journal) : journal_(journal) {}
    void setBackgroundColor(double red, double green, double blue, double alpha) override {
        journal_.push_back("background " + std::to_string(red) + " " + std::to_string(green) + " " +
                           std::to_string(blue) + " " + std::to_string(alpha));
    }
    void setPreferredContentSize(int width, int height) override {
        journal_.push_back("panel size " + std::to_string(width) + "x" + std::to_string(height));
    }

  private:
    Journal& journal_;
};

class RecordingMatrix : public RadioMatrixView {
  public:
    explicit RecordingMatrix(Journal& journal) : journal_(journal) {}
    void setCellTitle(int column, const std::string& title) override {
        journal_.push_back("matrix cell " + std::to_string(column) + " " + title);
    }
    void selectCellAtColumn(int column) override {
        selected_ = column;
        journal_.push_back("matrix select " + std::to_string(column));
    }
    int selectedColumn() const override { return selected_; }
    void setEnabled(bool) override {}
    void setHidden(bool) override {}

  private:
    Journal& journal_;
    int selected_ = -1;
};

class RecordingCombo : public ComboTextView {
  public:
    explicit RecordingCombo(Journal& journal) : journal_(journal) {}
    std::string stringValue() const override { return "0"; }
    void selectItemAtIndex(int index) override {
        journal_.push_back("preset select " + std::to_string(index));
    }
    void setEnabled(bool) override {}
    void setHidden(bool) override {}

  private:
    Journal& journal_;
};

class NullControl : public ControlView {
  public:
    void setEnabled(bool) override {}
    void setHidden(bool) override {}
};

class RecordingPtzPanel : public PtzPanelLogic {
  public:
    explicit RecordingPtzPanel(Journal& journal) : journal_(journal) {}

    ButtonView& leftButton() override { return left_; }
    ButtonView& rightButton() override { return right_; }
    ButtonView& upButton() override { return up_; }
    ButtonView& downButton() override { return down_; }
    ButtonView& zoomReduce() override { return zoomReduce_; }
    ButtonView& zoomPlus() override { return zoomPlus_; }
    ButtonView& homeButton() override { return home_; }
    ButtonView& focusReduce() override { return focusReduce_; }
    ButtonView& focusPlus() override { return focusPlus_; }
    ComboTextView& presetCbx() override { return preset_; }
    ButtonView& autoFocusBtn() override { return autoFocus_; }
    ControlView& presetStatic() override { return label_; }
    TabContainer* parentViewController() override { return nullptr; }

  protected:
    PanelView& view() override { return view_; }
    RadioMatrixView& createRadioMatrix() override {
        journal_.push_back("matrix created");
        return matrix_;
    }
    RadioMatrixView& myMatrix() override { return matrix_; }

  private:
    Journal& journal_;
    RecordingButton left_{journal_, "left"}, right_{journal_, "right"}, up_{journal_, "up"},
        down_{journal_, "down"}, zoomReduce_{journal_, "zoom-"}, zoomPlus_{journal_, "zoom+"},
        home_{journal_, "home"}, focusReduce_{journal_, "focus-"}, focusPlus_{journal_, "focus+"},
        autoFocus_{journal_, "autofocus"};
    RecordingCombo preset_{journal_};
    RecordingMatrix matrix_{journal_};
    NullControl label_;
    RecordingPanelView view_{journal_};
};

class RecordingOsdPanel : public OsdPanelLogic {
  public:
    RecordingOsdPanel(Journal& journal, UsbRegistry& registry, DeviceWatcherSetUp setUp)
        : OsdPanelLogic(registry, std::move(setUp)), journal_(journal) {}

    ButtonView& leftButton() override { return left_; }
    ButtonView& rightButton() override { return right_; }
    ButtonView& upButton() override { return up_; }
    ButtonView& downButton() override { return down_; }
    ButtonView& okButton() override { return ok_; }
    ButtonView& openCloseBtn() override { return menu_; }
    ButtonView& backButton() override { return back_; }
    DeviceComboBox& cbxDevice() override { std::abort(); }
    TabContainer* parentViewController() override { return nullptr; }

  protected:
    PanelView& view() override { return view_; }

  private:
    Journal& journal_;
    RecordingButton left_{journal_, "left"}, right_{journal_, "right"}, up_{journal_, "up"},
        down_{journal_, "down"}, ok_{journal_, "ok"}, menu_{journal_, "menu"},
        back_{journal_, "back"};
    RecordingPanelView view_{journal_};
};

TEST(PanelLogic, PtzLoadDressesInOrderAndRegistersLast) {
    Journal journal;
    RecordingPtzPanel panel(journal);
    panel.viewDidLoad();
    EXPECT_EQ(g_kView2, &panel);
    EXPECT_THAT(journal,
                ElementsAreArray<std::string>({"background 0.400000 0.400000 0.400000 1.000000",
                                               "left image left2.png",
                                               "right image right2.png",
                                               "up image up2.png",
                                               "down image down2.png",
                                               "home image home.png",
                                               "focus- image focus-.png",
                                               "focus+ image focus+.png",
                                               "zoom- image zoom-.png",
                                               "zoom+ image zoom+.png",
                                               "autofocus image autofocus.png",
                                               "left stretched",
                                               "left borderless",
                                               "right borderless",
                                               "up borderless",
                                               "down borderless",
                                               "home borderless",
                                               "focus- borderless",
                                               "focus+ borderless",
                                               "zoom- borderless",
                                               "zoom+ borderless",
                                               "autofocus borderless",
                                               "preset select 0",
                                               "matrix created",
                                               "matrix cell 0 Set",
                                               "matrix cell 1 Call",
                                               "matrix select 1"}));
}

TEST(PanelLogic, PtzEnableCtrlGoesToTheTenButtonsInOrder) {
    Journal journal;
    RecordingPtzPanel panel(journal);
    panel.EnableCtrl(false);
    EXPECT_THAT(journal,
                ElementsAre("home disabled", "up disabled", "down disabled", "left disabled",
                            "right disabled", "zoom+ disabled", "zoom- disabled", "focus+ disabled",
                            "focus- disabled", "autofocus disabled"));
}

TEST(PanelLogic, OsdLoadSetsUpTheWatcherBetweenTheListAndTheRegistration) {
    testing::FakeBus bus;
    testing::FakeUsbRegistry registry(bus);
    Journal journal;
    RecordingOsdPanel* self = nullptr;
    RecordingOsdPanel panel(journal, registry, [&](DeviceListPanel& handed) {
        journal.push_back(std::string("watcher: list ") + (arrDevList ? "exists" : "missing") +
                          ", panel " + (global_mainview ? "registered" : "not registered") +
                          (&handed == self ? ", this panel" : ", another panel"));
    });
    self = &panel;
    panel.viewDidLoad();
    EXPECT_EQ(global_mainview, &panel);
    EXPECT_THAT(
        journal,
        ElementsAreArray<std::string>(
            {"watcher: list exists, panel not registered, this panel",
             "background 0.600000 0.600000 0.600000 1.000000", "left image left.png",
             "right image right.png", "up image up.png", "down image down.png",
             "ok image enter.png", "back image osdback.png", "menu image osd.png", "left stretched",
             "left borderless", "right borderless", "up borderless", "down borderless",
             "ok borderless", "back borderless", "menu borderless", "panel size 518x506"}));
}

TEST(PanelLogic, OsdEnableCtrlGoesToTheSevenKeysInOrder) {
    testing::FakeBus bus;
    testing::FakeUsbRegistry registry(bus);
    Journal journal;
    RecordingOsdPanel panel(journal, registry, {});
    panel.EnableCtrl(true);
    EXPECT_THAT(journal, ElementsAre("menu enabled", "up enabled", "down enabled", "left enabled",
                                     "right enabled", "ok enabled", "back enabled"));
}

}  // namespace
}  // namespace ptz
