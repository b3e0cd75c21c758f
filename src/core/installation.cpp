#include "installation.h"

#include "safefile.h"
#include "settingsstore.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace {

// A wait is at most an hour; a scene holds at most so many steps, a file so many scenes.
constexpr int MaxWaitMs = 3600 * 1000;
constexpr qsizetype MaxSteps = 1000;
constexpr qsizetype MaxScenes = 1000;

QString problem(int line, const QString &what)
{
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

} // namespace

QString Installation::windowFile()
{
    return QFileInfo(SettingsStore::forApplication().userFilePath()).path() +
           QLatin1String("/installation.txt");
}

Installation Installation::load(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    const std::optional<QByteArray> bytes = SafeFile::read(path, 1024 * 1024);
    if (!bytes) {
        Installation unreadable;
        unreadable.m_problems << QStringLiteral("not a regular file of at most 1 MiB");
        return unreadable;
    }
    return parse(QString::fromUtf8(*bytes));
}

bool Installation::save(const QString &path, QString *why) const
{
    return SafeFile::write(path, format().toUtf8(), why, QIODevice::Text);
}

QString Installation::key(const QString &name)
{
    return name.simplified().replace(u'_', u' ').toCaseFolded();
}

QString Installation::nameRefusal(const QString &name)
{
    static const QRegularExpression number(QStringLiteral("^\\d+$"));
    const QString clean = name.simplified();
    if (clean.isEmpty())
        return QStringLiteral("a name cannot be empty");
    if (number.match(clean).hasMatch())
        return QStringLiteral("\"%1\" is a number: a name must not be one").arg(clean);
    if (key(clean) == QLatin1String("all") || key(clean) == QLatin1String("scene"))
        return QStringLiteral("\"%1\" is a word of the commands: a name must not be one")
            .arg(clean);
    if (clean.size() > 64)
        return QStringLiteral("a name of more than 64 characters");
    return {};
}

Installation Installation::parse(QStringView text)
{
    Installation installation;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    enum class Section { None, Players, Scene } section = Section::None;
    Scene scene;
    int sceneLine = 0;
    QString sceneProblem;
    const auto closeScene = [&] {
        if (section != Section::Scene)
            return;
        QString why = sceneProblem.isEmpty() ? installation.setScene(scene) : sceneProblem;
        if (!why.isEmpty())
            installation.m_problems << problem(
                sceneLine, QStringLiteral("scene \"%1\" left out: %2").arg(scene.name, why));
        scene = {};
        sceneProblem.clear();
    };
    int number = 0;
    for (QStringView raw : text.split(u'\n')) {
        ++number;
        const QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            closeScene();
            const QString header = line.mid(1, line.size() - 2).trimmed();
            if (header.compare(QLatin1String("players"), Qt::CaseInsensitive) == 0) {
                section = Section::Players;
            } else if (header.startsWith(QLatin1String("scene "), Qt::CaseInsensitive)) {
                section = Section::Scene;
                scene.name = header.mid(6).simplified();
                sceneLine = number;
            } else {
                section = Section::None;
                installation.m_problems << problem(
                    number,
                    QStringLiteral("unknown section \"%1\"").arg(PlayerCommands::shown(header)));
            }
            continue;
        }
        if (section == Section::Players) {
            const std::optional<int> id = PlayerCommands::playerId(line.section(u' ', 0, 0));
            const QString why = !id ? QStringLiteral("no player ID \"%1\": 0 to 127")
                                          .arg(PlayerCommands::shown(line.section(u' ', 0, 0)))
                                : !installation.nameOf(*id).isEmpty()
                                    ? QStringLiteral("player %1 is listed twice").arg(*id)
                                    : installation.setPlayer(*id, line.section(u' ', 1));
            if (!why.isEmpty())
                installation.m_problems << problem(number, why);
            continue;
        }
        if (section != Section::Scene) {
            installation.m_problems << problem(number, QStringLiteral("outside a section"));
            continue;
        }
        if (!sceneProblem.isEmpty())
            continue;
        const QStringList words = line.split(blanks);
        Step step;
        step.line = number;
        if (words.first().compare(QLatin1String("shortcut"), Qt::CaseInsensitive) == 0) {
            scene.shortcut = line.section(u' ', 1).trimmed();
            continue;
        }
        if (words.first().compare(QLatin1String("wait"), Qt::CaseInsensitive) == 0) {
            bool isNumber = false;
            const double seconds = words.value(1).toDouble(&isNumber);
            if (!isNumber || words.size() != 2 || !std::isfinite(seconds) || seconds < 0 ||
                seconds * 1000 > MaxWaitMs) {
                sceneProblem = problem(number, QStringLiteral("a wait is 0 to 3600 seconds"));
                continue;
            }
            step.waitMs = int(std::lround(seconds * 1000));
        } else {
            const std::optional<int> id = installation.resolve(words.first());
            if (!id) {
                sceneProblem = problem(
                    number,
                    QStringLiteral("no player \"%1\"").arg(PlayerCommands::shown(words.first())));
                continue;
            }
            step.playerId = *id;
            step.words = words.mid(1);
            // Words no model takes; a folder or a level is checked against the model to run.
            const QString error =
                PlayerCommands::parse(step.words, *id, DeviceProfiles::widest()).error;
            if (!error.isEmpty() || step.words.isEmpty()) {
                sceneProblem =
                    problem(number, error.isEmpty() ? QStringLiteral("nothing to send") : error);
                continue;
            }
        }
        scene.steps << step;
    }
    closeScene();
    return installation;
}

QString Installation::format() const
{
    QString text = QStringLiteral(
        "# Tessary: the players on this line, and the scenes that cue them.\n"
        "# A player is an ID and a name. In a scene, each line is a player (name or ID) and\n"
        "# commands in tessary-send's words, or \"wait SECONDS\"; \"_\" stands for a blank.\n"
        "\n[players]\n");
    for (const Player &player : m_players)
        text += QString::number(player.id) + u' ' + player.name + u'\n';
    for (const Scene &scene : m_scenes) {
        text += QStringLiteral("\n[scene %1]\n").arg(scene.name);
        if (!scene.shortcut.isEmpty())
            text += QStringLiteral("shortcut %1\n").arg(scene.shortcut);
        for (const Step &step : scene.steps) {
            if (step.playerId < 0) {
                text += QStringLiteral("wait %1\n").arg(step.waitMs / 1000.0);
                continue;
            }
            const QString name = nameOf(step.playerId);
            text += (name.isEmpty() ? QString::number(step.playerId)
                                    : QString(name).replace(u' ', u'_')) +
                    u' ' + step.words.join(u' ') + u'\n';
        }
    }
    return text;
}

QString Installation::setPlayer(int id, const QString &name)
{
    QString refused = nameRefusal(name);
    if (!refused.isEmpty())
        return refused;
    const QString clean = name.simplified();
    const std::optional<int> other = resolve(clean);
    if (other && *other != id)
        return QStringLiteral("\"%1\" is already the name of player %2").arg(clean).arg(*other);
    removePlayer(id);
    const auto at = std::lower_bound(m_players.begin(), m_players.end(), id,
                                     [](const Player &player, int id) { return player.id < id; });
    m_players.insert(at, {id, clean});
    return {};
}

void Installation::removePlayer(int id)
{
    m_players.removeIf([id](const Player &player) { return player.id == id; });
}

QString Installation::setScene(const Scene &scene)
{
    QString refused = nameRefusal(scene.name);
    if (!refused.isEmpty())
        return refused;
    if (scene.steps.size() > MaxSteps)
        return QStringLiteral("more than %1 steps").arg(MaxSteps);
    const auto same = std::find_if(m_scenes.begin(), m_scenes.end(), [&scene](const Scene &known) {
        return key(known.name) == key(scene.name);
    });
    if (same != m_scenes.end()) {
        *same = scene;
        return {};
    }
    if (m_scenes.size() >= MaxScenes)
        return QStringLiteral("more than %1 scenes").arg(MaxScenes);
    m_scenes << scene;
    return {};
}

void Installation::removeScene(const QString &name)
{
    m_scenes.removeIf([&name](const Scene &scene) { return key(scene.name) == key(name); });
}

std::optional<int> Installation::resolve(const QString &player) const
{
    if (const std::optional<int> id = PlayerCommands::playerId(player))
        return id;
    const QString wanted = key(player);
    const auto found =
        std::find_if(m_players.cbegin(), m_players.cend(),
                     [&wanted](const Player &known) { return key(known.name) == wanted; });
    return found == m_players.cend() ? std::nullopt : std::optional(found->id);
}

QString Installation::nameOf(int id) const
{
    const auto found = std::find_if(m_players.cbegin(), m_players.cend(),
                                    [id](const Player &player) { return player.id == id; });
    return found == m_players.cend() ? QString() : found->name;
}

const Installation::Scene *Installation::scene(const QString &name) const
{
    const auto found =
        std::find_if(m_scenes.cbegin(), m_scenes.cend(),
                     [&name](const Scene &scene) { return key(scene.name) == key(name); });
    return found == m_scenes.cend() ? nullptr : &*found;
}

Installation::Planned Installation::plan(const Scene &scene, const DeviceProfile &profile) const
{
    Planned planned;
    for (const Step &step : scene.steps) {
        if (step.playerId < 0) {
            planned.steps.append({std::nullopt, step.waitMs, step.line});
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

QList<int> Installation::stopAllIds() const
{
    QList<int> ids;
    for (const Player &player : m_players)
        ids << player.id;
    if (ids.isEmpty())
        for (int id = 0; id < PlayerCommands::PlayerIdCount; ++id)
            ids << id;
    return ids;
}
