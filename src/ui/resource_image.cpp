#include "ui/resource_image.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPixmap>

// The images live in a static library, whose resource registration the linker would drop.
static void registerImages() {
    Q_INIT_RESOURCE(images);
}

namespace ptz {
namespace {

// "up.png" -> "up@2x.png".
QString highDensityName(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name + QStringLiteral("@2x")
                   : name.left(dot) + QStringLiteral("@2x") + name.mid(dot);
}

}  // namespace

QImage readResourcePng(const QString& resourcePath) {
    static const bool imagesRegistered = (registerImages(), true);
    (void)imagesRegistered;
    QImageReader reader(resourcePath, "png");
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

QIcon resourceIcon(const QString& resourceName) {
    QIcon icon;
    const QImage image = readResourcePng(QStringLiteral(":/") + resourceName);
    if (image.isNull()) {
        return icon;
    }
    icon.addPixmap(QPixmap::fromImage(image));
    if (qGuiApp->devicePixelRatio() > 1.0) {
        const QImage sharp = readResourcePng(QStringLiteral(":/") + highDensityName(resourceName));
        if (!sharp.isNull()) {
            icon.addPixmap(QPixmap::fromImage(sharp));
        }
    }
    return icon;
}

}  // namespace ptz
