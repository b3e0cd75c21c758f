#include "sendcommands.h"

#include <algorithm>

namespace SendCommands {

namespace {

// A word as an error message shows it: cut to a readable length.
QString shown(const QString &word)
{
    constexpr int Longest = 32;
    return word.size() <= Longest ? word : word.left(Longest) + QChar(0x2026);
}

} // namespace

Parsed parse(const QStringList &words, int playerId, const DeviceProfile &profile)
{
    using CommandFrames::Transport;
    const QList<std::pair<QLatin1String, std::pair<const char *, Transport>>> transports{
        {QLatin1String("play"), {"Play", Transport::Play}},
        {QLatin1String("stop"), {"Stop", Transport::Stop}},
        {QLatin1String("next"), {"Next", Transport::Next}},
        {QLatin1String("previous"), {"Previous", Transport::Previous}},
    };
    Parsed parsed;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString word = words[i].toLower();
        const auto transport =
            std::find_if(transports.cbegin(), transports.cend(),
                         [&word](const auto &known) { return word == known.first; });
        if (transport != transports.cend()) {
            parsed.commands.append({QLatin1String(transport->second.first),
                                    CommandFrames::transport(playerId, transport->second.second)});
            continue;
        }
        if (word != QLatin1String("folder") && word != QLatin1String("volume")) {
            parsed.error = QStringLiteral("unknown command \"%1\"").arg(shown(words[i]));
            return parsed;
        }
        if (i + 1 == words.size()) {
            parsed.error = QStringLiteral("\"%1\" needs a value").arg(shown(words[i]));
            return parsed;
        }
        QString value = words[++i];
        bool isNumber = false;
        if (word == QLatin1String("folder")) {
            const int folder = value.toInt(&isNumber);
            if (!isNumber || folder < 0 || folder >= profile.folderCount) {
                parsed.error = QStringLiteral("no folder \"%1\": this model has 0 to %2")
                                   .arg(shown(value))
                                   .arg(profile.folderCount - 1);
                return parsed;
            }
            parsed.commands.append(
                {QStringLiteral("Load folder"), CommandFrames::launchFolder(playerId, folder)});
            continue;
        }
        int level = profile.volumeMinimum;
        if (value.toLower() == QLatin1String("mute"))
            isNumber = true;
        else
            level = value.replace(QChar(0x2212), QLatin1Char('-')).toInt(&isNumber);
        if (!isNumber || level > DeviceProfiles::VolumeMaximum || level < profile.volumeMinimum) {
            parsed.error =
                QStringLiteral("no level \"%1\": this model has 0 down to %2 dB, or mute")
                    .arg(shown(words[i]))
                    .arg(profile.volumeMinimum);
            return parsed;
        }
        parsed.commands.append(
            {QStringLiteral("Volume"),
             CommandFrames::volume(playerId, Volume::level(level, profile.volumeMinimum))});
    }
    return parsed;
}

} // namespace SendCommands
