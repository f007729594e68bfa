// What the simulated camera sees, in a window of its own: the room (room_scene.h) as the head
// points into it and zooms, blurred as far as focus is from the in-focus position, with the
// OSD menu and its cursor over it while the menu is open.
//
// It repaints when the camera reports a change and, while something moves, at a steady frame
// rate; while nothing moves no timer runs. Borrows the camera, which must outlive the view,
// and holds the camera's change callback while it lives. GUI thread only.
#pragma once

#include <QTimer>
#include <QWidget>

#include "simcam/simulated_camera.h"

namespace ptz {

class SimulatedCameraView final : public QWidget {
    Q_OBJECT

  public:
    explicit SimulatedCameraView(sim::SimulatedCamera& camera, QWidget* parent = nullptr);
    ~SimulatedCameraView() override;

    // Moves the window beside `window`: to its right, or to its left where the screen ends.
    void placeBeside(const QWidget& window);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    sim::SimulatedCamera& camera_;
    QTimer frameTimer_;
};

}  // namespace ptz
