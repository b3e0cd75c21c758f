#pragma once

#include "commandframe.h"
#include "installation.h"
#include "playercommand.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

class CommandLog;
class SerialLink;

// The one way to the line, whoever sends: the window's controls, tessary-send, a show
// controller on the network. Each command is checked against the model, turned into its frame,
// written through the serial link, recorded in the log with where it came from, and answered
// with what became of it. The last command and level sent to each player are kept, since the
// players never answer.
class CommandPath : public QObject
{
    Q_OBJECT

public:
    enum class Result { Sent, NotSent, ConnectionLost, PortClosed, Refused, Busy };
    enum class LinkState { Open, Lost, Closed };

    struct Outcome
    {
        Result result = Result::PortClosed;
        PlayerCommand command;
        CommandFrame frame;
        QString echo;   // as the status line shows it: "Play : 0x85 0x2 0x1"
        QString reason; // why it was not sent, in tessary-send's words; empty when it was

        bool sent() const { return result == Result::Sent; }
        // tessary-send's exit status: 0 sent, 64 refused, 74 not sent.
        int status() const;
    };

    // What was last sent to a player: its command in words and, once one was, its level.
    struct PlayerState
    {
        QString command; // in words: "folder 12"
        std::optional<int> level;
        qint64 time = 0; // ms since the epoch
    };

    explicit CommandPath(SerialLink *link, QObject *parent = nullptr);

    void setModel(int model);
    int model() const { return m_model; }
    // Where rows go; none by default.
    void setLog(CommandLog *log) { m_log = log; }

    // Sends one command from the named source ("window", "OSC 192.168.1.20"). A remote source
    // is refused as busy while the line holds more than a few frames unsent: a cue is sent at
    // once or not at all, never late.
    Outcome send(const PlayerCommand &command, const QString &source, bool remote = false);

    // The players' names and the scenes, for what follows.
    void setInstallation(const Installation &installation);
    const Installation &installation() const { return m_installation; }

    // Runs a scene: its commands up to its first wait at once, the rest as the waits run out.
    // Refused (64, with the line of the file) when the model cannot take every command, before
    // anything is sent; 74 when its first command was not sent. Another scene, or Stop All,
    // cancels the waits of the one running; a scene stops at the first command not sent.
    struct SceneStart
    {
        int status = 0;
        QString error;
    };
    SceneStart runScene(const QString &name, const QString &source);
    bool sceneRunning() const { return !m_scene.steps.isEmpty(); }
    // Stop to every player of the installation (those listed, or every ID), in ID order, back
    // to back; how many went out, of how many.
    std::pair<int, int> stopAll(const QString &source);

    SerialLink *link() const { return m_link; }
    LinkState linkState() const { return m_linkState; }
    std::optional<PlayerState> playerState(int playerId) const;

signals:
    void commandSent(const CommandPath::Outcome &outcome, const QString &source);
    void linkStateChanged(CommandPath::LinkState state);
    // A scene came to its end, or stopped: what to say of it.
    void sceneEnded(const QString &name, const QString &said);

private:
    void setLinkState(LinkState state);
    void plan();
    // Runs the scene's steps up to its next wait; false when one was not sent.
    bool continueScene();
    void endScene(const QString &said);

    struct RunningScene
    {
        QString name;
        QString source;
        QList<Installation::PlannedStep> steps;
        qsizetype next = 0;
    };

    SerialLink *m_link;
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
    // Each scene checked against the model ahead of time, by its name's key: a scene's first
    // command leaves as soon as a click's would.
    QHash<QString, std::pair<QString, Installation::Planned>> m_plans;
    RunningScene m_scene;
    QTimer m_sceneWait;
    QString m_lastEnd;
};
