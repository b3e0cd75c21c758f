#include "requestwords.h"

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

Asked read(QStringView line, const Resolver &player, const DeviceProfile &profile)
{
    return read(split(line), player, profile);
}

Asked read(const QStringList &words, const Resolver &player, const DeviceProfile &profile)
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
    if (is(words.first(), QLatin1String("all"))) {
        if (words.size() != 2 || !is(words.last(), QLatin1String("stop")))
            return refused(QStringLiteral("all players take stop alone: \"all stop\""));
        asked.target = Asked::Target::AllPlayers;
        return asked;
    }
    const std::optional<int> id = player(words.first());
    if (!id)
        return refused(QStringLiteral("no player \"%1\": an ID, 0 to 127, or a name")
                           .arg(PlayerCommands::shown(words.first())));
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
