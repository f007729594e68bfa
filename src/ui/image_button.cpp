#include "ui/image_button.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

#include "ui/resource_image.h"

namespace ptz {
namespace {

// Room around the image for the pressed and hover shading.
constexpr int kImageMargin = 4;
constexpr int kDefaultImageSide = 48;

}  // namespace

ImageButton::ImageButton(QWidget* parent) : QPushButton(parent) {
    // Keys act by mouse; the panel takes the keyboard for them.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_Hover);
}

void ImageButton::setImage(const std::string& resourceName) {
    imageName_ = resourceName;
    // Read when first drawn: the hidden tab's images then cost nothing before the window shows,
    // and an image a model profile replaces before it is seen is never read at all.
    image_.reset();
    update();
}

const QIcon& ImageButton::image() const {
    if (!image_) {
        image_ = resourceIcon(QString::fromStdString(imageName_));
    }
    return *image_;
}

void ImageButton::setBordered(bool bordered) {
    setFlat(!bordered);
}

void ImageButton::setImageScaling(ImageScaling scaling) {
    imageScaling_ = scaling;
    update();
}

QSize ImageButton::sizeHint() const {
    return QSize(kDefaultImageSide + 2 * kImageMargin, kDefaultImageSide + 2 * kImageMargin);
}

void ImageButton::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    if (!isFlat()) {
        QStyleOptionButton option;
        initStyleOption(&option);
        option.icon = QIcon();
        option.text.clear();
        painter.drawControl(QStyle::CE_PushButton, option);
    }

    const QRect imageRect =
        rect().adjusted(kImageMargin, kImageMargin, -kImageMargin, -kImageMargin);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    QRect drawnRect = imageRect;
    if (imageScaling_ == ImageScaling::AxesIndependently) {
        const QPixmap pixmap = image().pixmap(imageRect.size(), devicePixelRatioF(), mode);
        painter.drawPixmap(imageRect, pixmap);
    } else {
        const QSize natural = image().actualSize(imageRect.size(), mode);
        drawnRect = QRect(QPoint(), natural);
        drawnRect.moveCenter(imageRect.center());
        image().paint(&painter, imageRect, Qt::AlignCenter, mode);
    }

    // Shading over the image's round face: lighter under the mouse, darker while held.
    QColor shade;
    if (isDown()) {
        shade = QColor(0, 0, 0, 80);
    } else if (isEnabled() && underMouse()) {
        shade = QColor(255, 255, 255, 40);
    }
    if (shade.isValid()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(shade);
        painter.drawEllipse(drawnRect);
    }
}

}  // namespace ptz
