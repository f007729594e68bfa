// The program's own images, read from its resources.
#pragma once

#include <QIcon>
#include <QImage>
#include <QString>

namespace ptz {

// The PNG image at `resourcePath` (e.g. ":/up.png"); a null image when there is none.
// Read as PNG straight away: asked to detect the format, Qt would first load every image
// plugin installed (GIF, ICO, JPEG, ...) to ask each whether it reads PNG, several
// milliseconds before the window can show, for images that are all ours and all PNG.
QImage readResourcePng(const QString& resourcePath);

// The icon for the image named `resourceName` (e.g. "up.png"), with its "@2x" drawing too when
// a screen has more than one device pixel per point, as QIcon's own file loading does. Null
// when the resources have no such image.
QIcon resourceIcon(const QString& resourceName);

}  // namespace ptz
