#include "model/schedule.h"

#include "model/playercommand.h"
#include "model/requestwords.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

const char *const DayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char *const FullDayNames[] = {"Monday", "Tuesday",  "Wednesday", "Thursday",
                                    "Friday", "Saturday", "Sunday"};
const char *const MonthNames[] = {"January",   "February", "March",    "April",
                                  "May",       "June",     "July",     "August",
                                  "September", "October",  "November", "December"};
const char *const Nths[] = {"first", "second", "third", "fourth"};
// The year a day of every year is written in: a leap year, so that 02-29 is one.
constexpr int AnyYear = 2000;
constexpr unsigned MondayToFriday = 0x1f, SaturdayAndSunday = 0x60;

bool is(QStringView word, const char *known)
{
    return word.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
}

// Qt's day of the week, 1 for Monday, for an English day's name, short or full.
int weekday(QStringView word)
{
    for (int day = 0; day < 7; ++day)
        if (is(word, DayNames[day]) || is(word, FullDayNames[day]))
            return day + 1;
    return 0;
}

// A month, 1 for January, for its English name, full or its first three letters.
int month(QStringView word)
{
    for (int month = 0; month < 12; ++month)
        if (is(word, MonthNames[month]) ||
            (word.size() == 3 &&
             QLatin1String(MonthNames[month]).startsWith(word, Qt::CaseInsensitive)))
            return month + 1;
    return 0;
}

// A date, or a day of every year (12-25, 25 Dec, Dec 25): what it is, or nothing.
std::optional<Schedule::Days::Run> date(QStringView text)
{
    static const QRegularExpression iso(QStringLiteral("^(\\d{4}-)?(\\d{2})-(\\d{2})$"));
    static const QRegularExpression named(
        QStringLiteral("^(?:(\\d{1,2}) ([a-z]+)|([a-z]+) (\\d{1,2}))$"),
        QRegularExpression::CaseInsensitiveOption);
    Schedule::Days::Run run;
    if (const QRegularExpressionMatch match = iso.match(text); match.hasMatch()) {
        run.yearly = !match.hasCaptured(1);
        run.from = run.yearly ? QDate(AnyYear, match.captured(2).toInt(), match.captured(3).toInt())
                              : QDate::fromString(text.toString(), Qt::ISODate);
    } else if (const QRegularExpressionMatch match = named.match(text); match.hasMatch()) {
        run.yearly = true;
        const bool dayFirst = match.hasCaptured(1);
        run.from = QDate(AnyYear, month(match.captured(dayFirst ? 2 : 3)),
                         match.captured(dayFirst ? 1 : 4).toInt());
    }
    run.to = run.from;
    return run.from.isValid() ? std::optional(run) : std::nullopt;
}

// The days a line's first words name, or the part of them at fault.
std::optional<Schedule::Days> readDays(const QStringList &words, QString *fault)
{
    using Kind = Schedule::Days::Kind;
    Schedule::Days days;
    // As a word processor writes a run: with an en dash or an em dash.
    const QString text = words.join(u' ').replace(QChar(0x2013), u'-').replace(QChar(0x2014), u'-');
    if (is(text, "daily") || is(text, "every day") || is(text, "everyday"))
        return days;
    for (int nth = 0; nth <= 4 && words.size() == 2; ++nth) {
        if (!is(words[0], nth < 4 ? Nths[nth] : "last"))
            continue;
        const int day = weekday(words[1]);
        *fault = words[1];
        if (!day)
            return std::nullopt;
        days.kind = Kind::NthWeekday;
        days.nth = nth < 4 ? nth + 1 : -1;
        days.weekdays = 1u << (day - 1);
        return days;
    }
    // A list of days of the week and runs of them, a run going on past Sunday if it is written
    // so (Fri-Mon); or a list of dates and runs of dates.
    for (const QString &item : text.split(u',')) {
        const QString part = item.simplified();
        *fault = part;
        const QStringList ends = part.split(u'-');
        const int from = weekday(ends.first()), to = weekday(ends.last());
        if (is(part, "weekdays") || is(part, "weekends")) {
            days.weekdays |= is(part, "weekdays") ? MondayToFriday : SaturdayAndSunday;
        } else if (from && to && ends.size() <= 2) {
            for (int day = from;; day = day % 7 + 1) {
                days.weekdays |= 1u << (day - 1);
                if (day == to)
                    break;
            }
        } else {
            const qsizetype dots = part.indexOf(QLatin1String(".."));
            const auto first = date(dots < 0 ? QStringView(part) : QStringView(part).first(dots));
            const auto last = dots < 0 ? first : date(QStringView(part).sliced(dots + 2).trimmed());
            if (!first || !last || first->yearly != last->yearly ||
                (!first->yearly && first->from > last->from))
                return std::nullopt;
            days.dates << Schedule::Days::Run{first->from, last->from, first->yearly};
        }
    }
    if (days.weekdays && !days.dates.isEmpty()) {
        *fault = text;
        return std::nullopt;
    }
    days.kind = days.dates.isEmpty() ? Kind::Weekdays : Kind::Dates;
    return days;
}

// Whether a word is written as a time, one that can be read or not.
bool looksLikeTime(QStringView word)
{
    static const QRegularExpression form(QStringLiteral("^\\d{1,2}(:\\d{2}){0,2}(am|pm)?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    return word.contains(u':') || word.endsWith(u'm', Qt::CaseInsensitive)
               ? form.match(word).hasMatch()
               : false;
}

std::optional<QTime> readTime(QStringView word)
{
    static const QRegularExpression form(
        QStringLiteral("^(\\d{1,2})(?::(\\d{2}))?(?::(\\d{2}))?(am|pm)?$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(word);
    const bool twelve = match.hasCaptured(4);
    if (!match.hasMatch() || (!twelve && !match.hasCaptured(2)))
        return std::nullopt;
    int hour = match.captured(1).toInt();
    if (twelve) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 +
               (match.captured(4).compare(QLatin1String("pm"), Qt::CaseInsensitive) == 0 ? 12 : 0);
    }
    const QTime time(hour, match.captured(2).toInt(), match.captured(3).toInt());
    return time.isValid() ? std::optional(time) : std::nullopt;
}

// A zone the database has, by its name or by its city alone (Paris for Europe/Paris).
std::optional<QTimeZone> zoneNamed(const QString &name, QString *nearest)
{
    if (QTimeZone::isTimeZoneIdAvailable(name.toLatin1()))
        return QTimeZone(name.toLatin1());
    for (const QByteArray &id : QTimeZone::availableTimeZoneIds())
        if (QString::fromLatin1(id).section(u'/', -1).compare(QString(name).replace(u' ', u'_'),
                                                              Qt::CaseInsensitive) == 0)
            *nearest = QString::fromLatin1(id);
    return std::nullopt;
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
        return std::any_of(dates.cbegin(), dates.cend(), [day](const Run &run) {
            if (!run.yearly)
                return day >= run.from && day <= run.to;
            const QDate asWritten(AnyYear, day.month(), day.day());
            return run.from <= run.to ? asWritten >= run.from && asWritten <= run.to
                                      : asWritten >= run.from || asWritten <= run.to;
        });
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
    const QString daysHelp =
        QStringLiteral("days are daily, Mon-Fri, Sat,Sun, weekdays, first Thu, 12-25, 25 Dec, "
                       "2026-12-25 or 2026-07-01..2026-08-31");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int number = firstLine + int(i);
        const QStringView line = RequestWords::uncommented(lines[i]);
        if (line.isEmpty())
            continue;
        const auto refuse = [&](const QString &why) {
            *problems << QStringLiteral("line %1: %2").arg(number).arg(why);
            ++schedule.m_leftOut;
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
                QString nearest;
                if (const std::optional<QTimeZone> zone = zoneNamed(value, &nearest))
                    schedule.m_zone = *zone;
                else
                    refuse(QStringLiteral("no time zone \"%1\": %2")
                               .arg(PlayerCommands::shown(value),
                                    nearest.isEmpty() ? QStringLiteral("one as Europe/Paris")
                                                      : nearest + u'?'));
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
        const bool closed = is(words.first(), "closed");
        if (closed)
            words.removeFirst();
        // The days are the words before the time, or before "until"; a closure's, all of them.
        // Where no time is written, the longest run of first words that names days, and the
        // word after it is the time at fault.
        QString fault;
        qsizetype end = std::find_if(words.cbegin(), words.cend(),
                                     [](const QString &word) {
                                         return looksLikeTime(word) || is(word, "until");
                                     }) -
                        words.cbegin();
        if (end == words.size() && !closed)
            while (end > 1 && (end > 6 || !readDays(words.first(end), &fault)))
                --end;
        const std::optional<Days> days =
            end ? readDays(words.first(end), &fault) : std::optional<Days>();
        if (!days) {
            refuse(QStringLiteral("no days \"%1\": %2")
                       .arg(PlayerCommands::shown(end ? fault : words.value(0)), daysHelp));
            continue;
        }
        words = words.mid(end);
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
            refuse(QStringLiteral("no time \"%1\": 10:00, 17:59:30 or 6pm")
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

bool Schedule::closedOn(QDate day) const
{
    return std::any_of(m_exceptions.cbegin(), m_exceptions.cend(),
                       [day](const Exception &exception) {
                           return !exception.until && exception.days.matches(day);
                       });
}

QStringList Schedule::listing(const QDateTime &from, int days) const
{
    QStringList lines;
    const QList<Due> dues = between(from, from.addDays(days));
    auto due = dues.cbegin();
    // Day by day, a closed day said as closed rather than left a gap.
    const QDate last = from.addDays(days).toTimeZone(m_zone).date();
    for (QDate day = from.toTimeZone(m_zone).date(); day <= last; day = day.addDays(1)) {
        if (day < last && closedOn(day))
            lines << QStringLiteral("%1 %2  closed")
                         .arg(QLatin1String(DayNames[day.dayOfWeek() - 1]),
                              day.toString(Qt::ISODate));
        for (; due != dues.cend() && due->day <= day; ++due) {
            const QTime runs = due->at.toTimeZone(m_zone).time();
            lines << QStringLiteral("%1 %2%3%4  %5")
                         .arg(due->label().left(3), due->day.toString(Qt::ISODate),
                              due->label().mid(3),
                              runs == due->time ? QString()
                                                : QStringLiteral(" (at %1, as the clocks change)")
                                                      .arg(timeText(runs)))
                         .arg(m_cues[due->cue].words);
        }
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
