#include "remote/remoterequest.h"

#include <cmath>

namespace RemoteRequests {

namespace {

Request refused(const QString &words, const QString &why)
{
    Request request;
    request.words = words;
    request.refused = why;
    return request;
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

bool is(const QString &word, QLatin1String known)
{
    return word.compare(known, Qt::CaseInsensitive) == 0;
}

} // namespace

Request fromOsc(const Osc::Message &message)
{
    const QString address = QString::fromUtf8(message.address);
    // /tessary/<the player, or "scene", or "all">/<the verb>
    const QByteArrayView root("/tessary/");
    const QByteArrayView rest =
        QByteArrayView(message.address)
            .sliced(message.address.startsWith(root) ? root.size() : message.address.size());
    const qsizetype slash = rest.indexOf('/');
    if (slash < 1 || rest.sliced(slash + 1).contains('/'))
        return refused(address, QStringLiteral("unknown address"));
    const QVariantList &arguments = message.arguments;
    if (arguments.size() > 1)
        return refused(address, QStringLiteral("one argument at most"));
    // A button's press when there is none.
    const double value = arguments.isEmpty() ? 1 : number(arguments.first()).value_or(qQNaN());
    if (std::isnan(value))
        return refused(address, QStringLiteral("the argument is not a number"));
    // A name's blanks are written "_" in words.
    const QString target = QString::fromUtf8(rest.first(slash)).replace(u' ', u'_');
    const QString verb = QString::fromUtf8(rest.sliced(slash + 1));
    Request request;
    if (is(target, QLatin1String("scene"))) {
        request.words = QStringLiteral("scene ") + verb;
    } else if (is(target, QLatin1String("all")) && is(verb, QLatin1String("stop"))) {
        request.words = QStringLiteral("all stop");
    } else {
        const std::optional<PlayerCommands::Verb> known = PlayerCommands::verb(verb);
        if (!known)
            return refused(address, QStringLiteral("unknown address"));
        request.words = target + u' ' + verb;
        if (known->takesValue) {
            if (arguments.isEmpty() || !std::isfinite(value) || std::abs(value) > 1e6)
                return refused(address, QStringLiteral("%1 needs a number").arg(verb.toLower()));
            if (known->kind == PlayerCommand::Kind::Folder && value != std::floor(value))
                return refused(address,
                               QStringLiteral("no folder \"%1\": a whole number").arg(value));
            request.words += u' ' + QString::number(std::lround(value));
            return request;
        }
    }
    // A push button sends 1 when pressed and 0 when released: the release does nothing.
    request.release = value == 0;
    return request;
}

Request fromText(QStringView line)
{
    if (line.size() > MaxLine)
        return refused(line.left(64).toString(),
                       QStringLiteral("a line of more than %1 characters").arg(MaxLine));
    Request request;
    request.words = line.toString();
    return request;
}

} // namespace RemoteRequests
