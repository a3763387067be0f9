// The post-processing runner with scripted tools: which step a waiting job
// gets, the status each report leads to, one step at a time, switches read
// at the moment of use, and the end of the run at termination.
#include "postprocess/FileRepairExtractController.h"
#include "postprocess/RepairObject.h"

#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/FakeToolFolder.h"
#include "support/StatusRecordingJobList.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

struct Runner : ::testing::Test
{
    TempHome home;
    FakeToolFolder tools{home.makeFolder("helpers")};
    StatusRecordingJobList jobs;
    FileRepairExtractController runner;

    void SetUp() override
    {
        UserDefaults::standard().setBool(true, "enableFileRepair");
        UserDefaults::standard().setBool(true, "enableFileExtract");
        runner.setJobSource([this] { return jobs.firstWaitingJob(); });
    }

    QString folderFor(const QString& title) const
    {
        const QString folder = home.downloadsPath() + "/" + title;
        QDir().mkpath(folder);
        return folder;
    }

    // A job at 14 whose set was made from "set.par2".
    QueuePtr repairJob(const QString& title)
    {
        QueuePtr job = jobs.addJob(title, folderFor(title), 14);
        QueuePtr index = Queue::create();
        index->setIsFilepart(true);
        index->setFilename("set.par2");
        job->appendFilepart(index);
        QFile f(job->downloadUrl() + "/set.par2");
        f.open(QIODevice::WriteOnly);
        RepairObjectPtr set = RepairObject::create();
        set->setFilepart(index);
        job->setRepairObject(set);
        return job;
    }

    QueuePtr indexOf(const QueuePtr& job) const { return job->repairObject()->filepart(); }

    bool waitIdle(int ms = 20000)
    {
        const bool idle = waitUntil([&] { return !runner.isrunning(); }, ms);
        spinEventLoop(50); // the last status reports
        return idle;
    }
};

} // namespace

TEST_F(Runner, SwitchedOffStepsAreSkippedAndTheRunnerGoesIdleInTheSamePass)
{
    struct Case
    {
        const char* setting;
        qint64 from;
        qint64 to;
    };
    const Case cases[] = {
        {"enableFileRepair", 14, 47},
        {"enableFileExtract", 15, 32},
        {"enableFileExtract", 54, 38},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.from);
        UserDefaults::standard().setBool(true, "enableFileRepair");
        UserDefaults::standard().setBool(true, "enableFileExtract");
        UserDefaults::standard().setBool(false, c.setting);
        // Two waiting jobs: both are dropped in the one pass.
        QueuePtr a = repairJob(QString("A%1").arg(c.from));
        QueuePtr b = repairJob(QString("B%1").arg(c.from));
        a->setStatus(c.from);
        b->setStatus(c.from);
        runner.rescan();
        EXPECT_FALSE(runner.isrunning());
        EXPECT_EQ(a->status(), c.to);
        EXPECT_EQ(b->status(), c.to);
        EXPECT_FALSE(tools.ran("par2"));
    }
}

TEST_F(Runner, RepairReportsLeadToTheirStatus)
{
    struct Case
    {
        const char* name;
        QByteArray output;
        qint64 status;
        qint64 blocksRequired;
        bool indexRepaired;
    };
    const Case cases[] = {
        {"complete", "Repair is possible.\nRepairing: 100.0%\nRepair complete.\n", 20, 0, true},
        {"needs blocks", "Repair is not possible.\nYou need 4 more recovery blocks to be able to repair.\n",
         22, 4, false},
        {"unknown output", "Segmentation fault\n", 8, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tools.writePrintingTool("par2", c.output);
        QueuePtr job = repairJob(c.name);
        job->setIsIncomplete(true);
        runner.rescan();
        EXPECT_TRUE(runner.isrunning());
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(jobs.statuses(job), (QList<qint64>{14, 3, c.status}));
        EXPECT_EQ(job->blocksRequired(), c.blocksRequired);
        EXPECT_EQ(indexOf(job)->isRepaired(), c.indexRepaired);
        EXPECT_EQ(job->isIncomplete(), c.status != 20);
    }
}

TEST_F(Runner, ASuccessfulRepairShowsTheSetComplete)
{
    tools.writePrintingTool("par2", "Repair is possible.\nRepair complete.\n");
    QueuePtr job = repairJob("Set");
    QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setIsIncomplete(true);
    job->appendFilepart(part);
    RepairObjectPtr damaged = RepairObject::create();
    damaged->setTotalBlocks(10);
    damaged->setAvailableBlocks(7);
    damaged->setIsDownloaded(true);
    RepairObjectPtr missing = RepairObject::create();
    missing->setTotalBlocks(5);
    job->repairObject()->appendChild(damaged);
    job->repairObject()->appendChild(missing);

    runner.rescan();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(job->status(), JobStatus::RepairFinished);
    EXPECT_FALSE(part->isIncomplete());
    for (const RepairObjectPtr& child : {damaged, missing}) {
        EXPECT_TRUE(child->isDownloaded());
        EXPECT_EQ(child->availableBlocks(), child->totalBlocks());
    }
}

TEST_F(Runner, AJobWithoutARecoverySetMovesOnAndDoesNotHoldBackLaterJobs)
{
    QueuePtr bare = jobs.addJob("Bare", folderFor("Bare"), 14);
    QueuePtr join = jobs.addJob("Join", folderFor("Join"), 43);
    runner.rescan();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(bare->status(), JobStatus::PrepareJoiningFileParts);
    // Nothing to join: the join reports success at once.
    EXPECT_EQ(jobs.statuses(join), (QList<qint64>{43, 44, 45}));
}

TEST_F(Runner, OneStepAtATimeAndTheNextJobStartsOnTheReport)
{
    tools.writeTool("par2", FakeToolFolder::printChunks({"Repairing: 10.0%\r", "Repair complete.\n"}, 600));
    QueuePtr first = repairJob("First");
    QueuePtr second = jobs.addJob("Second", folderFor("Second"), 43);
    runner.rescan();
    EXPECT_EQ(first->status(), JobStatus::Repairing);
    runner.rescan(); // busy: nothing
    runner.rescan();
    spinEventLoop(200);
    EXPECT_EQ(second->status(), JobStatus::ReadyToJoinFileParts);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(first->status(), JobStatus::RepairFinished);
    EXPECT_EQ(jobs.statuses(second), (QList<qint64>{43, 44, 45}));
}

TEST_F(Runner, APausedOrDiskFullRepairKeepsItsStatus)
{
    // Paused by the user while the tool runs.
    tools.writeTool("par2",
                    FakeToolFolder::printChunks({"Verifying source files:\n", "Repair complete.\n"}, 3000));
    QueuePtr paused = repairJob("Paused");
    runner.rescan();
    spinEventLoop(300);
    paused->setIsPaused(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(paused->status(), JobStatus::Repairing);
    EXPECT_FALSE(indexOf(paused)->isRepaired());

    // The tool names a full disk: the worker pauses the job as disk-not-ready.
    tools.writePrintingTool("par2",
                            "Could not write 4096 bytes to /x/d.bin at offset 0: No space left on device\n");
    QueuePtr full = repairJob("Full");
    runner.rescan();
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(full->diskNotReady());
    EXPECT_TRUE(full->isPaused());
    EXPECT_EQ(full->status(), JobStatus::Repairing);
    EXPECT_EQ(full->blocksRequired(), 0);
}

TEST_F(Runner, ExtractionWithNoArchiveListed)
{
    QueuePtr plain = jobs.addJob("Plain", folderFor("Plain"), 15);
    QueuePtr nested = jobs.addJob("Nested", folderFor("Nested"), 54);
    runner.rescan();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(jobs.statuses(plain), (QList<qint64>{15, 5, 9}));
    // A nested pass with nothing to unpack is done, not an error.
    EXPECT_EQ(jobs.statuses(nested), (QList<qint64>{54, 55, 56}));
}

TEST_F(Runner, CommentsGoToTheCurrentJobsRow)
{
    tools.writePrintingTool("par2", "Repair is possible.\nRepair complete.\n");
    QueuePtr job = repairJob("Comments");
    runner.rescan();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(job->commentTextField(), "Repair complete.");
}

TEST_F(Runner, AfterTerminationAFailedStepLeavesTheJobAndStartsNothing)
{
    tools.writeTool("par2",
                    FakeToolFolder::printChunks({"Verifying source files:\n", "Repair complete.\n"}, 3000));
    QueuePtr running = repairJob("Running");
    QueuePtr waiting = jobs.addJob("Waiting", folderFor("Waiting"), 43);
    runner.rescan();
    spinEventLoop(300);
    NotificationHub::defaultCenter().post("ApplicationWillTerminate", nullptr, {});
    EXPECT_TRUE(runner.isCancelled());
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(running->status(), JobStatus::Repairing);
    EXPECT_EQ(waiting->status(), JobStatus::ReadyToJoinFileParts);
}

TEST_F(Runner, AnUnusableTempFolderSettingNeverRemovesTheJobFolder)
{
    for (const char* setting : {"", ".", ".."}) {
        SCOPED_TRACE(setting);
        UserDefaults::standard().setObject(QString::fromLatin1(setting), "tempFolder");
        const QString folder = folderFor(QString("Setting%1").arg(qstrlen(setting)));
        QFile keep(folder + "/keep.7z");
        ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
        keep.close();
        QueuePtr job = jobs.addJob(folder, folder, 15);
        job->setZ7files({"keep.7z"});
        runner.rescan();
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(job->status(), JobStatus::ExtractingNotPossible);
        EXPECT_TRUE(QFile::exists(folder + "/keep.7z"));
        EXPECT_TRUE(QFile::exists(home.downloadsPath()));
    }
}

TEST_F(Runner, APausedExtractionKeepsItsStatusAndWhatEarlierRunsExtracted)
{
    // The tool writes a file, then takes its time.
    tools.writeTool("7zz", "printf 'partial' > partial.bin\n" +
                               FakeToolFolder::printChunks({"  5%\b\b\b\b", "Everything is Ok\n"}, 3000));
    const QString folder = folderFor("Pausing");
    const QString temp = folder + "/temp";
    QDir().mkpath(temp);
    QFile earlier(temp + "/earlier.txt");
    ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
    earlier.write("from the first archive");
    earlier.close();
    QFile archive(folder + "/second.7z");
    ASSERT_TRUE(archive.open(QIODevice::WriteOnly));
    archive.close();
    QueuePtr job = jobs.addJob("Pausing", folder, 15);
    job->setZ7files({"second.7z"});

    runner.rescan();
    ASSERT_TRUE(waitUntil([&] { return tools.ran("7zz"); }, 5000));
    spinEventLoop(300);
    job->setIsPaused(true);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(job->status(), JobStatus::Extracting);
    EXPECT_EQ(job->z7files(), QStringList{"second.7z"});
    EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"earlier.txt"});
}
