#include "ui/panel_widget.h"

#include <QColor>
#include <QPalette>

namespace ptz {

void PanelWidget::setBackgroundColor(double red, double green, double blue, double alpha) {
    const QColor background = QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
                                               static_cast<float>(blue), static_cast<float>(alpha));
    QPalette colours = palette();
    colours.setColor(QPalette::Window, background);
    // Labels and radio titles on the panel: dark on a light grey, light on a dark one.
    colours.setColor(QPalette::WindowText,
                     background.lightnessF() > 0.5 ? QColor(20, 20, 20) : QColor(245, 245, 245));
    setPalette(colours);
    setAutoFillBackground(true);
    update();
}

void PanelWidget::setPreferredContentSize(int width, int height) {
    preferredContentSize_ = QSize(width, height);
    updateGeometry();
}

QSize PanelWidget::sizeHint() const {
    return preferredContentSize_.isValid() ? preferredContentSize_ : QWidget::sizeHint();
}

}  // namespace ptz
