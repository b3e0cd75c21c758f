// tessary-send: the window's commands from a shell, a script or a timer. The same frames, the
// same settings file, the same way of opening, locking and writing the port.

#include "command/commandpath.h"
#include "model/deviceprofile.h"
#include "model/requestwords.h"
#include "process/constants.h"
#include "process/stopsignals.h"
#include "serial/portlock.h"
#include "serial/portwatcher.h"
#include "serial/seriallink.h"
#include "storage/configfile.h"
#include "storage/settingsstore.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPort>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

// Exit statuses, as sysexits.h has them; a stop signal with nothing left unsent ends as the
// shell reports a signal, 128 and its number.
enum Exit {
    Sent = 0,
    Usage = 64,
    LinesRefused = 65,
    PortUnavailable = 69,
    NotSent = 74,
    SignalBase = 128
};

// A line of standard input is a few commands: anything longer is refused without being kept.
constexpr qsizetype MaxLineBytes = 4096;
// How often a port held by another tessary-send is tried again while waiting for it.
constexpr int PortRetryMs = 20;
// How long the service that holds the port may take to answer.
constexpr int ServiceReplyMs = 5000;

// A name from a file may hold anything: its control characters are shown as "?", so that it
// cannot drive the terminal.
QByteArray shownText(QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    return text.toLocal8Bit();
}

int fail(int status, const QString &message)
{
    std::fprintf(stderr, "tessary-send: %s\n", shownText(message).constData());
    return status;
}

// What is printed on standard output; false when it could not be written (its reader gone).
bool say(const QString &line)
{
    const QByteArray text = shownText(line) + '\n';
    return std::fwrite(text.constData(), 1, size_t(text.size()), stdout) == size_t(text.size()) &&
           std::fflush(stdout) == 0;
}

bool stopped()
{
    return StopSignals::caughtSignal() != 0;
}

// Waits, or less when a stop signal comes; false then.
bool pause(int milliseconds)
{
#ifdef Q_OS_UNIX
    QDeadlineTimer deadline(milliseconds);
    for (pollfd stop{StopSignals::fd(), POLLIN, 0}; !stopped() && !deadline.hasExpired();)
        ::poll(&stop, 1, int(deadline.remainingTime()));
#endif
    return !stopped();
}

QString signalName(int signal)
{
    const QHash<int, QString> names{{SIGINT, QStringLiteral("SIGINT")},
                                    {SIGTERM, QStringLiteral("SIGTERM")},
                                    {SIGHUP, QStringLiteral("SIGHUP")}};
    return names.value(signal, QString::number(signal));
}

// Where and to whom: the options given, else what the window saved, else its first start.
struct Target
{
    QString port;
    int model = 1;
    QString baud;
    int id = 0;
    // Saved values the window would not take as they are, by the option that must stand for
    // them: refused unless that option is given.
    QHash<QString, QString> doubtful;
};

void readSaved(Target &target)
{
    const SettingsStore store = SettingsStore::forApplication();
    const std::optional<QString> text = store.read();
    if (!text)
        return;
    const std::optional<Configuration> saved = ConfigFile::parse(*text);
    if (!saved) {
        fail(Sent, QStringLiteral("%1 is not a settings file the window wrote; give --port, "
                                  "--model, --baud and --id")
                       .arg(store.loadPath()));
        return;
    }
    // Where the window would fall back on the first item of a list, a command for show
    // equipment is not sent on a guess.
    const QStringList models = DeviceProfiles::modelNames();
    target.port = saved->serialPort;
    // As the window reads it, exactly: a model it would not take is not guessed here either.
    target.model = int(models.indexOf(saved->device)) + 1;
    if (target.model == 0) {
        target.model = 1;
        target.doubtful.insert(
            QStringLiteral("model"),
            QStringLiteral("the saved model \"%1\" is not one of %2; give --model")
                .arg(saved->device, models.join(QLatin1String(", "))));
    }
    target.baud = saved->baudrate;
    const QStringList rates = DeviceProfiles::profile(target.model).baudRates;
    if (!rates.contains(target.baud))
        target.doubtful.insert(
            QStringLiteral("baud"),
            QStringLiteral("the saved rate \"%1\" is not one %2 has (%3); "
                           "give --baud")
                .arg(saved->baudrate, models[target.model - 1], rates.join(QLatin1String(", "))));
    target.id = PlayerCommands::playerId(saved->playerId).value_or(-1);
    if (target.id < 0) {
        target.id = 0;
        target.doubtful.insert(QStringLiteral("id"),
                               QStringLiteral("the saved player ID \"%1\" is not one of 0 to 127; "
                                              "give --id")
                                   .arg(saved->playerId));
    }
}

// Negative numbers are handed to the parser with a minus sign of their own, so that it does not
// take them for options; here they are as typed.
QString typed(QString argument)
{
    return argument.startsWith(QChar(0x2212)) ? argument.replace(0, 1, QLatin1Char('-')) : argument;
}

// The options' values over the saved ones; the reason when one is wrong.
QString applyOptions(const QCommandLineParser &parser, Target &target,
                     const Installation &installation)
{
    const QStringList models = DeviceProfiles::modelNames();
    const auto value = [&parser](const char *option) {
        return typed(parser.value(QLatin1String(option)));
    };
    const bool modelGiven = parser.isSet(QStringLiteral("model"));
    if (modelGiven) {
        const QString wanted = value("model");
        target.model = DeviceProfiles::modelNamed(wanted);
        if (target.model == 0)
            return QStringLiteral("unknown model \"%1\"; the models are %2")
                .arg(wanted, models.join(QLatin1String(", ")));
    } else if (target.doubtful.contains(QStringLiteral("model"))) {
        return target.doubtful.value(QStringLiteral("model"));
    }
    const DeviceProfile &profile = DeviceProfiles::profile(target.model);
    if (parser.isSet(QStringLiteral("baud"))) {
        target.baud = value("baud");
        if (!profile.baudRates.contains(target.baud))
            return QStringLiteral("%1 has no rate %2; it has %3")
                .arg(models[target.model - 1], target.baud,
                     profile.baudRates.join(QLatin1String(", ")));
    } else if (!modelGiven && target.doubtful.contains(QStringLiteral("baud"))) {
        return target.doubtful.value(QStringLiteral("baud"));
    } else if (!profile.baudRates.contains(target.baud)) {
        // Nothing saved, or the saved rate of another model: this one's usual rate.
        target.baud = profile.baudRates[profile.defaultBaudRate];
    }
    if (parser.isSet(QStringLiteral("id"))) {
        target.id = installation.resolve(value("id")).value_or(-1);
        if (target.id < 0)
            return QStringLiteral("no player \"%1\": an ID, 0 to 127, or a name of the "
                                  "installation")
                .arg(PlayerCommands::shown(value("id")));
    } else if (target.doubtful.contains(QStringLiteral("id"))) {
        return target.doubtful.value(QStringLiteral("id"));
    }
    if (parser.isSet(QStringLiteral("port")))
        target.port = value("port");
    return {};
}

// Lines of standard input as they come. A line longer than MaxLineBytes is refused whole and is
// never held in memory: what comes of it before its end is thrown away.
class LineReader
{
public:
    enum Result { Line, TooLong, End, Stopped };

    Result next(QByteArray &line)
    {
        for (;;) {
            const qsizetype end = m_buffer.indexOf('\n');
            if (end >= 0) {
                line = m_buffer.left(end);
                m_buffer.remove(0, end + 1);
                return std::exchange(m_skipping, false) || line.size() > MaxLineBytes ? TooLong
                                                                                      : Line;
            }
            if (m_skipping || m_buffer.size() > MaxLineBytes) {
                m_skipping = true;
                m_buffer.clear();
            }
            if (m_ended) {
                line = std::exchange(m_buffer, {});
                return std::exchange(m_skipping, false) ? TooLong : line.isEmpty() ? End : Line;
            }
            if (!fill())
                return Stopped;
        }
    }

private:
    // Reads what standard input has; false when a stop signal came first.
    bool fill()
    {
#ifdef Q_OS_UNIX
        pollfd ready[2] = {{STDIN_FILENO, POLLIN, 0}, {StopSignals::fd(), POLLIN, 0}};
        while (!stopped() && ::poll(ready, 2, -1) < 0 && errno == EINTR) {
        }
        if (stopped())
            return false;
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n > 0)
            m_buffer.append(chunk, n);
        else if (n == 0 || errno != EINTR)
            m_ended = true;
#else
        char chunk[4096];
        const size_t n = std::fread(chunk, 1, sizeof chunk, stdin);
        m_buffer.append(chunk, qsizetype(n));
        m_ended = n == 0;
#endif
        return true;
    }

    QByteArray m_buffer;
    bool m_skipping = false;
    bool m_ended = false;
};

// Sends commands in order, through the request path to the line (or to a stand-in for a dry
// run), or through the service that holds the line, and keeps count of what became of them.
class Sender
{
public:
    Sender(CommandPath &path, const QString &port, int wait, bool dryRun, bool verbose)
        : m_path(path), m_port(port), m_wait(wait), m_dryRun(dryRun), m_verbose(verbose)
    {
        // Every frame as it goes, a scene's later ones too.
        QObject::connect(&path, &CommandPath::commandSent, [this](const PlayerCommand &command) {
            ++m_sent;
            if (m_dryRun || m_verbose)
                show(echoOf(command));
        });
    }

    // The service that holds the port, when it does: the commands go through it.
    void sendThrough(int service) { m_service = service; }

    // False once something was not done: the commands after it are not sent either.
    bool send(const QList<PlayerCommand> &commands)
    {
        for (const PlayerCommand &command : commands) {
            if ((m_sent > 0 && !pause(m_wait)) || stopped())
                return stop();
            if (!sendOne(command))
                return false;
        }
        return true;
    }

    // A scene of the installation: its commands in order, its own waits between them.
    bool runScene(const QString &name)
    {
        if (m_service >= 0)
            return throughService(QStringLiteral("scene ") + name, QStringLiteral("scene ") + name);
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
        const auto stop =
            QObject::connect(m_stops, &StopSignals::caught, &waits, &QEventLoop::quit);
        const Reply reply = m_path.request(Request::press(QStringLiteral("tessary-send"), scene));
        if (reply.sent() && m_path.sceneRunning())
            waits.exec();
        QObject::disconnect(end);
        QObject::disconnect(stop);
        if (m_path.sceneRunning()) {
            m_path.endScene(QStringLiteral("stopped"));
            return this->stop();
        }
        if (!reply.sent())
            return notDone(reply);
        if (ended != QLatin1String("done")) {
            m_status = fail(NotSent, QStringLiteral("%1: scene %2 %3").arg(m_port, name, ended));
            return false;
        }
        return true;
    }

    // Stop to every player of the installation, back to back.
    bool stopAll()
    {
        if (m_service >= 0)
            return throughService(QStringLiteral("all stop"), QStringLiteral("Stop All"));
        Asked all;
        all.target = Asked::Target::AllPlayers;
        const Reply reply = m_path.request(Request::press(QStringLiteral("tessary-send"), all));
        if (!reply.sent()) {
            m_status = fail(NotSent, QStringLiteral("%1: Stop All: %2 of %3 frames not sent")
                                         .arg(m_port)
                                         .arg(reply.framesAsked - reply.frames.size())
                                         .arg(reply.framesAsked));
            return false;
        }
        return m_dryRun || !m_verbose ||
               show(QStringLiteral("Stop All: %1 frames sent").arg(reply.frames.size()));
    }

    // Commands from standard input, a line at a time; a line refused does not stop the others.
    bool sendLines(int playerId)
    {
        const DeviceProfile &profile = DeviceProfiles::profile(m_path.model());
        LineReader reader;
        QByteArray text;
        for (int number = 1;; ++number) {
            const LineReader::Result read = reader.next(text);
            if (read == LineReader::End)
                return true;
            if (read == LineReader::Stopped)
                return stop(false);
            const PlayerCommands::Parsed parsed = PlayerCommands::parse(
                RequestWords::split(QString::fromUtf8(text)), playerId, profile);
            const QString refused = read == LineReader::TooLong
                                        ? QStringLiteral("longer than %1 bytes").arg(MaxLineBytes)
                                        : parsed.error;
            if (!refused.isEmpty()) {
                ++m_refused;
                fail(Usage, QStringLiteral("line %1: %2").arg(number).arg(refused));
            } else if (!send(parsed.commands)) {
                return false;
            }
        }
    }

    // A stop signal came: what is left is not sent.
    bool stop(bool leftUnsent = true)
    {
        const QString name = signalName(StopSignals::caughtSignal());
        m_status =
            leftUnsent
                ? fail(NotSent, QStringLiteral("stopped by %1; the rest were not sent").arg(name))
                : fail(SignalBase + StopSignals::caughtSignal(),
                       QStringLiteral("stopped by %1").arg(name));
        return false;
    }

    int status() const
    {
        if (m_status != Sent || m_refused == 0)
            return m_status;
        return m_sent > 0 ? LinesRefused : Usage;
    }

    void watch(const StopSignals *stops) { m_stops = stops; }

private:
    QString echoOf(const PlayerCommand &command) const
    {
        const DeviceProfile &profile = DeviceProfiles::profile(m_path.model());
        return CommandFrames::echoText(PlayerCommands::name(command.kind),
                                       PlayerCommands::frame(command, profile));
    }

    bool sendOne(const PlayerCommand &command)
    {
        if (m_service >= 0) {
            const DeviceProfile &profile = DeviceProfiles::profile(m_path.model());
            return throughService(QString::number(command.playerId) + u' ' +
                                      PlayerCommands::words(command, profile),
                                  echoOf(command));
        }
        const Reply reply = m_path.request(Request::press(QStringLiteral("tessary-send"), command));
        return (reply.sent() || notDone(reply)) && m_status == Sent;
    }

    // What is printed; false, and stopped, when standard output is gone.
    bool show(const QString &echo)
    {
        if (say(echo))
            return true;
        if (m_status == Sent)
            m_status = fail(NotSent, QStringLiteral("standard output: %1; stopped")
                                         .arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }

    bool notDone(const Reply &reply)
    {
        if (reply.outcome == Reply::Outcome::Refused) {
            m_status = fail(Usage, reply.why());
            return false;
        }
        return notDone(reply.echo, reply.reason == Reply::Reason::LineFull
                                       ? QStringLiteral("the line took no more")
                                       : QStringLiteral("the connection is lost"));
    }

    bool notDone(const QString &echo, const QString &why)
    {
        if (m_status == Sent)
            m_status = fail(NotSent, QStringLiteral("%1: %2 not sent, %3; the rest were not sent")
                                         .arg(m_port, echo, why));
        return false;
    }

    // A line of the service's text protocol, and what its answer makes of it.
    // A script's commands share the service with cues from the network: one answered busy or
    // over budget is tried again a moment later, as a script sent straight to the port waits for
    // the line.
    bool throughService(const QString &request, const QString &echo)
    {
        QByteArray reply;
        for (QDeadlineTimer deadline(ServiceReplyMs);;) {
            reply = askService(request);
            if ((reply != "ERR 74 not sent: busy" && reply != "ERR 74 not sent: over budget") ||
                deadline.hasExpired() || !pause(PortRetryMs))
                break;
        }
        if (reply == "OK") {
            ++m_sent;
            return !(m_dryRun || m_verbose) || show(echo);
        }
        if (reply.startsWith("ERR 64 ")) {
            m_status = fail(Usage, QString::fromUtf8(reply.mid(7)));
            return false;
        }
        return notDone(echo,
                       reply.startsWith("ERR ")
                           ? QString::fromUtf8(reply.mid(7)).remove(QStringLiteral("not sent: "))
                           : QStringLiteral("tessaryd did not answer"));
    }

    QByteArray askService(const QString &request) const
    {
        QByteArray reply;
#ifdef Q_OS_UNIX
        const QByteArray line = request.toUtf8() + '\n';
        if (::write(m_service, line.constData(), size_t(line.size())) == line.size()) {
            char chunk[256];
            for (pollfd ready{m_service, POLLIN, 0};
                 !reply.endsWith('\n') && ::poll(&ready, 1, ServiceReplyMs) > 0;) {
                const ssize_t n = ::read(m_service, chunk, sizeof chunk);
                if (n <= 0)
                    break;
                reply.append(chunk, n);
            }
        }
#endif
        return reply.trimmed();
    }

    CommandPath &m_path;
    const StopSignals *m_stops = nullptr;
    int m_service = -1;
    QString m_port;
    int m_wait;
    bool m_dryRun;
    bool m_verbose;
    int m_status = Sent;
    int m_sent = 0;
    int m_refused = 0;
};

// The service that holds the port, reached through its local socket; -1 when it is not there
// to be reached.
int reachService(const QString &port)
{
#ifdef Q_OS_UNIX
    for (const QString &path : PortLock::serviceSocketsFor(port)) {
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray file = QFile::encodeName(path);
        if (size_t(file.size()) >= sizeof address.sun_path)
            continue;
        std::memcpy(address.sun_path, file.constData(), size_t(file.size()));
        const int service = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(service, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0)
            return service;
        ::close(service);
    }
#else
    Q_UNUSED(port)
#endif
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    StopSignals::ignoreWriteFailures();
    Tessary::applyApplicationIdentity();
    QCoreApplication application(argc, argv);
    // From here on, an interrupted run drains the line and releases the port and its lock.
    const StopSignals stopSignals;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends commands to a serial audio player, as the Tessary window does.\n"
        "Commands: play, stop, next, previous, folder N, volume DB (0 down to the model's "
        "minimum, or mute), mute; scene NAME and stop-all for the installation's scenes and "
        "players. \"-\" reads commands from standard input, one or more per line "
        "(at most 4096 bytes). \"schedule\" alone prints the cues of the installation's "
        "schedule in the next 7 days.\n"
        "Anything not given is taken from the settings the window saved. When tessaryd holds "
        "the port, the commands go through it.\n"
        "Exit status: 0 all sent; 64 wrong usage or values, nothing sent; 65 some lines of "
        "standard input refused, the others sent; 69 the port could not be opened; 74 a frame "
        "was not sent (nor the ones after it), or stopped by a signal before the end; 128 and "
        "the signal's number when stopped by one while waiting for standard input."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("port"),
         QStringLiteral("Serial port, such as ttyUSB0, COM3, or an adapter's name in "
                        "/dev/serial/by-id."),
         QStringLiteral("name")},
        {QStringLiteral("model"),
         QStringLiteral("Player model: Lumetto, Galdris or \"Lumetto MKII\"."),
         QStringLiteral("model")},
        {QStringLiteral("baud"), QStringLiteral("Line rate, one the model has."),
         QStringLiteral("rate")},
        {QStringLiteral("id"),
         QStringLiteral("Player ID, 0 to 127, or a player's name in the installation."),
         QStringLiteral("id")},
        {QStringLiteral("installation"),
         QStringLiteral("The installation's players and scenes (default: the window's)."),
         QStringLiteral("file")},
        {QStringLiteral("wait"), QStringLiteral("Milliseconds to wait between two commands."),
         QStringLiteral("ms"), QStringLiteral("0")},
        {QStringLiteral("wait-port"),
         QStringLiteral("Seconds to wait for the port while another tessary-send has it (several "
                        "jobs at the same minute); the window or another program holding it is "
                        "refused at once."),
         QStringLiteral("seconds"), QStringLiteral("10")},
        {QStringLiteral("dry-run"),
         QStringLiteral("Print each frame as the window echoes it, and open no port.")},
        {QStringLiteral("verbose"), QStringLiteral("Print each frame as it is sent.")},
        {QStringLiteral("list-ports"),
         QStringLiteral("List the serial ports: name, description, manufacturer and serial number, "
                        "separated by tabs.")},
    });
    parser.addPositionalArgument(QStringLiteral("commands"),
                                 QStringLiteral("What to send, in order."),
                                 QStringLiteral("command [value]..."));
    // A level such as -10 is a value, not an option.
    QStringList arguments = application.arguments();
    static const QRegularExpression negative(QStringLiteral("^-\\d+$"));
    for (QString &argument : arguments)
        if (negative.match(argument).hasMatch())
            argument.replace(0, 1, QChar(0x2212));
    if (!parser.parse(arguments))
        return fail(Usage, parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Sent);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();
    if (parser.isSet(QStringLiteral("list-ports"))) {
        for (const PortInfo &port : PortWatcher::systemPorts())
            say(QStringList{port.name, port.description, port.manufacturer, port.serialNumber}.join(
                QLatin1Char('\t')));
        return Sent;
    }

    // The window's installation may not be there yet; one named here must be, and must hold
    // something. What a file holds that cannot be used is said, and the rest is used.
    const bool installationGiven = parser.isSet(QStringLiteral("installation"));
    const QString installationFile = installationGiven
                                         ? parser.value(QStringLiteral("installation"))
                                         : Installation::windowFile();
    if (installationGiven && !QFileInfo::exists(installationFile))
        return fail(Usage, QStringLiteral("%1: no such file").arg(installationFile));
    const Installation installation = Installation::load(installationFile);
    if (installationGiven && installation.isEmpty() && !installation.problems().isEmpty())
        return fail(
            Usage, QStringLiteral("%1: %2").arg(installationFile, installation.problems().first()));
    for (const QString &problem : installation.problemsSaid())
        fail(Sent, QStringLiteral("%1: %2").arg(installationFile, problem));
    // "schedule" alone: what the opening hours will send, and when.
    if (parser.positionalArguments() == QStringList{QStringLiteral("schedule")}) {
        const Schedule &schedule = installation.schedule();
        if (schedule.isEmpty())
            return fail(Usage, QStringLiteral("%1: no schedule").arg(installationFile));
        const QStringList coming = schedule.listing(QDateTime::currentDateTimeUtc(), 7);
        say(QStringLiteral("%1, time zone %2; the next 7 days:")
                .arg(installationFile, QString::fromLatin1(schedule.zone().id())));
        for (const QString &cue : coming)
            say(cue);
        if (coming.isEmpty())
            say(QStringLiteral("no cue"));
        return Sent;
    }
    Target target;
    readSaved(target);
    const QString wrong = applyOptions(parser, target, installation);
    if (!wrong.isEmpty())
        return fail(Usage, wrong);
    bool isNumber = false;
    const int wait = parser.value(QStringLiteral("wait")).toInt(&isNumber);
    if (!isNumber || wait < 0)
        return fail(Usage, QStringLiteral("no wait \"%1\": milliseconds, 0 or more")
                               .arg(typed(parser.value(QStringLiteral("wait")))));
    const int waitPort = parser.value(QStringLiteral("wait-port")).toInt(&isNumber);
    if (!isNumber || waitPort < 0)
        return fail(Usage, QStringLiteral("no wait \"%1\": seconds, 0 or more")
                               .arg(typed(parser.value(QStringLiteral("wait-port")))));
    // Every word given is checked before the port is opened; "-" stands for standard input,
    // "scene NAME" and "stop-all" for the installation's.
    const DeviceProfile &profile = DeviceProfiles::profile(target.model);
    const QStringList standardInput{QStringLiteral("-")};
    const QString scene = QStringLiteral("scene"), stopAll = QStringLiteral("stop-all");
    QList<QStringList> batches{{}};
    const QStringList words = parser.positionalArguments();
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words[i] == standardInput.first() || words[i] == stopAll)
            batches << QStringList{words[i]} << QStringList();
        else if (words[i] == scene && i + 1 < words.size())
            batches << QStringList{scene, words[++i]} << QStringList();
        else
            batches.last() << typed(words[i]);
    }
    batches.removeIf([](const QStringList &batch) { return batch.isEmpty(); });
    if (batches.isEmpty())
        return fail(Usage, QStringLiteral("nothing to send; see --help"));
    for (const QStringList &batch : std::as_const(batches)) {
        QString error;
        if (batch.first() == scene) {
            const Installation::Scene *found = installation.scene(batch.last());
            error = found ? installation.plan(*found, profile).error
                          : QStringLiteral("no scene \"%1\" in the installation")
                                .arg(PlayerCommands::shown(batch.last()));
        } else if (batch != standardInput && batch.first() != stopAll) {
            error = PlayerCommands::parse(batch, target.id, profile).error;
        }
        if (!error.isEmpty())
            return fail(Usage, error);
    }

    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    QSerialPort port;
    SerialLink link(&port);
    // A dry run goes the same way, to a line that takes every frame and sends none.
    StandInLine standIn(target.baud.toInt());
    CommandPath path(dryRun ? static_cast<LineOut *>(&standIn) : &link);
    path.setModel(target.model);
    path.setInstallation(installation);
    Sender sender(path, target.port, wait, dryRun, verbose);
    sender.watch(&stopSignals);
    int service = -1;
    if (!dryRun && target.port.isEmpty())
        return fail(Usage, QStringLiteral("no port: give --port, or choose one in the window"));
    // Another tessary-send has the port for a moment (jobs of the same minute): its turn ends
    // soon. The service holds it for good: the commands go through it. Anything else holding
    // it is refused at once.
    for (QDeadlineTimer deadline(waitPort * 1000); !dryRun && service < 0;) {
        if (link.open(target.port, target.baud.toInt()))
            break;
        const QString holder = link.holder() ? link.holder()->name : QString();
        if (holder == QLatin1String("tessaryd") && (service = reachService(target.port)) >= 0) {
            if (verbose)
                say(QStringLiteral("%1 is held by tessaryd (PID %2): sending through it")
                        .arg(target.port)
                        .arg(link.holder()->pid));
            sender.sendThrough(service);
            break;
        }
        if (holder != QLatin1String("tessary-send") || deadline.hasExpired() || !pause(PortRetryMs))
            return fail(stopped() ? SignalBase + StopSignals::caughtSignal() : PortUnavailable,
                        link.errorString());
    }
    for (const QStringList &batch : std::as_const(batches)) {
        const bool going =
            batch == standardInput     ? sender.sendLines(target.id)
            : batch.first() == stopAll ? sender.stopAll()
            : batch.first() == scene
                ? sender.runScene(batch.last())
                : sender.send(PlayerCommands::parse(batch, target.id, profile).commands);
        if (!going)
            break;
    }
    link.close();
    return sender.status();
}
