#include "ui/panel_background.h"

#include <QColor>
#include <QPalette>

namespace ptz {

void setPanelBackground(QWidget& panel, double red, double green, double blue, double alpha) {
    const QColor background = QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green),
                                               static_cast<float>(blue), static_cast<float>(alpha));
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, background);
    // Labels and radio titles on the panel: dark on a light grey, light on a dark one.
    palette.setColor(QPalette::WindowText,
                     background.lightnessF() > 0.5 ? QColor(20, 20, 20) : QColor(245, 245, 245));
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
    panel.update();
}

}  // namespace ptz
