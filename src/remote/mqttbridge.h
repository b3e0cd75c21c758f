#pragma once

#include "command/commandpath.h"
#include "remote/mqttsettings.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>

class QSettings;
class QSocketNotifier;
class LineHolder;
class ScheduleRunner;
class Venue;
struct mosquitto;
struct mosquitto_message;

// The line's players on an MQTT broker, through libmosquitto driven by this thread's event loop
// (its socket watched, its keep-alive on a timer; no thread of its own):
//   <prefix>/<line>/<player>/command   commands, taken at QoS 0, in tessary-send's words or JSON
//   <prefix>/<line>/<player>/result    what became of each (JSON), QoS 1
//   <prefix>/<line>/<player>/state     the last command and level sent (retained)
//   <prefix>/<line>/status             online / offline, the latter as the broker's last will
//   <prefix>/<line>/link               open / lost / waiting (for its port) / closed (retained)
//   <prefix>/<line>/schedule/next      the schedule's next cue, and whether today is held
//                                      (JSON, retained)
//   <prefix>/<line>/schedule/command   hold (the rest of today), resume, skip (the next cue)
//   <prefix>/<line>/schedule/result    what became of each cue (JSON, with its source)
// With a venue, it follows every room of the building too (see Venue), and sends the venue's
// presses; a service with no line of its own has only that.
// A broker that goes away is joined again, waiting longer each time up to half a minute; what
// it kept while away is not sent late. With discovery, each player of the installation
// appears in Home Assistant.
class MqttBridge : public QObject
{
    Q_OBJECT

public:
    explicit MqttBridge(CommandPath *path, QObject *parent = nullptr);
    ~MqttBridge() override;

    // Joins the broker the settings name, after leaving any other; false with why when the
    // settings cannot be used (a TLS file that cannot be read, say). The joining itself goes on
    // in the background, and note() tells how it goes.
    bool start(const MqttSettings &settings, QString *why);
    // Leaving the broker: the room is said offline; or, taken away (switched off, or now under
    // another name), cleared, so that no one draws it any more.
    void stop(bool takenAway = false);
    // The venue that follows the building through this connection, or none; and whether there is
    // a line of our own to tell the building of. Both before start().
    void setVenue(Venue *venue);
    void setOwnLine(bool own) { m_ownLine = own; }
    // The schedule whose next cue is published, and which takes hold, resume and skip.
    void follow(ScheduleRunner *schedule);
    // The holder of the line, whose waiting for its port the link says as "waiting".
    void follow(LineHolder *holder);
    // The wait before the next attempt after so many failed ones in a row: 1 s, doubling up to
    // half a minute.
    static int retryWaitMs(int failures);

signals:
    // Joined, left, refused and why: a line for the log, without the password.
    void note(const QString &text);

private:
    void connectNow();
    void retryLater(const QString &why);
    void watchSocket();
    void service();
    void connected(int code);
    void disconnected(int code);
    void received(const mosquitto_message *message);
    void publish(const QString &topic, const QByteArray &payload, bool retain, int qos = 1);
    void publishLink(CommandPath::LinkState state);
    void publishSchedule();
    void publishRoom();
    // Hold, resume or skip for the schedule; false when the payload is none of them.
    bool steerSchedule(QByteArrayView payload);
    void publishState(int playerId);
    QSet<QString> m_discovered; // the configurations published since it joined
    QSet<QString> m_retained;   // this room's retained topics, cleared when it is taken away
    void publishDiscovery();
    QString topic(const QString &rest) const;

    CommandPath *m_path;
    QPointer<ScheduleRunner> m_schedule;
    QPointer<Venue> m_venue;
    bool m_ownLine = true;
    QByteArray m_buildingPrefix; // <prefix>/, where the venue's topics are
    MqttSettings m_settings;
    QString m_topicPrefix; // <prefix>/<line>/
    // The same, and the discovery prefix with its slash, as topics come: in UTF-8.
    QByteArray m_commandPrefix;
    QByteArray m_buildingStop; // <prefix>/all/command: Stop All for every line of the building
    QByteArray m_discoveryPrefix;
    mosquitto *m_client = nullptr;
    QSocketNotifier *m_read = nullptr;
    QSocketNotifier *m_write = nullptr;
    QSet<int> m_stateDue; // players whose state is published at the next turn of m_stateTimer
    QList<std::pair<QString, QByteArray>> m_results; // topics and payloads, for that turn too
    void publishPending();
    QTimer m_stateTimer;
    QTimer m_keepAlive;
    QTimer m_retry;
    QTimer m_connectTimeout;
    int m_failures = 0;
    bool m_connected = false;
    QString m_lastNote;
    QString m_refusal;         // why the broker refused us, for the round that follows
    QByteArray m_scheduleSaid; // the next cue as last published, since the connection
    QByteArray m_roomSaid;     // the room, likewise
    QByteArray m_linkSaid;     // the link, likewise
    QPointer<LineHolder> m_holder;
};
