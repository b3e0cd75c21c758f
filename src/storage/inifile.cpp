#include "storage/inifile.h"

#include "storage/safefile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

constexpr qint64 MaxFileSize = 1024 * 1024;

// Letters to change, add or take away to make one name of the other.
int distance(const QString &a, const QString &b)
{
    QList<int> row(b.size() + 1);
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1,
                               diagonal + (a[i - 1].toLower() == b[j - 1].toLower() ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// A quoted value as QSettings writes it: "a, b" with \" and \\ inside.
QString unquoted(QStringView value)
{
    QString text;
    for (qsizetype i = 1; i + 1 < value.size(); ++i) {
        if (value[i] == u'\\' && i + 2 < value.size()) {
            const QChar next = value[++i];
            text += next == u'n' ? QChar(u'\n') : next == u't' ? QChar(u'\t') : next;
            continue;
        }
        text += value[i];
    }
    return text;
}

} // namespace

QString IniFile::nearest(const QString &name, const QStringList &known)
{
    QString best;
    int bestDistance = 3;
    for (const QString &candidate : known) {
        const int d =
            candidate.compare(name, Qt::CaseInsensitive) == 0 ? 0 : distance(name, candidate);
        if (d < bestDistance && d <= qMax(1, int(candidate.size()) / 2)) {
            best = candidate;
            bestDistance = d;
        }
    }
    return best;
}

void IniFile::error(int line, const QString &what)
{
    m_errors << QStringLiteral("line %1: %2").arg(line).arg(what);
}

IniFile IniFile::parse(const QByteArray &bytes, const Schema &schema)
{
    IniFile file;
    QStringList sections;
    for (const auto &[section, keys] : schema)
        sections << section;
    const QString text = QString::fromUtf8(bytes);
    const QStringList *keys = nullptr; // of the section read now; none outside a known one
    QString section;
    bool skipping = false; // in a section refused already
    int number = 0;
    for (QStringView raw : QStringView(text).split(u'\n')) {
        ++number;
        const QStringView line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            section = line.endsWith(u']') ? line.mid(1, line.size() - 2).trimmed().toString()
                                          : line.toString();
            const auto known =
                std::find_if(schema.cbegin(), schema.cend(),
                             [&section](const auto &entry) { return entry.first == section; });
            keys = known == schema.cend() ? nullptr : &known->second;
            skipping = !keys;
            if (!keys) {
                const QString near = nearest(section, sections);
                file.error(number,
                           near.isEmpty()
                               ? QStringLiteral("[%1]: no such section").arg(section)
                               : QStringLiteral("[%1]: no such section; [%2]?").arg(section, near));
            }
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0) {
            file.error(
                number,
                QStringLiteral("\"%1\" is not a setting: key=value is needed").arg(line.left(40)));
            continue;
        }
        if (skipping)
            continue;
        const QString key = line.left(equals).trimmed().toString();
        if (!keys) {
            file.error(number, QStringLiteral("%1: a setting outside a section").arg(key));
            continue;
        }
        if (!keys->contains(key)) {
            const QString near = nearest(key, *keys);
            file.error(
                number,
                near.isEmpty()
                    ? QStringLiteral("%1: no such setting in [%2]").arg(key, section)
                    : QStringLiteral("%1: no such setting in [%2]; %3?").arg(key, section, near));
            continue;
        }
        const QStringView value = line.mid(equals + 1).trimmed();
        Entry entry{value.toString(), number, false};
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"')) {
            entry.value = unquoted(value);
            entry.quoted = true;
        } else if (static const QRegularExpression comment(QStringLiteral("\\s[#;]"));
                   value.contains(comment)) {
            // Never guessed: a password may hold " #" as well as a comment may follow.
            file.error(number, QStringLiteral("%1: a comment goes on a line of its own (or the "
                                              "value in quotes: %1=\"...\")")
                                   .arg(key));
            continue;
        }
        const QString path = section + u'/' + key;
        if (const auto earlier = file.m_entries.constFind(path); earlier != file.m_entries.cend()) {
            file.error(number, QStringLiteral("%1 in [%2] given twice, first on line %3")
                                   .arg(key, section)
                                   .arg(earlier->line));
            continue;
        }
        file.m_entries.insert(path, entry);
    }
    return file;
}

IniFile IniFile::load(const QString &path, const Schema &schema)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return {};
    const std::optional<QByteArray> bytes = SafeFile::read(path, MaxFileSize);
    if (!bytes) {
        IniFile unreadable;
        unreadable.m_errors << QStringLiteral(
            "not a regular file of at most 1 MiB that can be read");
        return unreadable;
    }
    return parse(*bytes, schema);
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    return m_entries.contains(section + u'/' + key);
}

QString IniFile::text(const QString &section, const QString &key, const QString &fallback) const
{
    const auto found = m_entries.constFind(section + u'/' + key);
    return found == m_entries.cend() ? fallback : found->value;
}

bool IniFile::flag(const QString &section, const QString &key, bool fallback)
{
    const auto found = m_entries.constFind(section + u'/' + key);
    if (found == m_entries.cend())
        return fallback;
    static const QStringList yes{QStringLiteral("true"), QStringLiteral("yes"),
                                 QStringLiteral("on"), QStringLiteral("1")};
    static const QStringList no{QStringLiteral("false"), QStringLiteral("no"),
                                QStringLiteral("off"), QStringLiteral("0")};
    if (yes.contains(found->value, Qt::CaseInsensitive))
        return true;
    if (no.contains(found->value, Qt::CaseInsensitive))
        return false;
    error(found->line, QStringLiteral("%1=%2: true or false is needed (or yes, no, on, off, 1, 0)")
                           .arg(key, found->value));
    return fallback;
}

uint IniFile::number(const QString &section, const QString &key, uint least, uint most,
                     uint fallback)
{
    const auto found = m_entries.constFind(section + u'/' + key);
    if (found == m_entries.cend())
        return fallback;
    bool isNumber = false;
    const uint value = found->value.toUInt(&isNumber);
    if (isNumber && value >= least && value <= most && QString::number(value) == found->value)
        return value;
    error(found->line, QStringLiteral("%1=%2: a number from %3 to %4 is needed")
                           .arg(key, found->value)
                           .arg(least)
                           .arg(most));
    return fallback;
}

QStringList IniFile::list(const QString &section, const QString &key) const
{
    QStringList entries;
    for (const QString &entry :
         text(section, key).split(QRegularExpression(QStringLiteral("[,;]"))))
        if (!entry.trimmed().isEmpty())
            entries << entry.trimmed();
    return entries;
}
