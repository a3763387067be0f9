#include "stats/StatsCalendar.h"
#include "stats/StatsUsageController.h"

#include "support/ManualClock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimeZone>

namespace {

qint64 utc(const char* iso)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
    t.setTimeSpec(Qt::UTC);
    return t.toSecsSinceEpoch();
}

qint64 dateDay(int y, int m, int d)
{
    return StatsCalendar::dayNumberForDate(y, m, d);
}

} // namespace

TEST(StatsCalendar, DayNumbersOfDatesAndBack)
{
    struct Case
    {
        int y, m, d;
        qint64 day;
    };
    const Case cases[] = {
        {1970, 1, 1, 0},      {1969, 12, 31, -1},   {2000, 3, 1, 11017}, {2024, 1, 1, 19723},
        {2024, 1, 8, 19730},  {2024, 2, 29, 19782}, {2024, 3, 5, 19787}, {2024, 7, 1, 19905},
        {1900, 3, 1, -25508}, {2100, 2, 28, 47540},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StatsCalendar::dayNumberForDate(c.y, c.m, c.d), c.day) << c.y << "-" << c.m << "-" << c.d;
        int y = 0, m = 0, d = 0;
        StatsCalendar::dateForDayNumber(c.day, y, m, d);
        EXPECT_EQ(std::tuple(y, m, d), std::tuple(c.y, c.m, c.d)) << c.day;
    }
    // Every day of four centuries goes there and back.
    for (qint64 day = dateDay(1900, 1, 1); day <= dateDay(2300, 1, 1); ++day) {
        int y = 0, m = 0, d = 0;
        StatsCalendar::dateForDayNumber(day, y, m, d);
        ASSERT_EQ(StatsCalendar::dayNumberForDate(y, m, d), day);
        ASSERT_EQ(QDate(y, m, d), QDate(1970, 1, 1).addDays(day));
    }
}

// The local day of a moment follows the zone's offset at that moment, also on
// the 23- and 25-hour days, east and west of UTC.
struct LocalDayCase
{
    const char* zone;
    const char* utcTime;
    int y, m, d;
};

const LocalDayCase kLocalDays[] = {
    {"Europe/Berlin", "2024-03-30T22:59:59", 2024, 3, 30}, // 23:59:59 CET
    {"Europe/Berlin", "2024-03-30T23:00:00", 2024, 3, 31}, // midnight; the UTC date is still the 30th
    {"Europe/Berlin", "2024-03-30T23:30:00", 2024, 3, 31}, // 00:30 local
    {"Europe/Berlin", "2024-03-31T00:59:59", 2024, 3, 31}, // 01:59:59 CET
    {"Europe/Berlin", "2024-03-31T01:00:00", 2024, 3, 31}, // 03:00 CEST
    {"Europe/Berlin", "2024-03-31T21:59:59", 2024, 3, 31}, // 23:59:59 CEST: a 23-hour day
    {"Europe/Berlin", "2024-03-31T22:00:00", 2024, 4, 1},
    {"Europe/Berlin", "2024-10-26T21:59:59", 2024, 10, 26},
    {"Europe/Berlin", "2024-10-26T22:00:00", 2024, 10, 27},
    {"Europe/Berlin", "2024-10-27T01:30:00", 2024, 10, 27}, // 02:30 CET, the second time
    {"Europe/Berlin", "2024-10-27T22:59:59", 2024, 10, 27}, // 23:59:59 CET: a 25-hour day
    {"Europe/Berlin", "2024-10-27T23:00:00", 2024, 10, 28},
    {"America/New_York", "2024-03-10T04:59:59", 2024, 3, 9},
    {"America/New_York", "2024-03-10T05:00:00", 2024, 3, 10},
    {"America/New_York", "2024-03-11T03:59:59", 2024, 3, 10},
    {"America/New_York", "2024-03-11T04:00:00", 2024, 3, 11},
    {"Australia/Sydney", "2024-01-14T13:30:00", 2024, 1, 15}, // 00:30 AEDT
    {"Australia/Sydney", "2024-04-06T13:59:59", 2024, 4, 7},
    {"Australia/Sydney", "2024-04-07T13:59:59", 2024, 4, 7}, // 23:59:59 AEST: a 25-hour day
    {"Australia/Sydney", "2024-04-07T14:00:00", 2024, 4, 8},
    {"UTC", "2024-03-05T23:59:59", 2024, 3, 5},
    {"UTC", "2024-03-06T00:00:00", 2024, 3, 6},
};

TEST(StatsCalendar, LocalDayOfAMoment)
{
    for (const LocalDayCase& c : kLocalDays) {
        const StatsCalendar calendar({}, QTimeZone(QByteArray(c.zone)));
        EXPECT_EQ(calendar.dayNumberAt(utc(c.utcTime)), dateDay(c.y, c.m, c.d)) << c.zone << " " << c.utcTime;
    }
}

// The engine keeps the offset between look-ups; its current day must still
// change exactly at each local midnight, with the clock running forwards or
// set back.
TEST(StatsCalendar, TheEnginesCurrentDayFollowsTheZone)
{
    TempHome home;
    for (const char* zoneName : {"Europe/Berlin", "America/New_York", "Australia/Sydney"}) {
        ManualClock clock;
        StatsUsageController engine(StatsCalendar(clock.clock(), QTimeZone(QByteArray(zoneName))));
        QList<const LocalDayCase*> cases;
        for (const LocalDayCase& c : kLocalDays) {
            if (qstrcmp(c.zone, zoneName) == 0) cases.append(&c);
        }
        for (int pass = 0; pass < 2; ++pass) {
            for (const LocalDayCase* c : cases) {
                clock.set(utc(c->utcTime) - 30);
                engine.getCurrentDay();
                clock.set(utc(c->utcTime));
                EXPECT_EQ(engine.getCurrentDay(), dateDay(c->y, c->m, c->d)) << zoneName << " " << c->utcTime;
            }
            std::reverse(cases.begin(), cases.end());
        }
    }
}

TEST(StatsCalendar, AnOffsetIsUsedNoLongerThanUntilTheNextTransition)
{
    const StatsCalendar berlin({}, QTimeZone(QByteArray("Europe/Berlin")));
    const StatsCalendar::OffsetSpan before = berlin.offsetSpanAt(utc("2024-03-31T00:59:30"));
    EXPECT_EQ(before.offset, 3600);
    EXPECT_EQ(before.validUntil, utc("2024-03-31T01:00:00"));
    const StatsCalendar::OffsetSpan after = berlin.offsetSpanAt(utc("2024-03-31T01:00:00"));
    EXPECT_EQ(after.offset, 7200);
    EXPECT_EQ(after.validUntil, utc("2024-03-31T01:01:00"));
}

TEST(StatsCalendar, CalendarFieldsAndWeeks)
{
    struct Case
    {
        StatsCalendar::WeekRule rule;
        int y, m, d;
        const char* monthName;
        int weekday, weekYear, weeknr, weeksinyear;
    };
    const StatsCalendar::WeekRule iso = StatsCalendar::WeekRule::iso();
    const StatsCalendar::WeekRule us{Qt::Sunday, 1};
    const Case cases[] = {
        {iso, 1970, 1, 1, "Jan", 4, 1970, 1, 53},   {iso, 2024, 3, 5, "Mar", 2, 2024, 10, 52},
        {iso, 2024, 3, 11, "Mar", 1, 2024, 11, 52}, {iso, 2024, 12, 29, "Dec", 7, 2024, 52, 52},
        {iso, 2024, 12, 30, "Dec", 1, 2025, 1, 52}, // counted in the next year
        {iso, 2021, 1, 1, "Jan", 5, 2020, 53, 53},  // counted in the year before
        {iso, 2021, 1, 4, "Jan", 1, 2021, 1, 52},   {iso, 2020, 12, 31, "Dec", 4, 2020, 53, 53},
        {us, 2024, 12, 28, "Dec", 6, 2024, 52, 52}, {us, 2024, 12, 29, "Dec", 7, 2025, 1, 52},
        {us, 2022, 1, 1, "Jan", 6, 2022, 1, 53},    {us, 2021, 12, 26, "Dec", 7, 2022, 1, 53},
        {us, 2023, 12, 31, "Dec", 7, 2024, 1, 52},
    };
    for (const Case& c : cases) {
        const StatsCalendar calendar({}, QTimeZone(QByteArray("UTC")), c.rule);
        const StatsDayComponents f = calendar.componentsForDay(dateDay(c.y, c.m, c.d));
        const std::string at = std::to_string(c.y) + "-" + std::to_string(c.m) + "-" + std::to_string(c.d) +
                               (c.rule.firstWeekday == Qt::Sunday ? " (US)" : " (ISO)");
        EXPECT_EQ(std::tuple(f.year, f.month, f.day), std::tuple(c.y, c.m, c.d)) << at;
        EXPECT_EQ(f.monthName, QString::fromLatin1(c.monthName)) << at;
        EXPECT_EQ(f.weekday, c.weekday) << at;
        EXPECT_EQ(std::tuple(f.weekYear, f.weeknr, f.weeksinyear),
                  std::tuple(c.weekYear, c.weeknr, c.weeksinyear))
            << at;
    }
}

TEST(StatsCalendar, IsoWeeksAgreeWithQt)
{
    const StatsCalendar calendar({}, QTimeZone(QByteArray("UTC")), StatsCalendar::WeekRule::iso());
    for (qint64 day = dateDay(1990, 1, 1); day <= dateDay(2040, 12, 31); ++day) {
        const QDate date = QDate(1970, 1, 1).addDays(day);
        int qtYear = 0;
        const int qtWeek = date.weekNumber(&qtYear);
        const StatsDayComponents f = calendar.componentsForDay(day);
        ASSERT_EQ(std::pair(f.weekYear, f.weeknr), std::pair(qtYear, qtWeek))
            << date.toString().toStdString();
        ASSERT_EQ(calendar.firstDayOfWeek(day), day - (date.dayOfWeek() - 1));
    }
}

// A date is turned into its own day number, whatever the offset of today:
// 1 July read in a Berlin winter is 1 July, not 30 June.
TEST(StatsCalendar, DateTextsGiveTheirOwnDay)
{
    TempHome home;
    ManualClock clock(utc("2024-01-15T12:00:00"));
    StatsUsageController engine(StatsCalendar(clock.clock(), QTimeZone(QByteArray("Europe/Berlin"))));
    EXPECT_EQ(engine.timestampFromDateString("2024/07/01") / 86400, 19905);
    EXPECT_EQ(engine.timestampFromDateString("2024/01/01") / 86400, 19723);
    EXPECT_EQ(engine.timestampFromDateString("not a date"), 3600);
    EXPECT_EQ(engine.getComponentsForTimestamp(19905.0 * 86400).monthName, "Jul");
    EXPECT_EQ(StatsUsageController::timestampToDate(19905.0 * 86400).date(), QDate(2024, 7, 1));
}
