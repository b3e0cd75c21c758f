#pragma once

#include <QString>
#include <optional>

// Where the settings file lives. Beside the program when its folder can be written (a portable
// copy on a stick keeps its settings with it); otherwise in a per-user folder, so an installed
// program keeps them too. Every write replaces the file whole or leaves the old one as it was.
class SettingsStore
{
public:
    SettingsStore(const QString &programDir, const QString &userDir, const QString &fileName);

    // Beside the executable and in "tessary" under the per-user configuration location.
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
    // there is then left as it was.
    bool write(const QString &text) const;

private:
    bool programFileIsReadable() const;
    // The file beside the program can be read and its folder takes a replacement.
    bool programFileIsKept() const;

    QString m_programFile;
    QString m_userDir;
    QString m_userFile;
};
