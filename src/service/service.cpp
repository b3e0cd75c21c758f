#include "service/service.h"

#include "command/commandpath.h"
#include "command/schedulerunner.h"
#include "model/deviceprofile.h"
#include "model/installation.h"
#include "remote/localserver.h"
#include "remote/mqttbridge.h"
#include "remote/remoteserver.h"
#include "remote/venue.h"
#include "serial/lineholder.h"
#include "serial/portlock.h"
#include "serial/seriallink.h"
#include "storage/safefile.h"
#include "storage/statefolder.h"
#include "web/webserver.h"

#include <QDir>
#include <QFileInfo>
#include <QTcpServer>

namespace {

// "1 player", "2 players": a count and its noun, as a person writes them.
QString counted(qsizetype count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

// How often the port is tried again while it is away (it is also tried whenever the system
// says a device came).
constexpr int RetryMs = 2000;

QString tokenFile(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("web-token"));
}

} // namespace

Service::Service(QObject *parent)
    : QObject(parent), m_port(std::make_unique<QSerialPort>()),
      m_link(std::make_unique<SerialLink>(m_port.get())),
      m_path(new CommandPath(m_link.get(), this)),
      m_holder(new LineHolder(m_link.get(), nullptr, RetryMs, this)),
      m_schedule(new ScheduleRunner(m_path, &QDateTime::currentDateTimeUtc, this)),
      m_local(new LocalServer(m_path, this))
{
    compose();
    connect(m_local, &LocalServer::note, this, [this](const QString &text) { say(Warning, text); });
    // tessary-send schedule, through the service: the schedule it runs.
    m_local->setSchedule([this](QString *why) {
        const Schedule &schedule = m_schedule->schedule();
        if (schedule.isEmpty()) {
            *why = QStringLiteral("%1: no schedule").arg(m_running.installation.file);
            return QStringList();
        }
        QStringList listing{
            QStringLiteral("%1, time zone %2; the next 7 days:")
                .arg(m_running.installation.file, QString::fromLatin1(schedule.zone().id()))};
        listing << schedule.listing(QDateTime::currentDateTimeUtc(), 7);
        if (listing.size() == 1)
            listing << QStringLiteral("no cue");
        return listing;
    });
    const auto status = [this](const QString &text) {
        emit told(QStringLiteral("STATUS=") + text);
    };
    // Waits for the port, and opens it again after a loss, as the window's auto-connection
    // does; tried again every so often besides (a port held by another program gives no news).
    connect(m_holder, &LineHolder::opened, this, [this, status] {
        const QString open = QStringLiteral("open: %1 at %2 baud, %3")
                                 .arg(m_running.line.port)
                                 .arg(m_running.baud)
                                 .arg(DeviceProfiles::modelNames()[m_running.model - 1]);
        say(Info, open);
        status(open);
        // The device is there now: the users of its group may send through the service.
        m_local->share(QFileInfo(PortLock::devicePath(m_running.line.port)).group());
    });
    // A port that is not there, or not to be had, is said with the ports that are, and again
    // when they change.
    connect(m_holder, &LineHolder::refused, this,
            [this, status](const QString &, const QString &why, const QStringList &present) {
                const QString waiting =
                    QStringLiteral("waiting for %1: %2; present: %3")
                        .arg(m_running.line.port, why,
                             present.isEmpty() ? QStringLiteral("none")
                                               : present.join(QLatin1String(", ")));
                say(Warning, waiting);
                status(waiting);
            });
    // Tried again at the next turn of the retry, not at once: a device that opens and hangs up
    // again (an adapter half-pulled) must not keep the service spinning.
    connect(m_holder, &LineHolder::lost, this, [this, status] {
        say(Warning, QStringLiteral("connection lost: %1").arg(m_running.line.port));
        status(QStringLiteral("connection lost: ") + m_running.line.port);
        m_holder->hold(m_running.line.port, m_running.baud, m_holder->adapter(), true);
    });
    connect(m_schedule, &ScheduleRunner::note, this,
            [this](const QString &text, bool problem) { say(problem ? Warning : Info, text); });
    m_broker->follow(m_schedule);
    m_broker->follow(m_holder);
}

Service::Service(CommandPath *path, QObject *parent) : QObject(parent), m_path(path)
{
    compose();
}

Service::~Service()
{
    stop();
}

void Service::compose()
{
    m_remote = new RemoteServer(m_path, this);
    m_broker = new MqttBridge(m_path, this);
    m_venue = new Venue(this);
    connect(m_remote, &RemoteServer::note, this,
            [this](const QString &text) { say(Warning, text); });
    connect(m_broker, &MqttBridge::note, this, [this](const QString &text) { say(Info, text); });
    connect(m_path, &CommandPath::sceneEnded, this,
            [this](const QString &name, const QString &said) {
                say(Info, QStringLiteral("scene %1: %2").arg(name, said));
            });
    // Every request: those refused or not sent always, the schedule's always, the others when
    // asked.
    connect(m_path, &CommandPath::logged, this,
            [this](const QString &text, bool problem, Request::Origin origin) {
                if (problem || m_verbose || origin == Request::Origin::Schedule)
                    say(problem ? Warning : Info, text);
            });
    // The ways in, each started anew from its own section when it changes; the broker last, as
    // its answer comes later and is what the window's status line then says.
    using Part = ServiceConfiguration::Part;
    m_waysIn = {
        {Part::Remote,
         [this](const ServiceConfiguration &configuration, QString *why) {
             if (!configuration.remote.enabled) {
                 m_remote->stop();
                 return true;
             }
             return m_remote->start(configuration.remote, why);
         },
         [this] {
             m_remote->stop();
         }},
        {Part::Web,
         [this](const ServiceConfiguration &configuration, QString *why) {
             if (!configuration.web.enabled) {
                 if (m_page)
                     m_page->stop();
                 return true;
             }
             const QString token = tokenFor(configuration.web, why);
             makePage().follow(configuration.venue.enabled ? m_venue : nullptr);
             return !token.isEmpty() && m_page->start(configuration.web, token, why);
         },
         [this] {
             if (m_page)
                 m_page->stop();
         }},
        {Part::Mqtt,
         [this](const ServiceConfiguration &configuration, QString *why) {
             // The building follows through the same connection.
             m_venue->setOrder(configuration.venue.rooms);
             m_broker->setVenue(configuration.venue.enabled ? m_venue : nullptr);
             return m_broker->start(configuration.mqtt, why);
         },
         [this] {
             m_broker->stop();
         }},
    };
}

// The page's server is made once the page is switched on: an HTTP server sets up TLS as it is
// made, which a service without the page need not pay for.
WebServer &Service::makePage()
{
    if (!m_page) {
        m_page = new WebServer(m_path, this);
        connect(m_page, &WebServer::note, this,
                [this](const QString &text) { say(Warning, text); });
        if (m_holder)
            m_page->follow(m_holder);
        if (m_schedule)
            m_page->follow(m_schedule);
    }
    return *m_page;
}

void Service::follow(LineHolder *holder)
{
    m_holder = holder;
    m_broker->follow(holder);
    if (m_page)
        m_page->follow(holder);
}

void Service::follow(ScheduleRunner *schedule)
{
    m_schedule = schedule;
    m_broker->follow(schedule);
    if (m_page)
        m_page->follow(schedule);
}

// The configuration's token, or the one made at the first start and kept in the state folder.
QString Service::tokenFor(const WebSettings &web, QString *why) const
{
    return web.token.isEmpty()
               ? WebServer::keptToken(StateFolder::forConfiguration(m_running.file), why)
               : web.token;
}

bool Service::apply(ServiceConfiguration::Part part, const ServiceConfiguration &configuration,
                    QString *why)
{
    for (const WayIn &way : std::as_const(m_waysIn))
        if (way.part == part)
            return way.apply(configuration, why);
    return true;
}

void Service::loadInstallation(const QString &file)
{
    QString unread;
    m_installationBytes = Installation::read(file, &unread).value_or(QByteArray());
    const Installation installation = Installation::load(file);
    for (const QString &problem : installation.problemsSaid())
        say(Warning, QStringLiteral("%1: %2").arg(file, problem));
    m_path->setInstallation(installation);
    m_venue->setScenes(installation.scenes());
}

void Service::holdLine()
{
    m_path->setModel(m_running.model);
    m_holder->hold(m_running.line.port, m_running.baud, {});
}

void Service::sayNext()
{
    // Lines that could not be read are said until the file is mended; the others run.
    if (const int leftOut = m_schedule->schedule().leftOut()) {
        const QString said = QStringLiteral("schedule: %1 of %2 left out; the rest run")
                                 .arg(leftOut == 1 ? QStringLiteral("1 line")
                                                   : QStringLiteral("%1 lines").arg(leftOut),
                                      m_running.installation.file);
        say(Warning, said);
        emit told(QStringLiteral("STATUS=") + said);
    }
    const std::optional<Schedule::Due> next = m_schedule->next();
    if (next)
        say(Info, QStringLiteral("schedule: next %1 (%2)")
                      .arg(ScheduleRunner::describe(m_schedule->schedule(), *next),
                           next->at.toTimeZone(m_schedule->schedule().zone())
                               .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t"))));
    else if (!m_schedule->schedule().isEmpty())
        say(Info, QStringLiteral("schedule: no cue in the next 8 days"));
}

Service::Exit Service::start(const ServiceConfiguration &configuration, const QString &socket,
                             QString *why)
{
    m_running = configuration;
    // One service to a port: a second one refuses to start, and leaves the first one's socket.
    if (const qint64 serving = LocalServer::servedAt(socket); serving != 0) {
        *why =
            serving > 0
                ? QStringLiteral("%1 is already served by tessaryd (PID %2)")
                      .arg(configuration.line.port)
                      .arg(serving)
                : QStringLiteral("%1 is already served by tessaryd").arg(configuration.line.port);
        return Unavailable;
    }
    const QString &installation = configuration.installation.file;
    if (configuration.installationNamed && !QFileInfo::exists(installation))
        say(Warning, QStringLiteral("%1: no such file; players are known by their IDs only")
                         .arg(installation));
    loadInstallation(installation);
    m_broker->setOwnLine(configuration.ownLine);
    if (!configuration.ownLine)
        return startWaysIn(configuration, why);
    say(Info, QStringLiteral("started: %1").arg(configuration.line.port));
    holdLine();
    // The opening hours run here, as the holder of the line; what they missed while the
    // service was stopped is said from the last cue kept.
    const QString state = StateFolder::forConfiguration(configuration.file);
    QDir().mkpath(state);
    m_schedule->setKeptIn(QDir(state).filePath(QStringLiteral("schedule-last")));
    m_schedule->start();
    sayNext();
    if (const Exit started = startWaysIn(configuration, why); started != Ok)
        return started;
    // tessary-send on this machine sends through the service instead of failing.
    QString unserved;
    QDir().mkpath(QFileInfo(socket).path());
    if (!m_local->listen(socket, QFileInfo(PortLock::devicePath(configuration.line.port)).group(),
                         &unserved))
        say(Warning, QStringLiteral("no local socket for tessary-send: %1").arg(unserved));
    return Ok;
}

Service::Exit Service::startWaysIn(const ServiceConfiguration &configuration, QString *why)
{
    if (!configuration.ownLine)
        say(Info, QStringLiteral("started: the venue, with no line of its own"));
    if (!apply(ServiceConfiguration::Part::Remote, configuration, why)) {
        *why = QStringLiteral("remote control failed: %1").arg(*why);
        return Unavailable;
    }
    if (configuration.remote.enabled)
        say(Info, QStringLiteral("remote control: %1; allowed: %2")
                      .arg(m_remote->description(),
                           AllowList::read(configuration.remote.allowed)->describe()));
    if (!apply(ServiceConfiguration::Part::Mqtt, configuration, why)) {
        *why = QStringLiteral("MQTT: %1").arg(*why);
        return ConfigurationFault;
    }
    // Its address is said; its token never is (tessaryd --show-url prints both).
    if (!apply(ServiceConfiguration::Part::Web, configuration, why)) {
        *why = QStringLiteral("the page failed: %1").arg(*why);
        return m_page ? Unavailable : CannotCreate;
    }
    if (configuration.web.enabled)
        say(Info,
            QStringLiteral("the page: %1; allowed: %2")
                .arg(WebServer::pageUrl(configuration.web, QStringLiteral("…"), m_page->port()),
                     AllowList::read(configuration.web.allowed)->describe()));
    return Ok;
}

void Service::reload()
{
    emit told(QStringLiteral("RELOADING=1"));
    const ServiceConfiguration fresh = ServiceConfiguration::read(m_running.file);
    if (!fresh.isGood()) {
        say(Error, QStringLiteral("reload refused, the running configuration kept: %1")
                       .arg(fresh.faults().first()));
        emit told(QStringLiteral("READY=1"));
        return;
    }
    using Part = ServiceConfiguration::Part;
    QList<Part> changed = fresh.changedFrom(m_running);
    if (fresh.ownLine != m_running.ownLine) {
        say(Error, QStringLiteral("reload refused, the running configuration kept: a line given "
                                  "or taken away needs a restart"));
        emit told(QStringLiteral("READY=1"));
        return;
    }
    // The venue follows the building through the broker, and shows it on the page.
    if (changed.contains(Part::Venue))
        for (const Part part : {Part::Mqtt, Part::Web})
            if (!changed.contains(part))
                changed << part;
    QString unread;
    const QByteArray bytes =
        Installation::read(fresh.installation.file, &unread).value_or(QByteArray());
    if (!changed.contains(Part::Installation) && bytes != m_installationBytes)
        changed << Part::Installation;
    // Ports another program holds, found before anything is stopped.
    if (const QString taken = portsTaken(fresh, changed); !taken.isEmpty()) {
        say(Error, QStringLiteral("reload refused, the running configuration kept: %1").arg(taken));
        emit told(QStringLiteral("READY=1"));
        return;
    }
    // A schedule with a line that cannot be read is not taken: the running one goes on.
    if (changed.contains(Part::Installation)) {
        const Installation installation = Installation::load(fresh.installation.file);
        if (const int leftOut = installation.schedule().leftOut()) {
            // The schedule's problems are the file's last, as its section is read last.
            say(Error,
                QStringLiteral("reload refused, the running configuration kept: %1: %2")
                    .arg(fresh.installation.file,
                         installation.problems().value(installation.problems().size() - leftOut)));
            emit told(QStringLiteral("READY=1"));
            return;
        }
    }
    // The ways in first, each put back as it ran, with those before it, should one still fail.
    QList<Part> applied;
    for (const Part part : {Part::Remote, Part::Web, Part::Mqtt}) {
        if (!changed.contains(part))
            continue;
        QString failed;
        if (!apply(part, fresh, &failed)) {
            QString again;
            for (const Part back : applied + QList<Part>{part})
                apply(back, m_running, &again);
            say(Error, QStringLiteral("reload refused, the running configuration kept: %1: %2")
                           .arg(ServiceConfiguration::partName(part), failed));
            emit told(QStringLiteral("READY=1"));
            return;
        }
        applied << part;
    }
    m_running = fresh;
    if (changed.contains(Part::Line)) {
        m_holder->release();
        m_link->close();
        holdLine();
    }
    if (changed.contains(Part::Installation)) {
        loadInstallation(fresh.installation.file);
        sayNext();
    }
    QStringList said;
    for (const Part part : std::as_const(changed))
        said << ServiceConfiguration::partName(part);
    say(Info, said.isEmpty() ? QStringLiteral("reloaded: nothing changed")
                             : QStringLiteral("reloaded: %1").arg(said.join(QLatin1String(", "))));
    emit told(QStringLiteral("READY=1"));
}

// The new ports of remote control and of the page, tried while what runs goes on: why one cannot
// be listened on, or nothing. A port the running service holds itself is not tried.
QString Service::portsTaken(const ServiceConfiguration &fresh,
                            const QList<ServiceConfiguration::Part> &changed) const
{
    QString why;
    const RemoteSettings &remote = fresh.remote, &was = m_running.remote;
    const QList<quint16> remoteHeld =
        was.enabled ? QList<quint16>{was.oscPort, was.textPort} : QList<quint16>();
    if (changed.contains(ServiceConfiguration::Part::Remote) && remote.enabled &&
        !remoteHeld.contains(remote.oscPort) && !remoteHeld.contains(remote.textPort)) {
        RemoteServer trial(m_path);
        if (!trial.start(remote, &why))
            return ServiceConfiguration::partName(ServiceConfiguration::Part::Remote) +
                   QStringLiteral(": ") + why;
    }
    if (changed.contains(ServiceConfiguration::Part::Web))
        if (const QString refused = pageRefusal(fresh.web); !refused.isEmpty())
            return QStringLiteral("the page: ") + refused;
    return {};
}

QString Service::pageRefusal(const WebSettings &settings) const
{
    const std::optional<QHostAddress> address = AllowList::readAddress(settings.address);
    if (!settings.enabled || !address ||
        (m_running.web.enabled && m_running.web.port == settings.port))
        return {};
    QTcpServer trial;
    return trial.listen(*address, settings.port)
               ? QString()
               : RemoteServer::refusal(trial.serverError(), trial.errorString(), settings.port,
                                       settings.address, false);
}

void Service::applyWaysIn(
    const ServiceConfiguration &configuration,
    const std::function<void(ServiceConfiguration::Part, const QString &)> &done)
{
    const QList<ServiceConfiguration::Part> changed = configuration.changedFrom(m_running);
    ServiceConfiguration running = m_running;
    for (const WayIn &way : std::as_const(m_waysIn)) {
        if (!changed.contains(way.part))
            continue;
        QString why;
        if (way.apply(configuration, &why)) {
            why.clear();
            running.remote = way.part == ServiceConfiguration::Part::Remote ? configuration.remote
                                                                            : running.remote;
            running.mqtt =
                way.part == ServiceConfiguration::Part::Mqtt ? configuration.mqtt : running.mqtt;
            running.web =
                way.part == ServiceConfiguration::Part::Web ? configuration.web : running.web;
        } else {
            QString again;
            way.apply(m_running, &again);
        }
        m_running = running;
        done(way.part, why);
    }
}

QString Service::tryRemote(const RemoteSettings &settings)
{
    QString why;
    if (!settings.enabled || m_remote->start(settings, &why))
        return {};
    ServiceConfiguration running = m_running;
    QString again;
    apply(ServiceConfiguration::Part::Remote, running, &again);
    return why;
}

void Service::stop()
{
    for (const WayIn &way : std::as_const(m_waysIn))
        way.stop();
    if (m_local)
        m_local->close();
    if (m_link)
        m_link->close();
}

QString Service::pageUrl(const ServiceConfiguration &configuration, QString *why)
{
    const WebSettings &web = configuration.web;
    if (!web.enabled) {
        *why = QStringLiteral("%1: the page is off ([web] enabled=false)").arg(configuration.file);
        return {};
    }
    QString token = web.token;
    if (token.isEmpty()) {
        // The one the service made at its first start, never a new one.
        const QString folder = StateFolder::forConfiguration(configuration.file);
        const std::optional<QByteArray> kept = SafeFile::read(tokenFile(folder), 256);
        token = kept ? QString::fromLatin1(kept->trimmed()) : QString();
        if (token.isEmpty()) {
            *why = QFileInfo::exists(tokenFile(folder))
                       ? QStringLiteral("%1 cannot be read; ask as the service's user or as root")
                             .arg(tokenFile(folder))
                       : QStringLiteral("no token in %1 yet: the service makes it when it "
                                        "first starts with the page on")
                             .arg(folder);
            return {};
        }
    }
    return WebServer::pageUrl(web, token, web.port);
}

QStringList Service::describe(const ServiceConfiguration &configuration)
{
    const RemoteSettings &remote = configuration.remote;
    const MqttSettings &mqtt = configuration.mqtt;
    const WebSettings &web = configuration.web;
    QStringList said{QStringLiteral("configuration: %1").arg(configuration.file),
                     configuration.ownLine
                         ? QStringLiteral("line: %1 at %2 baud, %3")
                               .arg(configuration.line.port)
                               .arg(configuration.baud)
                               .arg(DeviceProfiles::modelNames()[configuration.model - 1])
                         : QStringLiteral("line: none, the venue's page alone")};
    said << (remote.enabled ? QStringLiteral("remote control: OSC on %1:%2, text on %1:%3%4; "
                                             "allowed: %5")
                                  .arg(remote.address)
                                  .arg(remote.oscPort)
                                  .arg(remote.textPort)
                                  .arg(remote.udp ? QStringLiteral(", UDP and TCP")
                                                  : QStringLiteral(", TCP only"),
                                       AllowList::read(remote.allowed)->describe())
                            : QStringLiteral("remote control: off"));
    if (mqtt.enabled && !configuration.ownLine)
        said << QStringLiteral("MQTT: %1:%2, no line of its own").arg(mqtt.host).arg(mqtt.port);
    else
        said << (mqtt.enabled ? QStringLiteral("MQTT: %1:%2, topics %3/%4/<player>/command%5")
                                    .arg(mqtt.host)
                                    .arg(mqtt.port)
                                    .arg(mqtt.prefix, mqtt.lineName(),
                                         mqtt.discovery ? QStringLiteral(", discovery under ") +
                                                              mqtt.discoveryPrefix
                                                        : QString())
                              : QStringLiteral("MQTT: off"));
    said << (web.enabled ? QStringLiteral("the page: %1; allowed: %2")
                               .arg(WebServer::pageUrl(web, QStringLiteral("…"), web.port),
                                    AllowList::read(web.allowed)->describe())
                         : QStringLiteral("the page: off"));
    if (configuration.venue.enabled)
        said << QStringLiteral("the venue: every room under %1/ on the page%2")
                    .arg(mqtt.prefix,
                         configuration.venue.rooms.isEmpty()
                             ? QString()
                             : QStringLiteral(", first ") +
                                   configuration.venue.rooms.join(QLatin1String(", ")));
    const Installation installation = Installation::load(configuration.installation.file);
    said << QStringLiteral("installation: %1: %2, %3")
                .arg(configuration.installation.file,
                     counted(installation.players().size(), "player", "players"),
                     counted(installation.scenes().size(), "scene", "scenes"));
    for (const Installation::Player &player : installation.players())
        said << QStringLiteral("  player %1 %2").arg(player.id).arg(player.name);
    for (const Installation::Scene &scene : installation.scenes())
        said << QStringLiteral("  scene %1: %2%3")
                    .arg(scene.name, counted(scene.steps.size(), "step", "steps"),
                         scene.shortcut.isEmpty() ? QString()
                                                  : QStringLiteral(", shortcut ") + scene.shortcut);
    const Schedule &schedule = installation.schedule();
    if (!schedule.isEmpty()) {
        said << QStringLiteral("schedule: %1, %2, time zone %3; the next 7 days:")
                    .arg(counted(schedule.cues().size(), "cue", "cues"),
                         counted(schedule.exceptions().size(), "exception", "exceptions"),
                         QString::fromLatin1(schedule.zone().id()));
        const QStringList coming = schedule.listing(QDateTime::currentDateTimeUtc(), 7);
        for (const QString &cue : coming)
            said << QStringLiteral("  ") + cue;
        if (coming.isEmpty())
            said << QStringLiteral("  none");
    }
    said << QStringLiteral("as read:") << configuration.shown();
    return said;
}
