// Paints every picture the program carries: the toolbar and menu icons, the About picture and
// the program icon. Run it with the repository's images folder as argument and commit the result.

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTextStream>
#include <functional>

namespace {

using Painter = std::function<void(QPainter &, qreal size)>;

const QColor Outline(0x1d, 0x3f, 0x7a);
const QColor BlueLight(0x8c, 0xc4, 0xff);
const QColor BlueDark(0x1f, 0x5f, 0xc8);
// Drawn under a dark stroke, so that it stays visible on a dark background.
const QColor Halo(255, 255, 255, 170);

// A dark stroke with a light edge around it.
void haloed(QPainter &p, const QPainterPath &path, const QPen &pen)
{
    QPen edge = pen;
    edge.setColor(Halo);
    edge.setWidthF(pen.widthF() + 1.2);
    p.strokePath(path, edge);
    p.strokePath(path, pen);
}

// A closed outline on the 16-unit grid at size s, shaded from y0 down to y1, with a haloed edge.
void shape(QPainter &p, qreal s, const QPolygonF &corners, qreal y0, qreal y1, const QColor &top,
           const QColor &bottom, const QColor &edge)
{
    p.save();
    p.scale(s / 16.0, s / 16.0);
    QPainterPath path;
    path.addPolygon(corners);
    path.closeSubpath();
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.fillPath(path, g);
    haloed(p, path, QPen(edge, 1));
    p.restore();
}

QImage paint(int width, int height, const Painter &painter)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    painter(p, qMin(width, height));
    return image;
}

void blueDisc(QPainter &p, QRectF r)
{
    QRadialGradient g(r.center().x() - r.width() * 0.2, r.top() + r.height() * 0.25, r.width());
    g.setColorAt(0, BlueLight);
    g.setColorAt(0.6, BlueDark);
    g.setColorAt(1, Outline);
    p.setBrush(g);
    p.setPen(Qt::NoPen);
    p.drawEllipse(r);
    QPainterPath rim;
    rim.addEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
    haloed(p, rim, QPen(Outline, r.width() / 16.0));
}

// A blue round transport button; glyph is drawn in a 16-unit box centred on the disc.
Painter transportButton(const std::function<void(QPainter &)> &glyph)
{
    return [glyph](QPainter &p, qreal s) {
        blueDisc(p, QRectF(0.5, 0.5, s - 1, s - 1));
        p.save();
        p.scale(s / 16.0, s / 16.0);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        glyph(p);
        p.restore();
    };
}

void triangle(QPainter &p, qreal x, qreal y, qreal w, qreal h, bool right)
{
    QPainterPath path;
    if (right) {
        path.moveTo(x, y);
        path.lineTo(x + w, y + h / 2);
        path.lineTo(x, y + h);
    } else {
        path.moveTo(x + w, y);
        path.lineTo(x, y + h / 2);
        path.lineTo(x + w, y + h);
    }
    path.closeSubpath();
    p.drawPath(path);
}

// A small blue disc with a play sign, in a 16-unit box.
void transportButtonGlyph(QPainter &p)
{
    blueDisc(p, QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    triangle(p, 6, 4.5, 5.5, 7, true);
}

void speaker(QPainter &p, qreal s)
{
    shape(p, s, {{1.5, 5.5}, {4.5, 5.5}, {8.5, 1.5}, {8.5, 14.5}, {4.5, 10.5}, {1.5, 10.5}}, 2, 14,
          QColor(0xd8, 0xd8, 0xd8), QColor(0x80, 0x80, 0x80), QColor(0x40, 0x40, 0x40));
}

// A plug and its socket: joined when connected, apart with a break between them when not, so
// that the two differ by their shape and not only by the colour of the plug's band.
void connector(QPainter &p, qreal s, bool joined)
{
    p.save();
    p.scale(s / 16.0, s / 16.0);
    // cable
    QPainterPath cable;
    cable.moveTo(1.5, 14.5);
    cable.lineTo(4.5, 11.5);
    haloed(p, cable, QPen(QColor(0x30, 0x30, 0x30), 2, Qt::SolidLine, Qt::RoundCap));
    // the socket, top right
    p.save();
    p.translate(joined ? 11.5 : 13, joined ? 4.5 : 3);
    p.rotate(-45);
    p.setBrush(QColor(0x50, 0x50, 0x50));
    p.setPen(QPen(Halo, 0.8));
    p.drawRoundedRect(QRectF(-3.5, -3, 7, 3.5), 0.8, 0.8);
    p.restore();
    // plug body
    p.translate(joined ? 8.5 : 7, joined ? 7.5 : 9);
    p.rotate(-45);
    QLinearGradient g(-4, 0, 4, 0);
    g.setColorAt(0, BlueLight);
    g.setColorAt(1, BlueDark);
    p.setBrush(g);
    p.setPen(QPen(Outline, 0.8));
    p.drawRoundedRect(QRectF(-3.5, -3, 7, 7), 1, 1);
    p.setBrush(joined ? QColor(0x2e, 0xb8, 0x3a) : QColor(0x9a, 0x9a, 0x9a));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(-3.1, 1.5, 6.2, 2));
    // pins, in the socket or out in the open
    p.setBrush(QColor(0xc0, 0xc0, 0xc0));
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 0.5));
    p.drawRect(QRectF(-2.5, -5, 1.5, 2));
    p.drawRect(QRectF(1, -5, 1.5, 2));
    p.restore();
    if (!joined) { // the break
        QPainterPath mark;
        mark.moveTo(8.5, 4);
        mark.lineTo(12, 7.5);
        haloed(p, mark,
               QPen(QColor(0xc0, 0x20, 0x20), 1.2 * s / 16.0, Qt::SolidLine, Qt::RoundCap));
    }
}

// Load: a folder with a play sign, so that it is not taken for Play.
void folderLoad(QPainter &p, qreal s)
{
    shape(p, s, {{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}}, 3, 14,
          QColor(0xf6, 0xd7, 0x7c), QColor(0xd9, 0xa3, 0x2c), QColor(0x7a, 0x54, 0x10));
    p.save();
    p.translate(s * 0.4, s * 0.4);
    p.scale(s / 32.0, s / 32.0);
    transportButtonGlyph(p);
    p.restore();
}

void door(QPainter &p, qreal s)
{
    p.save();
    p.scale(s / 16.0, s / 16.0);
    p.setPen(QPen(QColor(0x4a, 0x2c, 0x10), 1));
    p.setBrush(QColor(0x6e, 0x6e, 0x6e));
    p.drawRect(QRectF(3.5, 0.5, 10, 15)); // frame
    QLinearGradient g(4, 0, 12, 0);
    g.setColorAt(0, QColor(0xd9, 0x9a, 0x55));
    g.setColorAt(1, QColor(0x9c, 0x5e, 0x24));
    p.setBrush(g);
    p.drawRect(QRectF(4.5, 1.5, 8, 14)); // leaf
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf5, 0xd0, 0x40));
    p.drawEllipse(QRectF(10, 8, 2, 2)); // knob
    p.restore();
}

void information(QPainter &p, qreal s)
{
    blueDisc(p, QRectF(0.5, 0.5, s - 1, s - 1));
    p.save();
    p.scale(s / 16.0, s / 16.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6.8, 2.8, 2.4, 2.4));
    p.drawRect(QRectF(7, 6.5, 2, 6));
    p.drawRect(QRectF(6, 6.5, 1, 1));
    p.drawRect(QRectF(6, 11.5, 4, 1));
    p.restore();
}

void emailEdit(QPainter &p, qreal s)
{
    p.save();
    p.scale(s / 16.0, s / 16.0);
    QLinearGradient g(0, 3, 0, 13);
    g.setColorAt(0, Qt::white);
    g.setColorAt(1, QColor(0xd8, 0xe2, 0xf0));
    p.setBrush(g);
    p.setPen(QPen(QColor(0x5a, 0x6e, 0x8c), 1));
    p.drawRect(QRectF(0.5, 3.5, 12, 9));
    p.drawPolyline(QPolygonF({QPointF(0.5, 3.5), QPointF(6.5, 8.5), QPointF(12.5, 3.5)}));
    // pencil across the lower right corner
    p.translate(12, 10);
    p.rotate(-45);
    p.setPen(QPen(QColor(0x60, 0x40, 0x10), 0.6));
    p.setBrush(QColor(0xf2, 0xb8, 0x2a));
    p.drawRect(QRectF(-1.5, -6, 3, 8));
    p.setBrush(QColor(0xf0, 0xd8, 0xb0));
    QPainterPath tip;
    tip.moveTo(-1.5, 2);
    tip.lineTo(1.5, 2);
    tip.lineTo(0, 4.5);
    tip.closeSubpath();
    p.drawPath(tip);
    p.setBrush(QColor(0xe0, 0x70, 0x70));
    p.drawRect(QRectF(-1.5, -7.2, 3, 1.2));
    p.restore();
}

void house(QPainter &p, qreal s)
{
    p.save();
    p.scale(s / 16.0, s / 16.0);
    p.setPen(QPen(QColor(0x80, 0x60, 0x40), 1));
    p.setBrush(QColor(0xf4, 0xe8, 0xd0));
    p.drawRect(QRectF(3.5, 7.5, 9, 7)); // walls
    QPainterPath roof;
    roof.moveTo(0.5, 8.5);
    roof.lineTo(8, 1);
    roof.lineTo(15.5, 8.5);
    roof.closeSubpath();
    p.setPen(QPen(QColor(0x7a, 0x1e, 0x12), 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0xd2, 0x3c, 0x28));
    p.drawPath(roof);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x5a, 0x8f, 0x2c));
    p.drawRect(QRectF(7, 10, 3, 4.5)); // door
    p.setBrush(QColor(0x7c, 0xb4, 0xe8));
    p.drawRect(QRectF(4.5, 9.5, 2, 2)); // window
    p.restore();
}

void plusMinus(QPainter &p, qreal s, bool plus)
{
    p.save();
    p.scale(s / 8.0, s / 8.0);
    QPainterPath sign;
    sign.setFillRule(Qt::WindingFill);
    sign.addRect(QRectF(1, 3, 6, 2));
    if (plus)
        sign.addRect(QRectF(3, 1, 2, 6));
    sign = sign.simplified();
    p.strokePath(sign, QPen(Halo, 1));
    p.fillPath(sign, QColor(0x40, 0x40, 0x40));
    p.restore();
}

void powerButton(QPainter &p, QRectF r)
{
    blueDisc(p, r);
    const qreal w = r.width();
    const QPointF c = r.center();
    QPen pen(Qt::white, w * 0.09, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const qreal ring = w * 0.26;
    p.drawArc(QRectF(c.x() - ring, c.y() - ring, 2 * ring, 2 * ring), 60 * 16, -300 * 16);
    p.drawLine(QPointF(c.x(), c.y() - ring * 1.25), QPointF(c.x(), c.y() - ring * 0.2));
}

// The program icon: a rounded tile with a play sign and sound waves.
Painter programIcon(const QColor &top, const QColor &bottom)
{
    return [top, bottom](QPainter &p, qreal s) {
        const qreal m = s / 32.0;
        QRectF tile(m, m, s - 2 * m, s - 2 * m);
        QLinearGradient g(0, 0, 0, s);
        g.setColorAt(0, top);
        g.setColorAt(1, bottom);
        p.setBrush(g);
        p.setPen(QPen(bottom.darker(150), qMax(1.0, s / 64.0)));
        p.drawRoundedRect(tile, s * 0.18, s * 0.18);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        triangle(p, s * 0.2, s * 0.3, s * 0.3, s * 0.4, true);
        p.setBrush(Qt::NoBrush);
        QPen wave(Qt::white, qMax(1.2, s * 0.07), Qt::SolidLine, Qt::RoundCap);
        p.setPen(wave);
        const QPointF c(s * 0.5, s * 0.5);
        for (int i = 1; i <= 2; ++i) {
            const qreal r = s * (0.1 + 0.13 * i);
            p.drawArc(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -50 * 16, 100 * 16);
        }
    };
}

// --- Windows icon file -------------------------------------------------------------------------

struct IconImage
{
    int size;
    int bitCount; // 4, 8 or 32; the 256 image is stored as PNG
};

// The sixteen colours every Windows display can show.
QList<QRgb> windowsPalette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

int rowBytes(int width, int bitCount)
{
    return ((width * bitCount + 31) / 32) * 4;
}

// A device-independent bitmap as icons store it: header, palette, colour rows bottom-up, then
// the transparency mask.
QByteArray iconBitmap(const QImage &picture, int bitCount)
{
    const QImage rgba = picture.convertToFormat(QImage::Format_ARGB32);
    const int size = rgba.width();
    QImage indexed;
    if (bitCount == 4)
        indexed = rgba.convertToFormat(QImage::Format_Indexed8, windowsPalette16(),
                                       Qt::ThresholdDither | Qt::AvoidDither);
    else if (bitCount == 8)
        indexed = rgba.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    const int colourRow = rowBytes(size, bitCount);
    const int maskRow = rowBytes(size, 1);

    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(40) << qint32(size) << qint32(2 * size) << quint16(1) << quint16(bitCount)
        << quint32(0) << quint32((colourRow + maskRow) * size) << qint32(0) << qint32(0)
        << quint32(0) << quint32(0);
    if (bitCount <= 8) {
        QList<QRgb> palette = indexed.colorTable();
        palette.resize(1 << bitCount, qRgb(0, 0, 0));
        for (QRgb colour : palette)
            out << quint8(qBlue(colour)) << quint8(qGreen(colour)) << quint8(qRed(colour))
                << quint8(0);
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; x < size; ++x) {
            if (bitCount == 32) {
                const QRgb pixel = rgba.pixel(x, y);
                row[4 * x] = char(qBlue(pixel));
                row[4 * x + 1] = char(qGreen(pixel));
                row[4 * x + 2] = char(qRed(pixel));
                row[4 * x + 3] = char(qAlpha(pixel));
            } else if (bitCount == 8) {
                row[x] = char(indexed.pixelIndex(x, y));
            } else {
                row[x / 2] = char(row[x / 2] | (indexed.pixelIndex(x, y) << (x % 2 ? 0 : 4)));
            }
        }
        out.writeRawData(row.constData(), row.size());
    }
    for (int y = size - 1; y >= 0; --y) {
        QByteArray row(maskRow, '\0');
        for (int x = 0; x < size; ++x) {
            if (qAlpha(rgba.pixel(x, y)) < 128)
                row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        }
        out.writeRawData(row.constData(), row.size());
    }
    return data;
}

bool writeIcon(const QString &path, const QList<IconImage> &images,
               const std::function<QImage(int)> &render)
{
    QList<QByteArray> blobs;
    for (const IconImage &image : images) {
        if (image.size == 256) {
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            render(256).save(&buffer, "PNG");
            blobs << png;
        } else {
            blobs << iconBitmap(render(image.size), image.bitCount);
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * images.size();
    for (int i = 0; i < images.size(); ++i) {
        const IconImage &image = images[i];
        out << quint8(image.size % 256) << quint8(image.size % 256)
            << quint8(image.bitCount == 4 ? 16 : 0) << quint8(0) << quint16(1)
            << quint16(image.bitCount) << quint32(blobs[i].size()) << offset;
        offset += blobs[i].size();
    }
    for (const QByteArray &blob : blobs)
        out.writeRawData(blob.constData(), blob.size());
    return out.status() == QDataStream::Ok;
}

struct Picture
{
    const char *file;
    int width;
    int height;
    Painter painter;
};

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tessary-artwork <images folder>\n";
        return 2;
    }
    const QDir images(QString::fromLocal8Bit(argv[1]));

    const QList<Picture> pictures{
        {"ressources/UpValue6.png", 8, 8,
         [](QPainter &p, qreal s) {
             plusMinus(p, s, true);
         }},
        {"ressources/DownValue6.png", 8, 8,
         [](QPainter &p, qreal s) {
             plusMinus(p, s, false);
         }},
        {"ressources/control_play_blue.png", 16, 16,
         transportButton([](QPainter &p) { triangle(p, 6, 4.5, 5.5, 7, true); })},
        {"ressources/control_stop_blue.png", 16, 16,
         transportButton([](QPainter &p) { p.drawRect(QRectF(5, 5, 6, 6)); })},
        {"ressources/control_pause_blue.png", 16, 16, transportButton([](QPainter &p) {
             p.drawRect(QRectF(5, 4.5, 2, 7));
             p.drawRect(QRectF(9, 4.5, 2, 7));
         })},
        {"ressources/control_start_blue.png", 16, 16, transportButton([](QPainter &p) {
             p.drawRect(QRectF(4.5, 4.5, 1.5, 7));
             triangle(p, 6, 4.5, 5.5, 7, false);
         })},
        {"ressources/control_end_blue.png", 16, 16, transportButton([](QPainter &p) {
             triangle(p, 4.5, 4.5, 5.5, 7, true);
             p.drawRect(QRectF(10, 4.5, 1.5, 7));
         })},
        {"ressources/control_fastforward_blue.png", 16, 16, transportButton([](QPainter &p) {
             triangle(p, 3.5, 5, 4.5, 6, true);
             triangle(p, 8, 5, 4.5, 6, true);
         })},
        {"ressources/control_rewind_blue.png", 16, 16, transportButton([](QPainter &p) {
             triangle(p, 3.5, 5, 4.5, 6, false);
             triangle(p, 8, 5, 4.5, 6, false);
         })},
        {"ressources/sound_none.png", 16, 16,
         [](QPainter &p, qreal s) {
             speaker(p, s);
         }},
        {"ressources/sound.png", 16, 16,
         [](QPainter &p, qreal s) {
             speaker(p, s);
             p.scale(s / 16.0, s / 16.0);
             p.setPen(QPen(QColor(0xd0, 0x20, 0x20), 1.2, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(6.5, 5, 6, 6), -55 * 16, 110 * 16);
             p.drawArc(QRectF(5, 2.5, 10, 11), -55 * 16, 110 * 16);
         }},
        {"ressources/connect.png", 16, 16,
         [](QPainter &p, qreal s) {
             connector(p, s, true);
         }},
        {"ressources/disconnect.png", 16, 16,
         [](QPainter &p, qreal s) {
             connector(p, s, false);
         }},
        {"ressources/folder_load_blue.png", 16, 16, folderLoad},
        {"ressources/door.png", 16, 16, door},
        {"ressources/information.png", 16, 16, information},
        {"ressources/email_edit.png", 16, 16, emailEdit},
        {"ressources/house.png", 16, 16, house},
        {"ressources/About.png", 128, 192,
         [](QPainter &p, qreal s) {
             p.scale(s / 128.0, s / 128.0);
             powerButton(p, QRectF(8.5, 72.5, 111, 111));
         }},
        // Window icons: large enough for any title bar or task switcher, small enough to load
        // in no time at start-up.
        {"icons/tessary.png", 64, 64,
         programIcon(QColor(0x2f, 0xb5, 0xa8), QColor(0x13, 0x5e, 0x66))},
        {"icons/tessary-blue.png", 64, 64, programIcon(BlueLight, BlueDark)},
    };

    int failures = 0;
    const auto report = [&failures](bool written, const QString &path) {
        if (!written) {
            QTextStream(stderr) << "cannot write " << path << '\n';
            ++failures;
        }
    };
    // Each picture at its size, and twice as large for screens of twice the density: Qt takes
    // the "@2x" copy by itself there.
    for (const Picture &picture : pictures) {
        const QString path = images.filePath(QLatin1String(picture.file));
        report(paint(picture.width, picture.height, picture.painter).save(path, "PNG"), path);
        if (!path.contains(QLatin1String("ressources/")))
            continue;
        const QString large = path.chopped(4) + QStringLiteral("@2x.png");
        report(paint(2 * picture.width, 2 * picture.height, picture.painter).save(large, "PNG"),
               large);
    }

    // The program icon for desktop menus, at the sizes of the hicolor theme, and for Windows.
    const Painter icon = programIcon(QColor(0x2f, 0xb5, 0xa8), QColor(0x13, 0x5e, 0x66));
    const auto render = [&icon](int size) {
        return paint(size, size, icon);
    };
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString path =
            images.filePath(QStringLiteral("icons/hicolor/tessary-%1.png").arg(size));
        report(render(size).save(path, "PNG"), path);
    }
    const QString ico = images.filePath(QStringLiteral("icons/tessary.ico"));
    report(
        writeIcon(
            ico,
            {{32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {256, 32}, {48, 32}, {32, 32}, {16, 32}},
            render),
        ico);
    return failures == 0 ? 0 : 1;
}
