#include "model/installation.h"
#include "model/installationlimits.h"
#include "model/requestwords.h"

#include <QStringDecoder>

using namespace InstallationLimits;

namespace {

bool isHeader(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    return trimmed.startsWith(u'[') && trimmed.endsWith(u']');
}

bool isComment(QStringView line)
{
    const QStringView trimmed = line.trimmed();
    return trimmed.isEmpty() || trimmed.startsWith(u'#');
}

} // namespace

QString Installation::text(const QByteArray &bytes, bool *isUtf8)
{
    // With its byte order mark, which a save writes back.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    if (isUtf8)
        *isUtf8 = !utf8.hasError();
    return text;
}

QByteArray Installation::bytes() const
{
    QString text = format();
    if (m_crlf)
        text.replace(u'\n', QLatin1String("\r\n"));
    return text.toUtf8();
}

QString Installation::readScene(Scene &scene, const QList<QStringView> &lines, int firstLine) const
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = firstLine + int(i);
        const QString line = RequestWords::uncommented(lines[i]).toString();
        if (isComment(line))
            continue;
        const QStringList words = RequestWords::split(line);
        Step step;
        step.line = number;
        if (words.first().compare(QLatin1String("shortcut"), Qt::CaseInsensitive) == 0) {
            scene.shortcut = line.section(u' ', 1).trimmed();
            continue;
        }
        if (words.first().endsWith(u':')) {
            // A room's step: its words are that room's to read, on its own line.
            step.room = words.first().chopped(1);
            step.words = words.mid(1);
            if (step.room.isEmpty() || step.room.contains(u'/') || step.room.contains(u'+') ||
                step.room.contains(u'#'))
                return problem(number, QStringLiteral("no room \"%1\"").arg(step.room));
            if (step.words.isEmpty())
                return problem(number, QStringLiteral("nothing to send to %1").arg(step.room));
            if (step.room == QLatin1String("all") && step.words.join(u' ') != QLatin1String("stop"))
                return problem(number, QStringLiteral("the whole building only stops: all: stop"));
            if (std::any_of(scene.steps.cbegin(), scene.steps.cend(), [](const Step &step) {
                    return step.room.isEmpty() && step.playerId != Wait;
                }))
                return problem(number, QStringLiteral("a scene is for this line or for rooms, "
                                                      "not both"));
        } else if (words.first().compare(QLatin1String("wait"), Qt::CaseInsensitive) == 0) {
            bool isNumber = false;
            const double seconds = words.value(1).toDouble(&isNumber);
            if (!isNumber || words.size() != 2 || !std::isfinite(seconds) || seconds < 0 ||
                seconds * 1000 > MaxWaitMs)
                return problem(number, QStringLiteral("a wait is 0 to 3600 seconds"));
            step.waitMs = int(std::lround(seconds * 1000));
        } else {
            // Words no model takes; a folder or a level is checked against the model to run.
            const Asked asked = RequestWords::read(
                words, [this](const QString &player) { return resolve(player); },
                DeviceProfiles::widest(), names());
            if (!asked.error.isEmpty())
                return problem(number, asked.error);
            if (asked.target == Asked::Target::Scene)
                return problem(number, QStringLiteral("a scene cannot run another scene"));
            if (scene.forRooms())
                return problem(number, QStringLiteral("a scene is for this line or for rooms, "
                                                      "not both"));
            step.playerId = asked.target == Asked::Target::AllPlayers ? AllPlayers : asked.playerId;
            step.words = words.mid(1);
        }
        scene.steps << step;
    }
    return {};
}

Installation Installation::parse(QStringView text)
{
    Installation installation;
    if (text.startsWith(QChar(0xFEFF))) {
        installation.m_byteOrderMark = true;
        text = text.mid(1);
    }
    QList<QStringView> lines = text.split(u'\n');
    installation.m_finalNewline = lines.size() > 1 && lines.last().isEmpty();
    if (lines.last().isEmpty())
        lines.removeLast();
    // Lines end as the first one does; in a file of LF, a CR is part of its line.
    installation.m_crlf = !lines.isEmpty() && lines.first().endsWith(u'\r');
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (installation.m_crlf && lines[i].endsWith(u'\r') &&
            (i + 1 < lines.size() || installation.m_finalNewline))
            lines[i].chop(1);
    QList<Piece> &pieces = installation.m_pieces;
    const auto keep = [&pieces](QStringView line) {
        if (pieces.isEmpty() || pieces.last().kind != Piece::Kind::Text)
            pieces.append(Piece());
        pieces.last().lines << line.toString();
    };
    bool playersSeen = false;
    QHash<QString, qsizetype> scenePieces; // by their names' keys
    int scheduleAt = 0;
    QList<QStringView> scheduleLines;
    for (qsizetype at = 0; at < lines.size();) {
        const int number = int(at) + 1;
        const QString line = lines[at].trimmed().toString();
        if (!isHeader(line)) {
            if (!isComment(line))
                installation.m_problems << problem(number, QStringLiteral("outside a section"));
            keep(lines[at++]);
            continue;
        }
        // A section runs to the next header; the comments at its end go with what follows.
        qsizetype end = at + 1;
        while (end < lines.size() && !isHeader(lines[end]))
            ++end;
        qsizetype last = end;
        while (last > at + 1 && isComment(lines[last - 1]))
            --last;
        const QString header = line.mid(1, line.size() - 2).trimmed();
        if (header.startsWith(QLatin1String("scene "), Qt::CaseInsensitive)) {
            Scene scene;
            scene.name = header.mid(6).simplified();
            const QList<QStringView> body = lines.mid(at + 1, last - at - 1);
            QString why = installation.readScene(scene, body, number + 1);
            const bool earlier = installation.scene(scene.name);
            if (why.isEmpty())
                why = installation.setScene(scene);
            Piece piece{Piece::Kind::Scene, {}, -1, scene.name, scene};
            for (qsizetype i = at; i < last; ++i)
                piece.lines << lines[i].toString();
            if (!why.isEmpty()) {
                installation.m_problems << problem(
                    number, QStringLiteral("scene \"%1\" left out: %2").arg(scene.name, why));
                piece.kind = Piece::Kind::Text;
            } else if (earlier) {
                // A later scene of the same name stands for it: the earlier one's lines stay.
                pieces[scenePieces.value(key(scene.name))].kind = Piece::Kind::Text;
            }
            if (piece.kind == Piece::Kind::Text) {
                for (const QString &kept : std::as_const(piece.lines))
                    keep(kept);
            } else {
                scenePieces.insert(key(scene.name), pieces.size());
                pieces.append(piece);
            }
        } else if (header.compare(QLatin1String("players"), Qt::CaseInsensitive) == 0) {
            keep(lines[at]);
            for (qsizetype i = at + 1; i < last; ++i) {
                const QString entry = RequestWords::uncommented(lines[i]).toString();
                if (entry.isEmpty()) {
                    keep(lines[i]);
                    continue;
                }
                const QString given = entry.section(u' ', 0, 0);
                const std::optional<int> id = PlayerCommands::playerId(given);
                const QString why = !id ? QStringLiteral("no player ID \"%1\": 0 to 127")
                                              .arg(PlayerCommands::shown(given))
                                    : !installation.nameOf(*id).isEmpty()
                                        ? QStringLiteral("player %1 is listed twice").arg(*id)
                                        : installation.setPlayer(*id, entry.section(u' ', 1));
                if (!why.isEmpty()) {
                    installation.m_problems << problem(int(i) + 1, why);
                    keep(lines[i]);
                } else {
                    pieces.append({Piece::Kind::Player,
                                   {lines[i].toString()},
                                   *id,
                                   installation.nameOf(*id),
                                   std::nullopt});
                }
            }
            // Players added later go after the last one of the first list.
            if (!std::exchange(playersSeen, true))
                pieces.append({Piece::Kind::NewPlayers, {}, -1, {}, std::nullopt});
        } else if (header.compare(QLatin1String("schedule"), Qt::CaseInsensitive) == 0 &&
                   !scheduleAt) {
            // Kept as written; read once every player and scene is known.
            Piece piece{Piece::Kind::Schedule, {}, -1, {}, std::nullopt};
            for (qsizetype i = at; i < last; ++i)
                piece.lines << lines[i].toString();
            pieces.append(piece);
            scheduleAt = number + 1;
            scheduleLines = lines.mid(at + 1, last - at - 1);
        } else {
            installation.m_problems << problem(
                number,
                header.compare(QLatin1String("schedule"), Qt::CaseInsensitive) == 0
                    ? QStringLiteral("a second [schedule], left out")
                    : QStringLiteral("unknown section \"%1\"").arg(PlayerCommands::shown(header)));
            keep(lines[at]);
            for (qsizetype i = at + 1; i < last; ++i) {
                if (!isComment(lines[i]))
                    installation.m_problems
                        << problem(int(i) + 1, QStringLiteral("outside a section"));
                keep(lines[i]);
            }
        }
        for (qsizetype i = last; i < end; ++i)
            keep(lines[i]);
        at = end;
    }
    if (scheduleAt)
        installation.m_schedule = Schedule::read(
            scheduleLines, scheduleAt,
            [&installation](const QString &words) { return installation.requestRefusal(words); },
            &installation.m_problems);
    return installation;
}

QString Installation::setSchedule(const QString &lines)
{
    QList<QStringView> views;
    const QStringList given = lines.split(u'\n');
    for (const QString &line : given)
        views << QStringView(line);
    QStringList problems;
    const Schedule read = Schedule::read(
        views, 1, [this](const QString &words) { return requestRefusal(words); }, &problems);
    if (!problems.isEmpty())
        return problems.first();
    m_schedule = read;
    QStringList kept = given;
    while (!kept.isEmpty() && kept.last().trimmed().isEmpty())
        kept.removeLast();
    m_scheduleLines = kept;
    for (Piece &piece : m_pieces)
        if (piece.kind == Piece::Kind::Schedule)
            piece.lines = QStringList{piece.lines.value(0)} + kept;
    return {};
}

QString Installation::scheduleText() const
{
    for (const Piece &piece : m_pieces)
        if (piece.kind == Piece::Kind::Schedule)
            return piece.lines.mid(1).join(u'\n');
    return m_scheduleLines.join(u'\n');
}

// A scene's lines as the file writes them, without its header: a player by the name the file
// knows it by so far, else by its ID.
QStringList Installation::sceneLines(const Scene &scene) const
{
    QStringList lines;
    if (!scene.shortcut.isEmpty())
        lines << QStringLiteral("shortcut %1").arg(scene.shortcut);
    for (const Step &step : scene.steps) {
        if (!step.room.isEmpty()) {
            lines << step.room + QStringLiteral(": ") + step.words.join(u' ');
            continue;
        }
        if (step.playerId == Wait) {
            lines << QStringLiteral("wait %1").arg(step.waitMs / 1000.0);
            continue;
        }
        if (step.playerId == AllPlayers) {
            lines << QStringLiteral("all stop");
            continue;
        }
        const QString name = nameOf(step.playerId);
        lines << (name.isEmpty() ? QString::number(step.playerId)
                                 : QString(name).replace(u' ', u'_')) +
                     u' ' + step.words.join(u' ');
    }
    return lines;
}

QString Installation::generated() const
{
    QString text = QStringLiteral(
        "# Tessary: the players on this line, and the scenes that cue them.\n"
        "# A player is an ID and a name. In a scene, each line is a player (name or ID) and\n"
        "# commands in tessary-send's words, or \"wait SECONDS\"; \"_\" stands for a blank.\n"
        "\n[players]\n");
    for (const Player &player : m_players)
        text += QString::number(player.id) + u' ' + player.name + u'\n';
    for (const Scene &scene : m_scenes)
        text +=
            QStringLiteral("\n[scene %1]\n").arg(scene.name) + sceneLines(scene).join(u'\n') +
            (scene.steps.isEmpty() && scene.shortcut.isEmpty() ? QString() : QStringLiteral("\n"));
    if (!m_scheduleLines.isEmpty())
        text += QStringLiteral("\n[schedule]\n") + m_scheduleLines.join(u'\n') + u'\n';
    return text;
}

QString Installation::format() const
{
    if (m_pieces.isEmpty())
        return generated();
    QList<Piece> pieces = m_pieces;
    // Players where there was no list of them: a list before the first scene, which names them.
    const auto hasKind = [&pieces](Piece::Kind kind) {
        return std::any_of(pieces.cbegin(), pieces.cend(),
                           [kind](const Piece &piece) { return piece.kind == kind; });
    };
    if (!hasKind(Piece::Kind::NewPlayers) && !m_players.isEmpty()) {
        const auto firstScene = std::find_if(pieces.begin(), pieces.end(), [](const Piece &piece) {
            return piece.kind == Piece::Kind::Scene;
        });
        const auto at = pieces.insert(
            firstScene, {Piece::Kind::Text, {QStringLiteral("[players]")}, -1, {}, std::nullopt});
        pieces.insert(at + 1, {Piece::Kind::NewPlayers, {QString()}, -1, {}, std::nullopt});
    }
    QSet<int> listed;
    for (const Piece &piece : std::as_const(pieces))
        if (piece.kind == Piece::Kind::Player)
            listed.insert(piece.id);
    // The players as a reader of the file knows them so far: a scene names only those.
    Installation known;
    QSet<QString> scenesWritten;
    QStringList lines;
    for (const Piece &piece : std::as_const(pieces)) {
        switch (piece.kind) {
        case Piece::Kind::Text:
        case Piece::Kind::Schedule:
            lines << piece.lines;
            break;
        case Piece::Kind::Player: {
            const QString name = nameOf(piece.id);
            if (name.isEmpty())
                break;
            lines << (name == piece.name ? piece.lines.first()
                                         : QString::number(piece.id) + u' ' + name);
            known.m_players << Player{piece.id, name};
            known.m_playerIds.insert(key(name), piece.id);
            break;
        }
        case Piece::Kind::NewPlayers:
            for (const Player &player : m_players)
                if (!listed.contains(player.id)) {
                    lines << QString::number(player.id) + u' ' + player.name;
                    known.m_players << player;
                    known.m_playerIds.insert(key(player.name), player.id);
                }
            // A blank line after a list made here.
            lines << piece.lines;
            break;
        case Piece::Kind::Scene: {
            const Scene *now = scene(piece.name);
            if (!now || scenesWritten.contains(key(piece.name)))
                break;
            scenesWritten.insert(key(piece.name));
            const auto same = [](const Scene &a, const Scene &b) {
                const auto stepsEqual = [](const Step &x, const Step &y) {
                    return x.playerId == y.playerId && x.words == y.words && x.waitMs == y.waitMs &&
                           x.room == y.room;
                };
                return a.name == b.name && a.shortcut == b.shortcut &&
                       std::equal(a.steps.cbegin(), a.steps.cend(), b.steps.cbegin(),
                                  b.steps.cend(), stepsEqual);
            };
            // As written while it still reads as the scene it is; else written anew, its
            // comments kept.
            Scene asWritten;
            asWritten.name = piece.scene->name;
            QList<QStringView> body;
            for (qsizetype i = 1; i < piece.lines.size(); ++i)
                body << piece.lines[i];
            if (known.readScene(asWritten, body, 0).isEmpty() && same(asWritten, *now)) {
                lines << piece.lines;
                break;
            }
            lines << (now->name == piece.name ? piece.lines.first()
                                              : QStringLiteral("[scene %1]").arg(now->name));
            for (const QStringView line : std::as_const(body))
                if (isComment(line) && !line.trimmed().isEmpty())
                    lines << line.toString();
            lines << known.sceneLines(*now);
            break;
        }
        }
    }
    for (const Scene &scene : m_scenes) {
        if (scenesWritten.contains(key(scene.name)))
            continue;
        lines << QString() << QStringLiteral("[scene %1]").arg(scene.name)
              << known.sceneLines(scene);
    }
    if (!hasKind(Piece::Kind::Schedule) && !m_scheduleLines.isEmpty())
        lines << QString() << QStringLiteral("[schedule]") << m_scheduleLines;
    QString text = m_byteOrderMark ? QString(QChar(0xFEFF)) : QString();
    text += lines.join(u'\n');
    if (m_finalNewline)
        text += u'\n';
    return text;
}
