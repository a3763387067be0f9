// The store of the files-on-disk index: the hidden file in the download
// folder, relative folders, whole writes, and the index's load and save.
#include "queue/DBFOD.h"
#include "queue/FODController.h"

#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

FODObjectPtr record(const QString& qid, const QString& fid, const QString& name, const QString& folder)
{
    FODObjectPtr fod = FODObject::create();
    fod->setQid(qid);
    fod->setFid(fid);
    fod->setFilename(name);
    fod->setOrgFilename(name);
    fod->setFolder(folder);
    return fod;
}

// column -> value of every row, read with SQLite directly.
QStringList column(const QString& dbPath, const char* name)
{
    QStringList out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return out;
    }
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QByteArray("SELECT ") + name + " FROM files ORDER BY ID";
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            out << (sqlite3_column_type(st, 0) == SQLITE_NULL ? QStringLiteral("<null>")
                                                              : QString::fromUtf8(text));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

void exec(const QString& dbPath, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(dbPath).constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

class FODStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        download_ = home_.makeFolder("dl");
        UserDefaults::standard().setString(download_, "downloadPath");
    }
    QString storePath(const QString& folder) const { return folder + "/.donotremove.binorama.db"; }

    TempHome home_;
    QString download_;
};

} // namespace

TEST(FODStoreFolders, AreKeptRelativeToTheDownloadFolderAndOthersAreMarkedAbsolute)
{
    struct Case
    {
        const char* folder;
        const char* stored;
    };
    const Case cases[] = {
        {"/data/dl", ""},
        {"/data/dl/", ""},
        {"/data/dl/sub", "/sub"},
        {"/data/dl/sub/deeper", "/sub/deeper"},
        {"/data/dl-done/x", "//data/dl-done/x"}, // a prefix of the name, not of the path
        {"/mnt/x", "//mnt/x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DBFOD::encodeFolder(c.folder, "/data/dl"), c.stored) << c.folder;
        EXPECT_EQ(DBFOD::decodeFolder(c.stored, "/data/dl"), QDir::cleanPath(c.folder)) << c.stored;
    }
    // A value written by a reader that knows only relative folders.
    EXPECT_EQ(DBFOD::decodeFolder("sub", "/data/dl"), "/data/dl/sub");
    EXPECT_EQ(DBFOD::encodeFolder("/x", "/"), "/x");
    EXPECT_EQ(DBFOD::decodeFolder("/x", "/"), "/x");
}

TEST_F(FODStore, IsTheHiddenFileNamedAfterTheApplicationInTheDownloadFolder)
{
    EXPECT_EQ(DBFOD::fileNameForApp(), ".donotremove.binorama.db");
    DBFOD store(download_);
    EXPECT_EQ(store.databasePath(), storePath(download_));
    EXPECT_TRUE(QFileInfo::exists(storePath(download_)));
    EXPECT_FALSE(QFileInfo::exists(home_.appSupportPath() + "/db/.donotremove.binorama.db"));

    // Without the download folder there is no store, and no folder is made.
    const QString missing = download_ + "/missing";
    DBFOD none(missing);
    EXPECT_TRUE(none.loadall().isEmpty());
    EXPECT_FALSE(none.saveall({record("q", "f", "a", missing)}));
    EXPECT_FALSE(QFileInfo::exists(missing));
}

TEST_F(FODStore, RoundTripsRecordsWithRelativeFoldersAndAbsentQidComingBackAbsent)
{
    const QString elsewhere = home_.makeFolder("other");
    FODObjectPtr top = record("q1", "f1", "a.bin", download_);
    top->setMd5("m1");
    top->setMd516k("k1");
    top->setFileID("id1");
    top->setSetID("s1");
    top->setTotalBlocks(40);
    top->setAvailableBlocks(39);
    top->setCrc32checked(true);
    top->setBytes(1234.9);
    FODObjectPtr sub = record(QString(), "f2", "b.bin", download_ + "/job");
    sub->setOrgFilename(QString());
    sub->setIsPar(true);
    FODObjectPtr outside = record("q3", "f3", "c.bin", elsewhere);
    touch(top->path());
    touch(sub->path());
    touch(outside->path());
    {
        DBFOD store(download_);
        ASSERT_TRUE(store.saveall({top, sub, outside}));
    }
    EXPECT_EQ(column(storePath(download_), "folder"), QStringList({"", "/job", "/" + elsewhere}));
    EXPECT_EQ(column(storePath(download_), "qid"), QStringList({"q1", "<null>", "q3"}));
    EXPECT_EQ(column(storePath(download_), "bytes"), QStringList({"1234", "0", "0"}));

    DBFOD store(download_);
    const QList<FODObjectPtr> back = store.loadall();
    ASSERT_EQ(back.size(), 3);
    EXPECT_EQ(back[0]->folder(), download_);
    EXPECT_EQ(back[0]->md5(), "m1");
    EXPECT_EQ(back[0]->fileID(), "id1");
    EXPECT_EQ(back[0]->setID(), "s1");
    EXPECT_EQ(back[0]->totalBlocks(), 40);
    EXPECT_EQ(back[0]->availableBlocks(), 39);
    EXPECT_TRUE(back[0]->crc32checked());
    EXPECT_DOUBLE_EQ(back[0]->bytes(), 1234.0);
    EXPECT_EQ(back[1]->folder(), download_ + "/job");
    EXPECT_TRUE(back[1]->qid().isNull());
    EXPECT_TRUE(back[1]->isPar());
    // Absent texts other than the qid come back empty, not absent.
    EXPECT_FALSE(back[1]->orgFilename().isNull());
    EXPECT_TRUE(back[1]->orgFilename().isEmpty());
    EXPECT_FALSE(back[1]->md5().isNull());
    EXPECT_EQ(back[2]->folder(), elsewhere);
}

TEST_F(FODStore, AFailedWriteKeepsThePreviousIndexWhole)
{
    DBFOD store(download_);
    ASSERT_TRUE(
        store.saveall({record("q", "f1", "a.bin", download_), record("q", "f2", "b.bin", download_)}));
    // The second record cannot be written: nothing of the new content lands.
    EXPECT_FALSE(store.saveall({record("q", "f3", "c.bin", download_), nullptr}));
    EXPECT_EQ(column(storePath(download_), "fid"), QStringList({"f1", "f2"}));
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home_.logFilePath()).linesWithMessage("Commit Failed!").size(), 1);
}

TEST_F(FODStore, AStoreOfAnotherShapeLoadsNothingAndIsReplacedAtTheNextSave)
{
    exec(storePath(download_), "CREATE TABLE files (ID INTEGER PRIMARY KEY, qid TEXT, fid TEXT)");
    exec(storePath(download_), "INSERT INTO files (qid, fid) VALUES ('q', 'f')");
    FODController index;
    EXPECT_TRUE(index.uniqueFodsArray().isEmpty());
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home_.logFilePath())
                  .linesWithMessage("FOD database is not compatible with app version.")
                  .size(),
              1);
}

TEST_F(FODStore, TheIndexSavesToTheOldFolderBeforeAChangeOfFolderAndReadsBackWhatStillExists)
{
    const QString second = home_.makeFolder("dl2");
    FODController index;
    FODObjectPtr kept = record("q1", "f1", "a.bin", download_ + "/job");
    FODObjectPtr gone = record("q1", "f2", "b.bin", download_ + "/job");
    touch(kept->path());
    touch(gone->path());
    index.addFod(kept);
    index.addFod(gone);

    UserDefaults::standard().setString(second, "downloadPath");
    NotificationHub::defaultCenter().post("DownloadPathHasBeenChanged");
    EXPECT_EQ(index.monitoringURL(), second);
    EXPECT_TRUE(index.uniqueFodsArray().isEmpty());
    EXPECT_EQ(column(storePath(download_), "folder"), QStringList({"/job", "/job"}));
    // The new folder's index is empty: it carries no store.
    EXPECT_FALSE(QFileInfo::exists(storePath(second)));

    QFile::remove(gone->path());
    UserDefaults::standard().setString(download_, "downloadPath");
    NotificationHub::defaultCenter().post("DownloadPathHasBeenChanged");
    const QList<FODObjectPtr> back = index.uniqueFodsArray();
    ASSERT_EQ(back.size(), 1);
    EXPECT_EQ(back[0]->fid(), "f1");
    EXPECT_EQ(back[0]->folder(), download_ + "/job");
    EXPECT_EQ(index.searchFileForDict({{"fid", "f1"}}), back[0]);
}

TEST_F(FODStore, ARecordWithoutOriginalNameIsListedUnderItsCurrentNameAfterARestart)
{
    FODObjectPtr fod = record("q", "f1", "a.bin", download_);
    fod->setOrgFilename(QString());
    touch(fod->path());
    {
        FODController index;
        index.addFod(fod);
        EXPECT_TRUE(index.fodsForKey("a.bin").isEmpty());
        ASSERT_TRUE(index.saveAllEntries());
    }
    FODController index;
    ASSERT_EQ(index.fodsForKey("a.bin").size(), 1);
    EXPECT_EQ(index.fodsForKey("a.bin").first()->orgFilename(), "");
}

TEST_F(FODStore, AnEmptyIndexDeletesTheStore)
{
    FODObjectPtr fod = record("q", "f1", "a.bin", download_);
    touch(fod->path());
    FODController index;
    index.addFod(fod);
    ASSERT_TRUE(index.saveAllEntries());
    ASSERT_TRUE(QFileInfo::exists(storePath(download_)));
    index.removeFodObject(fod);
    ASSERT_TRUE(index.saveAllEntries());
    EXPECT_FALSE(QFileInfo::exists(storePath(download_)));
}

TEST(FODStoreWithoutFolder, TheIndexStaysEmptyAndSaysSo)
{
    TempHome home;
    UserDefaults::standard().setString(QString(), "downloadPath");
    FODController index;
    EXPECT_TRUE(index.monitoringURL().isEmpty());
    EXPECT_FALSE(index.isWatching());
    EXPECT_FALSE(index.saveAllEntries());
    Logger::shared()->flush();
    EXPECT_EQ(LogFileReader(home.logFilePath()).linesWithMessage("Download path is nil").size(), 1);
}
