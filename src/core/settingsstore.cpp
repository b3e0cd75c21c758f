#include "settingsstore.h"

#include "configfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

bool writeWhole(const QString &path, const QString &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace

SettingsStore::SettingsStore(const QString &programDir, const QString &userDir,
                             const QString &fileName)
    : m_programFile(QDir(programDir).absoluteFilePath(fileName)), m_userDir(userDir),
      m_userFile(QDir(userDir).absoluteFilePath(fileName))
{}

SettingsStore SettingsStore::forApplication()
{
    const QString userDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
        QLatin1String("/tessary");
    return SettingsStore(QCoreApplication::applicationDirPath(), userDir,
                         ConfigFile::fileName(QCoreApplication::applicationName()));
}

QString SettingsStore::loadPath() const
{
    const QFileInfo beside(m_programFile);
    const bool userFileExists = QFileInfo::exists(m_userFile);
    const bool besideIsKept = QFileInfo(beside.absolutePath()).isWritable();
    if (beside.exists() && (besideIsKept || !userFileExists))
        return m_programFile;
    return userFileExists ? m_userFile : QString();
}

std::optional<QString> SettingsStore::read() const
{
    const QString path = loadPath();
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    return QString::fromUtf8(file.readAll());
}

bool SettingsStore::write(const QString &text) const
{
    if (writeWhole(m_programFile, text))
        return true;
    return QDir().mkpath(m_userDir) && writeWhole(m_userFile, text);
}
