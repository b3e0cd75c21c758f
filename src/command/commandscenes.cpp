#include "command/commandpath.h"
#include "model/deviceprofile.h"
#include "storage/inifile.h"

// A scene's steps, planned ahead of time against the model; its bursts, and the waits between.

bool CommandPath::stepsOf(Reply &reply, QList<Installation::PlannedStep> &steps) const
{
    const DeviceProfile &profile = DeviceProfiles::profile(m_model);
    const auto refuse = [&reply](const QString &why) {
        reply.outcome = Reply::Outcome::Refused;
        reply.reason = Reply::Reason::Refused;
        reply.detail = why;
        return false;
    };
    switch (reply.asked.target) {
    case Asked::Target::Player:
        for (const PlayerCommand &command : std::as_const(reply.asked.commands)) {
            const QString refusal = PlayerCommands::refusal(command, profile);
            if (!refusal.isEmpty())
                return refuse(refusal);
            steps.append({command, 0, 0});
        }
        return !steps.isEmpty() || refuse(QStringLiteral("nothing to send"));
    case Asked::Target::AllPlayers:
        for (const int id : m_installation.stopAllIds())
            steps.append({PlayerCommand{id, PlayerCommand::Kind::Stop, 0}, 0, 0});
        return true;
    case Asked::Target::Scene:
        break;
    }
    const auto planned = m_plans.constFind(Installation::key(reply.asked.scene));
    if (planned == m_plans.cend()) {
        QStringList scenes;
        for (const Installation::Scene &scene : m_installation.scenes())
            scenes << scene.name;
        const QString near = IniFile::nearest(reply.asked.scene, scenes);
        return refuse(QStringLiteral("no scene \"%1\"%2")
                          .arg(shownWords(reply.asked.scene),
                               near.isEmpty() ? QString() : QStringLiteral("; %1?").arg(near)));
    }
    if (!planned->second.error.isEmpty())
        return refuse(planned->second.error);
    reply.asked.scene = planned->first;
    reply.said = QStringLiteral("scene ") + planned->first;
    steps = planned->second.steps;
    return true;
}

// After a burst of the scene running: waits for its next one, or ends it. Called by the wait's
// timer, it sends that next burst first.
void CommandPath::continueScene(Reply *first)
{
    if (!sceneRunning())
        return;
    Reply later;
    Reply &reply = first ? *first : later;
    if (!first) {
        const QList<Installation::PlannedStep> &steps = m_scene.steps;
        const qsizetype end = std::find_if(steps.cbegin() + m_scene.next, steps.cend(),
                                           [](const auto &step) { return !step.command; }) -
                              steps.cbegin();
        // A scene a client started goes on as its budget allows, and never late.
        const bool client = m_scene.asked.origin == Request::Origin::Client;
        if (client && backlogMs() > BusyAfterMs)
            reply.reason = Reply::Reason::Busy;
        else if (client)
            charge(m_scene.asked.client, int(end - m_scene.next), false);
        if (reply.reason == Reply::Reason::None)
            sendBurst(m_scene.steps, m_scene.next, m_scene.asked, reply);
    }
    if (reply.reason != Reply::Reason::None) {
        const int line = m_scene.steps.value(m_scene.next).line;
        endScene(tr("stopped at line %1: %2 not sent, %3")
                     .arg(line)
                     .arg(reply.echo.isEmpty() ? tr("a frame") : reply.echo, reply.why()));
        return;
    }
    if (m_scene.next < m_scene.steps.size()) {
        m_sceneWait.start(m_scene.steps[m_scene.next++].waitMs);
        return;
    }
    endScene(tr("done"));
}

void CommandPath::endScene(const QString &said)
{
    m_sceneWait.stop();
    const QString name = std::exchange(m_scene, {}).name;
    emit sceneEnded(name, said);
}
