// The panels' root view dressing: an opaque background and a preferred size.
#pragma once

#include <QSize>
#include <QWidget>

namespace ptz {

// Fills `panel` with the colour and picks a text colour that reads on it.
void setPanelBackground(QWidget& panel, double red, double green, double blue, double alpha);

}  // namespace ptz
