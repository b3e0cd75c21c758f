#pragma once

#include <QPixmap>
#include <QString>

// A QR code to scan with a phone, drawn with libqrencode.
namespace QrCode {

// Each module `scale` pixels, with the quiet zone the standard asks; none when the text does
// not fit one.
QPixmap pixmap(const QString &text, int scale);

} // namespace QrCode
