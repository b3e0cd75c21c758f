#pragma once

#include "command/request.h"
#include "model/commandframe.h"
#include "model/installation.h"
#include "model/playercommand.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class CommandLog;
class LineOut;

// The one way to the line, whoever asks: the window's controls, tessary-send, a show controller
// on the network, a broker. A request is read in the one grammar of words, checked against the
// model and the installation, admitted or not, sent, logged with where it came from, and
// answered with what became of it. Front ends only turn their wire format into a request and
// the reply into their wire format.
//
// Admission, for requests charged to a client (every source but a person at this machine):
// a release fires nothing; each client has a budget of frames, refilled at 100 a second and
// deep enough for Stop All to 128 players, charged for every frame a request asks for before
// any is sent; and the line is busy while more than a second of frames could still be waiting
// to leave at its rate. A request that does not fit is refused whole, at once: never cut half
// way, never sent late.
class CommandPath : public QObject
{
    Q_OBJECT

public:
    enum class LinkState { Open, Lost, Closed };

    static constexpr double BudgetFramesPerSecond = 100;
    static constexpr double BudgetDepth = 128;
    static constexpr qint64 BusyAfterMs = 1000;

    // What was last sent to a player: its command in words and, once one was, its level.
    struct PlayerState
    {
        QString command; // in words: "folder 12"
        std::optional<int> level;
        qint64 time = 0; // ms since the epoch
    };

    explicit CommandPath(LineOut *line, QObject *parent = nullptr);

    void setModel(int model);
    int model() const { return m_model; }
    // Where rows go; none by default.
    void setLog(CommandLog *log) { m_log = log; }
    // The players' names and the scenes, for what follows.
    void setInstallation(const Installation &installation);
    const Installation &installation() const { return m_installation; }

    // The one entry point. A scene sends its steps up to its first wait at once, the rest as
    // the waits run out; another scene, or Stop All, cancels the waits of the one running, and
    // a scene stops at the first command not sent.
    Reply request(const Request &request);
    // A client's budget charged for frames asked elsewhere (another room's line): false, and
    // nothing charged, when they do not fit.
    bool spend(const QString &client, int frames) { return charge(client, frames, true); }
    // What the request asks for, read with the installation and the model.
    Asked read(const Request &request) const;
    // Why the path would refuse it as it stands (words, players, scenes, the model's ranges),
    // without sending anything; empty when it would not.
    QString refusal(const Request &request) const;
    bool sceneRunning() const { return !m_scene.steps.isEmpty(); }
    // Ends the scene running, with what to say of it.
    void endScene(const QString &said);

    LineOut *line() const { return m_line; }
    LinkState linkState() const { return m_linkState; }
    // "open", "lost" or "closed", as every front end says it.
    static QString linkWord(LinkState state);
    std::optional<PlayerState> playerState(int playerId) const;

signals:
    // Each request, once answered.
    void answered(const Request &request, const Reply &reply);
    // Each frame that went out, a scene's later ones too.
    void commandSent(const PlayerCommand &command, Request::Origin origin);
    void linkStateChanged(CommandPath::LinkState state);
    // Other players' names, other scenes.
    void installationChanged();
    // A scene came to its end, or stopped: what to say of it.
    void sceneEnded(const QString &name, const QString &said);
    // A line for the service's log: each request; those refused or not sent are problems, and
    // come at most a few a second from one source, the rest counted and said once a minute.
    void logged(const QString &text, bool problem, Request::Origin origin);

private:
    // Budgets and quotas kept at once: clients long quiet make room.
    static constexpr qsizetype MaxClients = 1024;
    // A source's problems in the service's log: a few in a row, then two a second; what is held
    // back is counted and said once a minute.
    static constexpr double LinesDepth = 5;
    static constexpr double LinesPerSecond = 2;
    static constexpr int HeldReportMs = 60 * 1000;

    struct Budget
    {
        double frames = BudgetDepth;
        QElapsedTimer refilled;
    };
    struct Quota
    {
        double lines = 0;
        QElapsedTimer refilled;
        int held = 0;
    };
    struct RunningScene
    {
        QString name;
        Request asked; // who asked, as for its first burst
        QList<Installation::PlannedStep> steps;
        qsizetype next = 0;
    };

    void setLinkState(LinkState state);
    void plan();
    QString describe(const Asked &asked, const QString &words) const;
    // The steps a request asks for, checked against the model; false with the reply refused.
    bool stepsOf(Reply &reply, QList<Installation::PlannedStep> &steps) const;
    // Why the line cannot take a cue now, as a reason; None when it can.
    Reply::Reason admission(const Request &request, int frames);
    bool charge(const QString &client, int frames, bool mayRefuse);
    qint64 backlogMs() const;
    // Sends steps up to the next wait; false with the reply's reason when one was not sent.
    bool sendBurst(const QList<Installation::PlannedStep> &steps, qsizetype &next,
                   const Request &request, Reply &reply);
    void continueScene(Reply *first = nullptr);
    void record(const Request &request, const Reply &reply);
    void say(const Request &request, const QString &text, bool problem);
    // What the logs show of a client's words: cut short.
    static QString shownWords(const QString &words);

    LineOut *m_line;
    CommandLog *m_log = nullptr;
    int m_model = 1;
    LinkState m_linkState = LinkState::Closed;
    struct Sent
    {
        PlayerCommand command;
        std::optional<int> level;
        qint64 time = 0;
    };
    QHash<int, Sent> m_players;
    Installation m_installation;
    QStringList m_names; // the players', for a refusal's hint
    // Each scene checked against the model ahead of time, by its name's key: a scene's first
    // command leaves as soon as a click's would.
    QHash<QString, std::pair<QString, Installation::Planned>> m_plans;
    RunningScene m_scene;
    QTimer m_sceneWait;
    QHash<QString, Budget> m_budgets;
    QHash<QString, Quota> m_quotas;
    QTimer m_heldLines;
    // When the frames written so far will have left, at the line's rate.
    QElapsedTimer m_clock;
    qint64 m_lineFreeUs = 0;
};
