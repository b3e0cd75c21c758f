#include "command/commandpath.h"

#include "command/commandlog.h"
#include "serial/lineout.h"
#include "storage/inifile.h"

#include <QDateTime>

namespace {

// A frame on the line: a start bit, eight data bits and a stop bit a byte.
qint64 lineMicroseconds(qsizetype bytes, int baudRate)
{
    return qint64(bytes) * 10 * 1000 * 1000 / qMax(baudRate, 1);
}

} // namespace

CommandPath::CommandPath(LineOut *line, QObject *parent) : QObject(parent), m_line(line)
{
    m_clock.start();
    m_sceneWait.setSingleShot(true);
    connect(&m_sceneWait, &QTimer::timeout, this, [this] { continueScene(); });
    m_heldLines.setInterval(HeldReportMs);
    connect(&m_heldLines, &QTimer::timeout, this, [this] {
        bool held = false;
        for (auto it = m_quotas.begin(); it != m_quotas.end(); ++it)
            if (const int count = std::exchange(it->held, 0); count > 0) {
                held = true;
                emit logged(tr("and %1 more from %2 in the last minute").arg(count).arg(it.key()),
                            true, Request::Origin::Client);
            }
        if (!held)
            m_heldLines.stop();
    });
    connect(line, &LineOut::opened, this, [this] { setLinkState(LinkState::Open); });
    connect(line, &LineOut::closed, this, [this] { setLinkState(LinkState::Closed); });
    connect(line, &LineOut::connectionLost, this, [this] { setLinkState(LinkState::Lost); });
    if (line->isOpen())
        m_linkState = LinkState::Open;
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

QString CommandPath::linkWord(LinkState state)
{
    switch (state) {
    case LinkState::Open:
        return QStringLiteral("open");
    case LinkState::Lost:
        return QStringLiteral("lost");
    case LinkState::Closed:
        break;
    }
    return QStringLiteral("closed");
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
    m_names = installation.names();
    plan();
    if (m_log) {
        QHash<int, QString> names;
        for (const Installation::Player &player : installation.players())
            names.insert(player.id, player.name);
        m_log->setPlayerNames(names);
    }
    emit installationChanged();
}

// What the frames written so far still take to leave at the line's rate: a pseudo-terminal or
// an adapter that buffers in its chip tells nothing of it.
qint64 CommandPath::backlogMs() const
{
    return (m_lineFreeUs - m_clock.nsecsElapsed() / 1000) / 1000;
}

bool CommandPath::charge(const QString &client, int frames, bool mayRefuse)
{
    auto found = m_budgets.find(client);
    if (found == m_budgets.end()) {
        if (m_budgets.size() >= MaxClients)
            m_budgets.erase(m_budgets.begin());
        found = m_budgets.insert(client, {});
        found->refilled.start();
    }
    Budget &budget = *found;
    budget.frames = qMin(BudgetDepth, budget.frames + budget.refilled.restart() *
                                                          BudgetFramesPerSecond / 1000.0);
    // A request larger than the whole budget goes when the budget is full, and is paid off
    // after it.
    if (mayRefuse && frames > budget.frames && budget.frames < BudgetDepth)
        return false;
    budget.frames -= frames;
    return true;
}

Reply::Reason CommandPath::admission(const Request &request, int frames)
{
    if (!m_line->isOpen())
        return m_linkState == LinkState::Lost ? Reply::Reason::Lost : Reply::Reason::Closed;
    // A person at this machine, and the schedule (the installation's own voice), are never held
    // back for the line's time or a budget.
    if (request.origin != Request::Origin::Client)
        return Reply::Reason::None;
    if (backlogMs() > BusyAfterMs)
        return Reply::Reason::Busy;
    if (!charge(request.client, frames, true))
        return Reply::Reason::OverBudget;
    return Reply::Reason::None;
}

Asked CommandPath::read(const Request &request) const
{
    return request.asked
               ? *request.asked
               : RequestWords::read(
                     request.words,
                     [this](const QString &player) { return m_installation.resolve(player); },
                     DeviceProfiles::profile(m_model), m_names);
}

QString CommandPath::refusal(const Request &request) const
{
    Reply reply;
    reply.asked = read(request);
    if (!reply.asked.error.isEmpty())
        return reply.asked.error;
    QList<Installation::PlannedStep> steps;
    return stepsOf(reply, steps) ? QString() : reply.detail;
}

Reply CommandPath::request(const Request &request)
{
    Reply reply;
    reply.asked = read(request);
    QList<Installation::PlannedStep> steps;
    if (!request.refused.isEmpty() || !reply.asked.error.isEmpty()) {
        reply.reason = Reply::Reason::Refused;
        reply.detail = request.refused.isEmpty() ? reply.asked.error : request.refused;
    } else if (request.release) {
        reply.outcome = Reply::Outcome::NothingToDo;
    } else if (request.withheld != Request::Withheld::No) {
        reply.outcome = Reply::Outcome::NotSent;
        reply.reason = request.withheld == Request::Withheld::Held ? Reply::Reason::Held
                                                                   : Reply::Reason::Skipped;
    } else if (!request.late.isEmpty()) {
        reply.outcome = Reply::Outcome::NotSent;
        reply.reason = Reply::Reason::TooLate;
        reply.detail = request.late;
    } else if (stepsOf(reply, steps)) {
        reply.framesAsked = int(std::find_if(steps.cbegin(), steps.cend(),
                                             [](const auto &step) { return !step.command; }) -
                                steps.cbegin());
        reply.reason = admission(request, reply.framesAsked);
        if (reply.reason != Reply::Reason::None) {
            reply.outcome = Reply::Outcome::NotSent;
        } else if (reply.asked.target == Asked::Target::Player) {
            qsizetype next = 0;
            reply.outcome = sendBurst(steps, next, request, reply) ? Reply::Outcome::Sent
                                                                   : Reply::Outcome::NotSent;
        } else {
            if (sceneRunning())
                endScene(reply.asked.target == Asked::Target::Scene
                             ? tr("cancelled by %1").arg(reply.asked.scene)
                             : tr("cancelled by Stop All"));
            reply.outcome = Reply::Outcome::Sent;
            if (reply.asked.target == Asked::Target::AllPlayers) {
                qsizetype next = 0;
                if (!sendBurst(steps, next, request, reply))
                    reply.outcome = Reply::Outcome::NotSent;
            } else {
                m_scene = {reply.asked.scene, request, steps, 0};
                if (!sendBurst(m_scene.steps, m_scene.next, request, reply))
                    reply.outcome = Reply::Outcome::NotSent;
                continueScene(&reply);
            }
        }
    }
    // Said in words once the frames are on their way.
    if (reply.said.isEmpty())
        reply.said = describe(reply.asked, request.words);
    record(request, reply);
    emit answered(request, reply);
    return reply;
}

bool CommandPath::sendBurst(const QList<Installation::PlannedStep> &steps, qsizetype &next,
                            const Request &request, Reply &reply)
{
    const DeviceProfile &profile = DeviceProfiles::profile(m_model);
    for (; next < steps.size() && steps[next].command; ++next) {
        const PlayerCommand &command = *steps[next].command;
        const CommandFrame frame = PlayerCommands::frame(command, profile);
        const bool sent = m_line->send(frame.toByteArray());
        reply.echo = CommandFrames::echoText(PlayerCommands::name(command.kind), frame);
        const bool lost = !m_line->isOpen();
        if (m_log)
            m_log->addCommand(command, profile.volumeMinimum, frame,
                              sent   ? Reply::Reason::None
                              : lost ? Reply::Reason::Lost
                                     : Reply::Reason::LineFull,
                              request.source);
        if (!sent) {
            reply.reason = lost ? Reply::Reason::Lost : Reply::Reason::LineFull;
            return false;
        }
        const qint64 now = m_clock.nsecsElapsed() / 1000;
        m_lineFreeUs = qMax(now, m_lineFreeUs) + lineMicroseconds(4, m_line->baudRate());
        Sent &state = m_players[command.playerId];
        state.command = command;
        state.time = QDateTime::currentMSecsSinceEpoch();
        if (command.kind == PlayerCommand::Kind::Volume)
            state.level = command.value;
        reply.frames << frame;
        emit commandSent(command, request.origin);
    }
    return true;
}

std::optional<CommandPath::PlayerState> CommandPath::playerState(int playerId) const
{
    const auto found = m_players.constFind(playerId);
    if (found == m_players.cend())
        return std::nullopt;
    return PlayerState{PlayerCommands::words(found->command, DeviceProfiles::profile(m_model)),
                       found->level, found->time};
}
