#include "simview/room_scene.h"

#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

namespace ptz {
namespace {

// Where the walls meet the ceiling and the floor (y is the elevation downward).
constexpr double kCeilingLine = -32;
constexpr double kFloorLine = 18;
// Far enough up and down for any tilt and field of view.
constexpr double kTop = -140;
constexpr double kBottom = 90;
// The surfaces reach this far past the seam behind the camera, so that the room drawn again
// beyond it overlaps instead of leaving an antialiased line.
constexpr double kLeft = -181;
constexpr double kAround = 362;

// Text fitted to the height of `box`, whatever the scale it is drawn at.
void drawText(QPainter& painter, const QRectF& box, const QString& text, const QColor& color,
              int flags = Qt::AlignCenter, bool bold = false) {
    constexpr double kUnits = 100;
    painter.save();
    painter.translate(box.topLeft());
    const double scale = box.height() / kUnits;
    painter.scale(scale, scale);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(static_cast<int>(kUnits * 0.8));
    font.setBold(bold);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(0, 0, box.width() / scale, kUnits), flags, text);
    painter.restore();
}

// Everything drawn while it lives is scaled by `scale` about `fixed`, which stays in place:
// objects are drawn at a convenient size and shrunk to their size in the room.
class ScaledAbout {
  public:
    ScaledAbout(QPainter& painter, QPointF fixed, double scale) : painter_(painter) {
        painter.save();
        painter.translate(fixed);
        painter.scale(scale, scale);
        painter.translate(-fixed);
    }
    ~ScaledAbout() { painter_.restore(); }
    ScaledAbout(const ScaledAbout&) = delete;
    ScaledAbout& operator=(const ScaledAbout&) = delete;

  private:
    QPainter& painter_;
};

void frame(QPainter& painter, const QRectF& box, const QColor& color, double width) {
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
}

void drawShell(QPainter& painter) {
    painter.fillRect(QRectF(kLeft, kTop, kAround, kCeilingLine - kTop), QColor(0xee, 0xee, 0xe8));
    // The walls, left to right from behind the camera: back, left, front, right, back.
    const std::array<std::pair<double, QColor>, 5> walls = {{
        {kLeft, QColor(0xc4, 0xd8, 0xbc)},
        {-135, QColor(0xe2, 0xd0, 0xbe)},
        {-45, QColor(0xc8, 0xd3, 0xde)},
        {45, QColor(0xe6, 0xd8, 0xb8)},
        {135, QColor(0xc4, 0xd8, 0xbc)},
    }};
    for (size_t i = 0; i < walls.size(); ++i) {
        const double end = i + 1 < walls.size() ? walls[i + 1].first : kLeft + kAround;
        painter.fillRect(
            QRectF(walls[i].first, kCeilingLine, end - walls[i].first, kFloorLine - kCeilingLine),
            walls[i].second);
    }
    // Skirting, cornice and corners.
    painter.fillRect(QRectF(kLeft, kFloorLine - 1.5, kAround, 1.5), QColor(0xf4, 0xf4, 0xf0));
    painter.fillRect(QRectF(kLeft, kCeilingLine, kAround, 0.8), QColor(0xd8, 0xd8, 0xd0));
    painter.setPen(QPen(QColor(0, 0, 0, 50), 0.4));
    for (const double corner : {-135.0, -45.0, 45.0, 135.0}) {
        painter.drawLine(QPointF(corner, kCeilingLine), QPointF(corner, kFloorLine));
    }

    // A wooden floor: boards narrow toward the walls.
    painter.fillRect(QRectF(kLeft, kFloorLine, kAround, kBottom - kFloorLine),
                     QColor(0x9a, 0x74, 0x4e));
    painter.setPen(QPen(QColor(0x6e, 0x4e, 0x30), 0.25));
    double row = kFloorLine;
    for (double depth = 3; row < kBottom; depth *= 1.35) {
        painter.drawLine(QPointF(-180, row), QPointF(180, row));
        const double stagger = std::fmod(row * 7, 12);
        for (double x = -180 + stagger; x < 180; x += 12) {
            painter.drawLine(QPointF(x, row), QPointF(x, row + depth));
        }
        row += depth;
    }
    // A rug in front of the desk.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x8c, 0x2f, 0x39));
    painter.drawEllipse(QRectF(-24, 24, 48, 18));
    painter.setBrush(QColor(0xc9, 0x9a, 0x4a));
    painter.drawEllipse(QRectF(-16, 27.5, 32, 11));

    // Ceiling lights.
    for (const double x : {-90.0, 0.0, 90.0, 180.0, -180.0}) {
        painter.setBrush(QColor(0xff, 0xfb, 0xe0));
        painter.setPen(QPen(QColor(0xb0, 0xb0, 0xa8), 0.3));
        painter.drawRoundedRect(QRectF(x - 8, -62, 16, 5), 1, 1);
    }
}

void drawSiemensStar(QPainter& painter, const QPointF& centre, double radius) {
    constexpr int kSpokes = 36;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (int spoke = 0; spoke < kSpokes; spoke += 2) {
        QPainterPath wedge(centre);
        const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        wedge.arcTo(circle, spoke * 360.0 / kSpokes, 360.0 / kSpokes);
        wedge.closeSubpath();
        painter.drawPath(wedge);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 0.15));
    painter.drawEllipse(centre, radius, radius);
}

// Straight ahead: a chart with something at every scale the zoom reaches.
void drawTestChart(QPainter& painter) {
    // The desk under it.
    std::optional<ScaledAbout> scaled(std::in_place, painter, QPointF(0, kFloorLine), 0.55);
    painter.fillRect(QRectF(-26, 9.5, 52, 1.8), QColor(0x6b, 0x45, 0x28));
    painter.fillRect(QRectF(-24, 11.3, 1.5, 9), QColor(0x55, 0x36, 0x1f));
    painter.fillRect(QRectF(22.5, 11.3, 1.5, 9), QColor(0x55, 0x36, 0x1f));
    painter.fillRect(QRectF(-12, 7.5, 7, 2), QColor(0x30, 0x30, 0x34));    // a keyboard
    painter.fillRect(QRectF(8, 6.2, 2.2, 3.3), QColor(0xe0, 0x6a, 0x2a));  // a mug

    scaled.emplace(painter, QPointF(0, 0), 0.45);
    const QRectF board(-22, -24, 44, 30);
    painter.fillRect(board.adjusted(-0.8, -0.8, 0.8, 0.8), QColor(0x30, 0x30, 0x30));
    painter.fillRect(board, Qt::white);
    drawText(painter, QRectF(-20, -23.2, 40, 2.6), QStringLiteral("PTZ TEST CHART"), Qt::black,
             Qt::AlignCenter, true);

    const std::array<QColor, 8> bars = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                                        Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    for (size_t i = 0; i < bars.size(); ++i) {
        painter.fillRect(QRectF(-20 + 5.0 * static_cast<double>(i), -20, 5, 5), bars[i]);
    }
    frame(painter, QRectF(-20, -20, 40, 5), Qt::black, 0.1);
    for (int step = 0; step < 10; ++step) {
        const int grey = 255 - step * 255 / 9;
        painter.fillRect(QRectF(-20 + 4.0 * step, -14.5, 4, 2), QColor(grey, grey, grey));
    }

    drawSiemensStar(painter, QPointF(-11, -3.5), 7.5);

    // Line pairs, ever closer.
    painter.setPen(Qt::NoPen);
    double x = 0;
    for (const double pitch : {1.0, 0.6, 0.35, 0.2, 0.12}) {
        for (int line = 0; line < 4; ++line) {
            painter.fillRect(QRectF(x, -11.5, pitch / 2, 4.5), Qt::black);
            x += pitch;
        }
        x += 0.8;
    }
    // Print for the telephoto end.
    double y = -6;
    for (const double height : {0.75, 0.5, 0.33, 0.22, 0.15, 0.1, 0.065}) {
        drawText(painter, QRectF(0.5, y, 19.5, height),
                 QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789"),
                 Qt::black, Qt::AlignLeft | Qt::AlignVCenter);
        y += height * 1.3;
    }
    // The aiming mark at the centre of home.
    painter.setPen(QPen(QColor(0xd0, 0x20, 0x20), 0.06));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(0, 0), 0.45, 0.45);
    painter.drawLine(QPointF(-0.8, 0), QPointF(0.8, 0));
    painter.drawLine(QPointF(0, -0.8), QPointF(0, 0.8));
}

// Either side of the chart: a calendar and a picture of coloured blocks.
void drawFrontWall(QPainter& painter) {
    std::optional<ScaledAbout> scaled(std::in_place, painter, QPointF(-27, -6), 0.5);
    const QRectF calendar(-33, -15, 12, 16);
    painter.fillRect(calendar, Qt::white);
    painter.fillRect(QRectF(calendar.left(), calendar.top(), calendar.width(), 3.5),
                     QColor(0xc6, 0x28, 0x28));
    drawText(painter, QRectF(calendar.left(), calendar.top() + 0.5, calendar.width(), 2.5),
             QStringLiteral("MAY"), Qt::white, Qt::AlignCenter, true);
    for (int day = 0; day < 31; ++day) {
        const QRectF cell(calendar.left() + 0.6 + (day % 7) * 1.55,
                          calendar.top() + 4.5 + (day / 7) * 2.2, 1.4, 1.6);
        drawText(painter, cell, QString::number(day + 1), QColor(0x30, 0x30, 0x30));
    }
    frame(painter, calendar, QColor(0x80, 0x80, 0x80), 0.2);

    scaled.emplace(painter, QPointF(27, -6), 0.5);
    const QRectF picture(20, -15, 14, 18);
    painter.fillRect(picture, QColor(0xf4, 0xf1, 0xe8));
    painter.fillRect(QRectF(20, -15, 8, 9), QColor(0xd3, 0x2f, 0x2f));
    painter.fillRect(QRectF(28.6, -15, 5.4, 4), QColor(0x1e, 0x4f, 0xa0));
    painter.fillRect(QRectF(20, -5.4, 4, 8.4), QColor(0xf2, 0xc1, 0x2e));
    painter.fillRect(QRectF(30, 0, 4, 3), QColor(0x22, 0x22, 0x22));
    painter.setPen(QPen(Qt::black, 0.5));
    painter.drawLine(QPointF(28.3, -15), QPointF(28.3, 3));
    painter.drawLine(QPointF(20, -5.7), QPointF(34, -5.7));
    painter.drawLine(QPointF(24.3, -5.7), QPointF(24.3, 3));
    painter.drawLine(QPointF(28.3, -10.7), QPointF(34, -10.7));
    painter.drawLine(QPointF(29.7, -5.7), QPointF(29.7, 3));
    frame(painter, picture, QColor(0x2a, 0x2a, 0x2a), 0.8);
}

// On the left wall: a window onto hills, and shelves of books.
void drawLeftWall(QPainter& painter) {
    std::optional<ScaledAbout> scaled(std::in_place, painter, QPointF(-97, -10), 0.6);
    const QRectF window(-112, -24, 30, 28);
    QLinearGradient sky(window.topLeft(), window.bottomLeft());
    sky.setColorAt(0, QColor(0x4a, 0x8e, 0xd8));
    sky.setColorAt(1, QColor(0xbf, 0xe0, 0xf6));
    painter.fillRect(window, sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xff, 0xe0, 0x60));
    painter.drawEllipse(QPointF(-90, -18), 2.5, 2.5);
    painter.setBrush(QColor(255, 255, 255, 230));
    for (const QPointF cloud : {QPointF(-105, -19), QPointF(-102, -20), QPointF(-98, -13)}) {
        painter.drawEllipse(cloud, 3.2, 1.4);
    }
    painter.setBrush(QColor(0x4f, 0x8a, 0x3a));
    QPainterPath hills(QPointF(window.left(), window.bottom()));
    hills.cubicTo(QPointF(-104, -6), QPointF(-98, -2), QPointF(-92, -5));
    hills.cubicTo(QPointF(-88, -8), QPointF(-85, -3), QPointF(window.right(), -4));
    hills.lineTo(window.bottomRight());
    hills.closeSubpath();
    painter.drawPath(hills);
    frame(painter, window, Qt::white, 1.2);
    painter.setPen(QPen(Qt::white, 0.8));
    painter.drawLine(QPointF(window.center().x(), window.top()),
                     QPointF(window.center().x(), window.bottom()));
    painter.drawLine(QPointF(window.left(), window.center().y()),
                     QPointF(window.right(), window.center().y()));
    painter.fillRect(QRectF(window.left() - 2, window.bottom() + 0.6, window.width() + 4, 1.2),
                     QColor(0xf4, 0xf4, 0xf0));

    scaled.emplace(painter, QPointF(-62, kFloorLine), 0.6);
    const QRectF shelves(-72, -24, 20, 40);
    painter.fillRect(shelves, QColor(0x7a, 0x52, 0x30));
    const std::array<QColor, 7> covers = {QColor(0xb2, 0x22, 0x22), QColor(0x1f, 0x4e, 0x8c),
                                          QColor(0xe0, 0xb0, 0x30), QColor(0x2e, 0x7d, 0x32),
                                          QColor(0xee, 0xee, 0xee), QColor(0x6a, 0x1b, 0x9a),
                                          QColor(0x33, 0x33, 0x33)};
    for (int shelf = 0; shelf < 4; ++shelf) {
        const double bottom = shelves.top() + 9.5 * (shelf + 1);
        painter.fillRect(QRectF(shelves.left(), bottom, shelves.width(), 0.8),
                         QColor(0x5a, 0x3a, 0x20));
        double x = shelves.left() + 0.8;
        for (int book = 0; x < shelves.right() - 2; ++book) {
            const int pick = (shelf * 5 + book * 3) % 7;
            const double width = 1.0 + (pick % 3) * 0.4;
            const double height = 6.0 + (book * 7 + shelf) % 3;
            painter.fillRect(QRectF(x, bottom - height, width, height), covers[pick]);
            x += width + 0.15;
        }
    }
}

// On the right wall: a clock, a picture and the door.
void drawRightWall(QPainter& painter) {
    const QPointF clock(68, -13);
    std::optional<ScaledAbout> scaled(std::in_place, painter, clock, 0.6);
    painter.setPen(QPen(QColor(0x22, 0x22, 0x22), 0.7));
    painter.setBrush(Qt::white);
    painter.drawEllipse(clock, 6, 6);
    for (int hour = 0; hour < 12; ++hour) {
        const double angle = hour * std::numbers::pi / 6;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.setPen(QPen(Qt::black, hour % 3 == 0 ? 0.45 : 0.2));
        painter.drawLine(clock + direction * 4.6, clock + direction * 5.4);
    }
    // Ten past ten.
    painter.setPen(QPen(Qt::black, 0.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(clock, clock + QPointF(std::sin(-1.92), -std::cos(-1.92)) * 3);
    painter.setPen(QPen(Qt::black, 0.3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(clock, clock + QPointF(std::sin(1.05), -std::cos(1.05)) * 4.6);

    scaled.emplace(painter, QPointF(93, -14.5), 0.6);
    const QRectF picture(82, -22, 22, 15);
    painter.fillRect(picture, QColor(0xf5, 0xd6, 0xa0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5d, 0x6d, 0x7e));
    painter.drawPolygon(QPolygonF({QPointF(82, -10), QPointF(89, -19), QPointF(95, -12),
                                   QPointF(99, -17), QPointF(104, -10)}));
    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF({QPointF(87.6, -17.2), QPointF(89, -19), QPointF(90.4, -17.4)}));
    painter.fillRect(QRectF(82, -10, 22, 3), QColor(0x3c, 0x7d, 0xa8));
    frame(painter, picture, QColor(0x4a, 0x30, 0x18), 0.9);

    scaled.emplace(painter, QPointF(121.5, kFloorLine), 0.7);
    const QRectF door(114, -20, 15, 38);
    painter.fillRect(door, QColor(0x8b, 0x5a, 0x2b));
    frame(painter, door, QColor(0xf4, 0xf4, 0xf0), 0.9);
    frame(painter, QRectF(116, -17, 11, 13), QColor(0x70, 0x46, 0x20), 0.4);
    frame(painter, QRectF(116, -1, 11, 16), QColor(0x70, 0x46, 0x20), 0.4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xd4, 0xaf, 0x37));
    painter.drawEllipse(QPointF(126.5, 0), 0.7, 0.7);
    painter.fillRect(QRectF(117.5, -25.5, 8, 3), QColor(0x1b, 0x8a, 0x3c));
    drawText(painter, QRectF(117.5, -25.3, 8, 2.6), QStringLiteral("EXIT"), Qt::white,
             Qt::AlignCenter, true);
}

// Behind the camera: a whiteboard and a plant.
void drawBackWall(QPainter& painter) {
    std::optional<ScaledAbout> scaled(std::in_place, painter, QPointF(-163, -12.5), 0.6);
    const QRectF board(-178, -22, 30, 19);
    painter.fillRect(board, Qt::white);
    frame(painter, board, QColor(0x9a, 0x9a, 0xa0), 0.6);
    drawText(painter, QRectF(-176, -20.5, 26, 2.6), QStringLiteral("Simulated PTZ Camera"),
             QColor(0x1a, 0x4f, 0xb0), Qt::AlignLeft | Qt::AlignVCenter);
    drawText(painter, QRectF(-176, -17, 26, 1.8), QStringLiteral("pan -170..170  tilt -30..90"),
             QColor(0x20, 0x20, 0x20), Qt::AlignLeft | Qt::AlignVCenter);
    drawText(painter, QRectF(-176, -14.7, 26, 1.8), QStringLiteral("zoom 20x  presets 0..255"),
             QColor(0x20, 0x20, 0x20), Qt::AlignLeft | Qt::AlignVCenter);
    painter.setPen(QPen(QColor(0xc0, 0x20, 0x20), 0.35));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(-175, -11.5, 6, 5));
    painter.drawLine(QPointF(-168, -9), QPointF(-160, -9));
    painter.drawLine(QPointF(-161.5, -10.3), QPointF(-160, -9));
    painter.drawLine(QPointF(-161.5, -7.7), QPointF(-160, -9));
    painter.drawEllipse(QPointF(-155, -9), 3, 2.5);
    painter.fillRect(QRectF(-170, -2.6, 12, 0.8), QColor(0x9a, 0x9a, 0xa0));

    // The plant, in the corner by the door.
    scaled.emplace(painter, QPointF(143, kFloorLine), 0.8);
    painter.fillRect(QRectF(139, 10, 8, 8), QColor(0xb5, 0x5d, 0x3a));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x2f, 0x7d, 0x32));
    for (int leaf = 0; leaf < 9; ++leaf) {
        painter.save();
        painter.translate(143, 10);
        painter.rotate(-80 + leaf * 20);
        painter.drawEllipse(QRectF(-1, -11, 2, 10));
        painter.restore();
    }
}

}  // namespace

void drawRoom(QPainter& painter) {
    drawShell(painter);
    drawTestChart(painter);
    drawFrontWall(painter);
    drawLeftWall(painter);
    drawRightWall(painter);
    drawBackWall(painter);
}

}  // namespace ptz
