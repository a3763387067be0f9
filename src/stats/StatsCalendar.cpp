#include "stats/StatsCalendar.h"

#include <QDateTime>
#include <QLocale>

#include <algorithm>

namespace {

constexpr qint64 kSecondsPerDay = 86400;
// How long an offset is used before the zone is asked again.
constexpr qint64 kOffsetRecheckSeconds = 60;

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

} // namespace

StatsCalendar::WeekRule StatsCalendar::WeekRule::system()
{
    const Qt::DayOfWeek first = QLocale::system().firstDayOfWeek();
    return {first, first == Qt::Monday ? 4 : 1};
}

StatsCalendar::StatsCalendar() : StatsCalendar(Clock(), QTimeZone(), WeekRule::system())
{}

StatsCalendar::StatsCalendar(Clock clock, const QTimeZone& zone, WeekRule rule)
    : clock_(std::move(clock)), rule_(rule)
{
    if (zone.isValid()) zone_ = zone;
    rule_.minimalDaysInFirstWeek = std::clamp(rule_.minimalDaysInFirstWeek, 1, 7);
}

qint64 StatsCalendar::now() const
{
    return clock_ ? clock_() : QDateTime::currentSecsSinceEpoch();
}

QTimeZone StatsCalendar::timeZone() const
{
    return zone_ ? *zone_ : QTimeZone::systemTimeZone();
}

int StatsCalendar::offsetAt(qint64 t) const
{
    return timeZone().offsetFromUtc(QDateTime::fromSecsSinceEpoch(t, Qt::UTC));
}

StatsCalendar::OffsetSpan StatsCalendar::offsetSpanAt(qint64 t) const
{
    const QTimeZone zone = timeZone();
    const QDateTime at = QDateTime::fromSecsSinceEpoch(t, Qt::UTC);
    OffsetSpan span;
    span.offset = zone.offsetFromUtc(at);
    span.validFrom = t;
    span.validUntil = t + kOffsetRecheckSeconds;
    if (zone.hasTransitions()) {
        const QTimeZone::OffsetData next = zone.nextTransition(at);
        if (next.atUtc.isValid()) span.validUntil = std::min(span.validUntil, next.atUtc.toSecsSinceEpoch());
    }
    span.validUntil = std::max(span.validUntil, t + 1);
    return span;
}

qint64 StatsCalendar::dayNumberFor(qint64 t, int offset)
{
    return floorDiv(t + offset, kSecondsPerDay);
}

// Days from civil and back, after Howard Hinnant's chrono algorithms.
qint64 StatsCalendar::dayNumberForDate(int year, int month, int day)
{
    const qint64 y = qint64(year) - (month <= 2 ? 1 : 0);
    const qint64 era = floorDiv(y, 400);
    const qint64 yoe = y - era * 400;
    const qint64 mp = (month + 9) % 12; // March is 0
    const qint64 doy = (153 * mp + 2) / 5 + day - 1;
    const qint64 doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void StatsCalendar::dateForDayNumber(qint64 dayNumber, int& year, int& month, int& day)
{
    const qint64 z = dayNumber + 719468;
    const qint64 era = floorDiv(z, 146097);
    const qint64 doe = z - era * 146097;
    const qint64 yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const qint64 doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const qint64 mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

qint64 StatsCalendar::firstDayOfWeek(qint64 dayNumber) const
{
    // Day 0, 1 January 1970, was a Thursday.
    const qint64 weekday = floorMod(dayNumber + 3, 7) + 1;
    return dayNumber - floorMod(weekday - int(rule_.firstWeekday), 7);
}

qint64 StatsCalendar::firstDayOfWeekOne(int year) const
{
    const qint64 jan1 = dayNumberForDate(year, 1, 1);
    const qint64 start = firstDayOfWeek(jan1);
    const qint64 daysInJanuary = 7 - (jan1 - start);
    return daysInJanuary >= rule_.minimalDaysInFirstWeek ? start : start + 7;
}

StatsDayComponents StatsCalendar::componentsForDay(qint64 dayNumber) const
{
    StatsDayComponents c;
    dateForDayNumber(dayNumber, c.year, c.month, c.day);
    c.monthName = monthName(c.month);
    c.weekday = int(floorMod(dayNumber + 3, 7) + 1);

    c.weekYear = c.year;
    if (dayNumber < firstDayOfWeekOne(c.year))
        c.weekYear = c.year - 1;
    else if (dayNumber >= firstDayOfWeekOne(c.year + 1))
        c.weekYear = c.year + 1;
    const qint64 weekOne = firstDayOfWeekOne(c.weekYear);
    c.weeknr = int((firstDayOfWeek(dayNumber) - weekOne) / 7 + 1);
    c.weeksinyear = int((firstDayOfWeekOne(c.weekYear + 1) - weekOne) / 7);
    return c;
}

QString StatsCalendar::monthName(int month)
{
    static const char* const names[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (month < 1 || month > 12) return QString();
    return QString::fromLatin1(names[month - 1]);
}
