#include "simview/simulated_camera_view.h"

#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "simcam/camera_controls.h"
#include "simview/room_scene.h"

namespace ptz {
namespace {

// 30 frames a second while the head moves.
constexpr int kFrameIntervalMs = 33;

// A 20x optical zoom from a 70° wide angle.
constexpr double kWidestFieldOfView = 70;
constexpr double kOpticalZoom = 20;

double horizontalFieldOfView(uint16_t zoom) {
    const double focalLength = 1 + (kOpticalZoom - 1) * zoom / sim::kZoomMaximum;
    const double halfWidth =
        std::tan(kWidestFieldOfView / 2 * std::numbers::pi / 180) / focalLength;
    return 2 * std::atan(halfWidth) * 180 / std::numbers::pi;
}

// How much smaller than the window the picture is drawn before it is scaled up: 1 is sharp.
// The blur grows with the distance from the in-focus position.
double blurFactor(const sim::CameraState& state) {
    constexpr int kSharpWithin = 4;
    constexpr double kFocusUnitsPerStep = 25;
    constexpr double kMostBlur = 24;
    const int distance = std::abs(int{state.focus} - int{state.inFocus});
    return distance < kSharpWithin ? 1 : std::min(kMostBlur, 1 + distance / kFocusUnitsPerStep);
}

void drawScene(QPainter& painter, const sim::CameraState& state, QSizeF size) {
    const double fieldOfView = horizontalFieldOfView(state.zoom);
    const double pan = static_cast<double>(state.pan) / sim::kArcSecondsPerDegree;
    const double tilt = static_cast<double>(state.tilt) / sim::kArcSecondsPerDegree;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size.width() / 2, size.height() / 2);
    const double pixelsPerDegree = size.width() / fieldOfView;
    painter.scale(pixelsPerDegree, pixelsPerDegree);
    painter.translate(-pan, tilt);
    // The room goes all round: near the seam behind the camera, draw it once more beyond.
    const double halfWidth = fieldOfView / 2;
    for (const double turn : {-360.0, 0.0, 360.0}) {
        if (pan - halfWidth < turn + 180 && pan + halfWidth > turn - 180) {
            painter.save();
            painter.translate(turn, 0);
            drawRoom(painter);
            painter.restore();
        }
    }
    painter.restore();
}

void drawMenu(QPainter& painter, const sim::OsdMenuView& menu, QSizeF size) {
    if (!menu.open) {
        return;
    }
    const double line = size.height() / 14;
    const double width = size.width() * 0.44;
    const double left = size.width() * 0.06;
    const double top = size.height() * 0.1;
    const double count = static_cast<double>(menu.lines.size());
    painter.fillRect(QRectF(left, top, width, line * (count + 1.3)), QColor(16, 24, 48, 190));
    painter.fillRect(QRectF(left, top, width, line), QColor(42, 92, 168, 230));

    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(std::max(1, static_cast<int>(line * 0.6)));
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRectF(left, top, width, line), Qt::AlignCenter,
                     QString::fromStdString(menu.title));
    for (size_t index = 0; index < menu.lines.size(); ++index) {
        const QRectF row(left, top + line * (1.15 + static_cast<double>(index)), width, line);
        const bool underCursor = static_cast<int>(index) == menu.cursor;
        if (underCursor) {
            painter.fillRect(row, QColor(240, 192, 48));
        }
        painter.setPen(underCursor ? Qt::black : Qt::white);
        painter.drawText(row.adjusted(line * 0.3, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         underCursor ? QStringLiteral("\u25b6") : QString());
        painter.drawText(row.adjusted(line * 1.1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(menu.lines[index]));
    }
}

}  // namespace

SimulatedCameraView::SimulatedCameraView(sim::SimulatedCamera& camera, QWidget* parent)
    : QWidget(parent, Qt::Window), camera_(camera) {
    setWindowTitle(QString::fromStdString(camera.spec().product));
    // Closing the panel ends the program, with this window still open.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
    frameTimer_.setInterval(kFrameIntervalMs);
    // The timer stops itself with the head, painted or not (a hidden window paints nothing);
    // the frame after shows where it stopped.
    connect(&frameTimer_, &QTimer::timeout, this, [this] {
        if (!camera_.state().moving) {
            frameTimer_.stop();
        }
        update();
    });
    camera_.setChangeCallback([this] {
        update();
        if (camera_.state().moving && !frameTimer_.isActive()) {
            frameTimer_.start();
        }
    });
}

SimulatedCameraView::~SimulatedCameraView() {
    camera_.setChangeCallback(nullptr);
}

void SimulatedCameraView::placeBeside(const QWidget& window) {
    constexpr int kGap = 12;
    const QRect panel = window.frameGeometry();
    QPoint place(panel.right() + 1 + kGap, panel.top());
    if (const QScreen* screen = window.screen();
        screen && place.x() + frameGeometry().width() > screen->availableGeometry().right()) {
        place.setX(std::max(screen->availableGeometry().left(),
                            panel.left() - kGap - frameGeometry().width()));
    }
    move(place);
}

QSize SimulatedCameraView::sizeHint() const {
    return {640, 360};
}

void SimulatedCameraView::paintEvent(QPaintEvent* /*event*/) {
    const sim::CameraState state = camera_.state();
    QPainter painter(this);
    const double blur = blurFactor(state);
    if (blur == 1) {
        drawScene(painter, state, size());
    } else {
        // Drawn smaller and scaled up smoothly: out of focus, and cheaper the more so.
        const QSize small = (QSizeF(size()) / blur).toSize().expandedTo(QSize(1, 1));
        QImage picture(small, QImage::Format_RGB32);
        QPainter smallPainter(&picture);
        drawScene(smallPainter, state, small);
        smallPainter.end();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture);
    }
    drawMenu(painter, state.menu, size());
}

}  // namespace ptz
