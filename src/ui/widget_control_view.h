// Any widget as a control the panels' logic can show, hide, enable and disable.
#pragma once

#include <QPointer>
#include <QWidget>

#include "ui/logic/control_views.h"

namespace ptz {

class WidgetControlView final : public ControlView {
  public:
    explicit WidgetControlView(QWidget* widget = nullptr) : widget_(widget) {}
    void setWidget(QWidget* widget) { widget_ = widget; }

    void setEnabled(bool enabled) override {
        if (widget_) {
            widget_->setEnabled(enabled);
        }
    }
    void setHidden(bool hidden) override {
        if (widget_) {
            widget_->setHidden(hidden);
        }
    }

  private:
    QPointer<QWidget> widget_;
};

}  // namespace ptz
