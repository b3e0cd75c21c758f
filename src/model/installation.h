#pragma once

#include "model/playercommand.h"
#include "model/schedule.h"

#include <QHash>
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
//   [schedule]
//   Tue-Sun 10:00 scene Opening
//   daily 18:00 all stop
//
// A player is an ID and a name: any text but a number or the words "all" and "scene", told
// apart without regard to case, with "_" standing for a blank. A scene's lines are a player
// (name or ID) and commands in tessary-send's words, "all stop", or "wait SECONDS"; a scene
// does not run another. A venue's scene may instead name a room of the building before a colon,
// "courtyard: scene Opening", "entrance: 3 play", "all: stop": each such step goes as that
// room's command, and the scene runs from the venue, not on a line. The schedule (see Schedule)
// sends requests in the same words by the clock; it is kept as written.
class Installation
{
public:
    struct Player
    {
        int id = 0;
        QString name;
    };
    // A step's player for a wait, and for Stop to every player.
    static constexpr int Wait = -1;
    static constexpr int AllPlayers = -2;
    struct Step
    {
        int line = 0;        // in the file, for what is said of it
        int playerId = Wait; // or AllPlayers
        QStringList words;   // the commands, as written
        int waitMs = 0;
        QString room; // a room of the building, whose words these are; "all" for every room
    };
    struct Scene
    {
        QString name;
        QString shortcut; // as Qt writes keys: "Ctrl+Alt+1"
        QList<Step> steps;
        // Whether its steps are for rooms of the building, to run from the venue.
        bool forRooms() const
        {
            return std::any_of(steps.cbegin(), steps.cend(),
                               [](const Step &step) { return !step.room.isEmpty(); });
        }
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
    // The text of the file. One that was read is written as it was, but for what was changed
    // since: its comments, its order and what could not be used stay as written.
    QString format() const;
    // The text of a file's bytes, its byte order mark kept; isUtf8 false when they are not UTF-8.
    static QString text(const QByteArray &bytes, bool *isUtf8 = nullptr);
    // As the file holds it: in UTF-8, with the line ends of the file it was read from.
    QByteArray bytes() const;
    // Where the window keeps it, beside its other files; and the file read and written whole,
    // only as a regular file of sensible size. A file that cannot be read is an empty
    // installation, with the reason (for the file as a whole) as its problem.
    static QString windowFile();
    static Installation load(const QString &path);
    bool save(const QString &path, QString *why) const;
    // The bytes of the file at path, or why it is not one to read (nothing when it is not there).
    static std::optional<QByteArray> read(const QString &path, QString *why);

    QList<Player> players() const { return m_players; }
    QList<Scene> scenes() const { return m_scenes; }
    const Schedule &schedule() const { return m_schedule; }
    // The schedule's lines as written, and new ones: every line checked as the file's are; the
    // first fault, with its line in the text, refuses them all.
    QString scheduleText() const;
    QString setSchedule(const QString &lines);
    // Why a request in tessary-send's words names nothing here; nothing when it can be used.
    QString requestRefusal(const QString &words) const;
    QStringList problems() const { return m_problems; }
    // The problems to say: the first few, then how many more, so that a file of thousands of
    // faults is not as many lines of a log.
    QStringList problemsSaid() const;
    // Nothing that can be used: no player and no scene.
    bool isEmpty() const
    {
        return m_players.isEmpty() && m_scenes.isEmpty() && m_schedule.isEmpty();
    }

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

    // The players' names, for hints.
    QStringList names() const;
    // Names are compared as users type them.
    static QString key(const QString &name);
    static QString nameRefusal(const QString &name);

private:
    friend class InstallationFile;
    // The file as it was read, piece by piece: text kept as written (comments, headers, what
    // could not be used), each player's line, where new players go, and each scene's lines.
    struct Piece
    {
        enum class Kind { Text, Player, NewPlayers, Scene, Schedule };
        Kind kind = Kind::Text;
        QStringList lines;
        int id = -1;  // a player's
        QString name; // a player's or a scene's, as read
        std::optional<Scene> scene;
    };
    // A scene's lines after its header, read against the players known by then; the reason
    // when they cannot be used.
    QString readScene(Scene &scene, const QList<QStringView> &lines, int firstLine) const;
    QStringList sceneLines(const Scene &scene) const;
    QString generated() const;

    QList<Player> m_players;             // in ID order
    QHash<QString, int> m_playerIds;     // by their names' keys
    QList<Scene> m_scenes;               // in file order
    QHash<QString, qsizetype> m_sceneAt; // by their names' keys
    QStringList m_problems;
    Schedule m_schedule;
    QStringList m_scheduleLines; // set since it was read
    QList<Piece> m_pieces;
    bool m_crlf = false;
    bool m_byteOrderMark = false;
    bool m_finalNewline = true;
};

// The window's own installation file. It is written only with what the person changed: never
// over a file that could not be read whole, nor over what another program wrote since.
class InstallationFile
{
public:
    enum class Saved { Yes, No, ChangedMeanwhile };

    explicit InstallationFile(const QString &path) : m_path(path) {}
    QString path() const { return m_path; }
    Installation load();
    // No with why when it could not be written, or was not to be; ChangedMeanwhile when another
    // program changed it since it was read: it is to be read again, and the change made anew.
    Saved save(const Installation &installation, QString *why);

private:
    QString m_path;
    std::optional<QByteArray> m_known; // as last read or written; nothing when not there
    QString m_unreadable;              // why it is never written over
};
