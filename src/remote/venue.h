#pragma once

#include "model/installation.h"
#include "storage/settingssection.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

// The whole building on one page: off until switched on, with a broker and the page.
struct VenueSettings
{
    bool enabled = false;
    QStringList rooms; // the order the page shows them in; the others after, by name

    // The section [venue], each of its keys.
    static const SettingsSection<VenueSettings> &section();
    bool operator==(const VenueSettings &other) const { return section().same(*this, other); }
};

// Every room of the building as its service tells the broker, retained: what it is (room), whether
// it is there (status, its last will), its line (link), its next cue (schedule/next) and what each
// player was last sent (<player>/state). A press for a room goes to the broker as that room's
// command, named and with a deadline; the room's result names it back, and the press is answered
// with it, or, when none came by the deadline, with "no answer". A room that is offline is
// answered for at once. Nothing here touches the broker: it takes what comes and asks for what
// goes, topics under the prefix.
class Venue : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 DeadlineMs = 2000;
    // A result on its way when the deadline passes still answers.
    static constexpr qint64 GraceMs = 300;
    static constexpr qsizetype MaxRooms = 256;
    static constexpr qsizetype MaxStates = 256; // players' states kept for a room
    static constexpr qsizetype MaxPending = 256;
    static constexpr qsizetype MaxRetained = 64 * 1024; // a room's own description, in bytes
    static constexpr qsizetype MaxState = 1024; // a player's state or the next cue, in bytes
    static constexpr int CoalesceMs = 100;      // changes said once for a burst

    // What a press became, as the HTTP API answers it: its status and its result.
    struct Answer
    {
        int status = 200;
        QJsonObject result;
    };
    using Done = std::function<void(const Answer &)>;

    explicit Venue(QObject *parent = nullptr);

    void setOrder(const QStringList &rooms) { m_order = rooms, changedLater(); }
    // The broker joined or left: what it said before no longer stands.
    void setJoined(bool joined);
    bool joined() const { return m_joined; }
    // A message: its topic after the prefix and its slash, "courtyard/3/state".
    void take(QStringView topic, QByteArrayView payload);
    // Every room in the venue's order: each one's description, whether it is online, its line,
    // its players' last commands and levels, its next cue; and the last Stop All of the
    // building, room by room.
    QJsonObject state() const;
    // Words for a room, as its command topic takes them ("3 play", "courtyard volume -10",
    // "all stop", "scene Opening"); done is called once, at once or within the deadline.
    void request(const QString &room, const QString &words, const Done &done);
    // Stop All for every room; done with each room's result once all answered or the deadline
    // passed.
    void stopBuilding(const Done &done);
    // What a press weighs on its client's budget: a message for each room it goes to.
    int cost(const QString &room, const QString &words) const;
    // The installation's scenes for rooms of the building (the others are a line's own).
    void setScenes(const QList<Installation::Scene> &scenes);
    // Runs one: each step goes as its room's command, a wait holds the steps after it, and a
    // room offline or refusing is said in the scene's result without stopping the others'
    // steps. done is called once the steps up to the first wait are answered ("started" when
    // more are to come); a scene or a Stop All of the building pressed meanwhile ends its waits.
    void runScene(const QString &name, const Done &done);
    bool hasScene(const QString &name) const;

signals:
    // A message to publish: its topic after the prefix, its payload.
    void publishing(const QString &topic, const QByteArray &payload);
    // The rooms changed: said once for a burst.
    void changed();

private:
    struct Room
    {
        QJsonObject room;
        QString status; // "online", "offline", or empty before it said
        QString link;
        QJsonValue next;
        QMap<QString, QJsonObject> states; // by the player's ID or name, as the topic had it
    };
    struct Pending
    {
        QString room; // empty: the building's Stop All
        QElapsedTimer since;
        Done done;
        QMap<QString, QJsonObject> results; // the building's: each room's
        QStringList waiting;                // the building's: those yet to answer
    };

    void changedLater();
    QJsonObject roomJson(const QString &name, const Room &room) const;
    QString send(const QString &topic, const QString &words);
    void settle(const QString &id, const QString &room, const QJsonObject &result);
    void expire();
    void finishBuilding(const QString &id);
    void continueScene();
    void stepAnswered(quint64 run, qsizetype step, const Answer &answer);

    struct RunningScene
    {
        Installation::Scene scene;
        qsizetype next = 0;
        quint64 run = 0;    // which press this is, so that a late answer finds its own
        int unanswered = 0; // steps of the burst on their way
        QMap<qsizetype, QJsonObject> results; // every step's, by its place in the scene
        Done done;                            // for the first burst; empty once called
        bool more = false; // once another took its place: whether steps were left to it
    };
    QList<Installation::Scene> m_scenes;
    RunningScene m_scene;
    // Scenes another took the place of before their first steps were answered: those answers
    // still answer their presses. As many as presses wait, at most.
    QList<RunningScene> m_answering;
    QTimer m_sceneWait;
    QJsonObject m_lastScene;

    QMap<QString, Room> m_rooms;
    QStringList m_order;
    QHash<QString, Pending> m_pending;
    QJsonObject m_lastBuildingStop;
    quint64 m_nextId = 1;
    QString m_session; // this start's part of every ID, so that an old result answers nothing
    bool m_joined = false;
    QTimer m_changed;
    QTimer m_deadline;
};
