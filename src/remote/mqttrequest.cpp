#include "remote/mqttrequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace MqttRequests {

namespace {

Request refused(const QString &words, const QString &error)
{
    Request request;
    request.words = words;
    request.refused = error;
    return request;
}

// The words a JSON payload stands for, or why it does not stand for any.
QString jsonWords(const QJsonObject &object, QString *words)
{
    const QJsonValue command = object.value(QLatin1String("command"));
    const QJsonValue value = object.value(QLatin1String("value"));
    if (!command.isString())
        return QStringLiteral("no \"command\" in the JSON");
    *words = command.toString();
    if (value.isDouble() && std::isfinite(value.toDouble()) && std::abs(value.toDouble()) < 1e6)
        *words += u' ' + QString::number(value.toDouble());
    else if (value.isString())
        *words += u' ' + value.toString();
    else if (!value.isUndefined() && !value.isNull())
        return QStringLiteral("\"value\" is neither a number nor a word");
    return {};
}

// A time the sender gave, "time" when it sent the command or its "deadline": ms since the epoch,
// or an ISO 8601 time.
std::optional<QDateTime> timeOf(const QJsonObject &object, QLatin1String key)
{
    const QJsonValue time = object.value(key);
    // A number beyond any date (some ten thousand years each way) is not a time.
    if (time.isDouble() && std::abs(time.toDouble()) < 3e14)
        return QDateTime::fromMSecsSinceEpoch(qint64(time.toDouble()), Qt::UTC);
    if (time.isString()) {
        const QDateTime parsed = QDateTime::fromString(time.toString(), Qt::ISODateWithMs);
        if (parsed.isValid())
            return parsed;
    }
    return std::nullopt;
}

} // namespace

Request parse(const QString &player, QByteArrayView payload, bool retained, const QDateTime &now)
{
    // A name with blanks is written with "_" in a line.
    const QString who =
        player == QLatin1String("scene") ? player : QString(player).replace(u' ', u'_');
    if (payload.size() > MaxPayload)
        return refused(who, QStringLiteral("a payload of more than %1 bytes").arg(MaxPayload));
    QString words = QString::fromUtf8(payload).simplified();
    std::optional<QDateTime> sent, deadline;
    QString reference;
    if (words.startsWith(u'{')) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(payload.toByteArray(), &error);
        if (!document.isObject())
            return refused(who, QStringLiteral("not JSON: %1").arg(error.errorString()));
        const QString why = jsonWords(document.object(), &words);
        if (!why.isEmpty())
            return refused(who, why);
        sent = timeOf(document.object(), QLatin1String("time"));
        deadline = timeOf(document.object(), QLatin1String("deadline"));
        reference = document.object().value(QLatin1String("id")).toString().left(MaxReference);
    }
    if (words.isEmpty())
        return refused(who, QStringLiteral("nothing to send"));
    // tessary/<line>//command: the command's words would read as a player's name.
    if (who.isEmpty())
        return refused(words, QStringLiteral("no player in the topic"));
    Request request;
    request.words = who + u' ' + words;
    request.reference = reference;
    // A command the broker kept from before is from before: never a cue of now.
    if (retained)
        request.late = QStringLiteral("a retained message");
    else if (sent && sent->msecsTo(now) > MaxAgeMs)
        request.late = QStringLiteral("sent %1 s ago").arg(sent->msecsTo(now) / 1000);
    else if (deadline && *deadline < now)
        request.late = QStringLiteral("past its deadline");
    return request;
}

} // namespace MqttRequests
