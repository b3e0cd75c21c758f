#pragma once

#include "model/playercommand.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What a line of words asks for, as a line of text, a broker's payload, a scene's line or
// tessary-send's arguments give it:
//   <player> <commands>   a player by its ID (0 to 127) or its name ("_" for a blank), then
//                         play, stop, next, previous, folder N, volume DB, volume mute, mute
//   all stop              Stop to every player of the installation (or "stop-all")
//   scene <name>          a scene of the installation
// Every word is told apart without regard to case.
struct Asked
{
    enum class Target { Player, AllPlayers, Scene };

    Target target = Target::Player;
    int playerId = -1;
    QString scene;
    QList<PlayerCommand> commands; // Stop to each player, for all players, once they are known
    QString error;                 // why the words ask for nothing that can be done
};

namespace RequestWords {

// The ID a player's name or number stands for, or nothing.
using Resolver = std::function<std::optional<int>(const QString &player)>;

// names: the players' names, for a hint when a player is not found ("lobby?", or that a name's
// blanks are written "_").
Asked read(const QStringList &words, const Resolver &player, const DeviceProfile &profile,
           const QStringList &names = {});
Asked read(QStringView line, const Resolver &player, const DeviceProfile &profile,
           const QStringList &names = {});

// What to add to "no player X" for the words given: "; lobby?", or "; blanks in a name are
// written _: Egyptian_room"; empty when nothing is near.
QString playerHint(const QStringList &words, const QStringList &names);

// The words split at blanks, as a line is read.
QStringList split(QStringView line);
// A line of the installation file without its comment, trimmed: a # at its start or after a
// blank begins one (3 courtyard   # the big one), so that a name never takes it in.
QStringView uncommented(QStringView line);

} // namespace RequestWords
