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
    connect(link, &SerialLink::opened, this, [this] { setLinkState(LinkState::Open); });
    connect(link, &SerialLink::closed, this, [this] { setLinkState(LinkState::Closed); });
    connect(link, &SerialLink::connectionLost, this, [this] { setLinkState(LinkState::Lost); });
}

void CommandPath::setModel(int model)
{
    if (DeviceProfiles::isModel(model))
        m_model = model;
}

void CommandPath::setLinkState(LinkState state)
{
    if (std::exchange(m_linkState, state) != state)
        emit linkStateChanged(state);
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
        outcome.reason = m_linkState == LinkState::Lost ? QStringLiteral("connection lost")
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
