#include "commandpath.h"

#include "commandlog.h"
#include "seriallink.h"

#include <QDateTime>

namespace {

// A remote command waits behind this much at most: 16 frames, some 33 ms at 19200 baud.
constexpr int MaxQueuedBytes = 64;

} // namespace

int CommandPath::Outcome::status() const
{
    switch (result) {
    case Result::Sent:
        return 0;
    case Result::Refused:
        return 64;
    default:
        return 74;
    }
}

CommandPath::CommandPath(SerialLink *link, QObject *parent) : QObject(parent), m_link(link)
{
    m_sceneWait.setSingleShot(true);
    connect(&m_sceneWait, &QTimer::timeout, this, [this] { continueScene(); });
    connect(link, &SerialLink::opened, this, [this] { setLinkState(LinkState::Open); });
    connect(link, &SerialLink::closed, this, [this] { setLinkState(LinkState::Closed); });
    connect(link, &SerialLink::connectionLost, this, [this] { setLinkState(LinkState::Lost); });
}

void CommandPath::setModel(int model)
{
    if (DeviceProfiles::isModel(model) && std::exchange(m_model, model) != model)
        plan();
}

void CommandPath::plan()
{
    m_plans.clear();
    for (const Installation::Scene &scene : m_installation.scenes())
        m_plans.insert(Installation::key(scene.name),
                       {scene.name, m_installation.plan(scene, DeviceProfiles::profile(m_model))});
}

void CommandPath::setLinkState(LinkState state)
{
    if (std::exchange(m_linkState, state) == state)
        return;
    // A scene waiting for its next step does not go on over a line that is gone.
    if (state != LinkState::Open && sceneRunning())
        endScene(state == LinkState::Lost ? tr("stopped: connection lost")
                                          : tr("stopped: the port was closed"));
    emit linkStateChanged(state);
}

void CommandPath::setInstallation(const Installation &installation)
{
    m_installation = installation;
    plan();
    if (m_log) {
        QHash<int, QString> names;
        for (const Installation::Player &player : installation.players())
            names.insert(player.id, player.name);
        m_log->setPlayerNames(names);
    }
}

CommandPath::SceneStart CommandPath::runScene(const QString &name, const QString &source)
{
    const auto planned = m_plans.constFind(Installation::key(name));
    if (planned == m_plans.cend())
        return {64, QStringLiteral("no scene \"%1\"").arg(PlayerCommands::shown(name))};
    const auto &[sceneName, steps] = *planned;
    if (!steps.error.isEmpty())
        return {64, steps.error};
    if (sceneRunning())
        endScene(tr("cancelled by %1").arg(sceneName));
    m_scene = {sceneName, source, steps.steps, 0};
    if (continueScene())
        return {};
    return {74, m_lastEnd};
}

bool CommandPath::continueScene()
{
    while (m_scene.next < m_scene.steps.size()) {
        const Installation::PlannedStep step = m_scene.steps[m_scene.next++];
        if (!step.command) {
            m_sceneWait.start(step.waitMs);
            return true;
        }
        const Outcome outcome = send(*step.command, m_scene.source);
        if (!sceneRunning()) // ended by the loss of the line
            return false;
        if (!outcome.sent()) {
            endScene(tr("stopped at line %1: %2 not sent, %3")
                         .arg(step.line)
                         .arg(outcome.echo, outcome.reason));
            return false;
        }
    }
    endScene(tr("done"));
    return true;
}

void CommandPath::endScene(const QString &said)
{
    m_sceneWait.stop();
    m_lastEnd = said;
    const QString name = std::exchange(m_scene, {}).name;
    emit sceneEnded(name, said);
}

std::pair<int, int> CommandPath::stopAll(const QString &source)
{
    if (sceneRunning())
        endScene(tr("cancelled by Stop All"));
    const QList<int> ids = m_installation.stopAllIds();
    int sent = 0;
    for (const int id : ids)
        sent += send({id, PlayerCommand::Kind::Stop, 0}, source).sent();
    return {sent, int(ids.size())};
}

std::optional<CommandPath::PlayerState> CommandPath::playerState(int playerId) const
{
    const auto found = m_players.constFind(playerId);
    if (found == m_players.cend())
        return std::nullopt;
    return PlayerState{PlayerCommands::words(found->command, DeviceProfiles::profile(m_model)),
                       found->level, found->time};
}

CommandPath::Outcome CommandPath::send(const PlayerCommand &command, const QString &source,
                                       bool remote)
{
    const DeviceProfile &profile = DeviceProfiles::profile(m_model);
    Outcome outcome;
    outcome.command = command;
    outcome.reason = PlayerCommands::refusal(command, profile);
    if (!outcome.reason.isEmpty()) {
        outcome.result = Result::Refused;
        return outcome;
    }
    const QString name = PlayerCommands::name(command.kind);
    outcome.frame = PlayerCommands::frame(command, profile);
    outcome.echo = CommandFrames::echoText(name, outcome.frame);
    if (!m_link->isOpen()) {
        outcome.result =
            m_linkState == LinkState::Lost ? Result::ConnectionLost : Result::PortClosed;
        outcome.reason = outcome.result == Result::ConnectionLost
                             ? QStringLiteral("connection lost")
                             : QStringLiteral("the port is not open");
        return outcome;
    }
    if (remote && m_link->queuedBytes() > MaxQueuedBytes) {
        outcome.result = Result::Busy;
        outcome.reason = QStringLiteral("busy");
        return outcome;
    }
    const bool sent = m_link->send(outcome.frame.toByteArray());
    const bool lost = !m_link->isOpen();
    outcome.result = sent ? Result::Sent : lost ? Result::ConnectionLost : Result::NotSent;
    outcome.reason = sent   ? QString()
                     : lost ? QStringLiteral("connection lost")
                            : QStringLiteral("the line took no more");
    if (m_log)
        m_log->addCommand(command.playerId, name, outcome.frame,
                          sent   ? CommandLog::Result::Sent
                          : lost ? CommandLog::Result::ConnectionLost
                                 : CommandLog::Result::NotSent,
                          source);
    if (sent) {
        Sent &state = m_players[command.playerId];
        state.command = command;
        state.time = QDateTime::currentMSecsSinceEpoch();
        if (command.kind == PlayerCommand::Kind::Volume)
            state.level = command.value;
    }
    emit commandSent(outcome, source);
    return outcome;
}
