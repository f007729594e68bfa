// A panel's root view: the widget that the panel's logic dresses through PanelView, with an
// opaque background and a preferred size that becomes its size hint.
#pragma once

#include <QSize>
#include <QWidget>

#include "ui/logic/control_views.h"

namespace ptz {

class PanelWidget : public QWidget, public PanelView {
  public:
    explicit PanelWidget(QWidget* parent = nullptr) : QWidget(parent) {}

    // Fills the panel with the colour and picks a text colour that reads on it.
    void setBackgroundColor(double red, double green, double blue, double alpha) override;
    void setPreferredContentSize(int width, int height) override;

    QSize sizeHint() const override;

  private:
    QSize preferredContentSize_;
};

}  // namespace ptz
