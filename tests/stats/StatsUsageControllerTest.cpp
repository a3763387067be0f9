#include "stats/StatsUsageController.h"

#include "platform/NotificationHub.h"
#include "stats/DBStatsUsage.h"
#include "support/StatsEngineFixture.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>

#include <atomic>
#include <barrier>
#include <thread>
#include <vector>

namespace {

using StatsEngine = StatsEngineFixture;

const qint64 kMar5 = StatsEngineFixture::day(2024, 3, 5);

QString n(qint64 v)
{
    return QString::number(v);
}

// Runs `body(thread)` on `count` threads that start together.
template <typename Body> void onThreads(int count, Body body)
{
    std::barrier start(count);
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            body(t);
        });
    }
    for (std::thread& th : threads)
        th.join();
}

} // namespace

TEST_F(StatsEngine, SixteenThreadsCountExactly)
{
    auto engine = makeEngine();
    engine->startUp();
    constexpr int kThreads = 16;
    constexpr int kSegments = 20000;
    onThreads(kThreads, [&](int t) {
        const QString server = t % 2 ? QStringLiteral("1") : QStringLiteral("2");
        for (int i = 0; i < kSegments; ++i) {
            engine->addBytes(double(384000 + (i % 13) + t), server);
            engine->addBytes(0, server); // a connection without a segment
        }
    });
    double expected[2] = {0, 0};
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kSegments; ++i)
            expected[t % 2] += double(384000 + (i % 13) + t);
    }
    const QHash<QString, double> totals = memoryTotals(*engine);
    EXPECT_EQ(totals.value("1"), expected[1]);
    EXPECT_EQ(totals.value("2"), expected[0]);
    EXPECT_EQ(totals.size(), 2);
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), QString::number(qint64(expected[1]))},
                                             {"2", n(kMar5), QString::number(qint64(expected[0]))}}));
}

// The first count after local midnight (23:00 UTC of the same date in
// Berlin) moves the finished day aside, once, even when every connection
// crosses midnight at the same moment, and counts for the new day. The
// counting threads never write: the main thread stores the day.
TEST_F(StatsEngine, LocalMidnightStoresTheFinishedDayOnceAndStartsANewDay)
{
    clock.set(localTime("2024-03-05T23:59:58"));
    auto engine = makeEngine();
    engine->startUp();
    countInserts();
    engine->addBytes(1000, "1");
    engine->addBytes(2000, "2");
    clock.advance(1); // 23:59:59
    engine->addBytes(10, "1");
    EXPECT_EQ(insertCount(), 0);
    EXPECT_EQ(engine->lastDay(), kMar5);

    clock.set(localTime("2024-03-06T00:00:00"));
    ASSERT_EQ(clock.now(), utcTime("2024-03-05T23:00:00"));
    onThreads(16, [&](int t) { engine->addBytes(double(t + 1), t % 2 ? "1" : "2"); });
    EXPECT_EQ(insertCount(), 0);
    EXPECT_TRUE(dayRows().isEmpty());

    QCoreApplication::processEvents();
    EXPECT_EQ(insertCount(), 2); // one write of the two servers' rows
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "1010"}, {"2", n(kMar5), "2000"}}));
    EXPECT_EQ(engine->lastDay(), kMar5 + 1);
    // 2+4+...+16 and 1+3+...+15
    EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"1", 72}, {"2", 64}}));

    // The next midnight again stores once, the new day this time.
    clock.set(localTime("2024-03-07T00:30:00"));
    engine->addBytes(5, "1");
    QCoreApplication::processEvents();
    EXPECT_EQ(insertCount(), 4);
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "1010"},
                                             {"2", n(kMar5), "2000"},
                                             {"1", n(kMar5 + 1), "72"},
                                             {"2", n(kMar5 + 1), "64"}}));
}

// Midnights of the 23- and 25-hour days: the day rolls over at each local
// midnight and nowhere else.
TEST_F(StatsEngine, DaylightSavingDaysRollOverAtLocalMidnight)
{
    clock.set(localTime("2024-03-30T12:00:00"));
    auto engine = makeEngine();
    engine->startUp();
    const struct
    {
        qint64 time;
        qint64 day;
    } steps[] = {
        {localTime("2024-03-30T23:59:59"), day(2024, 3, 30)},
        {localTime("2024-03-31T00:00:00"), day(2024, 3, 31)},
        {localTime("2024-03-31T01:59:59"), day(2024, 3, 31)},
        {localTime("2024-03-31T03:00:00"), day(2024, 3, 31)},
        {localTime("2024-03-31T23:59:59"), day(2024, 3, 31)}, // the 23-hour day ends
        {localTime("2024-04-01T00:00:00"), day(2024, 4, 1)},
        {localTime("2024-10-26T23:59:59"), day(2024, 10, 26)},
        {localTime("2024-10-27T00:00:00"), day(2024, 10, 27)},
        {utcTime("2024-10-27T00:30:00"), day(2024, 10, 27)},   // 02:30 CEST
        {utcTime("2024-10-27T01:30:00"), day(2024, 10, 27)},   // 02:30 CET, an hour later
        {localTime("2024-10-27T23:59:59"), day(2024, 10, 27)}, // the 25-hour day ends
        {localTime("2024-10-28T00:00:00"), day(2024, 10, 28)},
    };
    for (const auto& step : steps) {
        clock.set(step.time);
        engine->addBytes(1, "1");
        QCoreApplication::processEvents();
        EXPECT_EQ(engine->lastDay(), step.day)
            << QDateTime::fromSecsSinceEpoch(step.time, zone).toString().toStdString();
    }

    QStringList days;
    for (const QStringList& row : dayRows())
        days << row.at(1) + "=" + row.at(2);
    EXPECT_EQ(days,
              QStringList({n(day(2024, 3, 30)) + "=1", n(day(2024, 3, 31)) + "=4", n(day(2024, 4, 1)) + "=1",
                           n(day(2024, 10, 26)) + "=1", n(day(2024, 10, 27)) + "=4"}));
}

TEST_F(StatsEngine, StartUpReadsTodaysTotalsBack)
{
    seedRow("1", kMar5 - 1, 99); // yesterday: not today's
    seedRow("1", kMar5, 1000);
    seedRow("2", kMar5, 500);
    seedRow("2", kMar5 + 1, 7); // a later day (the clock was set back) stays its own
    execSql(QStringLiteral("INSERT INTO stats (type,serverid,date,bytes,ubytes) VALUES (1,'1',%1,3,0)")
                .arg(kMar5 * 24 + 1)); // an hour row is not a day total
    auto engine = makeEngine();
    EXPECT_TRUE(memoryTotals(*engine).isEmpty());
    engine->startUp();
    EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"1", 1000}, {"2", 500}}));

    engine->addBytes(1, "1");
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5 - 1), "99"},
                                             {"1", n(kMar5), "1001"},
                                             {"2", n(kMar5), "500"},
                                             {"2", n(kMar5 + 1), "7"}}));

    // A restart on the same day reads the saved totals back, once.
    engine.reset();
    auto again = makeEngine();
    again->startUp();
    EXPECT_EQ(memoryTotals(*again), (QHash<QString, double>{{"1", 1001}, {"2", 500}}));
}

TEST_F(StatsEngine, SavingReplacesOnlyTodaysRows)
{
    servers.add("3", "Hidden", false);
    seedRow("1", kMar5 - 2, 5);
    seedRow("1", kMar5 + 1, 6);
    seedRow("2", kMar5 + 30, 7);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(100, "1");
    engine->addBytes(40, "3"); // not shown, stored all the same
    ASSERT_TRUE(engine->saveStats());
    const QList<QStringList> later = {{"1", n(kMar5 + 1), "6"}, {"2", n(kMar5 + 30), "7"}};
    EXPECT_EQ(dayRows(),
              QList<QStringList>({{"1", n(kMar5 - 2), "5"}, {"1", n(kMar5), "100"}, {"3", n(kMar5), "40"}}) + later);
    engine->addBytes(1, "2");
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5 - 2), "5"},
                                             {"1", n(kMar5), "100"},
                                             {"2", n(kMar5), "1"},
                                             {"3", n(kMar5), "40"}}) +
                             later);
}

// The clock goes back a day while running (a correction, a trip west): the
// day it comes back to keeps its stored totals and the days after it stay.
TEST_F(StatsEngine, AClockSetBackKeepsTheDaysStoredBefore)
{
    seedRow("1", kMar5 - 1, 300);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(100, "1");
    clock.set(localTime("2024-03-04T22:00:00"));
    engine->addBytes(5, "1");
    EXPECT_EQ(engine->lastDay(), kMar5 - 1);
    QCoreApplication::processEvents(); // stores 5 March, reads 4 March back
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5 - 1), "300"}, {"1", n(kMar5), "100"}}));
    EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"1", 305}}));
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5 - 1), "305"}, {"1", n(kMar5), "100"}}));
}

// Quitting before the statistics were read back must not replace today's
// stored rows with an empty day.
TEST_F(StatsEngine, NothingIsStoredBeforeStartUp)
{
    seedRow("1", kMar5, 1000);
    auto engine = makeEngine();
    EXPECT_FALSE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "1000"}}));
}

TEST_F(StatsEngine, AFailedSaveKeepsThePreviousRowsAndTheTotals)
{
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(100, "1");
    ASSERT_TRUE(engine->saveStats());
    engine->addBytes(50, "1");
    engine->addBytes(9, "2");

    failInserts("2");
    EXPECT_FALSE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "100"}}));
    EXPECT_EQ(
        log.linesWithMessage(
               QStringLiteral("Failed to store the statistics from day %1 on; the totals are kept in memory.")
                   .arg(kMar5))
            .size(),
        1);
    EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"1", 150}, {"2", 9}}));

    allowInserts();
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "150"}, {"2", n(kMar5), "9"}}));
}

// The roll-over's store fails: the finished day stays in memory, is still
// answered by queries, and goes with the next save that succeeds.
TEST_F(StatsEngine, AFailedRollOverKeepsTheFinishedDayForTheNextSave)
{
    setDisplayType(1);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(100, "1");
    ASSERT_TRUE(engine->saveStats());
    engine->addBytes(50, "1");

    failInserts();
    clock.set(localTime("2024-03-06T00:10:00"));
    engine->addBytes(7, "2");
    engine->addBytes(7, "2");
    QCoreApplication::processEvents(); // one attempt, on the main thread
    QCoreApplication::processEvents();
    EXPECT_EQ(log.linesContaining("Failed to store the statistics from day").size(), 1);
    EXPECT_EQ(engine->lastDay(), kMar5 + 1);
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "100"}}));
    EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"2", 14}}));

    const QList<StatsUsageObject> bars = engine->collectDataForPeriod(kMar5, kMar5 + 1);
    ASSERT_EQ(bars.size(), 2);
    EXPECT_EQ(bars[0].bytes, 150);
    EXPECT_EQ(bars[1].bytes, 14);

    allowInserts();
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "150"}, {"2", n(kMar5 + 1), "14"}}));
    EXPECT_EQ(engine->collectDataForPeriod(kMar5, kMar5 + 1)[0].bytes, 150);
}

TEST_F(StatsEngine, AServerNoLongerConfiguredLeavesTheDay)
{
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(10, "1");
    engine->addBytes(20, "9");
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), "10"}}));
    EXPECT_EQ(log.linesWithMessage("Removing serverID:9 from dailyStats.").size(), 1);
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(log.linesWithMessage("Removing serverID:9 from dailyStats.").size(), 1);
}

TEST_F(StatsEngine, DeletingAServersRecordsClearsStoreAndDay)
{
    seedRow("1", kMar5 - 3, 10);
    seedRow("2", kMar5 - 3, 20);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(5, "1");
    engine->addBytes(6, "2");
    engine->deleteAllRecordsForServerID("1");
    EXPECT_EQ(dayRows(), QList<QStringList>({{"2", n(kMar5 - 3), "20"}}));
    EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"2", 6}}));
}

// Totals of many terabytes are exact: in memory, in the store, read back and
// summed into bars.
TEST_F(StatsEngine, TotalsOfManyTerabytesStayExact)
{
    setDisplayType(4);
    const qint64 segment = (qint64(1) << 30) + 3; // a little over 1 GiB
    constexpr int kSegments = 40000;              // about 43 TB per server
    auto engine = makeEngine();
    engine->startUp();
    for (int i = 0; i < kSegments; ++i) {
        engine->addBytes(double(segment), "1");
        engine->addBytes(double(segment), "2");
    }
    const qint64 perServer = segment * kSegments;
    ASSERT_TRUE(engine->saveStats());
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(kMar5), n(perServer)}, {"2", n(kMar5), n(perServer)}}));

    engine.reset();
    seedRow("1", kMar5 - 1, perServer + 1);
    auto again = makeEngine();
    again->startUp();
    EXPECT_EQ(qint64(memoryTotals(*again).value("1")), perServer);
    const QList<StatsUsageObject> bars = again->collectDataForPeriod(kMar5 - 1, kMar5);
    ASSERT_EQ(bars.size(), 1);
    EXPECT_EQ(qint64(bars[0].bytes), 3 * perServer + 1);
}

TEST_F(StatsEngine, ServerListChangesReachTheEngine)
{
    setDisplayType(1);
    auto engine = makeEngine();
    engine->startUp();
    engine->addBytes(10, "1");
    servers.add("7", "News C");
    NotificationHub::defaultCenter().post("NNTPServerListChanged");
    engine->addBytes(70, "7");
    QList<StatsUsageObject> bars = engine->collectDataForPeriod(kMar5, kMar5);
    ASSERT_EQ(bars.size(), 1);
    ASSERT_EQ(bars[0].children.size(), 2);
    EXPECT_EQ(bars[0].children[1].serverID, "7");
    EXPECT_EQ(bars[0].children[1].alias, "News C");

    // Colour and filter changes come with "RebuildStatsUsageGraph".
    servers.find("1")->color = QColor(Qt::red);
    servers.find("7")->showStats = false;
    NotificationHub::defaultCenter().post("RebuildStatsUsageGraph");
    bars = engine->collectDataForPeriod(kMar5, kMar5);
    ASSERT_EQ(bars[0].children.size(), 1);
    EXPECT_EQ(bars[0].children[0].color, QColor(Qt::red));
}

// In each zone the day rolls over at its own local midnight: the last count
// before it belongs to the old day, the first after it to the new one, and
// the old day is stored once by the main thread.
TEST_F(StatsEngine, RollOverAtLocalMidnightInEachZone)
{
    for (const char* name : {"Europe/Berlin", "America/New_York", "Australia/Sydney"}) {
        SCOPED_TRACE(name);
        zone = QTimeZone(QByteArray(name));
        execSql("DELETE FROM stats");
        clock.set(localTime("2024-07-01T23:59:59"));
        auto engine = makeEngine();
        engine->startUp();
        engine->addBytes(10, "1");
        EXPECT_EQ(engine->lastDay(), day(2024, 7, 1));
        clock.set(localTime("2024-07-02T00:00:00"));
        engine->addBytes(3, "1");
        EXPECT_EQ(engine->lastDay(), day(2024, 7, 2));
        EXPECT_TRUE(dayRows().isEmpty());
        QCoreApplication::processEvents();
        EXPECT_EQ(dayRows(), QList<QStringList>({{"1", n(day(2024, 7, 1)), "10"}}));
        EXPECT_EQ(memoryTotals(*engine), (QHash<QString, double>{{"1", 3}}));
    }
}
