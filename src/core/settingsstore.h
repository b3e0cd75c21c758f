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

    // The file a start reads: the one beside the program when it exists and can be written back
    // there, else the per-user one, else a read-only one beside the program.
    QString loadPath() const;

    std::optional<QString> read() const;
    bool write(const QString &text) const;

private:
    QString m_programFile;
    QString m_userDir;
    QString m_userFile;
};
