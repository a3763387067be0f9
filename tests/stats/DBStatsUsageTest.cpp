#include "stats/DBStatsUsage.h"

#include "support/StatsEngineFixture.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

namespace {

StatsUsageObject record(const QString& serverID, qint64 day, double bytes)
{
    StatsUsageObject r;
    r.type = StatsUsageObject::Live;
    r.serverID = serverID;
    r.date = day;
    r.bytes = bytes;
    return r;
}

using StatsStore = StatsEngineFixture;

constexpr qint64 kDay = 19787; // 5 March 2024

} // namespace

TEST_F(StatsStore, ANewFileHasItsTableAndVersion)
{
    DBStatsUsage store;
    EXPECT_EQ(store.databasePath(), databasePath());
    EXPECT_EQ(store.dbversion(), 100);
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"100"}}));
    EXPECT_EQ(store.dbQuery("SELECT sql FROM sqlite_master WHERE name = 'stats'"),
              QList<QStringList>({{"CREATE TABLE stats (ID INTEGER PRIMARY KEY, type INTEGER, serverid TEXT, "
                                   "date INTEGER, bytes INTEGER, ubytes INTEGER)"}}));
    EXPECT_EQ(log.linesWithMessage("Statistics Database not found. Creating a new one.").size(), 1);
    DBStatsUsage again;
    EXPECT_EQ(log.linesWithMessage("Statistics Database not found. Creating a new one.").size(), 1);
}

// Saving a day replaces that day's rows and nothing else: days after it
// (left by a clock that was set back, or by a trip west across midnight)
// keep theirs.
TEST_F(StatsStore, SavingADayReplacesOnlyThatDay)
{
    seedRow("1", kDay - 1, 11);
    seedRow("1", kDay, 21);
    seedRow("2", kDay, 22);
    seedRow("3", kDay, 23);
    seedRow("1", kDay + 1, 31);
    seedRow("1", kDay + 40, 41);
    // Hour rows: the last hour of the day before, one of the day, the first
    // of the next day.
    execSql(QStringLiteral("INSERT INTO stats (type,serverid,date,bytes,ubytes) VALUES "
                           "(1,'1',%1,5,0),(1,'1',%2,6,0),(1,'1',%3,7,0)")
                .arg(kDay * 24 - 1)
                .arg(kDay * 24 + 5)
                .arg(kDay * 24 + 24));

    DBStatsUsage store;
    ASSERT_TRUE(store.saveStatsForDay(kDay, {record("1", kDay, 100), record("2", kDay, 200)}));
    const QString d = QString::number(kDay);
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", QString::number(kDay - 1), "11"},
                                             {"1", d, "100"},
                                             {"2", d, "200"},
                                             {"1", QString::number(kDay + 1), "31"},
                                             {"1", QString::number(kDay + 40), "41"}}));
    EXPECT_EQ(store.dbQuery("SELECT date, bytes, ubytes FROM stats WHERE type = 1 ORDER BY date"),
              QList<QStringList>({{QString::number(kDay * 24 - 1), "5", "0"},
                                  {QString::number(kDay * 24 + 24), "7", "0"}}));

    // Saved again, the day's rows are replaced, not added to.
    ASSERT_TRUE(store.saveStatsForDay(kDay, {record("1", kDay, 150)}));
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", QString::number(kDay - 1), "11"},
                                             {"1", d, "150"},
                                             {"1", QString::number(kDay + 1), "31"},
                                             {"1", QString::number(kDay + 40), "41"}}));
    EXPECT_EQ(store.db(), nullptr); // closed between calls

    // Several days in one write: each listed day is replaced, the rest stay.
    ASSERT_TRUE(store.saveStatsForDays({kDay, kDay + 40}, {record("2", kDay, 1), record("2", kDay + 40, 2)}));
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", QString::number(kDay - 1), "11"},
                                             {"2", d, "1"},
                                             {"1", QString::number(kDay + 1), "31"},
                                             {"2", QString::number(kDay + 40), "2"}}));
}

TEST_F(StatsStore, LoadingADayTakesOnlyThatDayAndItsHours)
{
    seedRow("1", kDay - 1, 11);
    seedRow("1", kDay, 21);
    seedRow("2", kDay + 2, 31);
    execSql(QStringLiteral("INSERT INTO stats (type,serverid,date,bytes,ubytes) VALUES "
                           "(1,'1',%1,5,0),(1,'1',%2,6,0),(1,'1',%3,8,0)")
                .arg(kDay * 24 - 1)
                .arg(kDay * 24)
                .arg(kDay * 24 + 24));
    DBStatsUsage store;
    QStringList got;
    for (const QStringList& row : store.loadStatsForDay(kDay)) {
        ASSERT_EQ(row.size(), 6);
        got << row.mid(1).join(",");
    }
    got.sort();
    EXPECT_EQ(got, QStringList({QStringLiteral("1,1,%1,6,0").arg(kDay * 24), QStringLiteral("2,1,%1,21,0").arg(kDay)}));
}

TEST_F(StatsStore, ARangeComesByDateAndWithinADateLargestFirst)
{
    seedRow("1", kDay + 1, 5);
    seedRow("2", kDay + 1, 500);
    seedRow("3", kDay + 1, 50);
    seedRow("1", kDay, 7);
    seedRow("1", kDay - 1, 1000); // outside
    seedRow("1", kDay + 2, 1000); // outside
    DBStatsUsage store;
    QStringList got;
    for (const QStringList& row : store.collectDataForPeriod(kDay, kDay + 1))
        got << row.at(2) + "@" + row.at(3) + "=" + row.at(4);
    const QString d0 = QString::number(kDay), d1 = QString::number(kDay + 1);
    EXPECT_EQ(got, QStringList({"1@" + d0 + "=7", "2@" + d1 + "=500", "3@" + d1 + "=50", "1@" + d1 + "=5"}));
}

TEST_F(StatsStore, BytesAreWholeNumbersWithoutLossOfLargeTotals)
{
    const double beyondDoubleSteps = 9007199254740992.0; // 2^53
    const double manyTerabytes = 40e12 + 1;
    DBStatsUsage store;
    ASSERT_TRUE(store.writeStatsToDB(
        {record("a", kDay, 1.5), record("b", kDay, manyTerabytes), record("c", kDay, beyondDoubleSteps)}));
    EXPECT_EQ(
        store.dbQuery("SELECT serverid, type, bytes, ubytes, typeof(bytes) FROM stats ORDER BY serverid"),
        QList<QStringList>({{"a", "2", "1", "0", "integer"},
                            {"b", "2", "40000000000001", "0", "integer"},
                            {"c", "2", "9007199254740992", "0", "integer"}}));
}

// A refused insert in the middle of a save (after the deletion ran) rolls
// the whole save back: the day keeps its old rows and the caller learns it.
TEST_F(StatsStore, AFailedSaveKeepsTheOldRowsAndSaysSo)
{
    seedRow("1", kDay, 21);
    seedRow("2", kDay, 22);
    seedRow("1", kDay + 1, 31);
    const QList<QStringList> before = dayRows();
    failInserts("bad");

    DBStatsUsage store;
    EXPECT_FALSE(
        store.saveStatsForDay(kDay, {record("1", kDay, 100), record("bad", kDay, 1), record("2", kDay, 3)}));
    EXPECT_EQ(dayRows(), before);
    EXPECT_GE(log.linesWithMessage("Commit Failed!").size(), 1);

    allowInserts();
    EXPECT_TRUE(store.saveStatsForDay(kDay, {record("1", kDay, 100)}));
    EXPECT_EQ(dayRows(), QList<QStringList>(
                             {{"1", QString::number(kDay), "100"}, {"1", QString::number(kDay + 1), "31"}}));
}

TEST_F(StatsStore, AFileDeletedWhileRunningIsMadeAgain)
{
    DBStatsUsage store;
    seedRow("1", kDay, 21);
    ASSERT_TRUE(QFile::remove(databasePath()));
    EXPECT_TRUE(store.collectDataForPeriod(kDay, kDay).isEmpty());
    EXPECT_TRUE(QFileInfo::exists(databasePath()));
    ASSERT_TRUE(QFile::remove(databasePath()));
    EXPECT_TRUE(store.saveStatsForDay(kDay, {record("1", kDay, 5)}));
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"100"}}));
    EXPECT_EQ(dayRows(), QList<QStringList>({{"1", QString::number(kDay), "5"}}));
}

TEST_F(StatsStore, DeletingAServerTakesOnlyItsRows)
{
    const QString quoted = QStringLiteral("it's' OR '1'='1");
    seedRow(quoted, kDay, 1);
    seedRow(quoted, kDay + 1, 2);
    seedRow("2", kDay, 3);
    DBStatsUsage store;
    ASSERT_TRUE(store.deleteAllRecordsForServerID(quoted));
    EXPECT_EQ(dayRows(), QList<QStringList>({{"2", QString::number(kDay), "3"}}));

    ASSERT_TRUE(store.clearDatabase());
    EXPECT_TRUE(dayRows().isEmpty());
    EXPECT_EQ(store.dbQuery("SELECT version FROM dbinfo"), QList<QStringList>({{"100"}}));
}
