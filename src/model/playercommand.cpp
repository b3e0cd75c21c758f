#include "model/playercommand.h"

#include "storage/inifile.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>

namespace PlayerCommands {

namespace {

struct Word
{
    QLatin1String word;
    PlayerCommand::Kind kind;
    const char *name;
};

const Word Words[] = {
    {QLatin1String("play"), PlayerCommand::Kind::Play, QT_TRANSLATE_NOOP("MainWindow", "Play")},
    {QLatin1String("stop"), PlayerCommand::Kind::Stop, QT_TRANSLATE_NOOP("MainWindow", "Stop")},
    {QLatin1String("next"), PlayerCommand::Kind::Next, QT_TRANSLATE_NOOP("MainWindow", "Next")},
    {QLatin1String("previous"), PlayerCommand::Kind::Previous,
     QT_TRANSLATE_NOOP("MainWindow", "Previous")},
    {QLatin1String("folder"), PlayerCommand::Kind::Folder,
     QT_TRANSLATE_NOOP("MainWindow", "Load folder")},
    {QLatin1String("volume"), PlayerCommand::Kind::Volume,
     QT_TRANSLATE_NOOP("MainWindow", "Volume")},
};

const Word &wordOf(PlayerCommand::Kind kind)
{
    return *std::find_if(std::cbegin(Words), std::cend(Words),
                         [kind](const Word &word) { return word.kind == kind; });
}

QString folderRefusal(const QString &value, const DeviceProfile &profile)
{
    return QStringLiteral("no folder \"%1\": this model has 0 to %2")
        .arg(shown(value))
        .arg(profile.folderCount - 1);
}

QString levelRefusal(const QString &value, const DeviceProfile &profile)
{
    return QStringLiteral("no level \"%1\": this model has 0 down to %2 dB, or mute")
        .arg(shown(value))
        .arg(profile.volumeMinimum);
}

} // namespace

QString shown(const QString &word)
{
    constexpr int Longest = 32;
    return word.size() <= Longest ? word : word.left(Longest) + QChar(0x2026);
}

std::optional<int> playerId(const QString &text)
{
    bool isNumber = false;
    const int id = text.toInt(&isNumber);
    if (!isNumber || id < 0 || id >= PlayerIdCount || QString::number(id) != text)
        return std::nullopt;
    return id;
}

QString refusal(const PlayerCommand &command, const DeviceProfile &profile)
{
    if (command.playerId < 0 || command.playerId >= PlayerIdCount)
        return QStringLiteral("no player ID \"%1\": 0 to 127").arg(command.playerId);
    if (command.kind == PlayerCommand::Kind::Folder &&
        (command.value < 0 || command.value >= profile.folderCount))
        return folderRefusal(QString::number(command.value), profile);
    if (command.kind == PlayerCommand::Kind::Volume &&
        (command.value > DeviceProfiles::VolumeMaximum || command.value < profile.volumeMinimum))
        return levelRefusal(QString::number(command.value), profile);
    return {};
}

CommandFrame frame(const PlayerCommand &command, const DeviceProfile &profile)
{
    switch (command.kind) {
    case PlayerCommand::Kind::Folder:
        return CommandFrames::launchFolder(command.playerId, command.value);
    case PlayerCommand::Kind::Volume:
        return CommandFrames::volume(command.playerId,
                                     Volume::level(command.value, profile.volumeMinimum));
    case PlayerCommand::Kind::Play:
        return CommandFrames::transport(command.playerId, CommandFrames::Transport::Play);
    case PlayerCommand::Kind::Stop:
        return CommandFrames::transport(command.playerId, CommandFrames::Transport::Stop);
    case PlayerCommand::Kind::Next:
        return CommandFrames::transport(command.playerId, CommandFrames::Transport::Next);
    case PlayerCommand::Kind::Previous:
        break;
    }
    return CommandFrames::transport(command.playerId, CommandFrames::Transport::Previous);
}

QString name(PlayerCommand::Kind kind)
{
    return QCoreApplication::translate("MainWindow", wordOf(kind).name);
}

QString words(const PlayerCommand &command, const DeviceProfile &profile)
{
    const QString word = wordOf(command.kind).word;
    if (command.kind == PlayerCommand::Kind::Folder)
        return word + u' ' + QString::number(command.value);
    if (command.kind == PlayerCommand::Kind::Volume)
        return word + u' ' +
               (command.value > profile.volumeMinimum ? QString::number(command.value)
                                                      : QStringLiteral("mute"));
    return word;
}

std::optional<Verb> verb(QStringView word)
{
    if (word.compare(QLatin1String("mute"), Qt::CaseInsensitive) == 0)
        return Verb{PlayerCommand::Kind::Volume, false, true};
    const auto known =
        std::find_if(std::cbegin(Words), std::cend(Words), [word](const Word &known) {
            return word.compare(known.word, Qt::CaseInsensitive) == 0;
        });
    if (known == std::cend(Words))
        return std::nullopt;
    return Verb{known->kind,
                known->kind == PlayerCommand::Kind::Folder ||
                    known->kind == PlayerCommand::Kind::Volume,
                false};
}

Parsed parse(const QStringList &words, int playerId, const DeviceProfile &profile)
{
    Parsed parsed;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const std::optional<Verb> known = verb(words[i]);
        if (!known) {
            QStringList known{QStringLiteral("mute")};
            for (const Word &word : Words)
                known << word.word;
            const QString near = IniFile::nearest(words[i], known);
            parsed.error = QStringLiteral("unknown command \"%1\"%2")
                               .arg(shown(words[i]),
                                    near.isEmpty() ? QString() : QStringLiteral("; %1?").arg(near));
            return parsed;
        }
        if (known->mute || !known->takesValue) {
            parsed.commands.append(
                {playerId, known->kind, known->mute ? profile.volumeMinimum : 0});
            continue;
        }
        if (i + 1 == words.size()) {
            parsed.error = QStringLiteral("\"%1\" needs a value").arg(shown(words[i]));
            return parsed;
        }
        QString value = words[++i];
        bool isNumber =
            value.toLower() == QLatin1String("mute") && known->kind == PlayerCommand::Kind::Volume;
        const int number =
            isNumber ? profile.volumeMinimum : value.replace(QChar(0x2212), u'-').toInt(&isNumber);
        const PlayerCommand command{playerId, known->kind, number};
        if (!isNumber || !refusal(command, profile).isEmpty()) {
            parsed.error = known->kind == PlayerCommand::Kind::Folder
                               ? folderRefusal(words[i], profile)
                               : levelRefusal(words[i], profile);
            return parsed;
        }
        parsed.commands.append(command);
    }
    return parsed;
}

} // namespace PlayerCommands
