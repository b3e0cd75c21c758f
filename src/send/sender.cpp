#include "send/sender.h"

#include "command/textanswers.h"
#include "model/deviceprofile.h"
#include "process/stopsignals.h"
#include "send/linereader.h"
#include "send/output.h"
#include "send/servicelink.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <cerrno>
#include <cstring>

namespace {

// How often a busy service is asked again.
constexpr int RetryMs = 20;

} // namespace

Sender::Sender(CommandPath &path, const QString &port, int wait, bool dryRun, bool verbose)
    : m_path(path), m_port(port), m_wait(wait), m_dryRun(dryRun), m_verbose(verbose),
      m_status(Output::Sent)
{
    // Every frame as it goes, a scene's later ones too.
    QObject::connect(&path, &CommandPath::commandSent, [this](const PlayerCommand &command) {
        ++m_sent;
        if (m_dryRun || m_verbose)
            show(echoOf(command));
    });
}

Asked Sender::read(const QString &words) const
{
    if (!throughService()) {
        Request request;
        request.words = words;
        return m_path.read(request);
    }
    // Any player goes: the service knows its own.
    return RequestWords::read(
        words, [](const QString &) { return std::optional<int>(0); }, DeviceProfiles::widest());
}

QString Sender::refusal(const QString &words) const
{
    if (throughService())
        return read(words).error;
    Request request;
    request.words = words;
    return m_path.refusal(request);
}

bool Sender::send(const QString &words)
{
    const Asked asked = read(words);
    if (!asked.error.isEmpty()) {
        m_status = Output::fail(Output::Usage, asked.error);
        return false;
    }
    switch (asked.target) {
    case Asked::Target::AllPlayers:
        return stopAll();
    case Asked::Target::Scene:
        return runScene(asked.scene);
    case Asked::Target::Player:
        break;
    }
    const QString player = RequestWords::split(words).value(0);
    for (const PlayerCommand &command : asked.commands) {
        if ((m_sent > 0 && !Output::pause(m_wait)) || Output::stopped())
            return stop();
        if (!sendCommand(player, command))
            return false;
    }
    return true;
}

bool Sender::sendCommand(const QString &player, const PlayerCommand &command)
{
    if (throughService()) {
        const QString words =
            player + u' ' + PlayerCommands::words(command, DeviceProfiles::widest());
        return ask(words, words);
    }
    const Reply reply = m_path.request(Request::press(QStringLiteral("tessary-send"), command));
    if (reply.outcome == Reply::Outcome::Refused) {
        m_status = Output::fail(Output::Usage, reply.why());
        return false;
    }
    return (reply.sent() || notDone(reply, reply.echo)) && m_status == Output::Sent;
}

// A scene of the installation: its commands in order, its own waits between them.
bool Sender::runScene(const QString &name)
{
    if (throughService())
        return ask(QStringLiteral("scene ") + name, QStringLiteral("scene ") + name);
    Asked scene;
    scene.target = Asked::Target::Scene;
    scene.scene = name;
    QString ended;
    QEventLoop waits;
    const auto end = QObject::connect(&m_path, &CommandPath::sceneEnded,
                                      [&](const QString &, const QString &said) {
                                          ended = said;
                                          waits.quit();
                                      });
    const auto stopped = QObject::connect(m_stops, &StopSignals::caught, &waits, &QEventLoop::quit);
    const Reply reply = m_path.request(Request::press(QStringLiteral("tessary-send"), scene));
    if (reply.sent() && m_path.sceneRunning())
        waits.exec();
    QObject::disconnect(end);
    QObject::disconnect(stopped);
    if (m_path.sceneRunning()) {
        m_path.endScene(QStringLiteral("stopped"));
        return stop();
    }
    if (reply.outcome == Reply::Outcome::Refused) {
        m_status = Output::fail(Output::Usage, reply.why());
        return false;
    }
    if (!reply.sent())
        return notDone(reply, reply.echo);
    if (ended != QLatin1String("done")) {
        m_status = Output::fail(Output::NotSent,
                                QStringLiteral("%1: scene %2 %3").arg(m_port, name, ended));
        return false;
    }
    return true;
}

// Stop to every player of the installation, back to back.
bool Sender::stopAll()
{
    if (throughService())
        return ask(QStringLiteral("all stop"), QStringLiteral("Stop All"));
    Asked all;
    all.target = Asked::Target::AllPlayers;
    const Reply reply = m_path.request(Request::press(QStringLiteral("tessary-send"), all));
    if (!reply.sent()) {
        m_status =
            Output::fail(Output::NotSent, QStringLiteral("%1: Stop All: %2 of %3 frames not sent")
                                              .arg(m_port)
                                              .arg(reply.framesAsked - reply.frames.size())
                                              .arg(reply.framesAsked));
        return false;
    }
    return m_dryRun || !m_verbose ||
           show(QStringLiteral("Stop All: %1 frames sent").arg(reply.frames.size()));
}

bool Sender::sendLines(const QString &player)
{
    LineReader reader;
    QByteArray text;
    for (int number = 1;; ++number) {
        const LineReader::Result read = reader.next(text);
        if (read == LineReader::End)
            return true;
        if (read == LineReader::Stopped)
            return stop(false);
        const QString words = player + u' ' + QString::fromUtf8(text);
        const QString refused =
            read == LineReader::TooLong
                ? QStringLiteral("longer than %1 bytes").arg(LineReader::MaxLineBytes)
                : refusal(words);
        if (!refused.isEmpty()) {
            ++m_refused;
            Output::fail(Output::Usage, QStringLiteral("line %1: %2").arg(number).arg(refused));
        } else if (!send(words)) {
            return false;
        }
    }
}

bool Sender::stop(bool leftUnsent)
{
    const QString name = Output::signalName(StopSignals::caughtSignal());
    m_status = leftUnsent
                   ? Output::fail(Output::NotSent,
                                  QStringLiteral("stopped by %1; the rest were not sent").arg(name))
                   : Output::fail(Output::SignalBase + StopSignals::caughtSignal(),
                                  QStringLiteral("stopped by %1").arg(name));
    return false;
}

int Sender::status() const
{
    if (m_status != Output::Sent || m_refused == 0)
        return m_status;
    return m_sent > 0 ? Output::LinesRefused : Output::Usage;
}

QString Sender::echoOf(const PlayerCommand &command) const
{
    const DeviceProfile &profile = DeviceProfiles::profile(m_path.model());
    return CommandFrames::echoText(PlayerCommands::name(command.kind),
                                   PlayerCommands::frame(command, profile));
}

// What is printed; false, and stopped, when standard output is gone.
bool Sender::show(const QString &echo)
{
    if (Output::say(echo))
        return true;
    if (m_status == Output::Sent)
        m_status =
            Output::fail(Output::NotSent, QStringLiteral("standard output: %1; stopped")
                                              .arg(QString::fromLocal8Bit(std::strerror(errno))));
    return false;
}

bool Sender::notDone(const Reply &reply, const QString &echo)
{
    if (m_status == Output::Sent)
        m_status = Output::fail(Output::NotSent,
                                QStringLiteral("%1: %2 not sent: %3; the rest were not sent")
                                    .arg(m_port, echo, reply.why()));
    return false;
}

// A request of the service's text protocol, and what its answer makes of it. A script's
// requests share the service with cues from the network: one answered busy or over budget is
// asked again a moment later, as a script sent straight to the port waits for the line.
bool Sender::ask(const QString &request, const QString &echo)
{
    std::optional<Reply> reply;
    for (QDeadlineTimer deadline(ServiceLink::ReplyMs);;) {
        reply = TextAnswers::read(ServiceLink::ask(m_service, request));
        const bool busy = reply && (reply->reason == Reply::Reason::Busy ||
                                    reply->reason == Reply::Reason::OverBudget);
        if (!busy || deadline.hasExpired() || !Output::pause(RetryMs))
            break;
    }
    if (!reply) {
        if (m_status == Output::Sent)
            m_status = Output::fail(Output::NotSent,
                                    QStringLiteral("%1: %2 not sent: tessaryd did not answer; the "
                                                   "rest were not sent")
                                        .arg(m_port, echo));
        return false;
    }
    if (reply->sent()) {
        ++m_sent;
        return !(m_dryRun || m_verbose) || show(echo + QStringLiteral(": sent"));
    }
    if (reply->outcome == Reply::Outcome::Refused) {
        // The service refused it, with its installation and its model.
        m_status = Output::fail(Output::Usage, QStringLiteral("tessaryd: ") + reply->why());
        return false;
    }
    return notDone(*reply, echo);
}
