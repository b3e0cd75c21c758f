#include "model/schedule.h"

#include "model/playercommand.h"
#include "model/requestwords.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const char *const DayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const Nths[] = {"first", "second", "third", "fourth"};

// Qt's day of the week, 1 for Monday, for an English day's short name.
int weekday(QStringView word)
{
    for (int day = 0; day < 7; ++day)
        if (word.compare(QLatin1String(DayNames[day]), Qt::CaseInsensitive) == 0)
            return day + 1;
    return 0;
}

QDate isoDate(QStringView word)
{
    static const QRegularExpression form(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}$"));
    return form.match(word).hasMatch() ? QDate::fromString(word.toString(), Qt::ISODate) : QDate();
}

// The days the first words name, and how many words they take; nothing when they name none.
std::optional<Schedule::Days> readDays(const QStringList &words, int *taken)
{
    using Kind = Schedule::Days::Kind;
    Schedule::Days days;
    const QString first = words.value(0);
    *taken = 1;
    if (first.compare(QLatin1String("daily"), Qt::CaseInsensitive) == 0)
        return days;
    for (int nth = 0; nth <= 4; ++nth) {
        const QLatin1String name(nth < 4 ? Nths[nth] : "last");
        if (first.compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const int day = weekday(words.value(1));
        if (!day)
            return std::nullopt;
        days.kind = Kind::NthWeekday;
        days.nth = nth < 4 ? nth + 1 : -1;
        days.weekdays = 1u << (day - 1);
        *taken = 2;
        return days;
    }
    if (const qsizetype dots = first.indexOf(QLatin1String("..")); dots > 0) {
        days.kind = Kind::Dates;
        days.from = isoDate(QStringView(first).first(dots));
        days.to = isoDate(QStringView(first).sliced(dots + 2));
        return days.from.isValid() && days.to.isValid() && days.from <= days.to
                   ? std::optional(days)
                   : std::nullopt;
    }
    if (const QDate date = isoDate(first); date.isValid()) {
        days.kind = Kind::Dates;
        days.from = days.to = date;
        return days;
    }
    // Days and runs of days, a run going on past Sunday if it is written so (Fri-Mon).
    days.kind = Kind::Weekdays;
    for (const QString &part : first.split(u',')) {
        const QStringList ends = part.split(u'-');
        const int from = weekday(ends.value(0));
        const int to = ends.size() == 2 ? weekday(ends[1]) : from;
        if (!from || !to || ends.size() > 2)
            return std::nullopt;
        for (int day = from;; day = day % 7 + 1) {
            days.weekdays |= 1u << (day - 1);
            if (day == to)
                break;
        }
    }
    return days;
}

std::optional<QTime> readTime(QStringView word)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2}))?$"));
    const QRegularExpressionMatch match = form.match(word);
    if (!match.hasMatch())
        return std::nullopt;
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    return time.isValid() ? std::optional(time) : std::nullopt;
}

QString timeText(QTime time)
{
    return time.toString(time.second() ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm"));
}

} // namespace

bool Schedule::Days::matches(QDate day) const
{
    switch (kind) {
    case Kind::Daily:
        return true;
    case Kind::Weekdays:
        return weekdays & (1u << (day.dayOfWeek() - 1));
    case Kind::NthWeekday:
        if (!(weekdays & (1u << (day.dayOfWeek() - 1))))
            return false;
        return nth > 0 ? (day.day() - 1) / 7 + 1 == nth : day.addDays(7).month() != day.month();
    case Kind::Dates:
        return day >= from && day <= to;
    }
    return false;
}

QString Schedule::Due::label() const
{
    return QLatin1String(DayNames[day.dayOfWeek() - 1]) + u' ' + timeText(time);
}

QString Schedule::Due::key(const Schedule &schedule) const
{
    const Cue &asWritten = schedule.m_cues[cue];
    return day.toString(Qt::ISODate) + u' ' + timeText(asWritten.time) + u' ' + asWritten.words;
}

Schedule Schedule::read(const QList<QStringView> &lines, int firstLine,
                        const std::function<QString(const QString &)> &check, QStringList *problems)
{
    Schedule schedule;
    const QString daysHelp = QStringLiteral(
        "days are daily, Mon-Fri, Sat,Sun, first Thu, 2026-12-25 or 2026-07-01..2026-08-31");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = firstLine + int(i);
        const QStringView line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const auto refuse = [&](const QString &why) {
            *problems << QStringLiteral("line %1: %2").arg(number).arg(why);
        };
        if (schedule.m_cues.size() + schedule.m_exceptions.size() >= MaxLines) {
            refuse(QStringLiteral("a schedule has at most %1 lines").arg(MaxLines));
            continue;
        }
        if (const qsizetype equals = line.indexOf(u'='); equals > 0) {
            const QString name = line.first(equals).trimmed().toString();
            const QString value = line.sliced(equals + 1).trimmed().toString();
            bool isNumber = false;
            const int seconds = value.toInt(&isNumber);
            if (name == QLatin1String("timezone")) {
                const QTimeZone zone(value.toLatin1());
                if (zone.isValid())
                    schedule.m_zone = zone;
                else
                    refuse(QStringLiteral("no time zone \"%1\": one as Europe/Paris")
                               .arg(PlayerCommands::shown(value)));
            } else if (name == QLatin1String("tolerance")) {
                if (isNumber && seconds >= 0 && seconds <= 3600)
                    schedule.m_toleranceS = seconds;
                else
                    refuse(QStringLiteral("a tolerance is 0 to 3600 seconds"));
            } else {
                refuse(QStringLiteral("unknown setting \"%1\": timezone or tolerance")
                           .arg(PlayerCommands::shown(name)));
            }
            continue;
        }
        QStringList words = RequestWords::split(line);
        const bool closed =
            words.first().compare(QLatin1String("closed"), Qt::CaseInsensitive) == 0;
        if (closed)
            words.removeFirst();
        int taken = 0;
        const std::optional<Days> days = readDays(words, &taken);
        if (!days) {
            refuse(QStringLiteral("no days \"%1\": %2")
                       .arg(PlayerCommands::shown(words.value(0)), daysHelp));
            continue;
        }
        words = words.mid(taken);
        if (closed) {
            if (words.isEmpty())
                schedule.m_exceptions << Exception{number, *days, std::nullopt};
            else
                refuse(QStringLiteral("\"closed\" takes days alone: closed Mon"));
            continue;
        }
        const bool until = words.value(0).compare(QLatin1String("until"), Qt::CaseInsensitive) == 0;
        const std::optional<QTime> time = readTime(words.value(until ? 1 : 0));
        if (!time) {
            refuse(QStringLiteral("no time \"%1\": 10:00 or 17:59:30")
                       .arg(PlayerCommands::shown(words.value(until ? 1 : 0))));
            continue;
        }
        if (until) {
            if (words.size() == 2)
                schedule.m_exceptions << Exception{number, *days, time};
            else
                refuse(QStringLiteral("\"until\" takes a time alone: 2026-12-31 until 16:00"));
            continue;
        }
        const QString request = words.mid(1).join(u' ');
        if (const QString why =
                request.isEmpty() ? QStringLiteral("nothing to send") : check(request);
            !why.isEmpty()) {
            refuse(why);
            continue;
        }
        schedule.m_cues << Cue{number, *days, *time, request};
    }
    return schedule;
}

QList<Schedule::Due> Schedule::on(QDate day) const
{
    std::optional<QTime> until;
    for (const Exception &exception : m_exceptions) {
        if (!exception.days.matches(day))
            continue;
        if (!exception.until)
            return {};
        until = exception.until; // the last written wins
    }
    QList<Due> dues;
    for (qsizetype i = 0; i < m_cues.size(); ++i)
        if (m_cues[i].days.matches(day))
            dues << Due{day, m_cues[i].time, {}, int(i)};
    std::stable_sort(dues.begin(), dues.end(),
                     [](const Due &a, const Due &b) { return a.time < b.time; });
    // The day's closing: the last cue of the weekly rules, when it is not the day's first.
    const auto weekly = [this](const Due &due) {
        return m_cues[due.cue].days.kind == Days::Kind::Daily ||
               m_cues[due.cue].days.kind == Days::Kind::Weekdays;
    };
    const auto closing = std::find_if(dues.rbegin(), dues.rend(), weekly);
    if (until && closing != dues.rend() && closing != std::prev(dues.rend())) {
        Due moved = *closing;
        dues.erase(std::next(closing).base());
        dues.removeIf([&until](const Due &due) { return due.time > *until; });
        moved.time = *until;
        dues.insert(std::upper_bound(dues.begin(), dues.end(), moved,
                                     [](const Due &a, const Due &b) { return a.time < b.time; }),
                    moved);
    }
    for (Due &due : dues)
        due.at = instant(day, due.time, m_zone);
    return dues;
}

QList<Schedule::Due> Schedule::between(const QDateTime &from, const QDateTime &to) const
{
    QList<Due> dues;
    if (m_cues.isEmpty() || !from.isValid() || !to.isValid() || to <= from)
        return dues;
    // A day either side: the zone's day of an instant is not UTC's.
    const QDate first = from.toTimeZone(m_zone).date().addDays(-1);
    const QDate last = std::min(to.toTimeZone(m_zone).date().addDays(1), first.addDays(400));
    for (QDate day = first; day <= last; day = day.addDays(1))
        for (const Due &due : on(day))
            if (due.at > from && due.at <= to)
                dues << due;
    std::stable_sort(dues.begin(), dues.end(),
                     [](const Due &a, const Due &b) { return a.at < b.at; });
    return dues;
}

QStringList Schedule::listing(const QDateTime &from, int days) const
{
    QStringList lines;
    for (const Due &due : between(from, from.addDays(days))) {
        const QTime runs = due.at.toTimeZone(m_zone).time();
        lines << QStringLiteral("%1 %2%3%4  %5")
                     .arg(
                         due.label().left(3), due.day.toString(Qt::ISODate), due.label().mid(3),
                         runs == due.time
                             ? QString()
                             : QStringLiteral(" (at %1, as the clocks change)").arg(timeText(runs)))
                     .arg(m_cues[due.cue].words);
    }
    return lines;
}

QDateTime Schedule::instant(QDate day, QTime time, const QTimeZone &zone)
{
    const QDateTime naive(day, time, Qt::UTC);
    const int before = zone.offsetFromUtc(naive.addSecs(-86400));
    const int after = zone.offsetFromUtc(naive.addSecs(86400));
    std::optional<QDateTime> first;
    for (const int offset : {before, zone.offsetFromUtc(naive), after}) {
        const QDateTime at = naive.addSecs(-offset);
        if (zone.offsetFromUtc(at) == offset && (!first || at < *first))
            first = at;
    }
    if (first)
        return *first;
    // In the hour the clocks skip: the moment they change, found to the second.
    qint64 low = naive.toSecsSinceEpoch() - after;
    qint64 high = naive.toSecsSinceEpoch() - before;
    while (high - low > 1) {
        const qint64 middle = low + (high - low) / 2;
        if (zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(middle, Qt::UTC)) == after)
            high = middle;
        else
            low = middle;
    }
    return QDateTime::fromSecsSinceEpoch(high, Qt::UTC);
}
