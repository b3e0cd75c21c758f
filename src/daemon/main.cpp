// tessaryd: the line held by a service with no screen, taking cues from the network as the window
// does. The same port handling, the same command path, the same protocols.

#include "command/commandpath.h"
#include "command/schedulerunner.h"
#include "model/deviceprofile.h"
#include "process/constants.h"
#include "process/stopsignals.h"
#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"
#include "serial/lineholder.h"
#include "serial/portwatcher.h"
#include "serial/seriallink.h"
#include "storage/configfile.h"
#include "storage/inifile.h"
#include "storage/settingsstore.h"
#include "web/webserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QSerialPort>
#include <QTimer>
#include <csignal>
#include <memory>
#ifdef TESSARY_HAVE_SYSTEMD
#include <systemd/sd-daemon.h>
#endif
#include <cstdio>

namespace {

// Lines for the journal: a priority it understands, then the text.
enum Priority { Error = 3, Warning = 4, Info = 6, Debug = 7 };

// What a client sent may be in the text: its control characters are shown as "?", so that it
// can neither start a line of its own nor drive a terminal.
void log(Priority priority, QString text)
{
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control)
            c = u'?';
    std::fprintf(stderr, "<%d>%s\n", int(priority), text.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Qt's own words go to the journal as the service's do, each with its priority.
void logQt(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    log(type == QtCriticalMsg || type == QtFatalMsg ? Error
        : type == QtWarningMsg                      ? Warning
        : type == QtInfoMsg                         ? Info
                                                    : Debug,
        text);
}

// How often the port is tried again while it is away (it is also tried whenever the system
// says a device came).
constexpr int RetryMs = 2000;

struct Line
{
    QString port;
    int model = 1;
    int baud = 19200;

    bool operator==(const Line &other) const
    {
        return port == other.port && model == other.model && baud == other.baud;
    }
};

// The line from the configuration file, else from the window's saved settings.
std::optional<Line> readLine(const IniFile &config, QString *why)
{
    Line line;
    // A first start's: the first model at its usual rate.
    QString model = DeviceProfiles::modelNames().first(), baud = QStringLiteral("19200");
    if (const std::optional<QString> text = SettingsStore::forApplication().read())
        if (const std::optional<Configuration> saved = ConfigFile::parse(*text)) {
            line.port = saved->serialPort;
            model = saved->device;
            baud = saved->baudrate;
        }
    const QString section = QStringLiteral("line");
    line.port = config.text(section, QStringLiteral("port"), line.port);
    model = config.text(section, QStringLiteral("model"), model);
    baud = config.text(section, QStringLiteral("baud"), baud);
    // The window's saved model as the window reads it, exactly; the configuration's in any case.
    const bool given = config.contains(section, QStringLiteral("model"));
    line.model = given ? DeviceProfiles::modelNamed(model)
                       : int(DeviceProfiles::modelNames().indexOf(model)) + 1;
    line.baud = baud.toInt();
    if (line.port.isEmpty())
        *why = QStringLiteral("no port: set port in [line]");
    else if (!DeviceProfiles::isModel(line.model))
        *why =
            QStringLiteral("no model \"%1\"%2: %3")
                .arg(model,
                     given ? QString()
                           : QStringLiteral(" in the window's saved settings; set model in [line]"),
                     DeviceProfiles::modelNames().join(QLatin1String(", ")));
    else if (!DeviceProfiles::profile(line.model).baudRates.contains(baud))
        *why = QStringLiteral("%1 has no rate \"%2\"; it has %3")
                   .arg(DeviceProfiles::modelNames()[line.model - 1], baud,
                        DeviceProfiles::profile(line.model).baudRates.join(QLatin1String(", ")));
    else
        return line;
    return std::nullopt;
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

// What the service would do with this configuration and installation, for --check.
void describe(const QString &file, const Line &line, const RemoteSettings &remote,
              const MqttSettings &mqtt, const QString &installationFile,
              const Installation &installation)
{
    QStringList said{QStringLiteral("configuration: %1").arg(file),
                     QStringLiteral("line: %1 at %2 baud, %3")
                         .arg(line.port)
                         .arg(line.baud)
                         .arg(DeviceProfiles::modelNames()[line.model - 1])};
    said << (remote.enabled
                 ? QStringLiteral("remote control: OSC on %1:%2, text on %1:%3; "
                                  "allowed: %4")
                       .arg(remote.address)
                       .arg(remote.oscPort)
                       .arg(remote.textPort)
                       .arg(remote.allowed.isEmpty() ? QStringLiteral("this machine only")
                                                     : remote.allowed.join(QLatin1String(", ")))
                 : QStringLiteral("remote control: off"));
    said << (mqtt.enabled ? QStringLiteral("MQTT: %1:%2, topics %3/%4/<player>/command%5")
                                .arg(mqtt.host)
                                .arg(mqtt.port)
                                .arg(mqtt.prefix, mqtt.lineName(),
                                     mqtt.discovery ? QStringLiteral(", discovery under ") +
                                                          mqtt.discoveryPrefix
                                                    : QString())
                          : QStringLiteral("MQTT: off"));
    said << QStringLiteral("installation: %1: %2 players, %3 scenes")
                .arg(installationFile)
                .arg(installation.players().size())
                .arg(installation.scenes().size());
    for (const Installation::Player &player : installation.players())
        said << QStringLiteral("  player %1 %2").arg(player.id).arg(player.name);
    for (const Installation::Scene &scene : installation.scenes())
        said << QStringLiteral("  scene %1: %2 steps%3")
                    .arg(scene.name)
                    .arg(scene.steps.size())
                    .arg(scene.shortcut.isEmpty() ? QString()
                                                  : QStringLiteral(", shortcut ") + scene.shortcut);
    const Schedule &schedule = installation.schedule();
    if (!schedule.isEmpty()) {
        said << QStringLiteral("schedule: %1 cues, %2 exceptions, time zone %3; the next 7 days:")
                    .arg(schedule.cues().size())
                    .arg(schedule.exceptions().size())
                    .arg(QString::fromLatin1(schedule.zone().id()));
        const QStringList coming = schedule.listing(QDateTime::currentDateTimeUtc(), 7);
        for (const QString &cue : coming)
            said << QStringLiteral("  ") + cue;
        if (coming.isEmpty())
            said << QStringLiteral("  none");
    }
    for (QString &text : said)
        for (QChar &c : text)
            if (c.category() == QChar::Other_Control)
                c = u'?';
    std::fprintf(stdout, "%s\n", said.join(u'\n').toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv)
{
    StopSignals::ignoreWriteFailures();
    qInstallMessageHandler(logQt);
    Tessary::applyApplicationIdentity();
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Holds the serial line to the players and takes cues from show controllers on the "
        "network (OSC and plain text over UDP and TCP, and MQTT), as the Tessary window does, "
        "without a screen.\nThe configuration is an INI file: [line] port, model, baud; [remote] "
        "enabled, oscPort, textPort, address, allowed; [installation] file (the players' names "
        "and the scenes); [mqtt] host, port, username, password, clientId, prefix, line, caFile, "
        "certFile, keyFile, discovery, discoveryPrefix, timeout (rooms on an MQTT broker); [web] "
        "enabled, port, address, allowed, token, certFile, keyFile (the front desk's page). What "
        "it does not say is taken from the settings the window saved."));
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
                        "and stop.")},
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
        log(Error, QStringLiteral("%1 cannot be read").arg(file));
        return 78; // EX_CONFIG
    }
    // Read strictly: a name misspelt or a value that is not one is refused, never guessed.
    IniFile config = IniFile::load(file, RemoteSettings::schema());
    QString why;
    std::optional<Line> line = readLine(config, &why);
    const RemoteSettings remote = RemoteSettings::load(config);
    const MqttSettings mqtt = MqttSettings::load(config);
    const WebSettings web = WebSettings::load(config);
    if (!config.errors().isEmpty() || !line) {
        for (const QString &error : config.errors())
            log(Error, QStringLiteral("%1: %2").arg(file, error));
        if (!line)
            log(Error, why);
        return 78;
    }
    // Addresses as written, before the port is opened.
    if (const QString refused = remote.refusal(); remote.enabled && !refused.isEmpty()) {
        log(Error, QStringLiteral("%1: %2").arg(file, refused));
        return 78;
    }
    if (const QString refused = web.refusal(); web.enabled && !refused.isEmpty()) {
        log(Error, QStringLiteral("%1: [web] %2").arg(file, refused));
        return 78;
    }
    // A password, and the page's token, are kept where only their owner reads them.
    if ((!mqtt.password.isEmpty() || !web.token.isEmpty()) &&
        (QFileInfo(file).permissions() & (QFile::ReadOther | QFile::ReadGroup))) {
        log(Error, QStringLiteral("%1 holds %2 but others may read it: chmod 600 it")
                       .arg(file, mqtt.password.isEmpty() ? QStringLiteral("the page's token")
                                                          : QStringLiteral("the MQTT password")));
        return 78;
    }
    // The page's token: the configuration's, or one made at the first start and kept.
    QString webToken = web.token;
    if (web.enabled && webToken.isEmpty()) {
        webToken = WebServer::keptToken(WebSettings::stateFolder(), &why);
        if (webToken.isEmpty()) {
            log(Error, QStringLiteral("no token for the page: %1").arg(why));
            return 73; // EX_CANTCREAT
        }
    }
    if (parser.isSet(QStringLiteral("show-url"))) {
        if (!web.enabled) {
            log(Error, QStringLiteral("%1: the page is off ([web] enabled=false)").arg(file));
            return 78;
        }
        std::fprintf(stdout, "%s\n", qPrintable(WebServer::pageUrl(web, webToken, web.port)));
        return 0;
    }

    // One service to a port: a second one refuses to start, and leaves the first one's socket.
    const QString socket = parser.isSet(QStringLiteral("socket"))
                               ? parser.value(QStringLiteral("socket"))
                               : PortLock::serviceSockets(line->port).first();
    if (const qint64 serving = RemoteServer::servedAt(socket);
        serving != 0 && !parser.isSet(QStringLiteral("check"))) {
        log(Error, serving > 0
                       ? QStringLiteral("%1 is already served by tessaryd (PID %2)")
                             .arg(line->port)
                             .arg(serving)
                       : QStringLiteral("%1 is already served by tessaryd").arg(line->port));
        return 69;
    }
    // The installation's players and scenes, for names and scenes from the network.
    QString installationFile = config.text(QStringLiteral("installation"), QStringLiteral("file"),
                                           Installation::windowFile());
    const bool installationGone =
        config.contains(QStringLiteral("installation"), QStringLiteral("file")) &&
        !QFileInfo::exists(installationFile);
    if (installationGone)
        log(Warning, QStringLiteral("%1: no such file; players are known by their IDs only")
                         .arg(installationFile));
    const Installation installation = Installation::load(installationFile);
    for (const QString &problem : installation.problemsSaid())
        log(Warning, QStringLiteral("%1: %2").arg(installationFile, problem));
    if (parser.isSet(QStringLiteral("check"))) {
        describe(file, *line, remote, mqtt, installationFile, installation);
        return installation.problems().isEmpty() && !installationGone ? 0 : 78;
    }

    QSerialPort port;
    SerialLink link(&port);
    CommandPath path(&link);
    path.setModel(line->model);
    path.setInstallation(installation);
    RemoteServer server(&path);
    MqttBridge broker(&path);
    QObject::connect(&broker, &MqttBridge::note, [](const QString &text) { log(Info, text); });
    // Waits for the port, and opens it again after a loss, as the window's auto-connection does;
    // tried again every so often besides (a port held by another program gives no news).
    LineHolder holder(&link, nullptr, RetryMs);
    QObject::connect(&holder, &LineHolder::opened, [&] {
        const QString open = QStringLiteral("open: %1 at %2 baud, %3")
                                 .arg(line->port)
                                 .arg(line->baud)
                                 .arg(DeviceProfiles::modelNames()[line->model - 1]);
        log(Info, open);
        tellSystemd(QStringLiteral("STATUS=") + open);
        // The device is there now: the users of its group may send through the service.
        server.shareLocally(QFileInfo(PortLock::devicePath(line->port)).group());
    });
    // A port that is not there, or not to be had, is said with the ports that are, and again
    // when they change.
    QObject::connect(&holder, &LineHolder::refused,
                     [&](const QString &, const QString &why, const QStringList &present) {
                         const QString waiting =
                             QStringLiteral("waiting for %1: %2; present: %3")
                                 .arg(line->port, why,
                                      present.isEmpty() ? QStringLiteral("none")
                                                        : present.join(QLatin1String(", ")));
                         log(Warning, waiting);
                         tellSystemd(QStringLiteral("STATUS=") + waiting);
                     });
    // Tried again at the next turn of the retry, not at once: a device that opens and hangs up
    // again (an adapter half-pulled) must not keep the service spinning.
    QObject::connect(&holder, &LineHolder::lost, [&] {
        log(Warning, QStringLiteral("connection lost: %1").arg(line->port));
        tellSystemd(QStringLiteral("STATUS=connection lost: ") + line->port);
        holder.hold(line->port, line->baud, holder.adapter(), true);
    });
    QObject::connect(&server, &RemoteServer::note, [](const QString &text) { log(Warning, text); });
    QObject::connect(&path, &CommandPath::sceneEnded, [](const QString &name, const QString &said) {
        log(Info, QStringLiteral("scene %1: %2").arg(name, said));
    });
    // Every request: those refused or not sent always, the schedule's always, the others when
    // asked.
    const bool verbose = parser.isSet(QStringLiteral("verbose"));
    QObject::connect(&path, &CommandPath::logged, [verbose](const QString &text, bool problem) {
        if (problem || verbose || text.startsWith(QLatin1String("schedule, ")))
            log(problem ? Warning : Info, text);
    });

    log(Info, QStringLiteral("started: %1").arg(line->port));
    holder.hold(line->port, line->baud, {});
    // The opening hours run here, as the holder of the line; what they missed while the service
    // was stopped is said from the last cue kept.
    ScheduleRunner schedule(&path);
    QObject::connect(&schedule, &ScheduleRunner::note, [](const QString &text, bool problem) {
        log(problem ? Warning : Info, text);
    });
    const auto sayNext = [&schedule] {
        const std::optional<Schedule::Due> next = schedule.next();
        if (next)
            log(Info, QStringLiteral("schedule: next %1 (%2)")
                          .arg(ScheduleRunner::describe(schedule.schedule(), *next),
                               next->at.toTimeZone(schedule.schedule().zone())
                                   .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t"))));
        else if (!schedule.schedule().isEmpty())
            log(Info, QStringLiteral("schedule: no cue in the next 8 days"));
    };
    QDir().mkpath(WebSettings::stateFolder());
    schedule.setKeptIn(QDir(WebSettings::stateFolder()).filePath(QStringLiteral("schedule-last")));
    broker.follow(&schedule);
    schedule.start();
    sayNext();
    // The page's server is made once the page is switched on: an HTTP server sets up TLS as it
    // is made, which a service without the page need not pay for.
    std::unique_ptr<WebServer> webServer;
    const auto page = [&]() -> WebServer & {
        if (!webServer) {
            webServer = std::make_unique<WebServer>(&path);
            QObject::connect(webServer.get(), &WebServer::note,
                             [](const QString &text) { log(Warning, text); });
            webServer->follow(&holder);
            webServer->follow(&schedule);
        }
        return *webServer;
    };
    if (remote.enabled) {
        if (!server.start(remote, &why)) {
            log(Error, QStringLiteral("remote control failed: %1").arg(why));
            return 69; // EX_UNAVAILABLE
        }
        log(Info, QStringLiteral("remote control: %1; allowed: %2")
                      .arg(server.description(), remote.allowed.isEmpty()
                                                     ? QStringLiteral("this machine only")
                                                     : remote.allowed.join(QLatin1String(", "))));
    }
    if (mqtt.enabled && !broker.start(mqtt, &why)) {
        log(Error, QStringLiteral("MQTT: %1").arg(why));
        return 78;
    }
    // Its address is said; its token never is (tessaryd --show-url prints both).
    if (web.enabled) {
        if (!page().start(web, webToken, &why)) {
            log(Error, QStringLiteral("the page failed: %1").arg(why));
            return 69;
        }
        log(Info, QStringLiteral("the page: %1; allowed: %2")
                      .arg(WebServer::pageUrl(web, QStringLiteral("…"), page().port()),
                           web.allowed.isEmpty() ? QStringLiteral("this machine only")
                                                 : web.allowed.join(QLatin1String(", "))));
    }
    // tessary-send on this machine sends through the service instead of failing.
    QDir().mkpath(QFileInfo(socket).path());
    const QString group = QFileInfo(PortLock::devicePath(line->port)).group();
    const bool servingLocally = server.listenLocally(socket, group, &why);
    if (!servingLocally)
        log(Warning, QStringLiteral("no local socket for tessary-send: %1").arg(why));

    // SIGHUP (systemctl reload) reads the configuration and the installation again: what
    // changed is set up anew, the rest goes on as it was; a configuration with a fault is
    // refused, and the running one kept.
    RemoteSettings runningRemote = remote;
    MqttSettings runningMqtt = mqtt;
    WebSettings runningWeb = web;
    QByteArray installationBytes =
        Installation::read(installationFile, &why).value_or(QByteArray());
    const auto reload = [&] {
        IniFile fresh = IniFile::load(file, RemoteSettings::schema());
        QString fault;
        const std::optional<Line> newLine = readLine(fresh, &fault);
        const RemoteSettings newRemote = RemoteSettings::load(fresh);
        const MqttSettings newMqtt = MqttSettings::load(fresh);
        const WebSettings newWeb = WebSettings::load(fresh);
        if (fresh.errors().isEmpty() && newWeb.enabled && !newWeb.refusal().isEmpty())
            fault = QStringLiteral("[web] ") + newWeb.refusal();
        if (!fresh.errors().isEmpty() || !newLine || !fault.isEmpty()) {
            log(Error, QStringLiteral("reload refused, the running configuration kept: %1: %2")
                           .arg(file, fresh.errors().value(0, fault)));
            return;
        }
        QStringList changed;
        if (!(*newLine == *line)) {
            changed << QStringLiteral("the line");
            holder.release();
            link.close();
            line = newLine;
            path.setModel(line->model);
            holder.hold(line->port, line->baud, {});
        }
        if (!(newRemote == runningRemote)) {
            changed << QStringLiteral("remote control");
            runningRemote = newRemote;
            QString failed;
            server.stop();
            if (newRemote.enabled && !server.start(newRemote, &failed))
                log(Error, QStringLiteral("remote control failed: %1").arg(failed));
        }
        if (!(newMqtt == runningMqtt)) {
            changed << QStringLiteral("MQTT");
            runningMqtt = newMqtt;
            QString failed;
            broker.stop();
            if (newMqtt.enabled && !broker.start(newMqtt, &failed))
                log(Error, QStringLiteral("MQTT: %1").arg(failed));
        }
        if (!(newWeb == runningWeb)) {
            changed << QStringLiteral("the page");
            runningWeb = newWeb;
            QString failed;
            if (webServer)
                webServer->stop();
            const QString token = newWeb.token.isEmpty()
                                      ? WebServer::keptToken(WebSettings::stateFolder(), &failed)
                                      : newWeb.token;
            if (newWeb.enabled && (token.isEmpty() || !page().start(newWeb, token, &failed)))
                log(Error, QStringLiteral("the page failed: %1").arg(failed));
        }
        QString unread;
        const QString newFile = fresh.text(QStringLiteral("installation"), QStringLiteral("file"),
                                           Installation::windowFile());
        const QByteArray bytes = Installation::read(newFile, &unread).value_or(QByteArray());
        if (newFile != installationFile || bytes != installationBytes) {
            changed << QStringLiteral("the installation");
            installationFile = newFile;
            installationBytes = bytes;
            const Installation fresher = Installation::load(newFile);
            for (const QString &problem : fresher.problemsSaid())
                log(Warning, QStringLiteral("%1: %2").arg(newFile, problem));
            path.setInstallation(fresher);
            sayNext();
        }
        log(Info, changed.isEmpty()
                      ? QStringLiteral("reloaded: nothing changed")
                      : QStringLiteral("reloaded: %1").arg(changed.join(QLatin1String(", "))));
    };
    // SIGTERM (systemctl stop) and SIGINT end the service cleanly: the line drained, the port
    // and its lock released.
    StopSignals stop;
    QObject::connect(&stop, &StopSignals::caught, &application, [&](int signal) {
        if (signal == SIGHUP) {
            tellSystemd(QStringLiteral("RELOADING=1"));
            reload();
            tellSystemd(QStringLiteral("READY=1"));
            return;
        }
        tellSystemd(QStringLiteral("STOPPING=1"));
        log(Info, QStringLiteral("stopping on signal %1").arg(signal));
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
    server.stop();
    broker.stop();
    if (webServer)
        webServer->stop();
    link.close();
    // Its own socket only.
    if (servingLocally)
        QLocalServer::removeServer(socket);
    log(Info, QStringLiteral("stopped"));
    return status;
}
