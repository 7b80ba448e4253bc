// Draws the window application's pictures into a folder, at build time:
//   hicolor/<N>x<N>/apps/org.tarnwick.GameInstaller.png  the application icon
//   cursor-hand.png                                      the web link's pointing hand
//   about.png                                            the About page's picture
//   windows/zt_installer.ico, hand.cur, about.bmp        the same for the Windows window's
//                                                        resources (icon 128, cursor 136,
//                                                        bitmap 135)
// Everything is drawn from vector shapes, with no clock and no randomness, so the
// same fonts give the same files byte for byte.
// Usage: zt_draw_pictures OUTPUT_FOLDER

#include <QConicalGradient>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

const int iconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// Maps the icon's design grid (256 × 256 units) onto a square of pixels. Edges
// that should be sharp are rounded to whole pixels, so small sizes stay crisp.
class IconGrid {
  public:
    IconGrid(QPointF origin, double size) : origin(origin), size(size), scale(size / 256.0) {}

    double x(double u) const { return origin.x() + std::round(u * scale); }
    double y(double u) const { return origin.y() + std::round(u * scale); }
    double len(double u) const { return u * scale; }
    // Outline width in pixels: one pixel up to 48, thicker above.
    double line() const { return std::max(1.0, std::round(size / 40.0)); }
    bool detailed() const { return size >= 32; }
    bool showsSymbol() const { return size >= 48; }

    // A rectangle of the grid with whole-pixel edges, shrunk by half the outline
    // so that the outline itself lies on whole pixels.
    QRectF box(double left, double top, double right, double bottom) const {
        const double half = line() / 2;
        return QRectF(QPointF(x(left) + half, y(top) + half),
                      QPointF(x(right) - half, y(bottom) - half));
    }

  private:
    QPointF origin;
    double size;
    double scale;
};

// An optical disc, most of it standing out of the drive's top edge.
void drawDisc(QPainter& p, const IconGrid& g) {
    const QPointF centre(g.x(128), g.y(100));
    const double radius = g.len(88);
    const double hole = std::max(g.len(15), 1.5);

    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    disc.addEllipse(centre, hole, hole);  // odd-even fill leaves the hole empty

    QRadialGradient silver(centre, radius);
    silver.setColorAt(0.0, QColor(0xf4, 0xf6, 0xfa));
    silver.setColorAt(0.7, QColor(0xdd, 0xe3, 0xec));
    silver.setColorAt(1.0, QColor(0xb4, 0xbe, 0xcc));
    p.setPen(Qt::NoPen);
    p.setBrush(silver);
    p.drawPath(disc);

    if (g.detailed()) {
        // The rainbow sheen of a pressed disc, faint so the disc stays silver.
        QConicalGradient sheen(centre, 30);
        const QColor colours[] = {QColor(255, 120, 120, 70), QColor(255, 230, 120, 70),
                                  QColor(120, 230, 140, 70), QColor(120, 180, 255, 70),
                                  QColor(210, 130, 255, 70), QColor(255, 120, 120, 70)};
        for (int i = 0; i < 6; ++i)
            sheen.setColorAt(i / 5.0, colours[i]);
        p.setBrush(sheen);
        p.drawPath(disc);

        // The clear hub around the hole.
        const double hub = g.len(34);
        p.setBrush(QColor(0xc4, 0xcc, 0xd8));
        p.setPen(QPen(QColor(0x8a, 0x95, 0xa6), std::max(1.0, g.line() / 2)));
        QPainterPath ring;
        ring.addEllipse(centre, hub, hub);
        ring.addEllipse(centre, hole, hole);
        p.drawPath(ring);
    }

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x44, 0x4c, 0x5a), g.line()));
    p.drawEllipse(centre, radius, radius);
    p.drawEllipse(centre, hole, hole);
}

// The USB trident: a stem with a round end, an arrow head, and two branches
// ending in a circle and a square.
void drawUsbSymbol(QPainter& p, QPointF at, double width) {
    const double u = width / 100.0;
    const double stroke = std::max(1.0, std::round(7 * u));
    const QColor white(0xf2, 0xf5, 0xfa);
    p.setPen(QPen(white, stroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    const auto pt = [&](double dx, double dy) { return at + QPointF(dx * u, dy * u); };
    p.drawLine(pt(8, 0), pt(86, 0));
    QPainterPath branches;
    branches.moveTo(pt(24, 0));
    branches.lineTo(pt(40, -20));
    branches.lineTo(pt(58, -20));
    branches.moveTo(pt(36, 0));
    branches.lineTo(pt(52, 20));
    branches.lineTo(pt(68, 20));
    p.drawPath(branches);

    p.setPen(Qt::NoPen);
    p.setBrush(white);
    p.drawEllipse(pt(8, 0), 10 * u, 10 * u);
    p.drawEllipse(pt(64, -20), 8 * u, 8 * u);
    p.drawRect(QRectF(pt(66, 12), pt(82, 28)));
    QPolygonF arrow;
    arrow << pt(100, 0) << pt(80, -12) << pt(80, 12);
    p.drawPolygon(arrow);
}

// A USB hard drive seen from the front: a dark box with an activity light.
void drawDrive(QPainter& p, const IconGrid& g) {
    const QRectF body = g.box(12, 146, 244, 246);
    const double radius = std::max(g.len(16), 1.5);
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0.0, QColor(0x4f, 0x65, 0x8c));
    shade.setColorAt(1.0, QColor(0x24, 0x30, 0x48));
    p.setBrush(shade);
    p.setPen(QPen(QColor(0x14, 0x1a, 0x28), g.line()));
    p.drawRoundedRect(body, radius, radius);

    if (g.detailed()) {
        // A lighter line just under the top edge gives the box some depth.
        const double inset = g.line() * 1.5;
        p.setPen(QPen(QColor(0x7d, 0x93, 0xb8), std::max(1.0, g.line() / 2)));
        p.drawLine(QPointF(body.left() + radius, body.top() + inset),
                   QPointF(body.right() - radius, body.top() + inset));
    }
    if (g.showsSymbol())
        drawUsbSymbol(p, QPointF(g.x(44), g.y(198)), g.len(104));

    const QColor green(0x4c, 0xf0, 0x6c);
    if (!g.showsSymbol()) {
        // Too small for a round light: a square of whole pixels.
        const double side = std::max(2.0, std::round(g.len(24)));
        const double corner = std::floor(side / 2);
        p.fillRect(QRectF(g.x(212) - corner, g.y(212) - corner, side, side), green);
        return;
    }
    const QPointF light(g.x(206), g.y(212));
    const double lightRadius = g.len(11);
    QRadialGradient glow(light, lightRadius * 2.4);
    glow.setColorAt(0.0, QColor(0x6c, 0xff, 0x8a, 150));
    glow.setColorAt(1.0, QColor(0x6c, 0xff, 0x8a, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(light, lightRadius * 2.4, lightRadius * 2.4);
    p.setBrush(green);
    p.drawEllipse(light, lightRadius, lightRadius);
}

void drawIcon(QPainter& p, QPointF origin, double size) {
    const IconGrid g(origin, size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    drawDisc(p, g);
    drawDrive(p, g);
    p.restore();
}

QImage iconImage(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    drawIcon(p, QPointF(0, 0), size);
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// A pointing hand, 32 × 32: the index finger points up and the top of its tip
// is pixel (12, 4), the hotspot. Straight edges lie on pixel centres so that the
// one-pixel outline stays sharp.
QImage cursorImage() {
    QPainterPath hand;
    hand.moveTo(9.5, 20.5);
    hand.lineTo(9.5, 7.5);
    hand.arcTo(QRectF(9.5, 4.5, 6, 6), 180, -180);  // fingertip, top at y 4.5
    hand.lineTo(15.5, 15.5);
    // The three bent fingers, each a little lower than the one before.
    hand.arcTo(QRectF(15.5, 12.5, 4, 4), 180, -180);
    hand.arcTo(QRectF(19.5, 13.5, 4, 4), 180, -180);
    hand.arcTo(QRectF(23.5, 14.5, 4, 4), 180, -180);
    hand.lineTo(27.5, 23.5);
    hand.quadTo(27.5, 27.5, 24.5, 29.5);
    hand.lineTo(13.5, 29.5);
    hand.quadTo(11.5, 29.5, 10.5, 27.5);
    // The thumb, bent to the left below the index finger.
    hand.lineTo(4.0, 21.0);
    hand.arcTo(QRectF(2.5, 16.5, 4.5, 4.5), 225, -180);
    hand.quadTo(8.5, 17.5, 9.5, 20.5);
    hand.closeSubpath();

    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.setBrush(Qt::white);
    p.drawPath(hand);
    // Creases between the bent fingers.
    p.drawLine(QPointF(19.5, 15.0), QPointF(19.5, 18.5));
    p.drawLine(QPointF(23.5, 16.0), QPointF(23.5, 19.5));
    p.end();
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The picture depends on the font: say so when fontconfig put another in its place.
QFont checkedFont(const QString& family) {
    QFont font(family);
    const QString found = QFontInfo(font).family();
    if (found != family)
        std::fprintf(stderr, "zt_draw_pictures: font \"%s\" is not installed, using \"%s\"\n",
                     qPrintable(family), qPrintable(found));
    return font;
}

// The largest pixel size up to `largest` at which `text` fits in `width`.
QFont fittingFont(const QString& family, bool bold, int largest, double width,
                  const QString& text) {
    QFont font = checkedFont(family);
    font.setBold(bold);
    for (int px = largest; px > 8; --px) {
        font.setPixelSize(px);
        if (QFontMetricsF(font).horizontalAdvance(text) <= width)
            break;
    }
    return font;
}

// The About page's picture, 320 × 256 at 24 bits per pixel: the icon and the
// program's name on a deep blue background.
QImage aboutImage() {
    QImage image(320, 256, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient sky(0, 0, 0, 256);
    sky.setColorAt(0.0, QColor(0x1b, 0x3a, 0x66));
    sky.setColorAt(1.0, QColor(0x0c, 0x18, 0x2c));
    p.fillRect(image.rect(), sky);
    // A soft light behind the icon.
    QRadialGradient halo(QPointF(160, 84), 110);
    halo.setColorAt(0.0, QColor(0x6f, 0xa8, 0xdc, 110));
    halo.setColorAt(1.0, QColor(0x6f, 0xa8, 0xdc, 0));
    p.fillRect(image.rect(), halo);

    drawIcon(p, QPointF(96, 20), 128);

    const QString name = QStringLiteral("Tarnwick Game Installer");
    const QFont title = fittingFont(QStringLiteral("Liberation Serif"), true, 30, 296, name);
    p.setFont(title);
    p.setPen(QColor(0xf5, 0xf7, 0xfb));
    p.drawText(QRectF(0, 160, 320, 40), Qt::AlignCenter, name);

    const QString line = QStringLiteral("Games from disc to USB hard drive");
    QFont sans = checkedFont(QStringLiteral("Liberation Sans"));
    sans.setPixelSize(13);
    p.setFont(sans);
    p.setPen(QColor(0xa9, 0xc4, 0xe4));
    p.drawText(QRectF(0, 202, 320, 24), Qt::AlignCenter, line);
    p.end();
    return image.convertToFormat(QImage::Format_RGB888);
}

// One image of an icon or cursor file as Windows stores it: a DIB of 32 bits
// per pixel, bottom row first, twice as high for the AND mask that follows.
QByteArray iconDib(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    QByteArray dib;
    QDataStream out(&dib, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(40) << qint32(image.width()) << qint32(image.height() * 2) << quint16(1)
        << quint16(32) << quint32(0) << quint32(0) << qint32(0) << qint32(0) << quint32(0)
        << quint32(0);
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x)
            out << quint32(image.pixel(x, y));
    }
    const int maskRow = ((image.width() + 31) / 32) * 4;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.writeRawData(row.constData(), row.size());
    }
    return dib;
}

// An .ico file of `images` (each a square up to 255 pixels), or a .cur file
// when `hotspot` is given.
QByteArray iconFile(const QList<QImage>& images, const QPoint* hotspot = nullptr) {
    QList<QByteArray> entries;
    for (const QImage& image : images)
        entries << iconDib(image);
    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(hotspot != nullptr ? 2 : 1) << quint16(entries.size());
    quint32 offset = 6 + 16 * entries.size();
    for (int i = 0; i < entries.size(); ++i) {
        out << quint8(images[i].width()) << quint8(images[i].height()) << quint8(0) << quint8(0);
        if (hotspot != nullptr)
            out << quint16(hotspot->x()) << quint16(hotspot->y());
        else
            out << quint16(1) << quint16(32);
        out << quint32(entries[i].size()) << offset;
        offset += entries[i].size();
    }
    for (const QByteArray& entry : entries)
        out.writeRawData(entry.constData(), entry.size());
    return file;
}

bool saveBytes(const QByteArray& bytes, const QString& path) {
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "zt_draw_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

bool save(const QImage& image, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "zt_draw_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Passes Qt's messages on, except the offscreen platform's note that a build
// machine has no per-user runtime folder, which drawing does not need.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs fonts but no screen: the build machine may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: zt_draw_pictures OUTPUT_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);

    bool ok = true;
    for (int size : iconSizes) {
        const QString path = QStringLiteral("%1/hicolor/%2x%2/apps/org.tarnwick.GameInstaller.png")
                                 .arg(folder)
                                 .arg(size);
        ok = save(iconImage(size), path) && ok;
    }
    ok = save(cursorImage(), folder + QStringLiteral("/cursor-hand.png")) && ok;
    ok = save(aboutImage(), folder + QStringLiteral("/about.png")) && ok;

    // The Windows window's resources: the same pictures in Windows' formats.
    const QString windows = folder + QStringLiteral("/windows");
    ok = saveBytes(iconFile({iconImage(16), iconImage(32), iconImage(48)}),
                   windows + QStringLiteral("/zt_installer.ico")) &&
         ok;
    const QPoint fingertip(12, 4);
    ok = saveBytes(iconFile({cursorImage()}, &fingertip), windows + QStringLiteral("/hand.cur")) &&
         ok;
    ok = QDir().mkpath(windows) &&
         aboutImage()
             .convertToFormat(QImage::Format_RGB888)
             .save(windows + QStringLiteral("/about.bmp"), "BMP") &&
         ok;
    return ok ? 0 : 1;
}
