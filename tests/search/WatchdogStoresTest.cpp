// The Watchdog entry and history stores.

#include "search/DBWatchdog.h"
#include "search/DBWatchdogHistory.h"

#include "support/LogFileReader.h"
#include "support/ManualClock.h"
#include "support/SqliteProbe.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>

namespace {

constexpr qint64 kNow = 1700000000;

void settle()
{
    for (int i = 0; i < 5; ++i) QCoreApplication::sendPostedEvents();
}

struct WatchdogStores : ::testing::Test
{
    TempHome home;
    ManualClock clock{kNow};
    QString folder = home.appSupportPath() + QStringLiteral("/db");
    QString entriesPath = folder + QStringLiteral("/watchdog.db");
    QString historyPath = folder + QStringLiteral("/watchdoghistory.db");

    WatchdogPtr entry(const QString& alias, qint64 tag)
    {
        WatchdogPtr w = Watchdog::create(clock.clock());
        w->setTag(tag);
        w->setAlias(alias);
        w->setActive(true);
        w->dpobject()->setTitle(alias + QStringLiteral(" words"));
        w->dpobject()->setGroup(QStringLiteral("alt.binaries.test"));
        return w;
    }
    QStringList aliases(const QList<WatchdogPtr>& list)
    {
        QStringList out;
        for (const WatchdogPtr& w : list) out.append(w->alias());
        return out;
    }
    QStringList logLines(const QString& text) { return LogFileReader(home.logFilePath()).linesContaining(text); }
};

TEST_F(WatchdogStores, EntriesRoundTripAndAShortIntervalLoadsAsTen)
{
    DBWatchdog db;
    WatchdogPtr a = entry(QStringLiteral("A"), 11);
    a->setEro(true);
    a->setAction(0);
    a->setInterval(7);
    a->setExcludePwdFiles(false);
    a->setLastmatch(kNow - 50);
    a->setLastsearch(kNow - 100);
    WatchdogPtr b = entry(QStringLiteral("B"), 12);
    b->setActive(false);
    settle();
    ASSERT_TRUE(db.saveAll({a, b}));

    const QList<WatchdogPtr> loaded = db.loadAll(clock.clock());
    settle();
    ASSERT_EQ(aliases(loaded), QStringList({"A", "B"}));
    const Watchdog& la = *loaded[0];
    EXPECT_EQ(la.tag(), 11);
    EXPECT_TRUE(la.active());
    EXPECT_TRUE(la.ero());
    EXPECT_EQ(la.action(), 0);
    EXPECT_EQ(la.interval(), 10);
    EXPECT_FALSE(la.excludePwdFiles());
    EXPECT_EQ(la.lastmatch(), kNow - 50);
    EXPECT_EQ(la.lastsearch(), kNow - 100);
    EXPECT_EQ(la.nextsearch(), kNow - 100 + 600);
    EXPECT_EQ(la.dpobject()->title(), QStringLiteral("A words"));
    EXPECT_EQ(la.statusString(), "Idle");
    EXPECT_EQ(loaded[1]->statusString(), "Inactive");
}

TEST_F(WatchdogStores, ASaveReplacesEveryRowAndNullReadsAsEmpty)
{
    DBWatchdog db;
    QList<WatchdogPtr> five;
    for (int i = 1; i <= 5; ++i) five.append(entry(QString::number(i), i));
    ASSERT_TRUE(db.saveAll(five));
    ASSERT_TRUE(db.saveAll(five.mid(0, 3)));
    EXPECT_EQ(sqliteColumn(entriesPath, QStringLiteral("SELECT count(*) FROM entries")), QStringList({"3"}));

    ASSERT_TRUE(sqliteExec(entriesPath, QStringLiteral("UPDATE entries SET poster = NULL, alias = NULL")));
    const QList<WatchdogPtr> loaded = db.loadAll(clock.clock());
    ASSERT_EQ(loaded.size(), 3);
    EXPECT_EQ(loaded[0]->alias(), QString(""));
    EXPECT_EQ(loaded[0]->dpobject()->poster(), QStringLiteral(""));
}

TEST_F(WatchdogStores, AFailedSaveKeepsTheOldRows)
{
    DBWatchdog db;
    ASSERT_TRUE(db.saveAll({entry(QStringLiteral("A"), 1), entry(QStringLiteral("B"), 2)}));
    // The disk gives out in the middle of the new rows.
    ASSERT_TRUE(sqliteExec(entriesPath, QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON entries WHEN "
                                                       "NEW.alias = 'boom' BEGIN SELECT RAISE(ABORT, 'full'); END")));
    EXPECT_FALSE(db.saveAll({entry(QStringLiteral("C"), 3), entry(QStringLiteral("boom"), 4)}));
    EXPECT_EQ(aliases(db.loadAll(clock.clock())), QStringList({"A", "B"}));
    EXPECT_FALSE(logLines(QStringLiteral("Error saving Watchdog entries to database.")).isEmpty());
}

TEST_F(WatchdogStores, AnUpdateIsJudgedByItsOwnStatement)
{
    DBWatchdog db;
    WatchdogPtr a = entry(QStringLiteral("A"), 21);
    ASSERT_TRUE(db.saveAll({a, entry(QStringLiteral("B"), 22)}));
    a->setAlias(QStringLiteral("A2"));
    a->setInterval(60);
    settle();
    EXPECT_TRUE(db.updateEntry(*a));
    EXPECT_TRUE(logLines(QStringLiteral("Commit Failed!")).isEmpty());
    EXPECT_EQ(aliases(db.loadAll(clock.clock())), QStringList({"A2", "B"}));
    EXPECT_EQ(sqliteColumn(entriesPath, QStringLiteral("SELECT interval FROM entries WHERE tag = 21")),
              QStringList({"60"}));
}

TEST_F(WatchdogStores, TagsLeaveBothStores)
{
    DBWatchdog db;
    DBWatchdogHistory history;
    QList<WatchdogPtr> list = {entry(QStringLiteral("A"), 11), entry(QStringLiteral("B"), 12),
                               entry(QStringLiteral("C"), 13)};
    for (const WatchdogPtr& w : list) {
        w->history().append({0, w->tag(), QStringLiteral("q") + w->alias(), QStringLiteral("t"), kNow, kNow, "1 MB"});
        ASSERT_TRUE(history.saveHistoryForWatchdog(*w));
    }
    ASSERT_TRUE(db.saveAll(list));
    ASSERT_TRUE(db.removeEntriesWithTags({11, 12}));
    ASSERT_TRUE(history.removeHistoryForWatchdogTags({11, 12}));
    EXPECT_EQ(sqliteColumn(entriesPath, QStringLiteral("SELECT tag FROM entries")), QStringList({"13"}));
    EXPECT_EQ(sqliteColumn(historyPath, QStringLiteral("SELECT watchdogid FROM history")), QStringList({"13"}));
}

TEST_F(WatchdogStores, HistoryRoundTripsNewestFirstAndComesBackWhenRemoved)
{
    DBWatchdogHistory db;
    WatchdogPtr w = entry(QStringLiteral("W"), 77);
    for (const char* title : {"A", "B", "C"})
        w->history().append({0, 77, QString::fromLatin1(title) + "-qid", title, kNow, kNow - 10, "2 MB"});
    ASSERT_TRUE(db.saveHistoryForWatchdog(*w));
    WatchdogPtr again = entry(QStringLiteral("W"), 77);
    db.loadHistoryForWatchdog(*again);
    QStringList titles;
    for (const WatchdogHistoryObj& h : again->history()) titles.append(h.title);
    EXPECT_EQ(titles, QStringList({"A", "B", "C"}));
    EXPECT_EQ(again->history()[1].qid, "B-qid");
    EXPECT_EQ(again->history()[1].filedate, kNow - 10);

    // Saving again replaces the rows of this entry only.
    w->history().removeFirst();
    ASSERT_TRUE(db.saveHistoryForWatchdog(*w));
    EXPECT_EQ(sqliteColumn(historyPath, QStringLiteral("SELECT title FROM history")), QStringList({"B", "C"}));

    ASSERT_TRUE(QFile::remove(historyPath));
    EXPECT_TRUE(db.saveHistoryForWatchdog(*w));
    EXPECT_EQ(sqliteColumn(historyPath, QStringLiteral("SELECT count(*) FROM history")), QStringList({"2"}));
}

TEST_F(WatchdogStores, AFailedHistorySaveKeepsTheOldRows)
{
    DBWatchdogHistory db;
    WatchdogPtr w = entry(QStringLiteral("W"), 5);
    w->history().append({0, 5, "q1", "old", kNow, kNow, "1 MB"});
    ASSERT_TRUE(db.saveHistoryForWatchdog(*w));
    ASSERT_TRUE(sqliteExec(historyPath, QStringLiteral("CREATE TRIGGER full BEFORE INSERT ON history WHEN "
                                                       "NEW.title = 'boom' BEGIN SELECT RAISE(ABORT, 'full'); END")));
    w->history() = {{0, 5, "q2", "new", kNow, kNow, "1 MB"}, {0, 5, "q3", "boom", kNow, kNow, "1 MB"}};
    EXPECT_FALSE(db.saveHistoryForWatchdog(*w));
    EXPECT_EQ(sqliteColumn(historyPath, QStringLiteral("SELECT title FROM history")), QStringList({"old"}));
}

TEST_F(WatchdogStores, AnotherVersionIsRecreatedAnUnreadableOneIsKept)
{
    {
        DBWatchdog db;
        ASSERT_TRUE(db.saveAll({entry(QStringLiteral("A"), 1)}));
    }
    // A version that cannot be read says nothing about the rows: kept.
    ASSERT_TRUE(sqliteExec(entriesPath, QStringLiteral("UPDATE dbinfo SET version = 'garbage'")));
    {
        DBWatchdog db;
        EXPECT_EQ(db.loadAll(clock.clock()).size(), 1);
    }
    // Another version that was read: a new empty store.
    ASSERT_TRUE(sqliteExec(entriesPath, QStringLiteral("UPDATE dbinfo SET version = 99")));
    {
        DBWatchdog db;
        EXPECT_TRUE(db.loadAll(clock.clock()).isEmpty());
        EXPECT_EQ(sqliteColumn(entriesPath, QStringLiteral("SELECT version FROM dbinfo")), QStringList({"100"}));
    }
    // The history store follows the same rule.
    {
        DBWatchdogHistory db;
    }
    ASSERT_TRUE(sqliteExec(historyPath, QStringLiteral("INSERT INTO history (watchdogid) VALUES (1)")));
    ASSERT_TRUE(sqliteExec(historyPath, QStringLiteral("UPDATE dbinfo SET version = 101")));
    {
        DBWatchdogHistory db;
    }
    EXPECT_EQ(sqliteColumn(historyPath, QStringLiteral("SELECT count(*) FROM history")), QStringList({"0"}));
}

TEST_F(WatchdogStores, RowsOfAnotherWidthStopTheLoad)
{
    {
        DBWatchdog db;
        ASSERT_TRUE(db.saveAll({entry(QStringLiteral("A"), 1)}));
    }
    ASSERT_TRUE(sqliteExec(entriesPath, QStringLiteral("ALTER TABLE entries ADD COLUMN extra TEXT")));
    DBWatchdog db;
    EXPECT_TRUE(db.loadAll(clock.clock()).isEmpty());
    EXPECT_FALSE(logLines(QStringLiteral("Watchdog database is not compatible with app version.")).isEmpty());
}

} // namespace
