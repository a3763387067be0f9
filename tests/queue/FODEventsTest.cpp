// The files-on-disk index follows deletions in the download folder through
// real file-system events (inotify), about a second after they happen.
#include "platform/FileSystemEventStream.h"
#include "queue/FODController.h"

#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

namespace {

void touch(const QString& path)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

FODObjectPtr recordOnDisk(const QString& fid, const QString& folder, const QString& name)
{
    FODObjectPtr fod = FODObject::create();
    fod->setQid("q");
    fod->setFid(fid);
    fod->setFilename(name);
    fod->setOrgFilename(name);
    fod->setFolder(folder);
    touch(fod->path());
    return fod;
}

class FODEvents : public ::testing::Test
{
protected:
    void SetUp() override
    {
        download_ = home_.makeFolder("dl");
        home_.makeFolder("dl/job/sub");
        UserDefaults::standard().setString(download_, "downloadPath");
        index_ = std::make_unique<FODController>();
        ASSERT_TRUE(index_->isWatching());
    }
    bool has(const QString& fid) const { return !index_->fodsForKey(fid).isEmpty(); }

    TempHome home_;
    QString download_;
    std::unique_ptr<FODController> index_;
};

} // namespace

TEST_F(FODEvents, ADeletedFileLeavesTheIndexAboutASecondLater)
{
    const FODObjectPtr a = recordOnDisk("fa", download_ + "/job", "a.bin");
    const FODObjectPtr b = recordOnDisk("fb", download_ + "/job", "b.bin");
    index_->addFod(a);
    index_->addFod(b);

    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(QFile::remove(a->path()));
    ASSERT_TRUE(waitUntil([&] { return !has("fa"); }, 5000));
    // Coalesced with the platform's latency of one second.
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_TRUE(has("fb"));
}

TEST_F(FODEvents, AFileRenamedOutsideTheProgramLosesItsRecordAndTheNewNameIsNotIndexed)
{
    const FODObjectPtr a = recordOnDisk("fa", download_ + "/job", "a.bin");
    index_->addFod(a);
    ASSERT_TRUE(QFile::rename(a->path(), download_ + "/job/renamed.bin"));
    ASSERT_TRUE(waitUntil([&] { return !has("fa"); }, 5000));
    EXPECT_TRUE(index_->fodsForKey("renamed.bin").isEmpty());
}

TEST_F(FODEvents, ADeletedFolderTakesTheRecordsOfExactlyThatFolder)
{
    const FODObjectPtr inSub = recordOnDisk("fs", download_ + "/job/sub", "a.bin");
    const FODObjectPtr inJob = recordOnDisk("fj", download_ + "/job", "a.bin");
    index_->addFod(inSub);
    index_->addFod(inJob);
    // Moved away rather than deleted: only the folder's own event arrives.
    const QString away = home_.makeFolder("away");
    ASSERT_TRUE(QDir().rename(download_ + "/job/sub", away + "/sub"));
    ASSERT_TRUE(waitUntil([&] { return !has("fs"); }, 5000));
    EXPECT_TRUE(has("fj"));
}

TEST_F(FODEvents, FoldersMadeAfterTheStartAreWatchedToo)
{
    home_.makeFolder("dl/later/deeper");
    spinEventLoop(100); // the creation event arms the new folders' watches
    const FODObjectPtr fod = recordOnDisk("fl", download_ + "/later/deeper", "x.bin");
    index_->addFod(fod);
    ASSERT_TRUE(QFile::remove(fod->path()));
    EXPECT_TRUE(waitUntil([&] { return !has("fl"); }, 5000));
}

TEST_F(FODEvents, AFileThatIsBackByTheTimeOfDeliveryKeepsItsRecord)
{
    const FODObjectPtr a = recordOnDisk("fa", download_ + "/job", "a.bin");
    index_->addFod(a);
    ASSERT_TRUE(QFile::remove(a->path()));
    touch(a->path()); // replaced within the latency
    spinEventLoop(1600);
    EXPECT_TRUE(has("fa"));
}

TEST_F(FODEvents, AChangeOfFolderWatchesTheNewFolder)
{
    const QString second = home_.makeFolder("dl2");
    UserDefaults::standard().setString(second, "downloadPath");
    index_->downloadPathHasBeenChanged();
    ASSERT_TRUE(index_->isWatching());
    const FODObjectPtr fod = recordOnDisk("f2", second, "x.bin");
    index_->addFod(fod);
    ASSERT_TRUE(QFile::remove(fod->path()));
    EXPECT_TRUE(waitUntil([&] { return !has("f2"); }, 5000));
}

TEST(FileSystemEventStreamTest, UsesOneInotifyInstanceWithAWatchPerFolder)
{
    TempHome home;
    const QString root = home.makeFolder("root");
    home.makeFolder("root/a/b");
    home.makeFolder("root/c");
    QList<FileSystemEventStream::Removal> seen;
    FileSystemEventStream stream(root, 50,
                                 [&](const QList<FileSystemEventStream::Removal>& r, bool) { seen += r; });
    ASSERT_TRUE(stream.start());
    EXPECT_EQ(stream.watchCount(), 4);
    ASSERT_TRUE(QDir(root + "/a").removeRecursively());
    ASSERT_TRUE(waitUntil([&] { return seen.size() >= 2; }, 3000));
    EXPECT_TRUE(waitUntil([&] { return stream.watchCount() == 2; }, 3000));
    bool sawFolderA = false;
    for (const FileSystemEventStream::Removal& r : seen)
        sawFolderA = sawFolderA || (r.path == root + "/a" && r.isFolder);
    EXPECT_TRUE(sawFolderA);

    FileSystemEventStream missing(root + "/none", 50, {});
    EXPECT_FALSE(missing.start());
}
