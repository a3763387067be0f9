#include "stats/StatsUsageController.h"

#include "support/StatsEngineFixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <QFile>
#include <QFileInfo>

namespace {

using StatsQuery = StatsEngineFixture;

const qint64 kMar5 = StatsEngineFixture::day(2024, 3, 5); // the fixture's today

// "serverID=bytes" of each child, in order.
QStringList children(const StatsUsageObject& bar)
{
    QStringList out;
    for (const StatsUsageObject& c : bar.children)
        out << c.serverID + "=" + QString::number(qint64(c.bytes));
    return out;
}

QStringList labels(const QList<StatsUsageObject>& bars)
{
    QStringList out;
    for (const StatsUsageObject& b : bars)
        out << b.xLabel;
    return out;
}

} // namespace

TEST_F(StatsQuery, DayBarsOfARangeEndingToday)
{
    setDisplayType(1);
    seedRow("1", kMar5 - 2, 300);
    seedRow("2", kMar5 - 2, 100);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(50, "1");
    seedRow("1", kMar5, 999); // today comes from memory, not from a stored row

    const QList<StatsUsageObject> bars = engine->collectDataForPeriod(kMar5 - 2, kMar5);
    ASSERT_EQ(bars.size(), 3);
    EXPECT_EQ(labels(bars), QStringList({"Mar 3\r2024", "Mar 4\r2024", "Mar 5\r2024"}));
    for (const StatsUsageObject& bar : bars)
        EXPECT_EQ(bar.type, 1);

    EXPECT_EQ(children(bars[0]), QStringList({"2=100", "1=300"})); // smallest first
    EXPECT_EQ(bars[0].bytes, 400);
    EXPECT_EQ(bars[0].date, kMar5 - 2);
    EXPECT_EQ(bars[0].children[0].type, StatsUsageObject::Stored);
    EXPECT_EQ(bars[0].children[0].alias, "News B");
    EXPECT_EQ(bars[0].children[0].color, servers.find("2")->color);

    ASSERT_EQ(bars[1].children.size(), 1); // the empty day's stand-in
    EXPECT_EQ(bars[1].children[0].type, StatsUsageObject::Filler);
    EXPECT_EQ(bars[1].children[0].serverID, "");
    EXPECT_EQ(bars[1].children[0].bytes, 0);
    EXPECT_EQ(bars[1].date, kMar5 - 1);
    EXPECT_EQ(bars[1].bytes, 0);

    EXPECT_EQ(children(bars[2]), QStringList({"1=50"}));
    EXPECT_EQ(bars[2].children[0].type, StatsUsageObject::Live);
    EXPECT_EQ(bars[2].children[0].alias, "News A");
}

TEST_F(StatsQuery, AFinishedRangeIsReadOnceUntilTheCacheIsCleared)
{
    setDisplayType(1);
    seedRow("1", kMar5 - 2, 300);
    auto engine = makeEngine();
    engine->startUp();
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 2, kMar5 - 1)[0]), QStringList({"1=300"}));

    seedRow("1", kMar5 - 1, 44);
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 2, kMar5 - 1)[1]), QStringList({"=0"}));
    engine->clearCache();
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 2, kMar5 - 1)[1]), QStringList({"1=44"}));

    // A range that found nothing is looked up again.
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 9, kMar5 - 8)[0]), QStringList({"=0"}));
    seedRow("2", kMar5 - 9, 5);
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 9, kMar5 - 8)[0]), QStringList({"2=5"}));
}

TEST_F(StatsQuery, TodayAloneReadsNothingFromTheStore)
{
    setDisplayType(1);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(10, "2");
    ASSERT_TRUE(QFile::remove(databasePath()));
    const QList<StatsUsageObject> bars = engine->collectDataForPeriod(kMar5, kMar5);
    ASSERT_EQ(bars.size(), 1);
    EXPECT_EQ(children(bars[0]), QStringList({"2=10"}));
    EXPECT_FALSE(QFileInfo::exists(databasePath())); // no store was opened
}

TEST_F(StatsQuery, AHiddenServerIsInNoBarButStillStored)
{
    servers.find("2")->showStats = false;
    seedRow("1", kMar5 - 1, 5);
    seedRow("2", kMar5 - 1, 100);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(3, "1");
    engine->addBytes(7, "2");
    for (qint64 type : {1, 2, 3, 4}) {
        setDisplayType(type);
        engine->clearCache();
        QStringList all;
        for (const StatsUsageObject& bar : engine->collectDataForPeriod(kMar5 - 1, kMar5))
            all += children(bar);
        EXPECT_FALSE(all.join(",").contains("2=")) << type << ": " << all.join(",").toStdString();
    }
    setDisplayType(0);
    for (const StatsUsageObject& r : engine->collectDataForPeriod(kMar5 - 1, kMar5))
        EXPECT_EQ(r.serverID, "1");
    ASSERT_TRUE(engine->saveStats());
    EXPECT_TRUE(dayRows().contains(QStringList({"2", QString::number(kMar5), "7"})));
}

TEST_F(StatsQuery, OtherDisplayTypesGiveTheRecordsThemselves)
{
    seedRow("1", kMar5 - 1, 5);
    seedRow("2", kMar5 - 1, 9);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(3, "1");
    for (qint64 type : {0, 5}) {
        setDisplayType(type);
        const QList<StatsUsageObject> records = engine->collectDataForPeriod(kMar5 - 1, kMar5);
        ASSERT_EQ(records.size(), 3) << type;
        EXPECT_EQ(records[0].serverID, "2"); // a day's rows largest first
        EXPECT_EQ(records[1].serverID, "1");
        EXPECT_EQ(records[1].type, StatsUsageObject::Stored);
        EXPECT_EQ(records[2].date, kMar5);
        EXPECT_EQ(records[2].type, StatsUsageObject::Live);
        EXPECT_TRUE(records[2].children.isEmpty());
    }
}

TEST_F(StatsQuery, MonthBarsMergeServersAndFillEmptyMonths)
{
    setDisplayType(3);
    seedRow("1", day(2023, 2, 10), 100);
    seedRow("1", day(2023, 2, 20), 50);
    seedRow("2", day(2023, 2, 20), 30);
    seedRow("2", day(2023, 4, 2), 70);
    auto engine = makeEngine();
    engine->startUp();
    const QList<StatsUsageObject> bars = engine->collectDataForPeriod(day(2023, 2, 1), day(2023, 4, 30));
    ASSERT_EQ(bars.size(), 3);
    EXPECT_EQ(labels(bars), QStringList({"Feb\r2023", "Mar\r2023", "Apr\r2023"}));

    EXPECT_EQ(children(bars[0]), QStringList({"2=30", "1=150"}));
    EXPECT_EQ(bars[0].bytes, 180);
    EXPECT_EQ(bars[0].children[1].type, 3);
    EXPECT_EQ(bars[0].children[1].alias, "News A");
    EXPECT_EQ(bars[0].children[1].date, day(2023, 2, 10));

    ASSERT_EQ(bars[1].children.size(), 1);
    EXPECT_EQ(bars[1].children[0].serverID, "");
    EXPECT_EQ(bars[1].children[0].bytes, 0);
    EXPECT_EQ(bars[1].date, day(2023, 3, 1));
    EXPECT_EQ(bars[1].type, 3);

    EXPECT_EQ(children(bars[2]), QStringList({"2=70"}));
}

// Empty months and years in summer time are dated on their own first day,
// also when today is in winter time.
TEST_F(StatsQuery, EmptyPeriodsInSummerTimeKeepTheirOwnDates)
{
    clock.set(localTime("2024-01-15T12:00:00"));
    auto engine = makeEngine();
    engine->startUp();

    setDisplayType(3);
    QList<StatsUsageObject> bars = engine->collectDataForPeriod(day(2024, 6, 15), day(2024, 8, 15));
    EXPECT_EQ(labels(bars), QStringList({"Jun\r2024", "Jul\r2024", "Aug\r2024"}));
    ASSERT_EQ(bars.size(), 3);
    EXPECT_EQ(bars[1].date, 19905);

    setDisplayType(4);
    bars = engine->collectDataForPeriod(day(2023, 6, 1), day(2024, 8, 1));
    EXPECT_EQ(labels(bars), QStringList({"2023", "2024"}));
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(bars[0].date, day(2023, 1, 1));
}

TEST_F(StatsQuery, WeekBarsFollowTheWeeksOfTheYearTheyAreCountedIn)
{
    setDisplayType(2);
    seedRow("1", day(2024, 1, 2), 10);
    seedRow("2", day(2024, 12, 29), 5);
    seedRow("1", day(2024, 12, 30), 20); // week 1 of 2025
    seedRow("1", day(2025, 1, 2), 30);
    auto engine = makeEngine();
    engine->startUp();

    const QList<StatsUsageObject> year = engine->collectDataForPeriod(day(2024, 1, 1), day(2025, 1, 5));
    ASSERT_EQ(year.size(), 53);
    for (int i = 0; i < 52; ++i)
        EXPECT_EQ(year[i].xLabel, QStringLiteral("week\r%1").arg(i + 1));
    EXPECT_EQ(year[52].xLabel, "week\r1");
    EXPECT_EQ(children(year[0]), QStringList({"1=10"}));
    EXPECT_EQ(children(year[51]), QStringList({"2=5"}));
    EXPECT_EQ(children(year[52]), QStringList({"1=50"}));
    EXPECT_EQ(year[52].type, 2);

    const QList<StatsUsageObject> december =
        engine->collectDataForPeriod(day(2024, 12, 1), day(2024, 12, 30));
    EXPECT_EQ(labels(december),
              QStringList({"week\r48", "week\r49", "week\r50", "week\r51", "week\r52", "week\r1"}));
    ASSERT_EQ(december.size(), 6);
    EXPECT_EQ(december[0].date, day(2024, 12, 1)); // an empty week is dated inside it and the range
    EXPECT_EQ(december[1].date, day(2024, 12, 2));

    EXPECT_EQ(labels(engine->collectDataForPeriod(day(2021, 1, 1), day(2021, 1, 10))),
              QStringList({"week\r53", "week\r1"}));
}

TEST_F(StatsQuery, WeekBarsWithWeeksFromSunday)
{
    setDisplayType(2);
    seedRow("1", day(2024, 12, 28), 1);
    seedRow("1", day(2024, 12, 29), 2);
    auto engine = makeEngine({Qt::Sunday, 1});
    engine->startUp();
    const QList<StatsUsageObject> bars = engine->collectDataForPeriod(day(2024, 12, 22), day(2025, 1, 4));
    EXPECT_EQ(labels(bars), QStringList({"week\r52", "week\r1"}));
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(children(bars[0]), QStringList({"1=1"}));
    EXPECT_EQ(children(bars[1]), QStringList({"1=2"}));
}

TEST_F(StatsQuery, YearBarsAddTodayToItsYear)
{
    setDisplayType(4);
    seedRow("2", day(2023, 12, 1), 1);
    seedRow("1", day(2023, 12, 31), 10);
    seedRow("1", day(2024, 1, 1), 20);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(5, "1");
    const QList<StatsUsageObject> bars = engine->collectDataForPeriod(day(2023, 12, 1), kMar5);
    EXPECT_EQ(labels(bars), QStringList({"2023", "2024"}));
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(children(bars[0]), QStringList({"2=1", "1=10"}));
    EXPECT_EQ(children(bars[1]), QStringList({"1=25"}));
    EXPECT_EQ(bars[1].bytes, 25);
}

// After midnight and before any count the finished day is still only in
// memory; a query shows it from there until the main thread has stored it,
// and ranges cached before a day was stored are read again.
TEST_F(StatsQuery, TheFinishedDayShowsBeforeTheFirstCountOfTheNewDay)
{
    setDisplayType(1);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(100, "1");
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 1, kMar5 + 5)[1]), QStringList({"1=100"}));

    clock.set(localTime("2024-03-06T00:10:00"));
    QList<StatsUsageObject> bars = engine->collectDataForPeriod(kMar5 - 6, kMar5 + 1);
    ASSERT_EQ(bars.size(), 8);
    EXPECT_EQ(children(bars[6]), QStringList({"1=100"}));
    EXPECT_EQ(engine->lastDay(), kMar5 + 1);
    EXPECT_TRUE(dayRows().isEmpty());
    QCoreApplication::processEvents();
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", QString::number(kMar5), "100"}}));
    EXPECT_EQ(children(engine->collectDataForPeriod(kMar5 - 6, kMar5 + 1)[6]), QStringList({"1=100"}));

    engine->addBytes(7, "2");
    bars = engine->collectDataForPeriod(kMar5 - 1, kMar5 + 5);
    EXPECT_EQ(children(bars[1]), QStringList({"1=100"}));
    EXPECT_EQ(children(bars[2]), QStringList({"2=7"}));
}

TEST_F(StatsQuery, AReversedRangeHasNoBars)
{
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(1, "1");
    for (qint64 type : {1, 2, 3, 4}) {
        setDisplayType(type);
        EXPECT_TRUE(engine->collectDataForPeriod(kMar5, kMar5 - 40).isEmpty()) << type;
    }
}
