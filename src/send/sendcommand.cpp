#include "send/sendcommand.h"

#include "model/deviceprofile.h"
#include "process/constants.h"
#include "process/stopsignals.h"
#include "send/output.h"
#include "send/sender.h"
#include "send/servicelink.h"
#include "send/target.h"
#include "serial/portwatcher.h"
#include "serial/seriallink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPort>

using namespace Output;

namespace {

// How often a port held by another tessary-send is tried again while waiting for it.
constexpr int PortRetryMs = 20;

const QList<QCommandLineOption> &options()
{
    static const QList<QCommandLineOption> all{
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
         QStringLiteral("The installation's players and scenes (default: the window's; the "
                        "service's own when tessaryd holds the port)."),
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
    };
    return all;
}

// The installation's schedule in the next 7 days, from the service that runs it or the file.
int listSchedule(int service, const QString &file, const Installation &installation)
{
    if (service >= 0) {
        const QList<QByteArray> lines =
            ServiceLink::ask(service, QStringLiteral("schedule")).split('\n');
        if (!lines.last().trimmed().startsWith("OK"))
            return fail(Usage, QStringLiteral("tessaryd: ") +
                                   QString::fromUtf8(lines.last().trimmed().mid(7)));
        for (const QByteArray &line : lines.mid(0, lines.size() - 1))
            say(QString::fromUtf8(line.trimmed()));
        return Sent;
    }
    const Schedule &schedule = installation.schedule();
    if (schedule.isEmpty())
        return fail(Usage, QStringLiteral("%1: no schedule").arg(file));
    say(QStringLiteral("%1, time zone %2; the next 7 days:")
            .arg(file, QString::fromLatin1(schedule.zone().id())));
    const QStringList coming = schedule.listing(QDateTime::currentDateTimeUtc(), 7);
    for (const QString &cue : coming)
        say(cue);
    if (coming.isEmpty())
        say(QStringLiteral("no cue"));
    return Sent;
}

// The arguments as requests in words: a player's commands, "-" for standard input, "scene
// NAME", "stop-all" or "all stop".
QStringList requests(const QStringList &arguments, const QString &player)
{
    QStringList requests{{}};
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &word = arguments[i];
        if (word == QLatin1String("-") ||
            word.compare(QLatin1String("stop-all"), Qt::CaseInsensitive) == 0)
            requests << word << QString();
        else if ((word.compare(QLatin1String("scene"), Qt::CaseInsensitive) == 0 ||
                  word.compare(QLatin1String("all"), Qt::CaseInsensitive) == 0) &&
                 i + 1 < arguments.size())
            requests << word + u' ' + arguments[++i] << QString();
        else
            requests.last() +=
                (requests.last().isEmpty() ? player + u' ' : QStringLiteral(" ")) + typed(word);
    }
    requests.removeAll(QString());
    return requests;
}

} // namespace

int SendCommand::run(QCoreApplication &application)
{
    // From here on, an interrupted run drains the line and releases the port and its lock.
    const StopSignals stopSignals;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends commands to a serial audio player, as the Tessary window does.\n"
        "Commands: play, stop, next, previous, folder N, volume DB (0 down to the model's "
        "minimum, or mute), mute; scene NAME and stop-all (or all stop) for the installation's "
        "scenes and players. \"-\" reads commands from standard input, one or more per line "
        "(at most 4096 bytes). \"schedule\" alone prints the cues of the installation's "
        "schedule in the next 7 days.\n"
        "Anything not given is taken from the settings the window saved. When tessaryd holds "
        "the port, the commands go through it, and its installation knows the players and "
        "scenes.\n"
        "Exit status: 0 all sent; 64 wrong usage or values, nothing sent; 65 some lines of "
        "standard input refused, the others sent; 69 the port could not be opened; 74 a frame "
        "was not sent (nor the ones after it), or stopped by a signal before the end; 128 and "
        "the signal's number when stopped by one while waiting for standard input."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(options());
    parser.addPositionalArgument(QStringLiteral("commands"),
                                 QStringLiteral("What to send, in order."),
                                 QStringLiteral("command [value]..."));
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

    Target target;
    target.readSaved();
    if (const QString wrong = target.applyOptions(parser); !wrong.isEmpty())
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
    const bool dryRun = parser.isSet(QStringLiteral("dry-run"));
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    if (!dryRun && target.port.isEmpty())
        return fail(Usage, QStringLiteral("no port: give --port, or choose one in the window"));
    // The service that holds the port: everything goes through it, in its words.
    const int service = dryRun ? -1 : ServiceLink::reach(target.port);
    if (service >= 0 && verbose)
        say(QStringLiteral("%1 is held by tessaryd: sending through it").arg(target.port));

    // The window's installation may not be there yet; one named here must be, and must hold
    // something. What a file holds that cannot be used is said, and the rest is used.
    const bool installationGiven = parser.isSet(QStringLiteral("installation"));
    const QString installationFile = installationGiven
                                         ? parser.value(QStringLiteral("installation"))
                                         : Installation::windowFile();
    if (installationGiven && !QFileInfo::exists(installationFile))
        return fail(Usage, QStringLiteral("%1: no such file").arg(installationFile));
    const Installation installation =
        service >= 0 && !installationGiven ? Installation() : Installation::load(installationFile);
    if (installationGiven && installation.isEmpty() && !installation.problems().isEmpty())
        return fail(
            Usage, QStringLiteral("%1: %2").arg(installationFile, installation.problems().first()));
    for (const QString &problem : installation.problemsSaid())
        fail(Sent, QStringLiteral("%1: %2").arg(installationFile, problem));
    if (parser.positionalArguments() == QStringList{QStringLiteral("schedule")})
        return listSchedule(service, installationFile, installation);

    QSerialPort port;
    SerialLink link(&port);
    // A dry run goes the same way, to a line that takes every frame and sends none.
    StandInLine standIn(target.baud.toInt());
    CommandPath path(dryRun ? static_cast<LineOut *>(&standIn) : &link);
    path.setModel(target.model);
    path.setInstallation(installation);
    Sender sender(path, target.port, wait, dryRun, verbose);
    sender.watch(&stopSignals);
    if (service >= 0)
        sender.sendThrough(service);
    // Every request is checked before anything is sent.
    const QStringList asked = requests(parser.positionalArguments(), target.player);
    if (asked.isEmpty())
        return fail(Usage, QStringLiteral("nothing to send; see --help"));
    for (const QString &request : asked)
        if (const QString refused =
                request == QLatin1String("-") ? QString() : sender.refusal(request);
            !refused.isEmpty())
            return fail(Usage, refused);
    // Another tessary-send has the port for a moment (jobs of the same minute): its turn ends
    // soon. Anything else holding it is refused at once.
    for (QDeadlineTimer deadline(waitPort * 1000); !dryRun && service < 0;) {
        if (link.open(target.port, target.baud.toInt()))
            break;
        const QString holder = link.holder() ? link.holder()->name : QString();
        if (holder != QLatin1String("tessary-send") || deadline.hasExpired() || !pause(PortRetryMs))
            return fail(stopped() ? SignalBase + StopSignals::caughtSignal() : PortUnavailable,
                        link.errorString());
    }
    for (const QString &request : asked)
        if (!(request == QLatin1String("-") ? sender.sendLines(target.player)
                                            : sender.send(request)))
            break;
    link.close();
    return sender.status();
}
