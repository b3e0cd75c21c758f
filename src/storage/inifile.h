#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// A configuration file read strictly, as a person writes it and as QSettings writes it:
//   ; comments and # comments on lines of their own
//   [section]
//   key=value            a value "in quotes" may hold what a bare one may not
// Every section and key must be one the reader knows: a misspelt name is refused with the
// nearest known one, a key given twice with both lines, a line that is none of these with its
// number. Values are read by what they stand for: a true/false setting, a number in its range,
// a list of "," or ";" separated entries. What is wrong is kept in errors(), each with its line.
class IniFile
{
public:
    // The sections a reader knows, each with its keys.
    using Schema = QList<std::pair<QString, QStringList>>;

    // Nothing read: every value falls back.
    IniFile() = default;
    static IniFile parse(const QByteArray &bytes, const Schema &schema);
    // A file of at most 1 MiB, a regular file or a link to one; a file that is not there is an
    // empty one.
    static IniFile load(const QString &path, const Schema &schema);

    // What is wrong with it, "line 3: ..."; empty when nothing is.
    QStringList errors() const { return m_errors; }
    bool contains(const QString &section, const QString &key) const;
    QString text(const QString &section, const QString &key, const QString &fallback = {}) const;
    // true, false, yes, no, on, off, 1, 0 (in any case); anything else is an error.
    bool flag(const QString &section, const QString &key, bool fallback);
    // A whole number from least to most; anything else is an error.
    uint number(const QString &section, const QString &key, uint least, uint most, uint fallback);
    // Entries separated by "," or ";", each trimmed; none for an empty value.
    QStringList list(const QString &section, const QString &key) const;

    // The nearest of the known names to one that is not known: the same but for case, or one or
    // two letters off; empty when none is near.
    static QString nearest(const QString &name, const QStringList &known);

private:
    struct Entry
    {
        QString value;
        int line = 0;
        bool quoted = false;
    };
    void error(int line, const QString &what);

    QHash<QString, Entry> m_entries; // by "section/key"
    QStringList m_errors;
};
