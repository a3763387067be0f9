// The tool-thread frame and the PAR2 repair worker against scripted par2
// tools: arguments, progress, the result table, the log block, disk errors,
// cancellation and the one report per run.
#include "postprocess/FileRepair.h"
#include "core/Logger.h"
#include "platform/NotificationHub.h"
#include "postprocess/RepairObject.h"
#include "queue/Queue.h"

#include "support/EventLoop.h"
#include "support/FakeToolFolder.h"
#include "support/LogFileReader.h"
#include "support/RecordingFileRepairExtractController.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <csignal>

namespace {

void touch(const QString& path, const QByteArray& data = "x")
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

struct RepairFixture : ::testing::Test
{
    TempHome home;
    FakeToolFolder tools{home.makeFolder("helpers")};
    RecordingFileRepairExtractController runner;
    QString folder;
    QueuePtr job;
    QueuePtr indexPart;

    void SetUp() override
    {
        folder = home.downloadsPath() + "/Job";
        QDir().mkpath(folder);
        job = Queue::create();
        job->setTitle("The Job");
        job->setDownloadUrl(folder);
        indexPart = Queue::create();
        indexPart->setIsFilepart(true);
        indexPart->setQueue(job);
        indexPart->setFilename("set.par2");
        job->appendFilepart(indexPart);
        RepairObjectPtr set = RepairObject::create();
        set->setFilepart(indexPart);
        for (const char* name : {"a.bin", "b.bin"}) {
            RepairObjectPtr child = RepairObject::create();
            child->setFilename(name);
            set->appendChild(child);
        }
        job->setRepairObject(set);
        touch(folder + "/set.par2");
    }

    std::shared_ptr<FileRepair> start()
    {
        std::shared_ptr<FileRepair> w = FileRepair::create();
        w->setFileRepairExtractController(&runner);
        w->setQueue(job);
        w->start();
        return w;
    }

    // Runs a worker whose par2 prints `output` and waits for its report.
    std::shared_ptr<FileRepair> runWithOutput(const QByteArray& output)
    {
        tools.writePrintingTool("par2", output);
        std::shared_ptr<FileRepair> w = start();
        EXPECT_TRUE(runner.waitForReports(1));
        spinEventLoop(30);
        return w;
    }
};

} // namespace

TEST_F(RepairFixture, Par2GetsTheIndexAndTheFolderFilesTheSetDoesNotName)
{
    touch(folder + "/a.bin");
    touch(folder + "/zzz-renamed");
    touch(folder + "/obfuscated.par2");
    touch(folder + "/.donotremove.Binorama.db");
    QDir().mkpath(folder + "/sub");
    runWithOutput("All files are correct, repair is not required.\n");
    EXPECT_EQ(tools.recordedArguments("par2"),
              (QStringList{"r", folder + "/set.par2", folder + "/obfuscated.par2", folder + "/zzz-renamed"}));
    // The environment is the program's own.
    EXPECT_TRUE(tools.recordedEnvironment("par2").contains("HOME=" + home.path()));
    ASSERT_EQ(runner.reports.size(), 1);
    EXPECT_TRUE(runner.reports[0].result);
    EXPECT_EQ(runner.comments.value(0), "Repairing: set");
    EXPECT_EQ(runner.offMainThreadCalls, 0);
}

TEST_F(RepairFixture, ResultTableRowsInOrder)
{
    struct Case
    {
        QByteArray output;
        bool result;
        qint64 blocks;
        QString comment; // empty: the first comment stays the last
        bool disk;
    };
    const QList<Case> cases = {
        {"Repair is not possible.\nYou need 12 more recovery blocks to be able to repair.\n", false, 12,
         "Repairing: set", false},
        {"Main packet not found.\n", false, 0, "Unable to repair. Main packet not found.", false},
        {"Could not read 4096 bytes from /x/a.bin at offset 0\n", false, 0, "Could not read bytes.", true},
        {"Could not write 4096 bytes to /x/a.bin at offset 4096: No space left on device\n", false, 0,
         "Could not write bytes.", true},
        {"Cannot delete /x/a.bin.1\n", false, 0, "Cannot delete.", true},
        {"Could not create /x/b.bin: Read-only file system\n", false, 0, "Write error.", true},
        {"Repair is possible.\nRepairing: 100.0%\nRepair complete.\n", true, 0, "Repair complete.", false},
        {"ALL FILES ARE CORRECT, REPAIR IS NOT REQUIRED.\n", true, 0, "Repair not required.", false},
        {"Repair is possible.\nSomething went wrong\n", false, 0, "Repair is possible.", false},
        {"No details available for recoverable file number 3.\n", false, 0,
         "No details available for recoverable file. Repair is not possible.", false},
        {"Repair is not possible.\n", false, 0, "Repair not possible.", false},
        {"failed to set the main par file\n", false, 0, "Repairing: set", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output.toStdString());
        runner.reports.clear();
        runner.comments.clear();
        job->setDiskNotReady(false);
        job->setIsPaused(false);
        std::shared_ptr<FileRepair> w = runWithOutput(c.output);
        ASSERT_EQ(runner.reports.size(), 1);
        EXPECT_EQ(runner.reports[0].result, c.result);
        EXPECT_EQ(runner.reports[0].requiredBlocks, c.blocks);
        EXPECT_EQ(runner.lastComment(), c.comment);
        EXPECT_EQ(job->diskNotReady(), c.disk);
        EXPECT_EQ(job->isPaused(), c.disk);
    }
}

TEST_F(RepairFixture, ProgressFromTheChunksAsTheyCome)
{
    EXPECT_EQ(FileRepair::repairPercentage("Repairing: 45.3%"), 45);
    EXPECT_EQ(FileRepair::repairPercentage("Constructing: 10%\rRepairing: 7.0%\rRepairing: 8.0%"), 7);
    EXPECT_EQ(FileRepair::repairPercentage("Verifying source files:"), std::nullopt);

    tools.writeTool("par2", FakeToolFolder::printChunks({"Repairing: 45.3%\r", "<gap>",
                                                         "Verifying repaired files:\n", "Repair complete.\n"},
                                                        300) +
                                "/bin/sleep 0.3\n");
    std::vector<qint64> seen;
    QStringList comments;
    // Watch the job's percentage while the tool prints.
    std::shared_ptr<FileRepair> w = start();
    ASSERT_TRUE(waitUntil(
        [&] {
            if (seen.empty() || seen.back() != job->percentRepaired()) seen.push_back(job->percentRepaired());
            return !runner.reports.isEmpty();
        },
        20000));
    spinEventLoop(50);
    EXPECT_NE(std::find(seen.begin(), seen.end(), 45), seen.end());
    EXPECT_EQ(job->percentRepaired(), 100);
    EXPECT_TRUE(runner.comments.contains("Repairing..."));
    EXPECT_TRUE(runner.comments.contains("Repairing: Verifying repaired files"));
    EXPECT_EQ(runner.lastComment(), "Repair complete.");
    EXPECT_TRUE(runner.reports[0].result);
}

TEST_F(RepairFixture, LogBlockNamesTheBlocksStillNeeded)
{
    runWithOutput("You need 12 more recovery blocks to be able to repair.\n");
    Logger::shared()->flush();
    const QStringList lines = LogFileReader(home.logFilePath()).lines();
    const QStringList wanted = {"Repair result :: The Job", " * PAR2file\t: set.par2",
                                " * Result\t\t: Requires 12 more blocks."};
    qsizetype at = -1;
    for (const QString& w : wanted) {
        qsizetype found = -1;
        for (qsizetype i = at + 1; i < lines.size(); ++i) {
            if (lines[i].endsWith(w)) {
                found = i;
                break;
            }
        }
        ASSERT_GE(found, 0) << w.toStdString() << "\n" << lines.join("\n").toStdString();
        at = found;
    }
    EXPECT_TRUE(lines[at + 1].contains(" * Repair time\t: ")) << lines[at + 1].toStdString();
    EXPECT_TRUE(lines[at + 1].endsWith(" seconds."));
}

TEST_F(RepairFixture, WithoutIndexOrFolderTheRunReportsAtOnceWithoutTheTool)
{
    tools.writePrintingTool("par2", "Repair complete.\n");
    job->repairObject()->setFilepart(nullptr);
    start();
    ASSERT_TRUE(runner.waitForReports(1));
    spinEventLoop(100);
    EXPECT_EQ(runner.reports.size(), 1);
    EXPECT_FALSE(runner.reports[0].result);
    EXPECT_EQ(runner.reports[0].requiredBlocks, 0);
    EXPECT_FALSE(tools.ran("par2"));

    runner.reports.clear();
    job->repairObject()->setFilepart(indexPart);
    job->setDownloadUrl(QString());
    start();
    ASSERT_TRUE(runner.waitForReports(1));
    EXPECT_FALSE(runner.reports[0].result);
    EXPECT_FALSE(tools.ran("par2"));
}

TEST_F(RepairFixture, AMissingToolIsAFailedRun)
{
    // No par2 in the helpers folder and none on an empty PATH.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", home.makeFolder("empty-bin").toUtf8());
    start();
    ASSERT_TRUE(runner.waitForReports(1));
    qputenv("PATH", path);
    EXPECT_FALSE(runner.reports[0].result);
}

TEST_F(RepairFixture, PausingTheJobEndsASilentToolAndReportsOnce)
{
    // A tool that says one thing and then stays silent, with a child process
    // that would keep the pipe open.
    tools.writeTool("par2", "printf 'Loading.\\n'\n/bin/sleep 60 &\n/bin/sleep 60\n");
    QElapsedTimer t;
    t.start();
    std::shared_ptr<FileRepair> w = start();
    ASSERT_TRUE(waitUntil([&] { return tools.ran("par2") && !runner.comments.isEmpty(); }, 10000));
    spinEventLoop(200);
    job->setIsPaused(true);
    ASSERT_TRUE(runner.waitForReports(1, 10000));
    EXPECT_LT(t.elapsed(), 8000);
    spinEventLoop(300);
    EXPECT_EQ(runner.reports.size(), 1);
    EXPECT_FALSE(runner.reports[0].result);
    EXPECT_EQ(job->percentRepaired(), 0);
    // The whole process group is gone.
    const qint64 pid = tools.recordedPid("par2");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(waitUntil([&] { return ::kill(pid_t(-pid), 0) != 0; }, 5000));
}

TEST_F(RepairFixture, TerminationCancelsTheRunWhichStillReportsOnce)
{
    tools.writeTool("par2", "printf 'Loading.\\n'\n/bin/sleep 60\n");
    std::shared_ptr<FileRepair> w = start();
    ASSERT_TRUE(waitUntil([&] { return tools.ran("par2"); }, 10000));
    NotificationHub::defaultCenter().post("ApplicationWillTerminate");
    EXPECT_TRUE(w->isCancelled());
    ASSERT_TRUE(runner.waitForReports(1, 10000));
    spinEventLoop(300);
    EXPECT_EQ(runner.reports.size(), 1);
    EXPECT_FALSE(runner.reports[0].result);
}

TEST_F(RepairFixture, AReportAfterTheRunnerIsGoneIsDropped)
{
    tools.writeTool("par2", "/bin/sleep 0.3\nprintf 'Repair complete.\\n'\n");
    auto gone = std::make_unique<RecordingFileRepairExtractController>();
    std::shared_ptr<FileRepair> w = FileRepair::create();
    w->setFileRepairExtractController(gone.get());
    w->setQueue(job);
    w->start();
    gone.reset();
    std::weak_ptr<FileRepair> watch = w;
    w.reset();
    // The worker lives on until its run is over, then goes.
    EXPECT_TRUE(waitUntil([&] { return watch.expired(); }, 10000));
}

TEST(RepairCutShort, TheDownloadedFileTakesItsNameBackFromTheHalfWrittenRepair)
{
    TempHome home;
    const QString folder = home.makeFolder("Downloads/Job");
    const QueuePtr job = Queue::create();
    job->setDownloadUrl(folder);
    auto part = [&](const QString& name, bool downloaded, bool par) {
        const QueuePtr p = Queue::create();
        p->setIsFilepart(true);
        p->setQueue(job);
        p->setFilename(name);
        p->setIsDownloaded(downloaded);
        p->setIspar(par);
        job->appendFilepart(p);
    };
    part("film.mkv", true, false);
    part("set.par2", true, true);
    // A job whose own files are "notes.txt" and "notes.txt.1": no backup.
    part("notes.txt", true, false);
    part("notes.txt.1", true, false);
    // Not written yet: whatever lies under its name stays.
    part("later.bin", false, false);
    // par2 set the download aside as .1; a second run, cut short too, set
    // the first run's half-written output aside as .2.
    touch(folder + "/film.mkv", "half of the third run");
    touch(folder + "/film.mkv.1", "downloaded");
    touch(folder + "/film.mkv.2", "half of the first run");
    touch(folder + "/set.par2", "index");
    touch(folder + "/set.par2.1", "not a backup of a data file");
    touch(folder + "/notes.txt", "notes");
    touch(folder + "/notes.txt.1", "more notes");
    touch(folder + "/later.bin", "later");
    touch(folder + "/later.bin.1", "later backup");

    FileRepair::undoInterruptedRepair(job);

    EXPECT_EQ(fileBytes(folder + "/film.mkv"), "downloaded");
    EXPECT_FALSE(QFile::exists(folder + "/film.mkv.1"));
    EXPECT_FALSE(QFile::exists(folder + "/film.mkv.2"));
    EXPECT_EQ(fileBytes(folder + "/notes.txt"), "notes");
    EXPECT_EQ(fileBytes(folder + "/notes.txt.1"), "more notes");
    EXPECT_EQ(fileBytes(folder + "/set.par2.1"), "not a backup of a data file");
    EXPECT_EQ(fileBytes(folder + "/later.bin"), "later");
    EXPECT_EQ(fileBytes(folder + "/later.bin.1"), "later backup");
}
