#pragma once

#include "model/commandframe.h"
#include "model/deviceprofile.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// One command for one player, whoever gives it: the window, a script, a show controller.
struct PlayerCommand
{
    enum class Kind { Play, Stop, Next, Previous, Folder, Volume };

    int playerId = 0;
    Kind kind = Kind::Play;
    int value = 0; // the folder, or the level in dB: 0 down to the model's minimum (mute)

    bool operator==(const PlayerCommand &other) const
    {
        return playerId == other.playerId && kind == other.kind && value == other.value;
    }
};

namespace PlayerCommands {

inline constexpr int PlayerIdCount = 128;

// Why the model cannot take the command, in the words tessary-send has always used; empty when
// it can.
QString refusal(const PlayerCommand &command, const DeviceProfile &profile);
// The frame the players receive for it.
CommandFrame frame(const PlayerCommand &command, const DeviceProfile &profile);
// The name the window's echo gives it ("Play", "Load folder", "Volume"), in the language of the
// window when a catalogue is installed.
QString name(PlayerCommand::Kind kind);
// As its words: "play", "folder 12", "volume -10", "volume mute".
QString words(const PlayerCommand &command, const DeviceProfile &profile);

// A command's word, as OSC's verbs and the lines' words have it ("play", "Folder", "MUTE"),
// told apart without regard to case; mute is the volume at the model's minimum.
struct Verb
{
    PlayerCommand::Kind kind;
    bool takesValue; // folder and volume
    bool mute;
};
std::optional<Verb> verb(QStringView word);

// Commands written as words, as a shell script, a show controller or a broker gives them:
//   play | stop | next | previous | folder N | volume DB | volume mute | mute
// A level is 0 down to the model's minimum, "-" or "−" before its digits; "mute" is the minimum.
struct Parsed
{
    QList<PlayerCommand> commands;
    QString error; // the first word that is not a command, and why; empty when all were
};
Parsed parse(const QStringList &words, int playerId, const DeviceProfile &profile);

// A player ID as given: "0" to "127", nothing else.
std::optional<int> playerId(const QString &text);

// A word as an error message shows it: cut to a readable length.
QString shown(const QString &word);

} // namespace PlayerCommands
