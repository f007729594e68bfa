// Draws every button image of the panels, the application icon and the resource file that lists
// them. Each image is painted from vector paths at its own scale (1x and 2x are two renderings,
// never a resample), so both stay crisp. Run with QT_QPA_PLATFORM=offscreen; the output depends
// only on this file, the Qt version and the DejaVu font file below.
//
//   draw_icons [resources-dir] [--sheet contact-sheet.png] [--pixels enlarged-1x.png]

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QSaveFile>
#include <QTextStream>
#include <QTransform>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

#ifndef PTZ_RESOURCES_DIR
#define PTZ_RESOURCES_DIR "resources"
#endif

namespace {

// Loaded from the file rather than matched by family name, so fontconfig cannot substitute another
// face on a different machine.
constexpr const char* kTextFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

constexpr int kKeySize = 48;         // logical size of every key image
constexpr int kIconSize = 256;       // application icon, as installed for the desktop
constexpr int kWindowIconSize = 64;  // the same, for the window: decoded at every start

// Every key is drawn in a 48x48 logical box. The key body spans 2..45 so that its centre falls on
// a pixel centre-line (23.5): 3 px bars centred there cover whole pixels at 1x and at 2x.
constexpr double kCentre = 23.5;
constexpr double kBodyLeft = 2.0;
constexpr double kBodySize = 43.0;
constexpr double kLipDrop = 1.0;  // the darker base edge below the body that gives it depth

namespace palette {
const QColor keyTop(0x4b, 0x51, 0x5b);
const QColor keyBottom(0x2b, 0x2f, 0x36);
const QColor keyOffTop(0x3f, 0x43, 0x49);
const QColor keyOffBottom(0x2a, 0x2c, 0x30);
const QColor keyEdge(0x14, 0x16, 0x1a, 230);
const QColor lip(0x10, 0x11, 0x14, 235);
const QColor glyph(0xf4, 0xf6, 0xf9);
const QColor glyphShadow(0, 0, 0, 110);
const QColor glyphOff(0x7e, 0x84, 0x8d);
const QColor lit(0x3d, 0xe2, 0x7f);       // autofocus on: the lit indicator green
const QColor litGlyph(0xd8, 0xff, 0xe6);  // near-white with a green cast
const QColor ledOff(0x1b, 0x1d, 0x21);
}  // namespace palette

enum class KeyShape { Rounded, Round };
enum class KeyState { Normal, Lit, Dimmed };

QPainterPath stroked(const QPainterPath& path, double width, Qt::PenCapStyle cap = Qt::RoundCap) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path).simplified();
}

QPainterPath line(QPointF from, QPointF to) {
    QPainterPath path;
    path.moveTo(from);
    path.lineTo(to);
    return path;
}

QPainterPath polyline(std::initializer_list<QPointF> points) {
    QPainterPath path;
    bool first = true;
    for (const QPointF& point : points) {
        if (first) {
            path.moveTo(point);
            first = false;
        } else {
            path.lineTo(point);
        }
    }
    return path;
}

// Glyphs are built around the origin and placed on the key here; `nudge` corrects shapes whose
// visual centre is not their bounding-box centre (triangles).
QPainterPath placed(const QPainterPath& glyph, QPointF nudge = {}) {
    const QPointF centre = glyph.boundingRect().center();
    return QTransform::fromTranslate(kCentre - centre.x() + nudge.x(),
                                     kCentre - centre.y() + nudge.y())
        .map(glyph);
}

QPainterPath rotated(const QPainterPath& path, double degrees) {
    return QTransform().rotate(degrees).map(path);
}

QPainterPath textPath(const QString& text, double pixelSize, double letterSpacing = 0) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(static_cast<int>(pixelSize));
    // Unhinted outlines scale exactly, so the 2x text is the 1x text at twice the resolution.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    if (letterSpacing != 0) {
        font.setLetterSpacing(QFont::AbsoluteSpacing, letterSpacing);
    }
    QPainterPath path;
    path.addText(0, 0, font, text);
    return path.simplified();
}

// --- keys ---------------------------------------------------------------------------------------

QPainterPath keyOutline(KeyShape shape, QRectF body) {
    QPainterPath path;
    if (shape == KeyShape::Round) {
        path.addEllipse(body);
    } else {
        path.addRoundedRect(body, 10.0, 10.0);
    }
    return path;
}

void paintKey(QPainter& painter, KeyShape shape, KeyState state) {
    const QRectF body(kBodyLeft, kBodyLeft, kBodySize, kBodySize);

    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::lip);
    painter.drawPath(keyOutline(shape, body.translated(0, kLipDrop)));

    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    const bool dimmed = state == KeyState::Dimmed;
    fill.setColorAt(0.0, dimmed ? palette::keyOffTop : palette::keyTop);
    fill.setColorAt(1.0, dimmed ? palette::keyOffBottom : palette::keyBottom);
    painter.setBrush(fill);
    painter.drawPath(keyOutline(shape, body));

    // A hairline of light along the upper inner edge reads as a soft bevel.
    QLinearGradient shine(body.topLeft(), body.bottomLeft());
    shine.setColorAt(0.0, QColor(255, 255, 255, dimmed ? 40 : 62));
    shine.setColorAt(0.45, QColor(255, 255, 255, 0));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QBrush(shine), 1.0));
    painter.drawPath(keyOutline(shape, body.adjusted(1.5, 1.5, -1.5, -1.5)));

    painter.setPen(QPen(palette::keyEdge, 1.0));
    painter.drawPath(keyOutline(shape, body.adjusted(0.5, 0.5, -0.5, -0.5)));

    if (state == KeyState::Lit) {
        // The lit ring sits just inside the edge, so the key keeps its outline and size.
        QColor glow = palette::lit;
        glow.setAlpha(90);
        painter.setPen(QPen(glow, 3.0));
        painter.drawPath(keyOutline(shape, body.adjusted(2.5, 2.5, -2.5, -2.5)));
        painter.setPen(QPen(palette::lit, 1.5));
        painter.drawPath(keyOutline(shape, body.adjusted(1.75, 1.75, -1.75, -1.75)));
    }
}

void paintGlyph(QPainter& painter, const QPainterPath& glyph, const QColor& colour) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(palette::glyphShadow);
    painter.drawPath(glyph.translated(0, 1.0));
    painter.setBrush(colour);
    painter.drawPath(glyph);
}

// --- glyphs -------------------------------------------------------------------------------------

// OSD keys: open chevrons, the menu's own language of "move the highlight".
QPainterPath chevronRight() {
    return stroked(polyline({{-4.5, -9.0}, {4.5, 0.0}, {-4.5, 9.0}}), 3.6);
}

// PTZ keys: solid arrowheads, the head moves physically.
QPainterPath arrowRight() {
    QPainterPath triangle = polyline({{-6.0, -9.0}, {8.0, 0.0}, {-6.0, 9.0}});
    triangle.closeSubpath();
    // Rounding the corners with a stroke keeps the arrow soft like the rest of the set.
    return triangle.united(stroked(triangle, 2.4)).simplified();
}

QPainterPath okText() {
    return textPath(QStringLiteral("OK"), 16);
}

QPainterPath backArrow() {
    // A hook: out to the right, round, and back along the bottom — "return to the previous menu".
    QPainterPath hook;
    hook.moveTo(-8.0, -4.5);
    hook.lineTo(2.5, -4.5);
    hook.arcTo(QRectF(-3.5, -4.5, 12.0, 12.0), 90.0, -180.0);
    hook.lineTo(-4.0, 7.5);
    QPainterPath head = polyline({{-3.0, -9.5}, {-8.0, -4.5}, {-3.0, 0.5}});
    return stroked(hook, 3.0).united(stroked(head, 3.0)).simplified();
}

QPainterPath menuBars() {
    QPainterPath bars;
    for (double y : {-6.0, 0.0, 6.0}) {
        bars.addPath(stroked(line({-8.5, y}, {8.5, y}), 3.0));
    }
    return bars.simplified();
}

QPainterPath houseGlyph() {
    QPainterPath house = polyline({{0.0, -10.5},
                                   {11.0, -0.5},
                                   {7.5, -0.5},
                                   {7.5, 9.5},
                                   {-7.5, 9.5},
                                   {-7.5, -0.5},
                                   {-11.0, -0.5}});
    house.closeSubpath();
    house = house.united(stroked(house, 1.6));
    QPainterPath door;
    door.addRoundedRect(QRectF(-2.5, 2.5, 5.0, 7.5), 1.0, 1.0);
    return house.subtracted(door).simplified();
}

QPainterPath plusMinus(bool plus, double length, double width) {
    QPainterPath sign = stroked(line({-length / 2, 0}, {length / 2, 0}), width, Qt::FlatCap);
    if (plus) {
        sign = sign.united(stroked(line({0, -length / 2}, {0, length / 2}), width, Qt::FlatCap));
    }
    return sign.simplified();
}

QPainterPath magnifier(bool plus) {
    QPainterPath lens;
    lens.addEllipse(QPointF(-2.5, -2.5), 8.0, 8.0);
    QPainterPath glyph = stroked(lens, 3.0);
    glyph = glyph.united(stroked(line({3.6, 3.6}, {9.5, 9.5}), 4.2));
    glyph = glyph.united(QTransform::fromTranslate(-2.5, -2.5).map(plusMinus(plus, 8.0, 2.6)));
    return glyph.simplified();
}

QPainterPath focusFrame(bool plus) {
    // Viewfinder corners around the sign: "sharpen" rather than "magnify".
    constexpr double half = 11.0;
    constexpr double arm = 5.5;
    QPainterPath corners;
    for (int sx : {-1, 1}) {
        for (int sy : {-1, 1}) {
            corners.addPath(stroked(polyline({{sx * half, sy * (half - arm)},
                                              {sx * half, sy * half},
                                              {sx * (half - arm), sy * half}}),
                                    2.6));
        }
    }
    return corners.united(plusMinus(plus, 10.0, 3.0)).simplified();
}

QPainterPath afText() {
    return textPath(QStringLiteral("AF"), 14);
}

// --- images -------------------------------------------------------------------------------------

struct Image {
    QString name;  // resource name, e.g. "left.png"
    int size;      // logical size in pixels at 1x
    std::function<void(QPainter&)> paint;
};

std::function<void(QPainter&)> key(KeyShape shape, QPainterPath glyph, QPointF nudge = {}) {
    return [shape, glyph, nudge](QPainter& painter) {
        paintKey(painter, shape, KeyState::Normal);
        paintGlyph(painter, placed(glyph, nudge), palette::glyph);
    };
}

std::function<void(QPainter&)> autofocusKey(bool on) {
    return [on](QPainter& painter) {
        paintKey(painter, KeyShape::Round, on ? KeyState::Lit : KeyState::Dimmed);
        const QPainterPath text = placed(afText(), {0, -3.5});
        // The indicator under the letters is the state at a glance; colour is not the only cue,
        // the off key is also darker and its letters fade.
        const QRectF led(kCentre - 7.0, 29.0, 14.0, 3.0);
        painter.setPen(Qt::NoPen);
        if (on) {
            QRadialGradient halo(led.center(), 11.0);
            QColor glow = palette::lit;
            glow.setAlpha(110);
            halo.setColorAt(0.0, glow);
            glow.setAlpha(0);
            halo.setColorAt(1.0, glow);
            painter.setBrush(halo);
            painter.drawEllipse(led.center(), 11.0, 6.0);
            paintGlyph(painter, text, palette::litGlyph);
            painter.setBrush(palette::lit);
            painter.drawRoundedRect(led, 1.5, 1.5);
        } else {
            paintGlyph(painter, text, palette::glyphOff);
            painter.setBrush(palette::ledOff);
            painter.setPen(QPen(QColor(255, 255, 255, 28), 1.0));
            painter.drawRoundedRect(led.adjusted(-0.5, -0.5, 0.5, 0.5), 2.0, 2.0);
        }
    };
}

// A filled head at one end of `path`, pointing away from the point at `inside`.
QPainterPath arrowhead(const QPainterPath& path, double end, double inside, double size) {
    const QPointF tip = path.pointAtPercent(end);
    QPointF along = tip - path.pointAtPercent(inside);
    along /= std::hypot(along.x(), along.y());
    const QPointF across(-along.y(), along.x());
    QPainterPath head = polyline(
        {tip + along * size * 0.9, tip + across * size * 0.75, tip - across * size * 0.75});
    head.closeSubpath();
    return head.united(stroked(head, 2.0));
}

// A stylised pan/tilt head for the desktop entry: base, yoke and a camera head facing the viewer.
void paintAppIcon(QPainter& painter) {
    painter.setPen(Qt::NoPen);

    // Tile
    const QRectF tile(16, 16, 224, 224);
    painter.setBrush(QColor(0, 0, 0, 60));
    painter.drawRoundedRect(tile.translated(0, 4), 50, 50);
    QLinearGradient tileFill(tile.topLeft(), tile.bottomLeft());
    tileFill.setColorAt(0.0, QColor(0x3c, 0x83, 0xe6));
    tileFill.setColorAt(1.0, QColor(0x1b, 0x3d, 0x86));
    painter.setBrush(tileFill);
    painter.drawRoundedRect(tile, 50, 50);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 50), 2.0));
    painter.drawRoundedRect(tile.adjusted(2, 2, -2, -2), 48, 48);
    painter.setPen(Qt::NoPen);

    const QColor shell(0xf2, 0xf5, 0xf9);
    const QColor shellShade(0xc4, 0xcc, 0xd8);
    const QColor dark(0x1a, 0x1e, 0x26);

    // Base and neck
    QLinearGradient metal(QPointF(0, 150), QPointF(0, 214));
    metal.setColorAt(0.0, shell);
    metal.setColorAt(1.0, shellShade);
    painter.setBrush(metal);
    painter.drawRoundedRect(QRectF(78, 186, 100, 26), 13, 13);
    painter.drawRect(QRectF(114, 160, 28, 30));

    // Yoke: a U that holds the head on both sides, so the head visibly tilts
    {
        QPainterPath yoke;
        yoke.moveTo(54, 96);
        yoke.lineTo(54, 146);
        yoke.quadTo(54, 168, 76, 168);
        yoke.lineTo(180, 168);
        yoke.quadTo(202, 168, 202, 146);
        yoke.lineTo(202, 96);
        painter.setBrush(metal);
        painter.drawPath(stroked(yoke, 16.0));
    }

    // Pan arrows: a swing in front of the base, pointing both ways.
    {
        const QRectF orbit(40, 178, 176, 44);
        QPainterPath arc;
        arc.arcMoveTo(orbit, 198);
        arc.arcTo(orbit, 198, 144);
        QPainterPath arrows = stroked(arc, 6.0, Qt::FlatCap);
        arrows = arrows.united(arrowhead(arc, 0.0, 0.03, 14.0));
        arrows = arrows.united(arrowhead(arc, 1.0, 0.97, 14.0));
        painter.setBrush(QColor(255, 255, 255, 190));
        painter.drawPath(arrows);
    }

    // Head
    const QRectF head(64, 50, 128, 104);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawRoundedRect(head.translated(0, 4), 30, 30);
    QLinearGradient headFill(head.topLeft(), head.bottomLeft());
    headFill.setColorAt(0.0, Qt::white);
    headFill.setColorAt(1.0, QColor(0xd6, 0xdc, 0xe6));
    painter.setBrush(headFill);
    painter.drawRoundedRect(head, 30, 30);
    // pivots of the yoke
    painter.setBrush(shellShade);
    painter.drawEllipse(QPointF(54, 104), 12, 12);
    painter.drawEllipse(QPointF(202, 104), 12, 12);
    painter.setBrush(dark);
    painter.drawEllipse(QPointF(54, 104), 4.5, 4.5);
    painter.drawEllipse(QPointF(202, 104), 4.5, 4.5);

    // Lens
    const QPointF lensCentre(128, 102);
    painter.setBrush(QColor(0x9a, 0xa5, 0xb5));
    painter.drawEllipse(lensCentre, 40, 40);
    painter.setBrush(dark);
    painter.drawEllipse(lensCentre, 35, 35);
    QRadialGradient glass(lensCentre + QPointF(-6, -8), 28);
    glass.setColorAt(0.0, QColor(0x4f, 0x8d, 0xe8));
    glass.setColorAt(0.6, QColor(0x1d, 0x3f, 0x7e));
    glass.setColorAt(1.0, QColor(0x0d, 0x16, 0x2c));
    painter.setBrush(glass);
    painter.drawEllipse(lensCentre, 25, 25);
    painter.setBrush(dark);
    painter.drawEllipse(lensCentre, 9, 9);
    painter.setBrush(QColor(255, 255, 255, 200));
    painter.drawEllipse(lensCentre + QPointF(-11, -12), 6, 4.5);

    // Status light
    painter.setBrush(palette::lit);
    painter.drawEllipse(QPointF(172, 68), 5, 5);
}

std::vector<Image> keyImages() {
    std::vector<Image> images;
    const auto add = [&images](const char* name, std::function<void(QPainter&)> paint) {
        images.push_back({QString::fromLatin1(name), kKeySize, std::move(paint)});
    };
    // OSD panel
    add("left.png", key(KeyShape::Rounded, rotated(chevronRight(), 180)));
    add("right.png", key(KeyShape::Rounded, chevronRight()));
    add("up.png", key(KeyShape::Rounded, rotated(chevronRight(), -90)));
    add("down.png", key(KeyShape::Rounded, rotated(chevronRight(), 90)));
    add("enter.png", key(KeyShape::Rounded, okText()));
    add("osdback.png", key(KeyShape::Rounded, backArrow()));
    add("osd.png", key(KeyShape::Rounded, menuBars()));
    // PTZ panel; a triangle looks centred when shifted a little towards its point
    add("left2.png", key(KeyShape::Round, rotated(arrowRight(), 180), {-1.0, 0}));
    add("right2.png", key(KeyShape::Round, arrowRight(), {1.0, 0}));
    add("up2.png", key(KeyShape::Round, rotated(arrowRight(), -90), {0, -1.0}));
    add("down2.png", key(KeyShape::Round, rotated(arrowRight(), 90), {0, 1.0}));
    add("home.png", key(KeyShape::Round, houseGlyph(), {0, -0.5}));
    add("focus-.png", key(KeyShape::Round, focusFrame(false)));
    add("focus+.png", key(KeyShape::Round, focusFrame(true)));
    add("zoom-.png", key(KeyShape::Round, magnifier(false)));
    add("zoom+.png", key(KeyShape::Round, magnifier(true)));
    add("autofocus.png", autofocusKey(true));
    add("autofocus_off.png", autofocusKey(false));
    return images;
}

QString at2x(const QString& name) {
    QString scaled = name;
    scaled.insert(name.lastIndexOf(QLatin1Char('.')), QStringLiteral("@2x"));
    return scaled;
}

QImage render(const Image& image, int scale) {
    const int pixels = image.size * scale;
    QImage out(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    // Fixed resolution metadata: the default would follow the (offscreen) screen's DPI.
    out.setDotsPerMeterX(3780 * scale);
    out.setDotsPerMeterY(3780 * scale);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(scale, scale);
    image.paint(painter);
    painter.end();
    return out;
}

bool save(const QImage& image, const QString& path) {
    // Straight alpha in the file; PNG has no premultiplied form.
    if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG")) {
        std::fprintf(stderr, "draw_icons: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool writeResourceFile(const QString& path, const std::vector<Image>& images) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return false;
    }
    QTextStream out(&file);
    out << "<!-- Generated by tools/draw_icons; regenerate rather than edit. -->\n";
    out << "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
    for (const Image& image : images) {
        // Plain name and @2x name side by side, so ":/left.png" resolves to the @2x file on a
        // high-density screen.
        for (const QString& name : {image.name, at2x(image.name)}) {
            out << "    <file alias=\"" << name << "\">images/" << name << "</file>\n";
        }
    }
    for (const char* name : {"window-icon.png", "window-icon@2x.png"}) {
        out << "    <file alias=\"" << name << "\">icons/" << name << "</file>\n";
    }
    out << "</qresource>\n</RCC>\n";
    out.flush();
    return file.commit();
}

// All images at both scales on the two panel greys, for looking at the set as a whole.
QImage contactSheet(const std::vector<Image>& images) {
    constexpr int cell = 112;
    const int columns = static_cast<int>(images.size());
    QImage sheet(columns * cell, 4 * cell, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    const QColor greys[] = {QColor::fromRgbF(0.6f, 0.6f, 0.6f), QColor::fromRgbF(0.4f, 0.4f, 0.4f)};
    for (int row = 0; row < 4; ++row) {
        const int scale = row % 2 == 0 ? 1 : 2;
        painter.fillRect(0, row * cell, sheet.width(), cell, greys[row / 2]);
        for (int column = 0; column < columns; ++column) {
            const QImage key = render(images[column], scale);
            painter.drawImage(column * cell + (cell - key.width()) / 2,
                              row * cell + (cell - key.height()) / 2, key);
        }
    }
    return sheet;
}

// The 1x images enlarged without smoothing, to check which edges land on whole pixels.
QImage pixelSheet(const std::vector<Image>& images, const QColor& background) {
    constexpr int zoom = 4;
    constexpr int perRow = 7;
    const int cell = kKeySize * zoom + 16;
    const int rows = (static_cast<int>(images.size()) + perRow - 1) / perRow;
    QImage sheet(perRow * cell, rows * cell, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(background);
    QPainter painter(&sheet);
    for (int i = 0; i < static_cast<int>(images.size()); ++i) {
        const QImage key = render(images[i], 1)
                               .scaled(kKeySize * zoom, kKeySize * zoom, Qt::IgnoreAspectRatio,
                                       Qt::FastTransformation);
        painter.drawImage((i % perRow) * cell + 8, (i / perRow) * cell + 8, key);
    }
    return sheet;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);

    QString resourcesDir = QStringLiteral(PTZ_RESOURCES_DIR);
    QString sheetPath;
    QString pixelsPath;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--sheet") && i + 1 < args.size()) {
            sheetPath = args[++i];
        } else if (args[i] == QLatin1String("--pixels") && i + 1 < args.size()) {
            pixelsPath = args[++i];
        } else {
            resourcesDir = args[i];
        }
    }

    if (QFontDatabase::addApplicationFont(QString::fromLatin1(kTextFontFile)) < 0) {
        std::fprintf(stderr, "draw_icons: cannot load %s (Debian package fonts-dejavu-core)\n",
                     kTextFontFile);
        return 1;
    }

    const QDir root(resourcesDir);
    if (!root.mkpath(QStringLiteral("images")) || !root.mkpath(QStringLiteral("icons"))) {
        std::fprintf(stderr, "draw_icons: cannot create folders under %s\n",
                     qPrintable(resourcesDir));
        return 1;
    }

    const std::vector<Image> images = keyImages();
    bool ok = true;
    for (const Image& image : images) {
        ok &= save(render(image, 1), root.filePath(QStringLiteral("images/") + image.name));
        ok &= save(render(image, 2), root.filePath(QStringLiteral("images/") + at2x(image.name)));
    }
    ok &= save(render({QStringLiteral("ptzpanel.png"), kIconSize, paintAppIcon}, 1),
               root.filePath(QStringLiteral("icons/ptzpanel.png")));
    const Image windowIcon{QStringLiteral("window-icon.png"), kWindowIconSize, paintAppIcon};
    ok &= save(render(windowIcon, 1), root.filePath(QStringLiteral("icons/window-icon.png")));
    ok &= save(render(windowIcon, 2), root.filePath(QStringLiteral("icons/window-icon@2x.png")));
    if (!writeResourceFile(root.filePath(QStringLiteral("images.qrc")), images)) {
        std::fprintf(stderr, "draw_icons: cannot write images.qrc\n");
        ok = false;
    }
    if (!sheetPath.isEmpty()) {
        ok &= save(contactSheet(images), sheetPath);
    }
    if (!pixelsPath.isEmpty()) {
        ok &= save(pixelSheet(images, QColor::fromRgbF(0.6f, 0.6f, 0.6f)), pixelsPath);
    }
    return ok ? 0 : 1;
}
