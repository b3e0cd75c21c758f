#include "remoterequest.h"

#include <QRegularExpression>
#include <cmath>

namespace RemoteRequests {

namespace {

RemoteRequest refused(const QString &error)
{
    return {RemoteRequest::Kind::Refused, {}, error};
}

// A number as OSC carries it: an int, a float, or true and false.
std::optional<double> number(const QVariant &argument)
{
    switch (argument.typeId()) {
    case QMetaType::Int:
    case QMetaType::Float:
    case QMetaType::Bool:
        return argument.toDouble();
    default:
        return std::nullopt;
    }
}

} // namespace

RemoteRequest fromOsc(const Osc::Message &message, const DeviceProfile &profile,
                      const Installation &installation)
{
    const QList<QByteArray> parts = message.address.split('/');
    // "", "tessary", id, verb
    if (parts.size() != 4 || parts[1] != "tessary")
        return refused(QStringLiteral("unknown address"));
    if (parts[2] == "scene")
        return {RemoteRequest::Kind::Scene, {}, {}, QString::fromUtf8(parts[3])};
    if (parts[2] == "all" && parts[3] == "stop")
        return {RemoteRequest::Kind::StopAll, {}, {}, {}};
    const std::optional<int> id = installation.resolve(QString::fromUtf8(parts[2]));
    if (!id)
        return refused(QStringLiteral("no player \"%1\": an ID, 0 to 127, or a name")
                           .arg(PlayerCommands::shown(QString::fromUtf8(parts[2]))));
    const QByteArray &verb = parts[3];
    const QVariantList &arguments = message.arguments;
    if (arguments.size() > 1)
        return refused(QStringLiteral("one argument at most"));
    const std::optional<double> value =
        arguments.isEmpty() ? std::optional<double>() : number(arguments.first());
    if (!arguments.isEmpty() && !value)
        return refused(QStringLiteral("the argument is not a number"));
    PlayerCommand command{*id, PlayerCommand::Kind::Play, 0};
    if (verb == "folder" || verb == "volume") {
        if (!value || !std::isfinite(*value) || std::abs(*value) > 1e6)
            return refused(QStringLiteral("%1 needs a number").arg(QString::fromUtf8(verb)));
        command.kind = verb == "folder" ? PlayerCommand::Kind::Folder : PlayerCommand::Kind::Volume;
        if (verb == "folder" && *value != std::floor(*value))
            return refused(QStringLiteral("no folder \"%1\": a whole number").arg(*value));
        command.value = int(std::lround(*value));
    } else {
        static const QList<std::pair<QByteArray, PlayerCommand::Kind>> buttons{
            {"play", PlayerCommand::Kind::Play},
            {"stop", PlayerCommand::Kind::Stop},
            {"next", PlayerCommand::Kind::Next},
            {"previous", PlayerCommand::Kind::Previous},
            {"mute", PlayerCommand::Kind::Volume}};
        const auto button =
            std::find_if(buttons.cbegin(), buttons.cend(),
                         [&verb](const auto &known) { return known.first == verb; });
        if (button == buttons.cend())
            return refused(QStringLiteral("unknown address"));
        // A push button sends 1 when pressed and 0 when released: the release does nothing.
        if (value.value_or(1) == 0)
            return {RemoteRequest::Kind::Nothing, {}, {}};
        command.kind = button->second;
        command.value = command.kind == PlayerCommand::Kind::Volume ? profile.volumeMinimum : 0;
    }
    const QString refusal = PlayerCommands::refusal(command, profile);
    if (!refusal.isEmpty())
        return refused(refusal);
    return {RemoteRequest::Kind::Commands, {command}, {}};
}

RemoteRequest fromText(QStringView line, const DeviceProfile &profile,
                       const Installation &installation)
{
    if (line.size() > MaxLine)
        return refused(QStringLiteral("a line of more than %1 characters").arg(MaxLine));
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    const QStringList words = line.toString().split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {RemoteRequest::Kind::Nothing, {}, {}};
    if (words.size() == 1 && words.first().compare(QLatin1String("PING"), Qt::CaseInsensitive) == 0)
        return {RemoteRequest::Kind::Ping, {}, {}};
    if (words.first().compare(QLatin1String("scene"), Qt::CaseInsensitive) == 0 && words.size() > 1)
        return {RemoteRequest::Kind::Scene, {}, {}, words.mid(1).join(u' ')};
    if (words.size() == 2 &&
        words.first().compare(QLatin1String("all"), Qt::CaseInsensitive) == 0 &&
        words.last().compare(QLatin1String("stop"), Qt::CaseInsensitive) == 0)
        return {RemoteRequest::Kind::StopAll, {}, {}, {}};
    const std::optional<int> id = installation.resolve(words.first());
    if (!id)
        return refused(QStringLiteral("no player \"%1\": an ID, 0 to 127, or a name")
                           .arg(PlayerCommands::shown(words.first())));
    if (words.size() == 1)
        return refused(QStringLiteral("nothing to send"));
    const PlayerCommands::Parsed parsed = PlayerCommands::parse(words.mid(1), *id, profile);
    if (!parsed.error.isEmpty())
        return refused(parsed.error);
    return {RemoteRequest::Kind::Commands, parsed.commands, {}};
}

} // namespace RemoteRequests
