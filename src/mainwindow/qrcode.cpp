#include "mainwindow/qrcode.h"

#include <QImage>
#include <qrencode.h>

namespace QrCode {

QPixmap pixmap(const QString &text, int scale)
{
    QRcode *code = QRcode_encodeString(text.toUtf8().constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code)
        return {};
    constexpr int Quiet = 4; // modules of white all round
    const int side = code->width + 2 * Quiet;
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x)
            if (code->data[y * code->width + x] & 1)
                image.setPixel(x + Quiet, y + Quiet, qRgb(0, 0, 0));
    QRcode_free(code);
    return QPixmap::fromImage(image.scaled(side * scale, side * scale));
}

} // namespace QrCode
