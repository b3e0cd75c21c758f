#pragma once

#include "playercommand.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The players on one line and the scenes that cue them, as one plain text file an installer can
// read, compare and copy to another machine:
//
//   # Comments start with a hash.
//   [players]
//   7 Egyptian room narration
//   12 courtyard
//   [scene Opening]
//   shortcut Ctrl+Alt+1
//   Egyptian_room_narration folder 3
//   courtyard volume -6
//   wait 2
//   12 play
//
// A player is an ID and a name: any text but a number or the words "all" and "scene", told
// apart without regard to case, with "_" standing for a blank. A scene's lines are a player
// (name or ID) and commands in tessary-send's words, or "wait SECONDS".
class Installation
{
public:
    struct Player
    {
        int id = 0;
        QString name;
    };
    struct Step
    {
        int line = 0;      // in the file, for what is said of it
        int playerId = -1; // -1 for a wait
        QStringList words; // the commands, as written
        int waitMs = 0;
    };
    struct Scene
    {
        QString name;
        QString shortcut; // as Qt writes keys: "Ctrl+Alt+1"
        QList<Step> steps;
    };
    // A scene ready to run for a model: its commands and waits, in order.
    struct PlannedStep
    {
        std::optional<PlayerCommand> command; // none for a wait
        int waitMs = 0;
        int line = 0;
    };
    struct Planned
    {
        QList<PlannedStep> steps;
        QString error; // "line 14: no folder "1200": this model has 0 to 999"
    };

    // What the text holds that can be used. A player or a scene that cannot be is left out and
    // named in problems(), and the others are kept.
    static Installation parse(QStringView text);
    QString format() const;
    // Where the window keeps it, beside its other files; and the file read and written whole,
    // only as a regular file of sensible size. A file that cannot be read is an empty
    // installation, with the reason (for the file as a whole) as its problem.
    static QString windowFile();
    static Installation load(const QString &path);
    bool save(const QString &path, QString *why) const;

    QList<Player> players() const { return m_players; }
    QList<Scene> scenes() const { return m_scenes; }
    QStringList problems() const { return m_problems; }
    // Nothing that can be used: no player and no scene.
    bool isEmpty() const { return m_players.isEmpty() && m_scenes.isEmpty(); }

    // The reason when the player cannot be added or renamed so.
    QString setPlayer(int id, const QString &name);
    void removePlayer(int id);
    QString setScene(const Scene &scene);
    void removeScene(const QString &name);

    // The ID a name or a number stands for: "12", "Courtyard", "egyptian_room_narration".
    std::optional<int> resolve(const QString &player) const;
    QString nameOf(int id) const;
    const Scene *scene(const QString &name) const;
    // Every command checked against the model before anything is sent.
    Planned plan(const Scene &scene, const DeviceProfile &profile) const;
    // The players Stop All stops: those listed, or every ID when none is.
    QList<int> stopAllIds() const;

    // Names are compared as users type them.
    static QString key(const QString &name);
    static QString nameRefusal(const QString &name);

private:
    QList<Player> m_players; // in ID order
    QList<Scene> m_scenes;   // in file order
    QStringList m_problems;
};
