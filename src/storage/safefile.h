#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <optional>

// Every file the program writes goes through here: the settings, the window's state, a saved
// command log. A write replaces the file whole or leaves it as it was, and never goes through a
// link to anything but a regular file: a device node, a FIFO, a socket, a folder or a link to
// nowhere in the file's place is refused with a reason, and stays as it is.
namespace SafeFile {

// Why the file cannot be replaced, "<path>: <reason>"; empty when it can.
QString refusal(const QString &path);

// False, with "<path>: <reason>" in why (the system's own words for a full disk or a size
// limit), when the file could not be replaced. mode may add QIODevice::Text.
bool write(const QString &path, const QByteArray &bytes, QString *why,
           QIODevice::OpenMode mode = {});

// The bytes of a regular file (or a link to one) of at most maxSize bytes; nothing for anything
// else, so that a link to a device or a FIFO is never read.
std::optional<QByteArray> read(const QString &path, qint64 maxSize, QIODevice::OpenMode mode = {});

} // namespace SafeFile
