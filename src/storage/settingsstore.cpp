#include "storage/settingsstore.h"

#include "storage/configfile.h"
#include "storage/safefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

// A settings file is a few hundred bytes. Anything far larger is not one, and reading it all
// would only slow the start.
constexpr qint64 MaxFileSize = 64 * 1024;

// A regular file, or a link to one: not a folder, a device or a link to nowhere.
bool isPlainFile(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool writeWhole(const QString &path, const QString &text, QString *why)
{
    return SafeFile::write(path, text.toUtf8(), why, QIODevice::Text);
}

// The folder lies in an installation, or belongs to someone else: whoever runs the program
// there, even its owner as root, keeps settings of their own.
bool isInstalled(const QString &programDir, const QStringList &prefixes)
{
    const QString dir = QFileInfo(programDir).canonicalFilePath() + QLatin1Char('/');
    for (const QString &prefix : prefixes) {
        const QString installed = QFileInfo(prefix).canonicalFilePath();
        if (!installed.isEmpty() && dir.startsWith(installed + QLatin1Char('/')))
            return true;
    }
#ifdef Q_OS_UNIX
    return QFileInfo(programDir).ownerId() != uint(geteuid());
#else
    return false;
#endif
}

QString userConfigDirectory()
{
#ifdef Q_OS_UNIX
    // Without HOME, Qt takes the root folder for home: as root that would put the settings of
    // a service or a cron job into /.config.
    if (qEnvironmentVariableIsEmpty("HOME") && qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        if (const passwd *user = getpwuid(geteuid()))
            return QFile::decodeName(user->pw_dir) + QLatin1String("/.config");
    }
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

} // namespace

SettingsStore::SettingsStore(const QString &programDir, const QString &userDir,
                             const QString &fileName, const QStringList &installPrefixes)
    : m_programDir(programDir), m_installPrefixes(installPrefixes),
      m_programFile(QDir(programDir).absoluteFilePath(fileName)), m_userDir(userDir),
      m_userFile(QDir(userDir).absoluteFilePath(fileName))
{}

SettingsStore SettingsStore::forApplication()
{
    return SettingsStore(
        QCoreApplication::applicationDirPath(), userConfigDirectory() + QLatin1String("/tessary"),
        ConfigFile::fileName(QCoreApplication::applicationName()),
        {QStringLiteral(TESSARY_INSTALL_PREFIX), QStringLiteral("/usr"), QStringLiteral("/opt")});
}

bool SettingsStore::programFileIsReadable() const
{
    return isPlainFile(m_programFile) && QFileInfo(m_programFile).isReadable();
}

bool SettingsStore::programFileIsKept() const
{
    return programFileIsReadable() && QFileInfo(m_programDir).isWritable() &&
           !isInstalled(m_programDir, m_installPrefixes);
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
    const std::optional<QByteArray> bytes = SafeFile::read(path, MaxFileSize, QIODevice::Text);
    if (!bytes)
        return std::nullopt;
    return QString::fromUtf8(*bytes);
}

bool SettingsStore::write(const QString &text, QString *why) const
{
    QString reason;
    const bool portable =
        QFileInfo(m_programDir).isWritable() && !isInstalled(m_programDir, m_installPrefixes);
    if (portable && writeWhole(m_programFile, text, &reason))
        return true;
    // A copy in the per-user folder would never be read while the file beside the program is
    // there to be read first: better to report the failure than to save where no start looks.
    bool saved = false;
    if (!programFileIsKept()) {
        // The reason given is the one of the file tried last.
        reason.clear();
        saved = QDir().mkpath(m_userDir) && writeWhole(m_userFile, text, &reason);
        if (!saved && reason.isEmpty())
            reason = m_userDir + QLatin1String(": ") +
                     QCoreApplication::translate("SettingsStore", "the folder cannot be made");
    }
    if (why)
        *why = reason;
    return saved;
}
