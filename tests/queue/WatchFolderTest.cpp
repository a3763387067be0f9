#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/WatchFolderController.h"

#include "NZBImportHarness.h"
#include "support/LogFileReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

struct WatchFolder : ::testing::Test, NZBImportHarness
{
    QString watched = home.makeFolder("watch");
    WatchFolderController watcher;

    WatchFolder()
    {
        UserDefaults::standard().setBool(true, "enableWatchFolder");
        UserDefaults::standard().setString(watched, "watchFolderPath");
        UserDefaults::standard().setBool(false, "enableDeleteNZB");
        watcher.setQueueController(&queueController);
        watcher.setNzbController(&nzbController);
    }

    static QByteArray nzbBytes(const QString& file)
    {
        NzbFixture nzb;
        nzb.addFile(file);
        return nzb.toXml();
    }
    // Writes a file in the watched folder in one open-write-close.
    QString drop(const QString& name, const QString& file = QStringLiteral("a.bin"))
    {
        const QString path = QDir(watched).filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(nzbBytes(file));
        return path;
    }
    QStringList titles() const
    {
        QStringList out;
        for (const QueuePtr& q : queueController.queueArray())
            out.append(q->title());
        return out;
    }
    // Long enough for the one-second latency of the events and the import
    // on an idle machine: used where nothing is expected to arrive.
    void settle()
    {
        spinEventLoop(1600);
        finishImports();
    }
    // Where an import is expected, waits for it (a loaded machine may take
    // longer than the latency) and then for what may follow it.
    bool settleUntil(const QStringList& wanted)
    {
        const bool arrived = waitUntil(
            [&] {
                QCoreApplication::sendPostedEvents();
                return nzbController.nzbImportQueue().operationCount() == 0 && titles() == wanted;
            },
            15000);
        settle();
        return arrived;
    }
};

TEST_F(WatchFolder, FilesPresentAtRestartAreImportedButNotFolders)
{
    drop("one.nzb");
    drop("TWO.NZB", "b.bin");
    drop("notes.txt");
    QDir().mkpath(QDir(watched).filePath("x.nzb"));
    watcher.restart();
    ASSERT_TRUE(watcher.streamIsActive());
    finishImports();
    QStringList got = titles();
    got.sort();
    EXPECT_EQ(got, QStringList({"TWO", "one"}));
    EXPECT_FALSE(QFileInfo::exists(QDir(watched).filePath("one.nzb")));
    EXPECT_TRUE(QFileInfo(QDir(watched).filePath("x.nzb")).isDir());
    EXPECT_TRUE(QFileInfo::exists(QDir(watched).filePath("notes.txt")));
    EXPECT_TRUE(QFileInfo::exists(trashed("one.nzb")));
}

TEST_F(WatchFolder, ADroppedFileIsImportedOnceAndADuplicateRefused)
{
    watcher.restart();
    drop("movie.nzb");
    EXPECT_TRUE(settleUntil({"movie"}));
    EXPECT_EQ(titles(), QStringList({"movie"}));
    EXPECT_FALSE(QFileInfo::exists(QDir(watched).filePath("movie.nzb")));

    // The same title again while the first job is queued: refused, kept.
    const QString again = drop("movie.nzb", "other.bin");
    settle();
    EXPECT_EQ(titles(), QStringList({"movie"}));
    EXPECT_TRUE(QFileInfo::exists(again));

    // A folder named like an NZB file arriving is no file to import.
    QDir().mkpath(QDir(watched).filePath("folder.nzb"));
    settle();
    EXPECT_EQ(titles(), QStringList({"movie"}));
}

TEST_F(WatchFolder, AFileMovedInIsImportedButNotOneWithACapitalExtension)
{
    watcher.restart();
    const QString outside = home.makeFolder("elsewhere");
    for (const char* name : {"moved.nzb", "CAPS.NZB"}) {
        QFile f(QDir(outside).filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(nzbBytes(name));
    }
    ASSERT_TRUE(QFile::rename(QDir(outside).filePath("moved.nzb"), QDir(watched).filePath("moved.nzb")));
    ASSERT_TRUE(QFile::rename(QDir(outside).filePath("CAPS.NZB"), QDir(watched).filePath("CAPS.NZB")));
    EXPECT_TRUE(settleUntil({"moved"}));
    EXPECT_EQ(titles(), QStringList({"moved"}));
    EXPECT_TRUE(QFileInfo::exists(QDir(watched).filePath("CAPS.NZB")));
}

TEST_F(WatchFolder, AFileStillBeingWrittenIsLeftUntilItIsClosed)
{
    watcher.restart();
    const QByteArray bytes = nzbBytes("slow.bin");
    const QString path = QDir(watched).filePath("slow.nzb");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    f.write(bytes.left(bytes.size() / 2));
    settle();
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(trashed("slow.nzb")));

    f.write(bytes.mid(bytes.size() / 2));
    f.close();
    EXPECT_TRUE(settleUntil({"slow"}));
    EXPECT_EQ(titles(), QStringList({"slow"}));
    ASSERT_EQ(queueController.queueArray().size(), 1);
    EXPECT_EQ(queueController.queueArray()[0]->filepartCount(), 1);
}

TEST_F(WatchFolder, SwitchingOffStopsWatching)
{
    watcher.restart();
    ASSERT_TRUE(watcher.streamIsActive());
    UserDefaults::standard().setBool(false, "enableWatchFolder");
    NotificationHub::defaultCenter().post("WatchFolderHasBeenChanged");
    EXPECT_FALSE(watcher.streamIsActive());
    drop("late.nzb");
    settle();
    EXPECT_TRUE(titles().isEmpty());

    UserDefaults::standard().setBool(true, "enableWatchFolder");
    NotificationHub::defaultCenter().post("WatchFolderHasBeenChanged");
    EXPECT_TRUE(watcher.streamIsActive());
    finishImports();
    EXPECT_EQ(titles(), QStringList({"late"}));
}

TEST_F(WatchFolder, AFolderThatCannotBeReachedIsWarnedAboutAndWatchedOnceItIsThere)
{
    const QString missing = QDir(watched).filePath("not yet");
    UserDefaults::standard().setString(missing, "watchFolderPath");
    watcher.restart();
    EXPECT_FALSE(watcher.streamIsActive());
    Logger::shared()->flush();
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesWithMessage("No write permission in path: " + missing).size(),
        1);

    ASSERT_TRUE(QDir().mkpath(missing));
    NotificationHub::defaultCenter().post("WatchFolderHasBeenChanged");
    EXPECT_TRUE(watcher.streamIsActive());
    EXPECT_EQ(watcher.monitoringURL(), missing);
}

TEST_F(WatchFolder, ALockedFileIsLeftInPlace)
{
    const QString path = drop("locked.nzb");
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    int flags = 0;
    const bool set = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 &&
                     (flags |= FS_IMMUTABLE_FL, ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0);
    if (!set) {
        ::close(fd);
        GTEST_SKIP() << "the immutable attribute cannot be set here (needs root and a file system with it)";
    }
    EXPECT_TRUE(WatchFolderController::checkIfFileIsLocked(path));
    watcher.restart();
    finishImports();
    EXPECT_TRUE(titles().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(path));
    flags &= ~FS_IMMUTABLE_FL;
    ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
    ::close(fd);
    EXPECT_FALSE(WatchFolderController::checkIfFileIsLocked(path));
}

} // namespace
