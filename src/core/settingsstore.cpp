#include "settingsstore.h"

#include "configfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// A settings file is a few hundred bytes. Anything far larger is not one, and reading it all
// would only slow the start.
constexpr qint64 MaxFileSize = 64 * 1024;

// A regular file, or a link to one: not a folder, a device or a link to nowhere.
bool isPlainFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool writeWhole(const QString &path, const QString &text)
{
    // Unbuffered, so a short write on a full disk shows in what write() returns: through the
    // buffer it is lost, and commit() would put a truncated file in place of the good one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Unbuffered))
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

bool SettingsStore::programFileIsReadable() const
{
    return isPlainFile(m_programFile) && QFileInfo(m_programFile).isReadable();
}

bool SettingsStore::programFileIsKept() const
{
    return programFileIsReadable() &&
           QFileInfo(QFileInfo(m_programFile).absolutePath()).isWritable();
}

QString SettingsStore::loadPath() const
{
    const bool userFileExists = isPlainFile(m_userFile);
    if (programFileIsKept() || (programFileIsReadable() && !userFileExists))
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
    // The size is read back rather than trusted, as the file may grow while it is read.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize)
        return std::nullopt;
    return QString::fromUtf8(bytes);
}

bool SettingsStore::write(const QString &text) const
{
    if (writeWhole(m_programFile, text))
        return true;
    // A copy in the per-user folder would never be read while the file beside the program is
    // there to be read first: better to report the failure than to save where no start looks.
    if (programFileIsKept())
        return false;
    return QDir().mkpath(m_userDir) && writeWhole(m_userFile, text);
}
