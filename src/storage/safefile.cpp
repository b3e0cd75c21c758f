#include "storage/safefile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace SafeFile {

QString refusal(const QString &path)
{
    // The save renames a new file over what the path leads to: never over a device, a FIFO or
    // a socket, and never through a link that leads nowhere.
    const QFileInfo target(path);
    if ((target.exists() || target.isSymLink()) && !target.isFile())
        return path + QLatin1String(": ") +
               QCoreApplication::translate("SafeFile", "not a regular file");
    return {};
}

bool write(const QString &path, const QByteArray &bytes, QString *why, QIODevice::OpenMode mode)
{
    QString refused = refusal(path);
    if (!refused.isEmpty()) {
        if (why)
            *why = refused;
        return false;
    }
    // Unbuffered, so a short write on a full disk shows in what write() returns: through a
    // buffer it is lost, and commit() would put a truncated file in place of the good one. After
    // a short write the rest is written again, so that the system says why it stopped.
    QSaveFile file(path);
    qint64 written = 0;
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered | mode)) {
        for (qint64 n = 0; written < bytes.size(); written += n) {
            n = file.write(bytes.constData() + written, bytes.size() - written);
            if (n <= 0)
                break;
        }
    }
    if (file.isOpen() && written == bytes.size() && file.commit())
        return true;
    if (why)
        *why = path + QLatin1String(": ") + file.errorString();
    file.cancelWriting();
    return false;
}

std::optional<QByteArray> read(const QString &path, qint64 maxSize, QIODevice::OpenMode mode)
{
    if (!QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | mode))
        return std::nullopt;
    // The size is read back rather than trusted, as the file may grow while it is read.
    QByteArray bytes = file.read(maxSize + 1);
    if (bytes.size() > maxSize)
        return std::nullopt;
    return bytes;
}

} // namespace SafeFile
