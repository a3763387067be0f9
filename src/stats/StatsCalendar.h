#pragma once

#include <QString>
#include <QTimeZone>

#include <functional>
#include <optional>

// The calendar fields of one local day.
struct StatsDayComponents
{
    int year = 1970;
    int month = 1;     // 1 to 12
    QString monthName; // "Jan" to "Dec"
    int day = 1;       // 1 to 31
    int weekday = 4;   // Qt::DayOfWeek: 1 Monday to 7 Sunday
    // The week of the year and the year it is counted in; the last days of
    // December may lie in week 1 of the next year, the first days of
    // January in the last week of the year before.
    int weekYear = 1970;
    int weeknr = 1;
    int weeksinyear = 52; // weeks of `weekYear`
};

// Local day numbers and their calendar fields for the statistics.
//
// A local day number is floor((t + the time zone's offset from UTC at t) /
// 86400) for a moment t in seconds since 1970, so day × 86400 read in UTC is
// that local date. The offset is taken at the moment itself, never "now":
// dates are turned into day numbers by calendar arithmetic, so a date in
// summer time gets the same number in winter.
//
// The clock, the time zone and the week rule are injected so that midnight,
// a daylight-saving day and other calendars can be tested; the default is the
// system's clock and zone (followed when the system's zone changes) and the
// week rule of the system locale. Copies are independent; the object itself
// is not locked (the statistics engine calls it under its own lock).
class StatsCalendar
{
public:
    // Whole seconds since 1970.
    using Clock = std::function<qint64()>;

    // How weeks are counted: the day a week starts on, and how many days of
    // it must fall into January for it to be week 1 (ISO: Monday and 4;
    // the United States: Sunday and 1).
    struct WeekRule
    {
        Qt::DayOfWeek firstWeekday = Qt::Monday;
        int minimalDaysInFirstWeek = 4;

        static WeekRule iso() { return {Qt::Monday, 4}; }
        // The system locale's first weekday; four days for a week that starts
        // on Monday, as most such locales count, else one.
        static WeekRule system();
    };

    // One offset from UTC and the moments [validFrom, validUntil) for which
    // the engine may use it without asking the time zone again.
    struct OffsetSpan
    {
        int offset = 0;
        qint64 validFrom = 0;
        qint64 validUntil = 0;
    };

    StatsCalendar();
    StatsCalendar(Clock clock, const QTimeZone& zone, WeekRule rule = WeekRule::iso());

    qint64 now() const;
    const WeekRule& weekRule() const { return rule_; }
    QTimeZone timeZone() const;

    // Offset from UTC in seconds at the moment `t`.
    int offsetAt(qint64 t) const;
    // The offset at `t`, valid until the zone's next transition and for at
    // most a minute (so a change of the system's zone is seen).
    OffsetSpan offsetSpanAt(qint64 t) const;

    qint64 dayNumberAt(qint64 t) const { return dayNumberFor(t, offsetAt(t)); }
    static qint64 dayNumberFor(qint64 t, int offset);
    // The day number of a calendar date (proleptic Gregorian).
    static qint64 dayNumberForDate(int year, int month, int day);
    static void dateForDayNumber(qint64 dayNumber, int& year, int& month, int& day);

    StatsDayComponents componentsForDay(qint64 dayNumber) const;
    // The day number on which the week of `dayNumber` starts.
    qint64 firstDayOfWeek(qint64 dayNumber) const;

    // "Jan" to "Dec"; empty outside 1 to 12.
    static QString monthName(int month);

private:
    qint64 firstDayOfWeekOne(int year) const;

    Clock clock_;
    std::optional<QTimeZone> zone_; // none: the system's zone at each look-up
    WeekRule rule_;
};
