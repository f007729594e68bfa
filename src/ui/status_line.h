// The line under the tabs: the bound camera, which is also where another camera is picked
// (in every arrangement, also when the OSD tab and its camera box are withheld), and the last
// failure in plain words. Room is kept for a two-line message, so the panels never move.
#pragma once

#include <QLabel>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

#include "ui/logic/camera_status.h"

namespace ptz {

class StatusLine final : public QWidget, public StatusView {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent = nullptr);

    // StatusView.
    void showCamera(const std::string& description) override;
    void showMessage(const std::string& message) override;

    // Listed cameras to pick from; filled by whoever owns the list, when about to show.
    QMenu* cameraMenu() const { return cameraMenu_; }
    // A control at the line's right end.
    void addControl(QWidget* control);

  private:
    QToolButton* cameraButton_;
    QMenu* cameraMenu_;
    QLabel* message_;
};

}  // namespace ptz
