#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Where the settings file lives. Beside the program when it runs from a folder of the user's
// own that can be written (a portable copy on a stick keeps its settings with it); otherwise in a
// per-user folder, so an installed program keeps them for each user apart, whoever runs it. Every
// write replaces the file whole or leaves the old one as it was, and never writes through a link
// to anything but a regular file.
class SettingsStore
{
public:
    // A program folder inside one of installPrefixes is an installation, never a portable copy.
    SettingsStore(const QString &programDir, const QString &userDir, const QString &fileName,
                  const QStringList &installPrefixes = {});

    // Beside the executable and in "tessary" under the per-user configuration location (taken
    // from the password database when HOME is unset).
    static SettingsStore forApplication();

    QString programFilePath() const { return m_programFile; }
    QString userFilePath() const { return m_userFile; }

    // The file a start reads: the one beside the program when it can be read and written back
    // there, else the per-user one, else a read-only one beside the program. Only regular files
    // that can be read count: a folder, a link to nowhere or a file without read permission in
    // the file's place is passed over, and saves go to the per-user folder instead.
    QString loadPath() const;

    // Nothing when there is no file, it cannot be read, or it is far too large to be a settings
    // file.
    std::optional<QString> read() const;
    // False when the text could not be stored where the next start will read it; the file
    // there is then left as it was, and why names it and tells the reason.
    bool write(const QString &text, QString *why = nullptr) const;

private:
    bool programFileIsReadable() const;
    // The program runs as a portable copy: its file can be read and its folder, the user's own
    // and outside any installation, takes a replacement.
    bool programFileIsKept() const;

    QString m_programDir;
    QStringList m_installPrefixes;
    QString m_programFile;
    QString m_userDir;
    QString m_userFile;
};
