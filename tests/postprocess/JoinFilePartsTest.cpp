// Joining numbered pieces: order by number, one file per base name, nothing
// touched when a piece is missing or unreadable, no existing file written to,
// cancellation, progress and the entry that takes the joined name.
#include "postprocess/JoinFileParts.h"
#include "core/Logger.h"
#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/RecordingFileRepairExtractController.h"
#include "support/TempHome.h"
#include "support/TmpfsMount.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

struct Join : ::testing::Test
{
    TempHome home;
    RecordingFileRepairExtractController runner;
    QString folder;
    QueuePtr job;

    void SetUp() override
    {
        folder = home.downloadsPath() + "/Job";
        QDir().mkpath(folder);
        job = Queue::create();
        job->setTitle("Pieces");
        job->setDownloadUrl(folder);
    }

    // File parts named `names`, each written with its own name as content
    // (unless `write` is off).
    void parts(const QStringList& names, bool write = true)
    {
        for (const QString& n : names) {
            QueuePtr p = Queue::create();
            p->setIsFilepart(true);
            p->setQueue(job);
            p->setFilename(n);
            job->appendFilepart(p);
            if (write) {
                QFile f(folder + "/" + n);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
                f.write(n.toUtf8() + "|");
            }
        }
    }

    bool run()
    {
        runner.reports.clear();
        std::shared_ptr<JoinFileParts> w = JoinFileParts::create();
        w->setFileRepairExtractController(&runner);
        w->setQueue(job);
        w->start();
        EXPECT_TRUE(runner.waitForReports(1));
        spinEventLoop(50);
        EXPECT_EQ(runner.reports.size(), 1);
        EXPECT_EQ(runner.reports.value(0).kind, "join");
        return runner.reports.value(0).result;
    }

    QStringList files() const { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
};

} // namespace

TEST(JoinNames, PiecesGroupsAndOrder)
{
    EXPECT_TRUE(JoinFileParts::isPieceName("x.avi.001"));
    EXPECT_TRUE(JoinFileParts::isPieceName("x.7z.2"));
    EXPECT_FALSE(JoinFileParts::isPieceName("x.part1.rar"));
    EXPECT_FALSE(JoinFileParts::isPieceName("x.r00"));
    const auto groups = JoinFileParts::groupPieces({"movie.avi.002", "sample.avi.001", "movie.avi.010",
                                                    "movie.avi.001", "x.10", "x.2", "x.1", "readme.txt"});
    ASSERT_EQ(groups.size(), 3);
    EXPECT_EQ(groups[0].target, "movie.avi");
    EXPECT_EQ(groups[0].pieces, (QStringList{"movie.avi.001", "movie.avi.002", "movie.avi.010"}));
    EXPECT_FALSE(JoinFileParts::isComplete(groups[0]));
    EXPECT_EQ(groups[1].pieces, QStringList{"sample.avi.001"});
    EXPECT_TRUE(JoinFileParts::isComplete(groups[1]));
    EXPECT_EQ(groups[2].pieces, (QStringList{"x.1", "x.2", "x.10"}));
    EXPECT_TRUE(JoinFileParts::isComplete({"y", {"y.000", "y.001"}}));
    EXPECT_FALSE(JoinFileParts::isComplete({"y", {"y.002", "y.003"}}));
    EXPECT_FALSE(JoinFileParts::isComplete({"y", {"y.1", "y.001"}}));

    EXPECT_EQ(JoinFileParts::progressFor(1, 3), 33);
    EXPECT_EQ(JoinFileParts::progressFor(2, 3), 66);
    EXPECT_EQ(JoinFileParts::progressFor(3, 3), 100);
    EXPECT_EQ(JoinFileParts::progressFor(96, 97), 98);
    EXPECT_EQ(JoinFileParts::progressFor(97, 97), 100);
}

TEST_F(Join, NothingToJoinReportsSuccessAndTouchesNothing)
{
    parts({"a.mkv", "a.part1.rar", "report.2023"});
    EXPECT_TRUE(run());
    EXPECT_EQ(files(), (QStringList{"a.mkv", "a.part1.rar", "report.2023"}));
}

TEST_F(Join, PiecesJoinInNumericOrderAndGo)
{
    QStringList names;
    for (int i = 12; i >= 1; --i)
        names << QString::asprintf("x.avi.%03d", i);
    parts(names);
    // Plain string order would give y.1, y.10, y.2, ...
    parts({"y.10", "y.2", "y.1", "y.9", "y.3", "y.4", "y.5", "y.6", "y.7", "y.8"});
    EXPECT_TRUE(run());
    QByteArray expected;
    for (int i = 1; i <= 12; ++i)
        expected += QString::asprintf("x.avi.%03d|", i).toUtf8();
    EXPECT_EQ(fileBytes(folder + "/x.avi"), expected);
    EXPECT_EQ(fileBytes(folder + "/y"), "y.1|y.2|y.3|y.4|y.5|y.6|y.7|y.8|y.9|y.10|");
    EXPECT_EQ(files(), (QStringList{"x.avi", "y"}));
    EXPECT_EQ(job->percentRepaired(), 100);
    EXPECT_TRUE(runner.comments.contains("Joining file: x.avi.001"));
    // The entry of the first piece now names the joined file.
    QStringList partNames;
    for (const QueuePtr& p : job->fileparts())
        partNames << p->filename();
    EXPECT_TRUE(partNames.contains("x.avi"));
    EXPECT_TRUE(partNames.contains("y"));
}

TEST_F(Join, BaseNamesStayApart)
{
    parts({"movie.avi.001", "movie.avi.002", "sample.avi.001", "sample.avi.002"});
    EXPECT_TRUE(run());
    EXPECT_EQ(fileBytes(folder + "/movie.avi"), "movie.avi.001|movie.avi.002|");
    EXPECT_EQ(fileBytes(folder + "/sample.avi"), "sample.avi.001|sample.avi.002|");
}

TEST_F(Join, TheRecoverySetsNamesComeFirst)
{
    parts({"obfuscated1", "obfuscated2"}, false);
    RepairObjectPtr set = RepairObject::create();
    for (const char* n : {"x.bin.001", "x.bin.002"}) {
        RepairObjectPtr c = RepairObject::create();
        c->setFilename(n);
        set->appendChild(c);
        QFile f(folder + "/" + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(n) + "|");
    }
    job->setRepairObject(set);
    EXPECT_TRUE(run());
    EXPECT_EQ(fileBytes(folder + "/x.bin"), "x.bin.001|x.bin.002|");
    EXPECT_EQ(set->childs()[0]->filename(), "x.bin");
}

TEST_F(Join, AMissingOrUnreadablePieceTouchesNothing)
{
    // A gap in the numbers.
    parts({"a.bin.001", "a.bin.003"});
    EXPECT_FALSE(run());
    EXPECT_EQ(files(), (QStringList{"a.bin.001", "a.bin.003"}));

    // A piece named but not on disk.
    job->setFileparts({});
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    parts({"b.bin.001", "b.bin.003"});
    parts({"b.bin.002"}, false);
    EXPECT_FALSE(run());
    EXPECT_EQ(files(), (QStringList{"b.bin.001", "b.bin.003"}));

    // A piece that cannot be read (a folder in its place); the complete
    // group beside it waits too.
    QDir().mkpath(folder + "/b.bin.002");
    parts({"c.bin.001", "c.bin.002"});
    EXPECT_FALSE(run());
    EXPECT_EQ(files(), (QStringList{"b.bin.001", "b.bin.003", "c.bin.001", "c.bin.002"}));
}

TEST_F(Join, AnExistingFileIsNeverWrittenTo)
{
    {
        QFile f(folder + "/x.avi");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("mine");
    }
    parts({"x.avi.001", "x.avi.002"});
    EXPECT_TRUE(run());
    EXPECT_EQ(fileBytes(folder + "/x.avi"), "mine");
    EXPECT_EQ(fileBytes(folder + "/x.1.avi"), "x.avi.001|x.avi.002|");
    EXPECT_EQ(job->fileparts()[0]->filename(), "x.1.avi");
}

TEST_F(Join, CancellingReportsFailureOnceAndKeepsThePieces)
{
    parts({"x.avi.001", "x.avi.002", "x.avi.003"});
    job->setIsCancelled(true);
    EXPECT_FALSE(run());
    spinEventLoop(100);
    EXPECT_EQ(runner.reports.size(), 1);
    EXPECT_EQ(files(), (QStringList{"x.avi.001", "x.avi.002", "x.avi.003"}));
    Logger::shared()->flush();
    EXPECT_FALSE(
        LogFileReader(home.logFilePath()).linesContaining("Stop due cancellation :: Pieces").isEmpty());
}

TEST_F(Join, ACancelledJoinStopsBeforeItsNextPiece)
{
    // The runner cancels the join when the application terminates.
    parts({"x.avi.001", "x.avi.002"});
    std::shared_ptr<JoinFileParts> w = JoinFileParts::create();
    w->setFileRepairExtractController(&runner);
    w->setQueue(job);
    w->cancel();
    w->start();
    ASSERT_TRUE(runner.waitForReports(1));
    spinEventLoop(50);
    ASSERT_EQ(runner.reports.size(), 1);
    EXPECT_FALSE(runner.reports[0].result);
    EXPECT_TRUE(w->isCancelled());
    EXPECT_EQ(files(), (QStringList{"x.avi.001", "x.avi.002"}));
}

TEST_F(Join, NamesThatAreNoPlainFileNameAreIgnored)
{
    const QString outside = home.makeFolder("Downloads/outside");
    {
        QFile f(outside + "/z.001");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("outside");
    }
    parts({"../outside/z.001"}, false);
    EXPECT_TRUE(run());
    EXPECT_EQ(fileBytes(outside + "/z.001"), "outside");
    EXPECT_FALSE(QFile::exists(outside + "/z"));
}

TEST_F(Join, AFullDiskFailsAndKeepsEveryPiece)
{
    TmpfsMount disk(folder, 96 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    for (const char* n : {"big.bin.001", "big.bin.002"}) {
        QFile f(folder + "/" + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(QByteArray(40000, 'p')), 40000);
    }
    parts({"big.bin.001", "big.bin.002"}, false);
    EXPECT_FALSE(run());
    EXPECT_EQ(files(), (QStringList{"big.bin.001", "big.bin.002"}));
    EXPECT_EQ(fileBytes(folder + "/big.bin.002").size(), 40000);
}

TEST_F(Join, ThePiecesStayUntilTheRunnerLetsThemGo)
{
    parts({"x.avi.001", "x.avi.002"});
    runner.holdJoinedPieces = true;
    std::shared_ptr<JoinFileParts> w = JoinFileParts::create();
    w->setFileRepairExtractController(&runner);
    w->setQueue(job);
    w->start();
    ASSERT_TRUE(waitUntil([&] { return bool(runner.heldPieceDeletion); }));
    // The joined file is whole and named; the pieces are still there, and
    // the run has not ended.
    EXPECT_EQ(fileBytes(folder + "/x.avi"), "x.avi.001|x.avi.002|");
    EXPECT_EQ(files(), (QStringList{"x.avi", "x.avi.001", "x.avi.002"}));
    EXPECT_EQ(job->fileparts()[0]->filename(), "x.avi");
    spinEventLoop(100);
    EXPECT_TRUE(runner.reports.isEmpty());

    runner.heldPieceDeletion();
    ASSERT_TRUE(runner.waitForReports(1));
    EXPECT_TRUE(runner.reports[0].result);
    EXPECT_EQ(files(), QStringList{"x.avi"});
}

TEST_F(Join, AJoinCutShortIsDoneAgainWithoutASecondFile)
{
    // What a join cut short leaves: its hidden half-written file, or the
    // joined file already in place with every piece still there.
    parts({"x.avi.001", "x.avi.002"});
    parts({"y.bin.001", "y.bin.002"});
    for (const auto& [name, bytes] :
         {std::pair<QString, QByteArray>{".x.avi.joining-Ab12Cd", "x.avi.0"},
          std::pair<QString, QByteArray>{"y.bin", "y.bin.001|y.bin.002|"}}) {
        QFile f(folder + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    EXPECT_TRUE(run());
    EXPECT_EQ(files(), (QStringList{"x.avi", "y.bin"}));
    EXPECT_EQ(fileBytes(folder + "/x.avi"), "x.avi.001|x.avi.002|");
    EXPECT_EQ(fileBytes(folder + "/y.bin"), "y.bin.001|y.bin.002|");
    EXPECT_EQ(job->fileparts()[2]->filename(), "y.bin");
}

TEST_F(Join, AfterARestartThePiecesOfAJoinedFileThatWereLeftGo)
{
    // Parts as they were stored once the join was done: the first piece's
    // part is named after its joined file. The program ended while the
    // pieces were being deleted.
    parts({"x.avi", "x.avi.002", "x.avi.003"}, false);
    parts({"keep.bin.001", "keep.bin.002"});
    for (const char* n : {"x.avi", "x.avi.001", "x.avi.003"}) {
        QFile f(folder + "/" + n);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(n);
    }
    JoinFileParts::removeLeftoverPieces(job);
    // keep.bin was never joined: its pieces stay.
    EXPECT_EQ(files(), (QStringList{"keep.bin.001", "keep.bin.002", "x.avi"}));
}
