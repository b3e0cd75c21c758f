#include "daemon/servicecommand.h"

#include "model/installation.h"
#include "process/constants.h"
#include "process/stopsignals.h"
#include "remote/remotesettings.h"
#include "serial/portlock.h"
#include "service/service.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#ifdef TESSARY_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif

namespace {

// A line for the journal: a priority it understands, then the text. What a client sent may be
// in it: its control characters are shown as "?", so that it can neither start a line of its
// own nor drive a terminal.
void log(int priority, QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    std::fprintf(stderr, "<%d>%s\n", priority, text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Qt's own words go to the journal as the service's do, each with its priority.
void logQt(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    log(type == QtCriticalMsg || type == QtFatalMsg ? Service::Error
        : type == QtWarningMsg                      ? Service::Warning
        : type == QtInfoMsg                         ? Service::Info
                                                    : Service::Debug,
        text);
}

void print(const QStringList &lines)
{
    QString text = lines.join(u'\n');
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control && c != u'\n')
            c = u'?';
    std::fprintf(stdout, "%s\n", text.toLocal8Bit().constData());
}

// A word for systemd, under a unit of Type=notify: READY=1, STATUS=..., WATCHDOG=1.
void tellSystemd(const QString &state)
{
#ifdef TESSARY_HAVE_SYSTEMD
    sd_notify(0, state.toUtf8().constData());
#else
    Q_UNUSED(state)
#endif
}

} // namespace

void ServiceCommand::logQtMessages()
{
    qInstallMessageHandler(logQt);
}

int ServiceCommand::run(QCoreApplication &application)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Holds the serial line to the players and takes cues from show controllers on the "
        "network (OSC and plain text over UDP and TCP, and MQTT), as the Tessary window does, "
        "without a screen.\nThe configuration is an INI file: [line] port, model, baud; [remote] "
        "enabled, oscPort, textPort, address, allowed, udp; [installation] file (the players' "
        "names and the scenes); [mqtt] host, port, username, password, clientId, prefix, line, "
        "caFile, certFile, keyFile, discovery, discoveryPrefix, timeout (rooms on an MQTT "
        "broker); [web] enabled, port, address, allowed, token, certFile, keyFile (the front "
        "desk's page). What it does not say is taken from the settings the window saved."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("config"), QStringLiteral("The configuration file."),
         QStringLiteral("file")},
        {QStringLiteral("socket"),
         QStringLiteral("The local socket tessary-send uses (default: in /run/tessaryd)."),
         QStringLiteral("path")},
        {QStringLiteral("verbose"),
         QStringLiteral("Log every command sent, not only the events and what was refused.")},
        {QStringLiteral("show-url"),
         QStringLiteral("Print the address that opens the front desk's page, token included, "
                        "as the running service serves it, and stop.")},
        {QStringLiteral("check"),
         QStringLiteral("Read the configuration and the installation, say what would be done, "
                        "and stop: 0 when both can be used as they are, 78 when not.")},
    });
    parser.process(application);
    // Without a file of its own, what the window keeps: its settings and its remote control.
    const QString file = parser.isSet(QStringLiteral("config"))
                             ? parser.value(QStringLiteral("config"))
                             : RemoteSettings::windowFile();
    if (parser.isSet(QStringLiteral("config")) && !QFileInfo(file).isFile()) {
        log(Service::Error,
            QStringLiteral("%1 cannot be read: %2")
                .arg(file, QFileInfo::exists(file) ? QStringLiteral("not a file")
                                                   : QStringLiteral("no such file")));
        return Service::ConfigurationFault;
    }
    // Read strictly, and checked whole: a name misspelt or a value that is not one is refused,
    // never guessed.
    const ServiceConfiguration configuration = ServiceConfiguration::read(file);
    if (!configuration.isGood()) {
        // Said with the file it was read from, the window's own when none was given.
        for (const QString &fault : configuration.faults())
            log(Service::Error,
                fault.startsWith(file) ? fault : QStringLiteral("%1: %2").arg(file, fault));
        return Service::ConfigurationFault;
    }
    if (parser.isSet(QStringLiteral("show-url"))) {
        QString why;
        const QString url = Service::pageUrl(configuration, &why);
        if (url.isEmpty()) {
            log(Service::Error, why);
            return Service::ConfigurationFault;
        }
        print({url});
        return Service::Ok;
    }
    if (parser.isSet(QStringLiteral("check"))) {
        const Installation installation = Installation::load(configuration.installation.file);
        for (const QString &problem : installation.problemsSaid())
            log(Service::Warning,
                QStringLiteral("%1: %2").arg(configuration.installation.file, problem));
        const bool gone =
            configuration.installationNamed && !QFileInfo::exists(configuration.installation.file);
        if (gone)
            log(Service::Warning,
                QStringLiteral("%1: no such file; players are known by their IDs only")
                    .arg(configuration.installation.file));
        print(Service::describe(configuration));
        return installation.problems().isEmpty() && !gone ? Service::Ok
                                                          : Service::ConfigurationFault;
    }

    Service service;
    service.setVerbose(parser.isSet(QStringLiteral("verbose")));
    QObject::connect(&service, &Service::logged,
                     [](int priority, const QString &text) { log(priority, text); });
    QObject::connect(&service, &Service::told, tellSystemd);
    const QString socket = parser.isSet(QStringLiteral("socket"))
                               ? parser.value(QStringLiteral("socket"))
                               : PortLock::serviceSockets(configuration.line.port).first();
    QString why;
    if (const Service::Exit status = service.start(configuration, socket, &why);
        status != Service::Ok) {
        log(Service::Error, why);
        return status;
    }
    // SIGHUP (systemctl reload) reads the configuration again; SIGTERM (systemctl stop) and
    // SIGINT end the service cleanly: the line drained, the port and its lock released.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::caught, &application, [&](int signal) {
        if (signal == SIGHUP)
            return service.reload();
        tellSystemd(QStringLiteral("STOPPING=1"));
        log(Service::Info, QStringLiteral("stopping on signal %1").arg(signal));
        QCoreApplication::quit();
    });
    // Ready, and alive as long as its event loop turns: the watchdog is fed from it.
    tellSystemd(QStringLiteral("READY=1"));
    QTimer watchdog;
#ifdef TESSARY_HAVE_SYSTEMD
    if (uint64_t usec = 0; sd_watchdog_enabled(0, &usec) > 0) {
        QObject::connect(&watchdog, &QTimer::timeout,
                         [] { tellSystemd(QStringLiteral("WATCHDOG=1")); });
        watchdog.start(int(usec / 2000));
    }
#endif
    const int status = QCoreApplication::exec();
    service.stop();
    log(Service::Info, QStringLiteral("stopped"));
    return status;
}
