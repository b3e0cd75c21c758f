#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <utility>

class QSettings;

// What the window keeps beside the settings file, whose 27 lines stay as they are: whether the
// log is shown, which adapter the saved port was, remote control and the broker.
namespace WindowState {

// Read only from a regular file of a sensible size: a link to a device or a FIFO is never read.
QVariant kept(const QString &key, const QVariant &fallback = {});
// Written in place of a regular file or of nothing; the reason when it could not be.
QString keep(const QList<std::pair<QString, QVariant>> &values);
QString keepSettings(const QString &path, const std::function<void(QSettings &)> &write);

} // namespace WindowState
