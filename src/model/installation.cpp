#include "model/installation.h"

#include "model/installationlimits.h"

#include <QRegularExpression>

using namespace InstallationLimits;

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
    m_playerIds.insert(key(clean), id);
    return {};
}

void Installation::removePlayer(int id)
{
    m_playerIds.remove(key(nameOf(id)));
    m_players.removeIf([id](const Player &player) { return player.id == id; });
}

QString Installation::setScene(const Scene &scene)
{
    QString refused = nameRefusal(scene.name);
    if (!refused.isEmpty())
        return refused;
    if (scene.steps.size() > MaxSteps)
        return QStringLiteral("more than %1 steps").arg(MaxSteps);
    const QString wanted = key(scene.name);
    if (const auto same = m_sceneAt.constFind(wanted); same != m_sceneAt.cend()) {
        m_scenes[*same] = scene;
        return {};
    }
    if (m_scenes.size() >= MaxScenes)
        return QStringLiteral("more than %1 scenes").arg(MaxScenes);
    m_sceneAt.insert(wanted, m_scenes.size());
    m_scenes << scene;
    return {};
}

void Installation::removeScene(const QString &name)
{
    m_scenes.removeIf([&name](const Scene &scene) { return key(scene.name) == key(name); });
    m_sceneAt.clear();
    for (qsizetype i = 0; i < m_scenes.size(); ++i)
        m_sceneAt.insert(key(m_scenes[i].name), i);
}

std::optional<int> Installation::resolve(const QString &player) const
{
    if (const std::optional<int> id = PlayerCommands::playerId(player))
        return id;
    const auto found = m_playerIds.constFind(key(player));
    return found == m_playerIds.cend() ? std::nullopt : std::optional(*found);
}

QStringList Installation::problemsSaid() const
{
    constexpr qsizetype Shown = 10;
    QStringList said = m_problems.mid(0, Shown);
    if (m_problems.size() > Shown)
        said << QStringLiteral("and %1 more left out").arg(m_problems.size() - Shown);
    return said;
}

QStringList Installation::names() const
{
    QStringList names;
    for (const Player &player : m_players)
        names << player.name;
    return names;
}

QString Installation::nameOf(int id) const
{
    const auto found = std::find_if(m_players.cbegin(), m_players.cend(),
                                    [id](const Player &player) { return player.id == id; });
    return found == m_players.cend() ? QString() : found->name;
}

const Installation::Scene *Installation::scene(const QString &name) const
{
    const auto found = m_sceneAt.constFind(key(name));
    return found == m_sceneAt.cend() ? nullptr : &m_scenes[*found];
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
