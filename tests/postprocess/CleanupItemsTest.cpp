// Cleanup patterns: the store with its defaults, the list operations, the
// round trip, a store of another shape, and what the patterns delete.
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "postprocess/DBCleanupItems.h"
#include "queue/Queue.h"

#include "queue/QueueFileUtils.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <atomic>

namespace {

QStringList patternsOf(const QList<CleanupItem>& items)
{
    QStringList out;
    for (const CleanupItem& i : items)
        out << (i.checkbox ? "+" : "-") + i.searchItem;
    return out;
}

void exec(const QString& db, const char* sql)
{
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &h), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(h, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(h);
    sqlite3_close(h);
}

void touch(const QString& path, const QByteArray& data = "x")
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QStringList filesBelow(const QString& folder)
{
    QStringList out;
    for (const QString& f : FileUtils::recursiveFileScanForUrl(folder))
        out << f.mid(folder.size() + 1);
    out.sort();
    return out;
}

} // namespace

TEST(CleanupStore, FirstStartWritesTheElevenDefaults)
{
    TempHome home;
    CleanupItemsController controller;
    controller.loadItems();
    EXPECT_EQ(patternsOf(controller.arrayCleanupItems()),
              (QStringList{"+*.par2", "-*.nfo", "+*.nzb", "+*.url", "+*.log", "-*.m3u", "-*.png", "+*.gif",
                           "-*.tif", "+*.sfv", "+*.srr"}));
    EXPECT_EQ(controller.arrayCleanupItems()[5].info, "Music playlists");
    EXPECT_FALSE(controller.shouldSave());
    EXPECT_TRUE(QFile::exists(home.appSupportPath() + "/db/cleanup.db"));
    Logger::shared()->flush();
    const LogFileReader log(home.logFilePath());
    EXPECT_FALSE(log.linesContaining("Cleanup Database not found. Creating a new one.").isEmpty());
    EXPECT_FALSE(log.linesContaining("Cleanup items loaded from database :: 11 items").isEmpty());
    // A second start finds the store and adds nothing.
    EXPECT_EQ(DBCleanupItems().loadAll().size(), 11);
}

TEST(CleanupStore, EditsSaveAndLoadInOrder)
{
    TempHome home;
    CleanupItemsController controller;
    controller.loadItems();
    int will = 0, did = 0;
    QObject::connect(&controller, &CleanupItemsController::arrayCleanupItemsWillChange, [&] { ++will; });
    QObject::connect(&controller, &CleanupItemsController::arrayCleanupItemsDidChange, [&] { ++did; });
    controller.insertNewItem();
    EXPECT_TRUE(controller.shouldSave());
    EXPECT_EQ(controller.arrayCleanupItems().first(), CleanupItem(true, "", "New"));
    EXPECT_EQ(will, 1);
    EXPECT_EQ(did, 1);
    controller.setItem(0, CleanupItem(false, "*Übung*.txt", "Übungen"));
    controller.removeItemsInArray({2, 4, 4, 99});
    EXPECT_EQ(will, 2);
    EXPECT_EQ(controller.count(), 10);
    ASSERT_TRUE(controller.saveItems());
    EXPECT_FALSE(controller.shouldSave());

    CleanupItemsController again;
    again.loadItems();
    EXPECT_EQ(again.arrayCleanupItems(), controller.arrayCleanupItems());
    EXPECT_EQ(again.arrayCleanupItems().first().info, "Übungen");
    EXPECT_EQ(patternsOf(again.arrayCleanupItems()).mid(0, 4),
              (QStringList{"-*Übung*.txt", "+*.par2", "+*.nzb", "+*.log"}));
}

TEST(CleanupStore, AStoreOfAnotherShapeLoadsUpToTheFirstStrangeRow)
{
    TempHome home;
    {
        DBCleanupItems store;
    }
    const QString db = home.appSupportPath() + "/db/cleanup.db";
    exec(db, "ALTER TABLE fileitems ADD COLUMN extra TEXT");
    EXPECT_TRUE(DBCleanupItems().loadAll().isEmpty());
    Logger::shared()->flush();
    EXPECT_FALSE(LogFileReader(home.logFilePath())
                     .linesContaining("CleanupItems database is not compatible with app version.")
                     .isEmpty());
    // Another version number is not looked at.
    exec(db, "UPDATE dbinfo SET version = 7");
    exec(db, "CREATE TABLE t2 AS SELECT ID, state, item, INFO FROM fileitems");
    exec(db, "DROP TABLE fileitems");
    exec(db, "ALTER TABLE t2 RENAME TO fileitems");
    EXPECT_EQ(DBCleanupItems().loadAll().size(), 11);
}

struct CleanupDeletion : ::testing::Test
{
    TempHome home;
    QString folder;
    QueuePtr job;

    void SetUp() override
    {
        folder = home.downloadsPath() + "/Job";
        for (const char* f : {"movie.mkv", "movie.nfo", "set.par2", "set.vol0+1.PAR2", "sub/deep.sfv",
                              "sub/keep.txt", "a[1].txt", "a1.txt", "Cover.GIF"})
            touch(folder + "/" + f);
        job = Queue::create();
        job->setDownloadUrl(folder);
    }
};

TEST_F(CleanupDeletion, CheckedPatternsDeleteInTheFolderAndBelow)
{
    QList<CleanupItem> items = DBCleanupItems::createInitialItems();
    items << CleanupItem(true, "*[1]*", "brackets");
    QueueFileUtils::deleteUserDefinedFilesFromArray(items, job);
    EXPECT_EQ(filesBelow(folder), (QStringList{"a1.txt", "movie.mkv", "movie.nfo", "sub/keep.txt"}));
    Logger::shared()->flush();
    EXPECT_FALSE(LogFileReader(home.logFilePath())
                     .linesContaining("Cleanup item found and deleted :: deep.sfv")
                     .isEmpty());
}

TEST_F(CleanupDeletion, Par2PatternsWaitWhileRepairAndExtractionAreOff)
{
    UserDefaults::standard().setBool(false, "enableFileRepair");
    UserDefaults::standard().setBool(false, "enableFileExtract");
    QueueFileUtils::deleteUserDefinedFilesFromArray(
        {CleanupItem(true, "*.par2", ""), CleanupItem(true, "*.PAR2x", "")}, job);
    EXPECT_TRUE(QFile::exists(folder + "/set.par2"));
    EXPECT_TRUE(QFile::exists(folder + "/set.vol0+1.PAR2"));
    // Written in capitals the pattern does not contain "par2" and is used.
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*.PAR2", "")}, job);
    EXPECT_FALSE(QFile::exists(folder + "/set.par2"));
    EXPECT_FALSE(QFile::exists(folder + "/set.vol0+1.PAR2"));
    UserDefaults::standard().setBool(true, "enableFileExtract");
    touch(folder + "/again.par2");
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*.par2", "")}, job);
    EXPECT_FALSE(QFile::exists(folder + "/again.par2"));
}

TEST_F(CleanupDeletion, NothingOutsideTheJobFolderIsTouched)
{
    const QString outside = home.makeFolder("outside");
    touch(outside + "/secret.nfo");
    touch(outside + "/inner/x.nfo");
    ASSERT_TRUE(QFile::link(outside + "/secret.nfo", folder + "/link.nfo"));
    ASSERT_TRUE(QFile::link(outside + "/inner", folder + "/linked-folder"));
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*.nfo", "")}, job);
    EXPECT_TRUE(QFile::exists(outside + "/secret.nfo"));
    EXPECT_TRUE(QFile::exists(outside + "/inner/x.nfo"));
    EXPECT_FALSE(QFileInfo(folder + "/link.nfo").isSymLink()) << "the link itself matched and went";
    EXPECT_FALSE(QFile::exists(folder + "/movie.nfo"));

    // A job whose folder is the download folder itself, or lies outside it.
    touch(home.downloadsPath() + "/loose.nfo");
    job->setDownloadUrl(home.downloadsPath());
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*", "")}, job);
    EXPECT_TRUE(QFile::exists(home.downloadsPath() + "/loose.nfo"));
    job->setDownloadUrl(outside);
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*", "")}, job);
    EXPECT_TRUE(QFile::exists(outside + "/secret.nfo"));
    ASSERT_TRUE(QFile::link(outside, home.downloadsPath() + "/JobLink"));
    job->setDownloadUrl(home.downloadsPath() + "/JobLink");
    QueueFileUtils::deleteUserDefinedFilesFromArray({CleanupItem(true, "*", "")}, job);
    EXPECT_TRUE(QFile::exists(outside + "/secret.nfo"));
}

TEST_F(CleanupDeletion, TheBackgroundCleanupWorksOnACopyWhileTheListChanges)
{
    CleanupItemsController controller;
    controller.loadItems();
    std::atomic<int> runs{0};
    std::atomic<bool> stop{false}, finished{false};
    Dispatch::global([&] {
        while (!stop.load()) {
            QueueFileUtils::deleteUserDefinedFilesFromArray(controller.arrayCleanupItems(), job);
            ++runs;
        }
        finished.store(true);
    });
    for (int i = 0; i < 2000; ++i) {
        controller.insertNewItem();
        controller.setItem(0, CleanupItem(true, QString("*.tmp%1").arg(i), "edited"));
        if (i % 3 == 0) controller.removeItemsInArray({0, 1});
    }
    ASSERT_TRUE(waitUntil([&] { return runs.load() > 3; }, 10000));
    stop.store(true);
    ASSERT_TRUE(waitUntil([&] { return finished.load(); }, 10000));
    EXPECT_TRUE(QFile::exists(folder + "/movie.mkv"));
}
