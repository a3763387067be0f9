#include "platform/UserDefaults.h"
#include "queue/DBDownloadHistory.h"
#include "queue/DownloadHistoryController.h"

#include "support/SqliteProbe.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

// `count` records "f0".."f<count-1>", record i dated 1,000,000 + i (no two
// dates equal: their order would be undefined).
QHash<QString, DownloadHistoryObject> records(int count)
{
    QHash<QString, DownloadHistoryObject> dict;
    for (int i = 0; i < count; ++i) {
        DownloadHistoryObject obj;
        obj.fid = QStringLiteral("f%1").arg(i);
        obj.date = 1000000 + i;
        dict.insert(obj.fid, obj);
    }
    return dict;
}

// Parts refer to their job weakly: the jobs are kept here.
QList<QueuePtr> roots;

QueuePtr part(const QString& fid, const QString& rootQid)
{
    const QueuePtr root = Queue::create();
    roots.append(root);
    root->setQid(rootQid);
    const QueuePtr p = Queue::create();
    p->setIsFilepart(true);
    p->setFid(fid);
    p->setQueue(root);
    root->appendFilepart(p);
    return p;
}

struct DownloadHistory : ::testing::Test
{
    TempHome home;
    ~DownloadHistory() override { roots.clear(); }
    QString dbPath() { return DBDownloadHistory().databasePath(); }
    QStringList ids() { return sqliteColumn(dbPath(), "SELECT ID FROM history ORDER BY ID"); }
    QStringList fids() { return sqliteColumn(dbPath(), "SELECT fid FROM history ORDER BY ID"); }
};

TEST_F(DownloadHistory, ALimitKeepsTheNewestRecordsAndNumberingStartsAgain)
{
    DBDownloadHistory db;
    ASSERT_TRUE(db.saveHistory(records(10)));
    UserDefaults::standard().setInteger(5000, "maxItemsInDownloadHistory");
    ASSERT_TRUE(db.saveHistory(records(6000)));

    const QHash<QString, DownloadHistoryObject> back = DBDownloadHistory().loadHistory();
    ASSERT_EQ(back.size(), 5000);
    EXPECT_FALSE(back.contains("f999"));
    EXPECT_TRUE(back.contains("f1000"));
    EXPECT_TRUE(back.contains("f5999"));
    EXPECT_EQ(back.value("f1234").date, 1001234);
    const QStringList rowIds = ids();
    EXPECT_EQ(rowIds.first(), "1");
    EXPECT_EQ(rowIds.last(), "5000");
}

TEST_F(DownloadHistory, ALimitOfZeroOrBelowStillKeepsTheNewestRecord)
{
    for (qint64 limit : {0, -3, 1}) {
        SCOPED_TRACE(limit);
        UserDefaults::standard().setInteger(limit, "maxItemsInDownloadHistory");
        ASSERT_TRUE(DBDownloadHistory().saveHistory(records(4)));
        EXPECT_EQ(fids(), QStringList({"f3"}));
    }
}

TEST_F(DownloadHistory, AFailedSaveLeavesThePreviousHistory)
{
    DBDownloadHistory db;
    ASSERT_TRUE(db.saveHistory(records(3)));
    // The store refuses one record of the next save half-way through.
    ASSERT_TRUE(sqliteExec(dbPath(), "CREATE TRIGGER refuse BEFORE INSERT ON history WHEN NEW.fid = 'f7' "
                                     "BEGIN SELECT RAISE(ABORT, 'refused'); END;"));
    EXPECT_FALSE(db.saveHistory(records(10)));
    QStringList stored = fids();
    stored.sort();
    EXPECT_EQ(stored, QStringList({"f0", "f1", "f2"}));
}

TEST_F(DownloadHistory, RecordsOfPartsAndTheirJobs)
{
    DownloadHistoryController history;
    history.addRowObject(part("p1", "job1"));
    history.addRowObject(part("p2", ""));
    history.addRowObject(part("", "job3"));
    history.addRowObject(nullptr);
    EXPECT_EQ(history.count(), 3);
    EXPECT_TRUE(history.containsFid("p1"));
    EXPECT_TRUE(history.containsQid("job1"));
    EXPECT_TRUE(history.containsFid("p2"));
    EXPECT_FALSE(history.containsQid("job3"));
}

TEST_F(DownloadHistory, SavedOnlyWhenSwitchedOnAndLoadedAtTheNextStart)
{
    {
        DownloadHistoryController history;
        history.addRowObject(part("p1", "job1"));
        ASSERT_TRUE(history.saveHistory());
    }
    UserDefaults::standard().setBool(false, "enableDownloadHistory");
    {
        DownloadHistoryController history;
        EXPECT_TRUE(history.containsFid("p1"));
        history.addRowObject(part("p2", "job2"));
        EXPECT_TRUE(history.containsFid("p2"));
        EXPECT_FALSE(history.saveHistory());
    }
    QStringList stored = fids();
    stored.sort();
    EXPECT_EQ(stored, QStringList({"job1", "p1"}));
}

TEST_F(DownloadHistory, ResetEmptiesMemoryAndFileWhateverTheSetting)
{
    UserDefaults::standard().setBool(true, "enableDownloadHistory");
    DownloadHistoryController history;
    history.addRowObject(part("p1", "job1"));
    ASSERT_TRUE(history.saveHistory());
    UserDefaults::standard().setBool(false, "enableDownloadHistory");
    history.resetDownloadHistory();
    EXPECT_EQ(history.count(), 0);
    EXPECT_TRUE(fids().isEmpty());
    EXPECT_EQ(DownloadHistoryController().count(), 0);
}

TEST_F(DownloadHistory, LoadingStopsAtTheFirstRowWithoutFid)
{
    DBDownloadHistory db;
    ASSERT_TRUE(db.writeHistoryToDB({{"a", 1}, {"", 2}, {"c", 3}}));
    const auto back = DBDownloadHistory().loadHistory();
    EXPECT_EQ(back.keys(), QStringList({"a"}));
}

} // namespace
