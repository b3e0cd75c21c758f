#include "model/requestwords.h"

#include "storage/inifile.h"

namespace RequestWords {

namespace {

bool is(const QString &word, QLatin1String known)
{
    return word.compare(known, Qt::CaseInsensitive) == 0;
}

Asked refused(const QString &error)
{
    Asked asked;
    asked.error = error;
    return asked;
}

} // namespace

QStringList split(QStringView line)
{
    QStringList words;
    for (qsizetype at = 0; at < line.size();) {
        while (at < line.size() && line[at].isSpace())
            ++at;
        const qsizetype start = at;
        while (at < line.size() && !line[at].isSpace())
            ++at;
        if (at > start)
            words << line.mid(start, at - start).toString();
    }
    return words;
}

QStringView uncommented(QStringView line)
{
    for (qsizetype at = 0; at < line.size(); ++at)
        if (line[at] == u'#' && (at == 0 || line[at - 1].isSpace()))
            return line.first(at).trimmed();
    return line.trimmed();
}

Asked read(QStringView line, const Resolver &player, const DeviceProfile &profile,
           const QStringList &names)
{
    return read(split(line), player, profile, names);
}

QString playerHint(const QStringList &words, const QStringList &names)
{
    const auto plain = [](QString name) {
        return name.replace(u'_', u' ').simplified();
    };
    for (qsizetype count = words.size(); count >= 2; --count) {
        const QString given = plain(words.mid(0, count).join(u' '));
        for (const QString &name : names)
            if (plain(name).compare(given, Qt::CaseInsensitive) == 0)
                return QStringLiteral("; blanks in a name are written _: %1")
                    .arg(QString(name).replace(u' ', u'_'));
    }
    QStringList written;
    for (const QString &name : names)
        written << QString(name).replace(u' ', u'_');
    const QString near = words.isEmpty() ? QString() : IniFile::nearest(words.first(), written);
    return near.isEmpty() ? QString() : QStringLiteral("; %1?").arg(near);
}

Asked read(const QStringList &words, const Resolver &player, const DeviceProfile &profile,
           const QStringList &names)
{
    if (words.isEmpty())
        return refused(QStringLiteral("nothing to send"));
    Asked asked;
    if (is(words.first(), QLatin1String("scene"))) {
        if (words.size() == 1)
            return refused(QStringLiteral("\"scene\" needs the name of a scene"));
        asked.target = Asked::Target::Scene;
        asked.scene = words.mid(1).join(u' ');
        return asked;
    }
    // "stop-all" is another way to write it, as tessary-send has always taken it.
    if (words.size() == 1 && is(words.first(), QLatin1String("stop-all"))) {
        asked.target = Asked::Target::AllPlayers;
        return asked;
    }
    if (is(words.first(), QLatin1String("all"))) {
        if (words.size() != 2 || !is(words.last(), QLatin1String("stop")))
            return refused(QStringLiteral("all players take stop alone: \"all stop\""));
        asked.target = Asked::Target::AllPlayers;
        return asked;
    }
    const std::optional<int> id = player(words.first());
    if (!id)
        return refused(QStringLiteral("no player \"%1\": an ID, 0 to 127, or a name%2")
                           .arg(PlayerCommands::shown(words.first()), playerHint(words, names)));
    if (words.size() == 1)
        return refused(QStringLiteral("nothing to send"));
    const PlayerCommands::Parsed parsed = PlayerCommands::parse(words.mid(1), *id, profile);
    if (!parsed.error.isEmpty())
        return refused(parsed.error);
    asked.playerId = *id;
    asked.commands = parsed.commands;
    return asked;
}

} // namespace RequestWords
