#include "command/commandlog.h"
#include "command/commandpath.h"
#include "model/deviceprofile.h"

// Each request in words, for the service's log and the window's; a source's problems held to a
// few a second.

QString CommandPath::shownWords(const QString &words)
{
    return PlayerCommands::shown(words.simplified());
}

// "courtyard (12) volume -13 dB", "all stop", "scene Opening"; the words as they came when they
// could not be read.
QString CommandPath::describe(const Asked &asked, const QString &words) const
{
    if (!asked.error.isEmpty())
        return shownWords(words);
    switch (asked.target) {
    case Asked::Target::AllPlayers:
        return QStringLiteral("all stop");
    case Asked::Target::Scene:
        return QStringLiteral("scene ") + shownWords(asked.scene);
    case Asked::Target::Player:
        break;
    }
    const QString name = m_installation.nameOf(asked.playerId);
    QStringList said{name.isEmpty() ? QString::number(asked.playerId)
                                    : QStringLiteral("%1 (%2)").arg(name).arg(asked.playerId)};
    const DeviceProfile &profile = DeviceProfiles::profile(m_model);
    for (const PlayerCommand &command : asked.commands) {
        const QString word = PlayerCommands::words(command, profile);
        const bool level =
            command.kind == PlayerCommand::Kind::Volume && command.value > profile.volumeMinimum;
        said << (level ? word + QStringLiteral(" dB") : word);
    }
    return said.join(u' ');
}

void CommandPath::record(const Request &request, const Reply &reply)
{
    // A person's press on a closed port: the controls say so already.
    if (request.origin == Request::Origin::Person && reply.reason == Reply::Reason::Closed)
        return;
    // Each frame tried has a row of its own already.
    if (m_log && reply.echo.isEmpty())
        m_log->addRequest(reply.said, reply, request.source);
    QStringList frames;
    for (const CommandFrame &frame : reply.frames)
        frames << QString::fromLatin1(frame.toByteArray().toHex(' '));
    const QString sent =
        frames.isEmpty() ? QString() : QStringLiteral(", sent ") + frames.join(QLatin1String(", "));
    switch (reply.outcome) {
    case Reply::Outcome::Sent:
        say(request,
            reply.asked.target == Asked::Target::Scene
                ? QStringLiteral("%1: %2%3").arg(reply.said, reply.outcomeWord(), sent)
                : QStringLiteral("%1: %2 %3")
                      .arg(reply.said, reply.outcomeWord(), frames.join(QLatin1String(", "))),
            false);
        break;
    case Reply::Outcome::NothingToDo:
        say(request, QStringLiteral("%1: %2").arg(reply.said, reply.outcomeWord()), false);
        break;
    case Reply::Outcome::Refused:
    case Reply::Outcome::NotSent:
        say(request,
            QStringLiteral("%1 %2: %3%4").arg(reply.said, reply.outcomeWord(), reply.why(), sent),
            true);
        break;
    }
}

void CommandPath::say(const Request &request, const QString &text, bool problem)
{
    const QString &source = request.source;
    // What a client sent may be in it: no control character can start a line or drive a
    // terminal.
    QString line = source.isEmpty() ? text : source + QStringLiteral(": ") + text;
    for (QChar &c : line)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    if (!problem) {
        emit logged(line, false, request.origin);
        return;
    }
    auto found = m_quotas.find(source);
    if (found == m_quotas.end()) {
        if (m_quotas.size() >= MaxClients)
            m_quotas.erase(m_quotas.begin());
        found = m_quotas.insert(source, {LinesDepth, {}, 0});
        found->refilled.start();
    }
    Quota &quota = *found;
    quota.lines =
        qMin(LinesDepth, quota.lines + quota.refilled.restart() * LinesPerSecond / 1000.0);
    if (quota.lines < 1) {
        ++quota.held;
        if (!m_heldLines.isActive())
            m_heldLines.start();
        return;
    }
    quota.lines -= 1;
    emit logged(line, true, request.origin);
}
