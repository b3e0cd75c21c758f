#include "model/installation.h"
#include "storage/safefile.h"
#include "storage/settingsstore.h"

#include <QFileInfo>

QString Installation::windowFile()
{
    return QFileInfo(SettingsStore::forApplication().userFilePath()).path() +
           QLatin1String("/installation.txt");
}

std::optional<QByteArray> Installation::read(const QString &path, QString *why)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return std::nullopt;
    std::optional<QByteArray> bytes = SafeFile::read(path, 1024 * 1024);
    if (!bytes)
        *why = QStringLiteral("not a regular file of at most 1 MiB");
    return bytes;
}

Installation Installation::load(const QString &path)
{
    QString why;
    const std::optional<QByteArray> bytes = read(path, &why);
    if (!why.isEmpty()) {
        Installation unreadable;
        unreadable.m_problems << why;
        return unreadable;
    }
    return bytes ? parse(text(*bytes)) : Installation();
}

bool Installation::save(const QString &path, QString *why) const
{
    // A file read is written with its own line ends; a new one with the system's.
    return SafeFile::write(path, bytes(), why,
                           m_pieces.isEmpty() ? QIODevice::Text : QIODevice::NotOpen);
}

Installation InstallationFile::load()
{
    m_unreadable.clear();
    m_known = Installation::read(m_path, &m_unreadable);
    if (!m_unreadable.isEmpty()) {
        Installation unreadable;
        unreadable.m_problems << m_unreadable;
        return unreadable;
    }
    if (!m_known)
        return {};
    bool isUtf8 = true;
    Installation installation = Installation::parse(Installation::text(*m_known, &isUtf8));
    // What is not UTF-8 could not be written back as it was.
    if (!isUtf8) {
        m_unreadable = QStringLiteral("not UTF-8 text");
        installation.m_problems.prepend(m_unreadable);
    }
    return installation;
}

InstallationFile::Saved InstallationFile::save(const Installation &installation, QString *why)
{
    if (!m_unreadable.isEmpty()) {
        *why = QStringLiteral("%1 is kept as it is, since it could not be read whole: %2")
                   .arg(m_path, m_unreadable);
        return Saved::No;
    }
    QString unread;
    if (Installation::read(m_path, &unread) != m_known || !unread.isEmpty()) {
        *why = QStringLiteral("%1 was changed by another program since it was read; it is read "
                              "again, and the change is to be made once more")
                   .arg(m_path);
        return Saved::ChangedMeanwhile;
    }
    if (!installation.save(m_path, why))
        return Saved::No;
    m_known = Installation::read(m_path, &unread);
    return Saved::Yes;
}
