#include "model/installation.h"
#include "model/installationlimits.h"
#include "model/requestwords.h"

using namespace InstallationLimits;

QString Installation::requestRefusal(const QString &words) const
{
    const Asked asked = RequestWords::read(
        QStringView(words), [this](const QString &player) { return resolve(player); },
        DeviceProfiles::widest(), names());
    // A scene's name alone, as a person writes a cue first.
    if (!asked.error.isEmpty() && asked.error.startsWith(QLatin1String("no player")) &&
        scene(words.simplified()))
        return asked.error + QStringLiteral("; scene %1?").arg(words.simplified());
    if (!asked.error.isEmpty())
        return asked.error;
    if (asked.target == Asked::Target::Scene && !scene(asked.scene))
        return QStringLiteral("no scene \"%1\"").arg(PlayerCommands::shown(asked.scene));
    return {};
}

Installation::Planned Installation::plan(const Scene &scene, const DeviceProfile &profile) const
{
    Planned planned;
    for (const Step &step : scene.steps) {
        if (!step.room.isEmpty()) {
            planned.error = problem(step.line, QStringLiteral("scene %1 is for rooms of the "
                                                              "building: the venue runs it")
                                                   .arg(scene.name));
            planned.steps.clear();
            return planned;
        }
        if (step.playerId == Wait) {
            planned.steps.append({std::nullopt, step.waitMs, step.line});
            continue;
        }
        if (step.playerId == AllPlayers) {
            for (const int id : stopAllIds())
                planned.steps.append(
                    {PlayerCommand{id, PlayerCommand::Kind::Stop, 0}, 0, step.line});
            continue;
        }
        const PlayerCommands::Parsed parsed =
            PlayerCommands::parse(step.words, step.playerId, profile);
        if (!parsed.error.isEmpty() || parsed.commands.isEmpty()) {
            planned.error =
                problem(step.line,
                        parsed.error.isEmpty() ? QStringLiteral("nothing to send") : parsed.error);
            planned.steps.clear();
            return planned;
        }
        for (const PlayerCommand &command : parsed.commands)
            planned.steps.append({command, 0, step.line});
    }
    return planned;
}
