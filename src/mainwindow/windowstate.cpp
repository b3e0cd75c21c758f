#include "mainwindow/windowstate.h"

#include "storage/safefile.h"
#include "storage/settingsstore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>

namespace WindowState {

namespace {

constexpr qint64 MaxFileBytes = 64 * 1024;

QString file()
{
    return QFileInfo(SettingsStore::forApplication().userFilePath()).path() +
           QLatin1String("/window.ini");
}

} // namespace

QVariant kept(const QString &key, const QVariant &fallback)
{
    const QFileInfo there(file());
    if (!there.isFile() || there.size() > MaxFileBytes)
        return fallback;
    return QSettings(there.filePath(), QSettings::IniFormat).value(key, fallback);
}

QString keepSettings(const QString &path, const std::function<void(QSettings &)> &write)
{
    QString refused = SafeFile::refusal(path);
    if (!refused.isEmpty())
        return refused;
    QSettings kept(path, QSettings::IniFormat);
    write(kept);
    kept.sync();
    return kept.status() == QSettings::NoError
               ? QString()
               : path + QLatin1String(": ") +
                     QCoreApplication::translate("SafeFile", "could not be written");
}

QString keep(const QList<std::pair<QString, QVariant>> &values)
{
    return keepSettings(file(), [&values](QSettings &state) {
        for (const auto &[key, value] : values)
            state.setValue(key, value);
    });
}

} // namespace WindowState
