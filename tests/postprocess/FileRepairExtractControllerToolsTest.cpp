// The post-processing runner with the real tools: par2 on sets it made,
// unar on RAR 4 archives built by hand, 7zz on 7z and zip archives made at
// test time. The status sequences are those the scheduler sees.
#include "postprocess/FileRepairExtractController.h"
#include "postprocess/Par2Utils.h"
#include "postprocess/RepairController.h"
#include "postprocess/RepairObject.h"
#include "postprocess/ToolLocator.h"

#include "platform/UserDefaults.h"
#include "queue/FODController.h"
#include "queue/Queue.h"

#include "queue/StatusCodes.h"
#include "support/ArchiveFixtureBuilder.h"
#include "support/EventLoop.h"
#include "support/Par2SetMaker.h"
#include "support/Rar4Builder.h"
#include "support/RepairJobFixture.h"
#include "support/StatusRecordingJobList.h"
#include "support/TempHome.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace {

bool haveTools(std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (ToolLocator::pathForTool(QString::fromLatin1(n)).isEmpty()) return false;
    return true;
}

struct RealRunner : ::testing::Test
{
    TempHome home;
    StatusRecordingJobList jobs;
    FileRepairExtractController runner;

    void SetUp() override
    {
        ToolLocator::setHelpersFolder(home.makeFolder("no-helpers"));
        UserDefaults::standard().setBool(true, "enableFileRepair");
        UserDefaults::standard().setBool(true, "enableFileExtract");
        runner.setJobSource([this] { return jobs.firstWaitingJob(); });
    }
    void TearDown() override { ToolLocator::setHelpersFolder(QString()); }

    QString folderFor(const QString& title) const
    {
        const QString folder = home.downloadsPath() + "/" + title;
        QDir().mkpath(folder);
        return folder;
    }

    bool runToIdle(int ms = 60000)
    {
        runner.rescan();
        const bool idle = waitUntil([&] { return !runner.isrunning(); }, ms);
        spinEventLoop(50);
        return idle;
    }
};

struct RealRepair : RealRunner
{
    QString folder;
    QueuePtr job;
    QueuePtr index;
    QString md5a;

    void SetUp() override
    {
        RealRunner::SetUp();
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        folder = folderFor("Repair");
        // a.bin: 10 slices of 4096 bytes, 4 recovery blocks.
        ASSERT_TRUE(Par2SetMaker::writeFiles(folder, {{"a.bin", 40960}, {"b.bin", 20000}}, 3));
        md5a = Par2Utils::MD5StringForFile(folder + "/a.bin");
        QString out;
        ASSERT_FALSE(Par2SetMaker::create(folder, "set", {"a.bin", "b.bin"}, 4096, 4, &out).isEmpty())
            << out.toStdString();
        job = jobs.addJob("Repair", folder, 14);
        index = Queue::create();
        index->setIsFilepart(true);
        index->setFilename("set.par2");
        job->appendFilepart(index);
        RepairObjectPtr set = RepairObject::create();
        set->setFilepart(index);
        for (const char* name : {"a.bin", "b.bin"}) {
            RepairObjectPtr child = RepairObject::create();
            child->setFilename(name);
            set->appendChild(child);
        }
        job->setRepairObject(set);
    }

    void damage(qint64 offset)
    {
        QFile f(folder + "/a.bin");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(offset);
        f.write("XXXXXXXX");
    }
};

} // namespace

TEST_F(RealRepair, IntactFilesGoStraightToRepairFinished)
{
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{14, 3, 20}));
    EXPECT_EQ(job->commentTextField(), "Repair not required.");
}

TEST_F(RealRepair, ADamagedBlockIsRepaired)
{
    damage(5000);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{14, 3, 20}));
    EXPECT_EQ(Par2Utils::MD5StringForFile(folder + "/a.bin"), md5a);
    EXPECT_TRUE(index->isRepaired());
}

TEST_F(RealRepair, TwoBlocksShortAsksForMoreVolumes)
{
    for (qint64 offset : {0, 4096, 8192, 12288, 16384, 20480})
        damage(offset);
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{14, 3, 22}));
    EXPECT_EQ(job->blocksRequired(), 2);
    EXPECT_FALSE(index->isRepaired());
}

TEST_F(RealRunner, TwoRarSetsAndAZipAreExtractedOneAfterTheOther)
{
    if (!haveTools({"unar", "7zz"})) GTEST_SKIP() << "unar or 7zz is not installed";
    const QString folder = folderFor("Three");
    ASSERT_TRUE(Rar4Builder().addFile("one.txt", "first\n").writeArchive(folder + "/one.rar"));
    ASSERT_FALSE(Rar4Builder()
                     .addFile("two.bin", QByteArray(30000, 'b'))
                     .writeVolumes(folder, "two", 12000)
                     .isEmpty());
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(folder + "/three.zip", {{"three.txt", "third\n"}}, "zip"));
    QueuePtr job = jobs.addJob("Three", folder, 15);
    job->setRarfiles({"one.rar", "two.part1.rar"});
    job->setZipfiles({"three.zip"});

    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{15, 5, 15, 5, 15, 5, 21}));
    EXPECT_TRUE(job->didExtractFiles());
    EXPECT_TRUE(job->rarfiles().isEmpty());
    EXPECT_TRUE(job->zipfiles().isEmpty());
    // Kept for the scheduler, which moves the files out of it.
    const QString temp = folder + "/temp";
    EXPECT_EQ(fileBytes(temp + "/one.txt"), "first\n");
    EXPECT_EQ(fileBytes(temp + "/two.bin"), QByteArray(30000, 'b'));
    EXPECT_EQ(fileBytes(temp + "/three.txt"), "third\n");
}

TEST_F(RealRunner, ANestedArchiveIsExtractedAndTheTemporaryFolderKept)
{
    if (!haveTools({"7zz"})) GTEST_SKIP() << "7zz is not installed";
    const QString folder = folderFor("Deep");
    const QString temp = folder + "/temp";
    QDir().mkpath(temp);
    ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(temp + "/first-pass.txt", "outer\n"));
    ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(folder + "/inner.7z", {{"inner.txt", "inner\n"}}));
    QueuePtr job = jobs.addJob("Deep", folder, 54);
    job->setZ7files({"inner.7z"});

    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{54, 55, 56}));
    EXPECT_EQ(fileBytes(temp + "/inner.txt"), "inner\n");
    EXPECT_EQ(fileBytes(temp + "/first-pass.txt"), "outer\n");
}

TEST_F(RealRunner, AFailedArchiveStopsTheJobAndTakesNothingEarlierRunsExtracted)
{
    if (!haveTools({"7zz"})) GTEST_SKIP() << "7zz is not installed";
    struct Case
    {
        const char* name;
        qint64 waiting;
        bool firstGood;
        QList<qint64> statuses;
        QStringList left;
        bool tempKept;
    };
    const Case cases[] = {
        // The first of two fails: the second is not tried, no folder is left.
        {"FirstFails", 15, false, {15, 5, 9}, {"bad.7z", "good.7z"}, false},
        // The second fails: the first's files stay.
        {"SecondFails", 15, true, {15, 5, 15, 5, 9}, {"bad.7z"}, true},
        // A nested pass fails: the first pass's files stay.
        {"NestedFails", 54, true, {54, 55, 54, 55, 57}, {"bad.7z"}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString folder = folderFor(c.name);
        const QString temp = folder + "/temp";
        ASSERT_TRUE(ArchiveFixtureBuilder::writeFile(folder + "/bad.7z", QByteArray(4000, 'x')));
        ASSERT_TRUE(ArchiveFixtureBuilder::make7zz(folder + "/good.7z", {{"good.txt", "good\n"}}));
        QueuePtr job = jobs.addJob(c.name, folder, c.waiting);
        job->setZ7files(c.firstGood ? QStringList{"good.7z", "bad.7z"} : QStringList{"bad.7z", "good.7z"});

        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(jobs.statuses(job), c.statuses);
        EXPECT_EQ(job->z7files(), c.left);
        EXPECT_EQ(QDir(temp).exists(), c.tempKept);
        if (c.tempKept) {
            EXPECT_EQ(fileBytes(temp + "/good.txt"), "good\n");
            // Nothing of the failed run is left behind.
            EXPECT_EQ(QDir(temp).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                      QStringList{"good.txt"});
        }
    }
}

TEST_F(RealRunner, TheBookkeepingsRepairableJobIsRepaired)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    UserDefaults::standard().setString(home.downloadsPath(), "downloadPath");
    const QString folder = folderFor("Written");
    ASSERT_TRUE(Par2SetMaker::writeFiles(folder, {{"a.bin", 30000}, {"b.bin", 50000}}, 5));
    const QString md5b = Par2Utils::MD5StringForFile(folder + "/b.bin");
    const QStringList made = Par2SetMaker::create(folder, "set", {"a.bin", "b.bin"}, 4096, 4);
    ASSERT_GE(made.size(), 2);
    {
        QFile b(folder + "/b.bin");
        ASSERT_TRUE(b.open(QIODevice::ReadWrite));
        b.seek(4100);
        b.write("damage");
    }
    // What the file writer leaves: every part written and counted.
    FODController fods;
    RepairController repair;
    repair.setFodController(&fods);
    RepairJobFixture fixture(folder, "written");
    QStringList names;
    for (const QString& path : made)
        names << QFileInfo(path).fileName();
    names << "a.bin"
          << "b.bin";
    for (const QString& name : names)
        fixture.addPart(name);
    fixture.write(repair, names);
    const QueuePtr job = fixture.job();
    ASSERT_TRUE(job->canRepair());
    const RepairObjectPtr b = fixture.part("b.bin")->repairObject();
    ASSERT_TRUE(b);
    ASSERT_LT(b->availableBlocks(), b->totalBlocks());

    job->setDelegate(&jobs);
    job->setStatus(JobStatus::QueuedForRepair);
    runner.setJobSource([job] { return job->status() == JobStatus::QueuedForRepair ? job : nullptr; });
    ASSERT_TRUE(runToIdle());
    EXPECT_EQ(jobs.statuses(job), (QList<qint64>{14, 3, 20}));
    EXPECT_EQ(Par2Utils::MD5StringForFile(folder + "/b.bin"), md5b);
    EXPECT_EQ(b->availableBlocks(), b->totalBlocks());
}
