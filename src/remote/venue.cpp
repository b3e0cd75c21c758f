#include "remote/venue.h"

#include "remote/replyjson.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

namespace {

QJsonObject objectOf(QByteArrayView payload)
{
    return QJsonDocument::fromJson(payload.toByteArray()).object();
}

// A press that was not sent, and why, as the room's own results say it.
Venue::Answer notSent(const QString &room, const QString &why, int status = 503)
{
    return {status,
            {{QStringLiteral("room"), room},
             {QStringLiteral("outcome"),
              status == 503 ? QStringLiteral("not sent") : QStringLiteral("refused")},
             {QStringLiteral("reason"), why},
             {QStringLiteral("time"), ReplyJson::now()}}};
}

// A press that left for its room, whose answer the broker's loss took with it: the room may
// have run it, so it is not said to be not sent, which would invite a second press.
QJsonObject maybeSent(const QString &room)
{
    return {{QStringLiteral("room"), room},
            {QStringLiteral("outcome"), QStringLiteral("maybe sent")},
            {QStringLiteral("reason"), QStringLiteral("the broker was lost before an answer")},
            {QStringLiteral("time"), ReplyJson::now()}};
}

bool wentWell(const QJsonObject &result)
{
    const QString outcome = result.value(QLatin1String("outcome")).toString();
    return outcome == QLatin1String("sent") || outcome == QLatin1String("started") ||
           outcome == QLatin1String("nothing to do");
}

// The status the room's own result has, as a press on this service's line would.
int statusOf(const QJsonObject &result)
{
    if (wentWell(result))
        return 200;
    if (result.value(QLatin1String("reason")).toString().endsWith(QLatin1String("over budget")))
        return 429;
    return result.value(QLatin1String("outcome")).toString() == QLatin1String("refused") ? 422
                                                                                         : 503;
}

} // namespace

const SettingsSection<VenueSettings> &VenueSettings::section()
{
    using S = VenueSettings;
    static const SettingsSection<S> section("venue",
                                            {{"enabled", &S::enabled}, {"rooms", &S::rooms}});
    return section;
}

Venue::Venue(QObject *parent)
    : QObject(parent),
      m_session(QString::number(QRandomGenerator::global()->generate() & 0xffffff, 16))
{
    m_changed.setSingleShot(true);
    m_changed.setInterval(CoalesceMs);
    connect(&m_changed, &QTimer::timeout, this, &Venue::changed);
    m_deadline.setInterval(50);
    connect(&m_deadline, &QTimer::timeout, this, &Venue::expire);
    m_sceneWait.setSingleShot(true);
    connect(&m_sceneWait, &QTimer::timeout, this, &Venue::continueScene);
}

void Venue::changedLater()
{
    if (!m_changed.isActive())
        m_changed.start();
}

void Venue::setJoined(bool joined)
{
    if (std::exchange(m_joined, joined) == joined)
        return;
    // Joined again: the retained topics tell each room anew. Left: nothing will answer what
    // has gone.
    m_rooms.clear();
    const QStringList ids = m_pending.keys();
    for (const QString &id : ids) {
        const auto pending = m_pending.find(id);
        if (pending == m_pending.end())
            continue;
        if (pending->room.isEmpty()) {
            for (const QString &room : std::as_const(pending->waiting))
                pending->results.insert(room, maybeSent(room));
            pending->waiting.clear();
            finishBuilding(id);
        } else {
            const Done done = pending->done;
            const QString room = pending->room;
            m_pending.erase(pending);
            done({504, maybeSent(room)});
        }
    }
    changedLater();
}

void Venue::take(QStringView topic, QByteArrayView payload)
{
    const QList<QStringView> levels = topic.split(u'/');
    const QString name = levels.first().toString();
    // The building's own topics, and what is no room's.
    if (name.isEmpty() || name == QLatin1String("all") || levels.size() > 3 ||
        payload.size() > MaxRetained)
        return;
    const QStringView kind = levels.last();
    if (levels.size() == 3 && kind == u"result") {
        const QJsonObject result = objectOf(payload);
        settle(result.value(QLatin1String("id")).toString(), name, result);
        return;
    }
    auto found = m_rooms.find(name);
    if (found == m_rooms.end()) {
        // A room is there once it says so; the table has its bounds.
        if (payload.isEmpty() || m_rooms.size() >= MaxRooms)
            return;
        found = m_rooms.insert(name, {});
    }
    Room &room = *found;
    if (levels.size() == 2 && kind == u"room") {
        if (payload.isEmpty()) { // taken away
            m_rooms.erase(found);
            changedLater();
            return;
        }
        room.room = objectOf(payload);
    } else if (levels.size() == 2 && kind == u"status") {
        room.status = payload == "offline" ? QStringLiteral("offline") : QStringLiteral("online");
        // Those waiting for a room that has gone are answered at once.
        if (room.status == QLatin1String("offline"))
            settle({}, name, {});
    } else if (levels.size() == 2 && kind == u"link") {
        room.link = QString::fromUtf8(payload.first(qMin(payload.size(), qsizetype(16))));
    } else if (payload.size() > MaxState) {
        // Kept for each of a room's players: what no room of ours says is not kept.
        return;
    } else if (levels.size() == 3 && kind == u"next" && levels[1] == u"schedule") {
        room.next = payload.isEmpty() ? QJsonValue() : QJsonValue(objectOf(payload));
    } else if (levels.size() == 3 && kind == u"state") {
        // Under its ID: the same state under its name says nothing more.
        bool number = false;
        const QString player = levels[1].toString();
        if (player.toInt(&number), !number)
            return;
        if (payload.isEmpty())
            room.states.remove(player);
        else if (room.states.contains(player) || room.states.size() < MaxStates)
            room.states.insert(player, objectOf(payload));
    } else {
        return;
    }
    changedLater();
}

QJsonObject Venue::roomJson(const QString &name, const Room &room) const
{
    QJsonObject json = room.room;
    QJsonObject states;
    for (auto state = room.states.cbegin(); state != room.states.cend(); ++state)
        states.insert(state.key(), *state);
    json.insert(QStringLiteral("name"), name);
    json.insert(QStringLiteral("online"), room.status != QLatin1String("offline"));
    json.insert(QStringLiteral("line"), room.link.isEmpty() ? QStringLiteral("closed") : room.link);
    json.insert(QStringLiteral("states"), states);
    json.insert(QStringLiteral("next"), room.next);
    return json;
}

QJsonObject Venue::state() const
{
    QJsonArray rooms;
    // A room is one once it says what it is: a venue's own status is no room.
    for (const QString &name : m_order)
        if (!m_rooms.value(name).room.isEmpty())
            rooms.append(roomJson(name, m_rooms[name]));
    for (auto room = m_rooms.cbegin(); room != m_rooms.cend(); ++room)
        if (!m_order.contains(room.key()) && !room->room.isEmpty())
            rooms.append(roomJson(room.key(), *room));
    QJsonArray scenes;
    for (const Installation::Scene &scene : m_scenes)
        scenes.append(scene.name);
    return {{QStringLiteral("joined"), m_joined},
            {QStringLiteral("rooms"), rooms},
            {QStringLiteral("scenes"), scenes},
            {QStringLiteral("lastScene"),
             m_lastScene.isEmpty() ? QJsonValue() : QJsonValue(m_lastScene)},
            {QStringLiteral("buildingStop"),
             m_lastBuildingStop.isEmpty() ? QJsonValue() : QJsonValue(m_lastBuildingStop)}};
}

QString Venue::send(const QString &topic, const QString &words)
{
    const QString id = m_session + u'-' + QString::number(m_nextId++);
    const QJsonObject command{
        {QStringLiteral("command"), words},
        {QStringLiteral("id"), id},
        {QStringLiteral("deadline"), QDateTime::currentMSecsSinceEpoch() + DeadlineMs}};
    emit publishing(topic, QJsonDocument(command).toJson(QJsonDocument::Compact));
    if (!m_deadline.isActive())
        m_deadline.start();
    return id;
}

void Venue::request(const QString &room, const QString &words, const Done &done)
{
    const auto found = m_rooms.constFind(room);
    const QString plain = words.simplified();
    const qsizetype blank = plain.indexOf(u' ');
    const QString level = plain.left(blank);
    if (!m_joined)
        return done(notSent(room, QStringLiteral("the broker is not joined")));
    if (found == m_rooms.cend() || found->room.isEmpty())
        return done(notSent(room, QStringLiteral("no room \"%1\"").arg(room), 404));
    if (found->status == QLatin1String("offline"))
        return done(notSent(room, QStringLiteral("%1 is offline").arg(room)));
    if (blank < 1 || level.contains(u'/') || level.contains(u'+') || level.contains(u'#'))
        return done(notSent(room, QStringLiteral("a player and what to do, as \"3 play\""), 422));
    if (m_pending.size() >= MaxPending)
        return done(notSent(room, QStringLiteral("too many presses waiting for an answer")));
    Pending pending{room, {}, done, {}, {}};
    pending.since.start();
    m_pending.insert(send(room + u'/' + level + QStringLiteral("/command"), plain.mid(blank + 1)),
                     pending);
}

void Venue::stopBuilding(const Done &done)
{
    if (!m_joined)
        return done(notSent(QStringLiteral("all"), QStringLiteral("the broker is not joined")));
    if (m_pending.size() >= MaxPending)
        return done(notSent(QStringLiteral("all"),
                            QStringLiteral("too many presses waiting for an answer")));
    // What a scene still had to do is not done after it.
    m_sceneWait.stop();
    m_scene.next = m_scene.scene.steps.size();
    Pending pending{{}, {}, done, {}, {}};
    pending.since.start();
    for (auto room = m_rooms.cbegin(); room != m_rooms.cend(); ++room)
        if (room->room.isEmpty())
            continue;
        else if (room->status == QLatin1String("offline"))
            pending.results.insert(
                room.key(), notSent(room.key(), room.key() + QStringLiteral(" is offline")).result);
        else
            pending.waiting << room.key();
    const QString id = send(QStringLiteral("all/command"), QStringLiteral("stop"));
    m_pending.insert(id, pending);
    if (pending.waiting.isEmpty())
        finishBuilding(id);
}

// A room's result for a press, or (id empty) a room gone offline: whoever waits for it is
// answered.
void Venue::settle(const QString &id, const QString &room, const QJsonObject &result)
{
    const QStringList ids = id.isEmpty() ? m_pending.keys() : QStringList{id};
    for (const QString &one : ids) {
        const auto pending = m_pending.find(one);
        if (pending == m_pending.end())
            continue;
        QJsonObject said =
            id.isEmpty() ? notSent(room, room + QStringLiteral(" is offline")).result : result;
        said.insert(QStringLiteral("room"), room);
        if (pending->room.isEmpty()) { // the building's
            if (!pending->waiting.removeOne(room))
                continue;
            pending->results.insert(room, said);
            if (pending->waiting.isEmpty())
                finishBuilding(one);
        } else if (pending->room == room) {
            const Done done = pending->done;
            m_pending.erase(pending);
            done({statusOf(said), said});
        }
    }
}

void Venue::expire()
{
    const QStringList ids = m_pending.keys();
    for (const QString &id : ids) {
        const auto pending = m_pending.find(id);
        if (pending == m_pending.end() || pending->since.elapsed() < DeadlineMs + GraceMs)
            continue;
        if (pending->room.isEmpty()) {
            finishBuilding(id);
        } else {
            const Done done = pending->done;
            const QString room = pending->room;
            m_pending.erase(pending);
            done(notSent(room, QStringLiteral("no answer from %1").arg(room)));
        }
    }
    if (m_pending.isEmpty())
        m_deadline.stop();
}

void Venue::finishBuilding(const QString &id)
{
    Pending pending = m_pending.take(id);
    for (const QString &room : std::as_const(pending.waiting))
        pending.results.insert(room,
                               notSent(room, QStringLiteral("no answer from %1").arg(room)).result);
    // Room by room, in the venue's order.
    QJsonArray rooms;
    bool all = true;
    QStringList names = m_order;
    for (const QString &room : pending.results.keys())
        if (!names.contains(room))
            names << room;
    for (const QString &room : std::as_const(names))
        if (pending.results.contains(room)) {
            rooms.append(pending.results[room]);
            all = all && wentWell(pending.results[room]);
        }
    m_lastBuildingStop = {{QStringLiteral("command"), QStringLiteral("stop all")},
                          {QStringLiteral("time"), ReplyJson::now()},
                          {QStringLiteral("rooms"), rooms}};
    changedLater();
    pending.done({all ? 200 : 503, m_lastBuildingStop});
}

void Venue::setScenes(const QList<Installation::Scene> &scenes)
{
    m_scenes.clear();
    for (const Installation::Scene &scene : scenes)
        if (scene.forRooms())
            m_scenes << scene;
    changedLater();
}

bool Venue::hasScene(const QString &name) const
{
    return std::any_of(m_scenes.cbegin(), m_scenes.cend(), [&name](const auto &scene) {
        return Installation::key(scene.name) == Installation::key(name);
    });
}

void Venue::runScene(const QString &name, const Done &done)
{
    const auto found = std::find_if(m_scenes.cbegin(), m_scenes.cend(), [&name](const auto &scene) {
        return Installation::key(scene.name) == Installation::key(name);
    });
    if (found == m_scenes.cend())
        return done(
            notSent(QStringLiteral("all"), QStringLiteral("no scene \"%1\"").arg(name), 422));
    if (m_scene.done) {
        m_scene.more = m_sceneWait.isActive();
        m_answering.append(std::move(m_scene));
    }
    m_sceneWait.stop();
    m_scene = {*found, 0, m_scene.run + 1, 0, {}, done};
    continueScene();
}

// The steps up to the next wait, each sent as its room's; the wait then holds the rest.
void Venue::continueScene()
{
    const quint64 run = m_scene.run;
    QList<std::pair<qsizetype, Installation::Step>> burst;
    for (; m_scene.next < m_scene.scene.steps.size(); ++m_scene.next) {
        const Installation::Step &step = m_scene.scene.steps[m_scene.next];
        if (step.room.isEmpty()) {
            if (!burst.isEmpty() || step.waitMs > 0)
                break;
            continue;
        }
        burst.append({m_scene.next, step});
    }
    if (m_scene.next < m_scene.scene.steps.size())
        m_sceneWait.start(m_scene.scene.steps[m_scene.next++].waitMs);
    m_scene.unanswered += int(burst.size());
    for (const auto &[at, step] : std::as_const(burst)) {
        const Done answered = [this, run, at = at, step = step](const Answer &answer) {
            Answer said = answer;
            said.result.insert(QStringLiteral("room"), step.room);
            said.result.insert(QStringLiteral("step"), step.words.join(u' '));
            if (!said.result.contains(QStringLiteral("outcome"))) // the building's, room by room
                said.result.insert(QStringLiteral("outcome"), answer.status == 200
                                                                  ? QStringLiteral("sent")
                                                                  : QStringLiteral("not sent"));
            stepAnswered(run, at, said);
        };
        if (step.room == QLatin1String("all")) {
            // The building's Stop All ends the scene's waits: none are left to it.
            const qsizetype next = m_scene.next;
            const bool waiting = m_sceneWait.isActive();
            stopBuilding(answered);
            m_scene.next = next;
            if (waiting)
                m_sceneWait.start();
        } else {
            request(step.room, step.words.join(u' '), answered);
        }
    }
    if (burst.isEmpty())
        stepAnswered(run, 0, {200, {}});
}

void Venue::stepAnswered(quint64 run, qsizetype step, const Answer &answer)
{
    const auto replaced =
        std::find_if(m_answering.begin(), m_answering.end(),
                     [run](const RunningScene &scene) { return scene.run == run; });
    const bool current = run == m_scene.run;
    if (!current && replaced == m_answering.end())
        return;
    RunningScene &scene = current ? m_scene : *replaced;
    if (!answer.result.isEmpty()) {
        scene.results.insert(step, answer.result);
        --scene.unanswered;
    }
    if (scene.unanswered > 0)
        return;
    const bool more = current ? m_sceneWait.isActive() : scene.more;
    bool all = true;
    QJsonArray steps;
    for (const QJsonObject &result : std::as_const(scene.results)) {
        all = all && wentWell(result);
        steps.append(result);
    }
    const QJsonObject said{{QStringLiteral("command"), QStringLiteral("scene ") + scene.scene.name},
                           {QStringLiteral("outcome"), !all   ? QStringLiteral("not sent")
                                                       : more ? QStringLiteral("started")
                                                              : QStringLiteral("sent")},
                           {QStringLiteral("steps"), steps},
                           {QStringLiteral("time"), ReplyJson::now()}};
    const Done done = std::exchange(scene.done, {});
    if (current) {
        m_lastScene = said;
        changedLater();
    } else {
        // The page's last scene is the one that took its place.
        m_answering.erase(replaced);
    }
    if (done)
        done({all ? 200 : 503, said});
}

int Venue::cost(const QString &room, const QString &words) const
{
    if (room != QLatin1String("all"))
        return 1;
    for (const Installation::Scene &scene : m_scenes)
        if (words.startsWith(QLatin1String("scene ")) &&
            Installation::key(scene.name) == Installation::key(words.mid(6)))
            return int(scene.steps.size());
    return qMax(1, int(m_rooms.size()));
}
