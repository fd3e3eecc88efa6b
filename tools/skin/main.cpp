// hygrolux-skin: draws every image of the window skin and writes it as PNG under the
// resources directory given on the command line. The images are committed; run this
// again after changing a drawing and commit the regenerated files.
//
// With --app-icon it draws the application icon instead, once for each size, as
// <dir>/<size>x<size>/apps/<name>.png: the layout of a freedesktop icon theme. The build
// draws these itself.

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>
#include <QtMath>

#include <cstdio>
#include <functional>

namespace {

// The colours the whole skin shares.
namespace colour {
const QColor backgroundTop(0x16, 0x45, 0x8a);
const QColor backgroundBottom(0x07, 0x1c, 0x45);
const QColor glow(0x3d, 0x7b, 0xd6, 70);
const QColor panelFill(255, 255, 255, 28);
const QColor panelEdge(255, 255, 255, 80);
const QColor titleFill(0x5c, 0x9c, 0xf0, 95);
const QColor titleEdge(0xa8, 0xcc, 0xff, 150);
const QColor buttonTop(0x6f, 0xa8, 0xf5, 150);
const QColor buttonBottom(0x3a, 0x78, 0xd8, 150);
const QColor buttonEdge(0xc4, 0xdc, 0xff, 140);
const QColor icon(255, 255, 255);
const QColor recordRed(0xe5, 0x39, 0x35);
const QColor recordRedLight(0xff, 0x8a, 0x80);
const QColor recordGrey(0x9e, 0x9e, 0x9e);
const QColor recordGreyLight(0xd6, 0xd6, 0xd6);
const QColor drop(0xa8, 0xd8, 0xff);
} // namespace colour

// Line icons are drawn on a 24 x 24 grid and scaled to the image size, so they share
// one stroke weight: 2 grid units, a twelfth of the icon, thick enough to read at 16 px.
constexpr qreal iconGrid = 24.0;
constexpr qreal iconStroke = 2.0;

QImage transparentCanvas(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void beginIcon(QPainter& painter, const QImage& image)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(image.width() / iconGrid, image.height() / iconGrid);
    painter.setPen(QPen(colour::icon, iconStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
}

// A white line icon of the given size, drawn by `draw` on the 24-unit grid.
QImage lineIcon(int size, const std::function<void(QPainter&)>& draw)
{
    QImage image = transparentCanvas(size, size);
    QPainter painter(&image);
    beginIcon(painter, image);
    draw(painter);
    return image;
}

// A translucent rounded shape: fill plus a one-line edge kept inside the image.
void roundedPanel(QPainter& painter, const QRectF& bounds, qreal radius, const QBrush& fill,
                  const QColor& edge, qreal edgeWidth)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal inset = edgeWidth / 2;
    painter.setPen(QPen(edge, edgeWidth));
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), radius, radius);
}

// Window background: deep blue, lighter at the top, with a soft glow behind the title.
QImage drawBackground()
{
    QImage image(1024, 768, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient vertical(0, 0, 0, image.height());
    vertical.setColorAt(0, colour::backgroundTop);
    vertical.setColorAt(1, colour::backgroundBottom);
    painter.fillRect(image.rect(), vertical);

    QRadialGradient glow(QPointF(image.width() / 2.0, 0), image.width() * 0.55);
    glow.setColorAt(0, colour::glow);
    glow.setColorAt(1, Qt::transparent);
    painter.fillRect(image.rect(), glow);
    return image;
}

// Title strip, stretched behind the centred title text: a band that fades out at both
// ends, with a bright line along the bottom.
QImage drawTitleStrip()
{
    QImage image = transparentCanvas(588, 64);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient band(0, 0, image.width(), 0);
    QColor clear = colour::titleFill;
    clear.setAlpha(0);
    band.setColorAt(0, clear);
    band.setColorAt(0.2, colour::titleFill);
    band.setColorAt(0.8, colour::titleFill);
    band.setColorAt(1, clear);
    painter.fillRect(QRectF(0, 6, image.width(), image.height() - 12), band);

    QLinearGradient line(0, 0, image.width(), 0);
    QColor edgeClear = colour::titleEdge;
    edgeClear.setAlpha(0);
    line.setColorAt(0, edgeClear);
    line.setColorAt(0.5, colour::titleEdge);
    line.setColorAt(1, edgeClear);
    painter.fillRect(QRectF(0, image.height() - 9, image.width(), 3), line);
    return image;
}

// Panel behind the readings and the clock. It is stretched as a whole, so the rounded
// corners and the edge stay within a few pixels of the border and the middle is plain.
QImage drawPanel()
{
    QImage image = transparentCanvas(204, 194);
    QPainter painter(&image);
    roundedPanel(painter, image.rect(), 10, colour::panelFill, colour::panelEdge, 1);
    return image;
}

// Command button background, stretched behind white text and an icon: a lighter-blue pill.
QImage drawButtonBackground()
{
    QImage image = transparentCanvas(216, 70);
    QPainter painter(&image);
    QLinearGradient fill(0, 0, 0, image.height());
    fill.setColorAt(0, colour::buttonTop);
    fill.setColorAt(1, colour::buttonBottom);
    roundedPanel(painter, image.rect(), 22, fill, colour::buttonEdge, 2);
    return image;
}

// Background of the records and summary tables: plain white, stored as a one-colour image.
QImage drawTableBackground()
{
    QImage image(702, 420, QImage::Format_Indexed8);
    image.setColorTable({qRgb(255, 255, 255)});
    image.fill(0);
    return image;
}

QImage drawMaximise(int size)
{
    return lineIcon(size, [](QPainter& p) { p.drawRoundedRect(QRectF(6, 6, 12, 12), 1, 1); });
}

QImage drawMinimise(int size)
{
    return lineIcon(size, [](QPainter& p) { p.drawLine(QPointF(6, 12), QPointF(18, 12)); });
}

QImage drawClose(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawLine(QPointF(6.5, 6.5), QPointF(17.5, 17.5));
        p.drawLine(QPointF(17.5, 6.5), QPointF(6.5, 17.5));
    });
}

QImage drawBack(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawLine(QPointF(19, 12), QPointF(5, 12));
        p.drawPolyline(QPolygonF({QPointF(11, 6), QPointF(5, 12), QPointF(11, 18)}));
    });
}

// An open folder: the back with its tab, and the front flap tilted forward.
QImage drawOpenFolder(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawPolyline(QPolygonF({QPointF(3, 19), QPointF(3, 5), QPointF(9, 5), QPointF(11, 7),
                                  QPointF(18, 7), QPointF(18, 10)}));
        p.drawPolygon(
            QPolygonF({QPointF(3, 19), QPointF(6, 10), QPointF(21.5, 10), QPointF(18, 19)}));
    });
}

// A mains plug: two prongs, the body and the cable.
QImage drawConnect(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawLine(QPointF(9, 3), QPointF(9, 7));
        p.drawLine(QPointF(15, 3), QPointF(15, 7));
        QPainterPath body;
        body.moveTo(6, 7);
        body.lineTo(18, 7);
        body.lineTo(18, 11);
        body.cubicTo(18, 14.5, 15.5, 17, 12, 17);
        body.cubicTo(8.5, 17, 6, 14.5, 6, 11);
        body.closeSubpath();
        p.drawPath(body);
        p.drawLine(QPointF(12, 17), QPointF(12, 21));
    });
}

QImage drawClock(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawPolyline(QPolygonF({QPointF(12, 6.5), QPointF(12, 12), QPointF(15.5, 14)}));
    });
}

// A gear with eight teeth around a hole.
QImage drawGear(int size)
{
    return lineIcon(size, [](QPainter& p) {
        constexpr int teeth = 8;
        constexpr qreal outer = 10;
        constexpr qreal inner = 7.2;
        const qreal step = 2 * M_PI / teeth;
        auto at = [](qreal radius, qreal angle) {
            return QPointF(12 + radius * qCos(angle), 12 + radius * qSin(angle));
        };
        QPolygonF outline;
        for (int i = 0; i < teeth; ++i) {
            const qreal centre = i * step;
            outline << at(inner, centre - step * 0.32) << at(outer, centre - step * 0.17)
                    << at(outer, centre + step * 0.17) << at(inner, centre + step * 0.32);
        }
        p.drawPolygon(outline);
        p.drawEllipse(QPointF(12, 12), 3, 3);
    });
}

QImage drawGlobe(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.drawEllipse(QPointF(12, 12), 4, 9);
        p.drawLine(QPointF(3, 12), QPointF(21, 12));
    });
}

QImage drawStop(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawEllipse(QPointF(12, 12), 9, 9);
        p.setBrush(colour::icon);
        p.drawRoundedRect(QRectF(9, 9, 6, 6), 0.5, 0.5);
    });
}

// An arrow pointing down into a tray.
QImage drawDownload(int size)
{
    return lineIcon(size, [](QPainter& p) {
        p.drawLine(QPointF(12, 3.5), QPointF(12, 14));
        p.drawPolyline(QPolygonF({QPointF(7.5, 9.5), QPointF(12, 14), QPointF(16.5, 9.5)}));
        p.drawPolyline(
            QPolygonF({QPointF(4, 14.5), QPointF(4, 20), QPointF(20, 20), QPointF(20, 14.5)}));
    });
}

// The recording indicator: a shaded dot inside a soft ring of the same colour.
QImage drawRecordDot(const QColor& base, const QColor& light)
{
    QImage image = transparentCanvas(200, 200);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(100, 100);

    QColor ring = base;
    ring.setAlpha(90);
    painter.setPen(QPen(ring, 16));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 86, 86);

    QRadialGradient shade(QPointF(82, 78), 80);
    shade.setColorAt(0, light);
    shade.setColorAt(1, base);
    painter.setPen(Qt::NoPen);
    painter.setBrush(shade);
    painter.drawEllipse(centre, 62, 62);
    return image;
}

// The application icon: a white thermometer with a red column and a pale blue drop on a
// tile of the window background. Drawn on a 48-unit grid, with shapes broad enough to stay
// apart at 16 px.
QImage drawAppIcon(int size)
{
    QImage image = transparentCanvas(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);

    QLinearGradient tile(0, 0, 0, 48);
    tile.setColorAt(0, colour::backgroundTop.lighter(125));
    tile.setColorAt(1, colour::backgroundBottom);
    painter.setPen(QPen(colour::buttonEdge, 1.5));
    painter.setBrush(tile);
    painter.drawRoundedRect(QRectF(2.75, 2.75, 42.5, 42.5), 9, 9);

    QPainterPath tube;
    tube.addRoundedRect(QRectF(12, 7, 10, 26), 5, 5);
    QPainterPath bulb;
    bulb.addEllipse(QPointF(17, 34), 7.5, 7.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour::icon);
    painter.drawPath(tube.united(bulb));
    painter.setBrush(colour::recordRed);
    painter.drawRoundedRect(QRectF(15, 15, 4, 18), 2, 2);
    painter.drawEllipse(QPointF(17, 34), 4.5, 4.5);

    QPainterPath drop;
    drop.moveTo(33, 10);
    drop.cubicTo(37, 16, 41, 21, 41, 27);
    drop.arcTo(QRectF(25, 19, 16, 16), 0, -180);
    drop.cubicTo(25, 21, 29, 16, 33, 10);
    painter.setBrush(colour::drop);
    painter.drawPath(drop);
    return image;
}

struct SkinImage {
    const char* path;
    std::function<QImage()> draw;
};

const SkinImage skinImages[] = {
    {"images/tw/ic_bg.png", drawBackground},
    {"images/tw/ic_main_title.png", drawTitleStrip},
    {"images/tw/ic_main_opt_2.png", drawPanel},
    {"images/tw/ic_btn_bg.png", drawButtonBackground},
    {"images/tw/white.png", drawTableBackground},
    {"images/tw/max.png", [] { return drawMaximise(200); }},
    {"images/tw/min.png", [] { return drawMinimise(200); }},
    {"images/tw/close.png", [] { return drawClose(200); }},
    {"images/tw/real-min.png", [] { return drawMinimise(200); }},
    {"images/tw/back_g.png", [] { return drawBack(200); }},
    {"images/tw/open.png", [] { return drawOpenFolder(32); }},
    {"images/tw/record_enable.png",
     [] { return drawRecordDot(colour::recordRed, colour::recordRedLight); }},
    {"images/tw/record_disable.png",
     [] { return drawRecordDot(colour::recordGrey, colour::recordGreyLight); }},
    {"images/connect.png", [] { return drawConnect(128); }},
    {"images/calibration.png", [] { return drawClock(300); }},
    {"images/setting.png", [] { return drawGear(512); }},
    {"images/language.png", [] { return drawGlobe(128); }},
    {"images/stop.png", [] { return drawStop(256); }},
    {"images/download.png", [] { return drawDownload(256); }},
};

bool writePng(const QImage& image, const QString& path)
{
    if (!QDir().mkpath(QFileInfo(path).path())) {
        std::fprintf(stderr, "hygrolux-skin: cannot create the folder of %s\n", qPrintable(path));
        return false;
    }
    QImageWriter writer(path, "png");
    writer.setQuality(0); // smallest file; PNG stays lossless
    if (!writer.write(image)) {
        std::fprintf(stderr, "hygrolux-skin: cannot write %s: %s\n", qPrintable(path),
                     qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

// hygrolux-skin --app-icon <dir> <name> <size>...
int drawAppIcons(const QStringList& arguments)
{
    const QDir themeDir(arguments.at(0));
    const QString name = arguments.at(1);
    bool allWritten = true;
    for (const QString& sizeText : arguments.mid(2)) {
        bool isNumber = false;
        const int size = sizeText.toInt(&isNumber);
        if (!isNumber || size <= 0) {
            std::fprintf(stderr, "hygrolux-skin: not an icon size: %s\n", qPrintable(sizeText));
            return 2;
        }
        const QString path = QStringLiteral("%1x%1/apps/%2.png").arg(size).arg(name);
        allWritten &= writePng(drawAppIcon(size), themeDir.filePath(path));
    }
    return allWritten ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.size() >= 4 && arguments.first() == QLatin1String("--app-icon"))
        return drawAppIcons(arguments.mid(1));
    if (arguments.size() != 1 || arguments.first().startsWith(QLatin1Char('-'))) {
        std::fprintf(stderr, "usage: hygrolux-skin <resources-dir>\n"
                             "       hygrolux-skin --app-icon <dir> <name> <size>...\n");
        return 2;
    }
    const QDir resources(arguments.first());
    bool allWritten = true;
    for (const SkinImage& skinImage : skinImages)
        allWritten &= writePng(skinImage.draw(), resources.filePath(skinImage.path));
    return allWritten ? 0 : 1;
}
