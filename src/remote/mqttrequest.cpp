#include "mqttrequest.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace MqttRequests {

namespace {

RemoteRequest refused(const QString &error)
{
    return {RemoteRequest::Kind::Refused, {}, error, {}};
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

// When the sender said it sent the command: ms since the epoch, or an ISO 8601 time.
std::optional<QDateTime> sentAt(const QJsonObject &object)
{
    const QJsonValue time = object.value(QLatin1String("time"));
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

RemoteRequest parse(const QString &player, QByteArrayView payload, bool retained,
                    const QDateTime &now, const DeviceProfile &profile,
                    const Installation &installation)
{
    if (payload.size() > MaxPayload)
        return refused(QStringLiteral("a payload of more than %1 bytes").arg(MaxPayload));
    // A command the broker kept from before is from before: never a cue of now.
    if (retained)
        return refused(QStringLiteral("not sent: too late (a retained message)"));
    QString words = QString::fromUtf8(payload).simplified();
    if (words.startsWith(u'{')) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(payload.toByteArray(), &error);
        if (!document.isObject())
            return refused(QStringLiteral("not JSON: %1").arg(error.errorString()));
        const QString why = jsonWords(document.object(), &words);
        if (!why.isEmpty())
            return refused(why);
        const std::optional<QDateTime> sent = sentAt(document.object());
        if (sent && sent->msecsTo(now) > MaxAgeMs)
            return refused(QStringLiteral("not sent: too late (sent %1 s ago)")
                               .arg(sent->msecsTo(now) / 1000));
    }
    if (words.isEmpty())
        return refused(QStringLiteral("nothing to send"));
    // A name with blanks is written with "_" in a line.
    const QString line = player == QLatin1String("scene")
                             ? QLatin1String("scene ") + words
                             : QString(player).replace(u' ', u'_') + u' ' + words;
    return RemoteRequests::fromText(line, profile, installation);
}

} // namespace MqttRequests
