#pragma once

#include "service/configuration.h"

#include <QObject>
#include <QPointer>
#include <QSerialPort>
#include <functional>
#include <memory>

class CommandPath;
class LineHolder;
class LocalServer;
class MqttBridge;
class RemoteServer;
class ScheduleRunner;
class SerialLink;
class Venue;
class WebServer;

// A service as one: its configuration, the line it holds, the request path, the schedule, and
// the ways in registered on it (remote control, the local socket, the broker, the page), with
// reload and what systemd is told. tessaryd runs one with a line of its own; the window runs
// its ways in on the path of the line it holds itself.
//
// A reload reads and checks the whole file first: a fault is refused and everything goes on as
// it was. Only then does each part that changed start anew; one that cannot (a port another
// program took meanwhile) is put back as it ran, with those changed before it, and the reload is
// refused.
class Service : public QObject
{
    Q_OBJECT

public:
    enum Priority { Error = 3, Warning = 4, Info = 6, Debug = 7 };
    // Exit statuses, as sysexits.h has them.
    enum Exit { Ok = 0, Unavailable = 69, CannotCreate = 73, ConfigurationFault = 78 };

    // A service that holds its line itself.
    explicit Service(QObject *parent = nullptr);
    // Ways in on the path of a line another holds (the window's).
    explicit Service(CommandPath *path, QObject *parent = nullptr);
    ~Service() override;

    CommandPath *path() const { return m_path; }
    const ServiceConfiguration &configuration() const { return m_running; }

    // Everything the configuration says, started: the line waited for, the installation, the
    // schedule, the ways in, the local socket for tessary-send. Ok, or the exit status with why.
    Exit start(const ServiceConfiguration &configuration, const QString &socket, QString *why);
    // The file read again; see above.
    void reload();
    // The ways in as the configuration has them (the window's remote.ini), each that changed
    // started anew, or kept as it ran when it cannot be; done: told of each as it is, with why
    // it failed.
    void applyWaysIn(const ServiceConfiguration &configuration,
                     const std::function<void(ServiceConfiguration::Part, const QString &)> &done);
    // Whether remote control would listen as these settings say: why not, else nothing; what ran
    // before runs again.
    QString tryRemote(const RemoteSettings &settings);
    // Why the page could not be served on these settings' port, or nothing; the port it serves
    // already is its own.
    QString pageRefusal(const WebSettings &settings) const;
    void stop();
    // Every command sent is logged, not only what was refused.
    void setVerbose(bool verbose) { m_verbose = verbose; }
    // The window's holder of the line and schedule, for the page and the broker.
    void follow(LineHolder *holder);
    void follow(ScheduleRunner *schedule);

    RemoteServer *remote() const { return m_remote; }
    MqttBridge *broker() const { return m_broker; }
    WebServer *page() const { return m_page; }

    // The address that opens the page as the running service serves it, token included; empty
    // with why when it cannot be told. Never makes a token.
    static QString pageUrl(const ServiceConfiguration &configuration, QString *why);
    // What the service would do with this configuration, for --check.
    static QStringList describe(const ServiceConfiguration &configuration);

signals:
    // A line for the log, with its priority.
    void logged(int priority, const QString &text);
    // A word for systemd: READY=1, STATUS=..., RELOADING=1.
    void told(const QString &state);

private:
    struct WayIn
    {
        ServiceConfiguration::Part part;
        // Starts it as the configuration says, after what ran; false with why.
        std::function<bool(const ServiceConfiguration &, QString *)> apply;
        std::function<void()> stop;
    };

    void compose();
    void say(int priority, const QString &text) { emit logged(priority, text); }
    bool apply(ServiceConfiguration::Part part, const ServiceConfiguration &configuration,
               QString *why);
    QString portsTaken(const ServiceConfiguration &fresh,
                       const QList<ServiceConfiguration::Part> &changed) const;
    void holdLine();
    Exit startWaysIn(const ServiceConfiguration &configuration, QString *why);
    void loadInstallation(const QString &file);
    void sayNext();
    QString tokenFor(const WebSettings &web, QString *why) const;
    WebServer &makePage();

    std::unique_ptr<QSerialPort> m_port;
    std::unique_ptr<SerialLink> m_link;
    CommandPath *m_path = nullptr;
    LineHolder *m_holder = nullptr;
    ScheduleRunner *m_schedule = nullptr;
    RemoteServer *m_remote = nullptr;
    LocalServer *m_local = nullptr; // tessary-send on this machine, for a line of its own
    MqttBridge *m_broker = nullptr;
    WebServer *m_page = nullptr; // made once the page is switched on
    Venue *m_venue = nullptr;    // the building's rooms, for a venue's page
    QList<WayIn> m_waysIn;
    ServiceConfiguration m_running;
    QByteArray m_installationBytes;
    bool m_verbose = false;
};
