// The PAR2 repair worker with the real par2 on sets it made: intact, one
// damaged block repaired, two blocks short, a file under another name, and a
// full or read-only disk.
#include "postprocess/FileRepair.h"
#include "postprocess/Par2Utils.h"
#include "postprocess/RepairObject.h"
#include "postprocess/ToolLocator.h"
#include "queue/Queue.h"

#include "support/EventLoop.h"
#include "support/Par2SetMaker.h"
#include "support/RecordingFileRepairExtractController.h"
#include "support/TempHome.h"
#include "support/TmpfsMount.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

namespace {

void damage(const QString& path, qint64 offset)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(offset);
    f.write("XXXXXXXX");
}

struct RealPar2 : ::testing::Test
{
    TempHome home;
    RecordingFileRepairExtractController runner;
    QString folder;
    QueuePtr job;
    QString md5a, md5b;

    void SetUp() override
    {
        if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
        ToolLocator::setHelpersFolder(home.makeFolder("no-helpers"));
        folder = home.downloadsPath() + "/Job";
        QDir().mkpath(folder);
    }

    // a.bin: 10 slices of 4096 bytes, b.bin: 5; `recovery` recovery blocks.
    void makeSet(int recovery)
    {
        ASSERT_TRUE(Par2SetMaker::writeFiles(folder, {{"a.bin", 40960}, {"b.bin", 20000}}, 7));
        md5a = Par2Utils::MD5StringForFile(folder + "/a.bin");
        md5b = Par2Utils::MD5StringForFile(folder + "/b.bin");
        QString out;
        ASSERT_FALSE(Par2SetMaker::create(folder, "set", {"a.bin", "b.bin"}, 4096, recovery, &out).isEmpty())
            << out.toStdString();
        job = Queue::create();
        job->setTitle("Real");
        job->setDownloadUrl(folder);
        QueuePtr index = Queue::create();
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

    RecordingFileRepairExtractController::Report run()
    {
        std::shared_ptr<FileRepair> w = FileRepair::create();
        w->setFileRepairExtractController(&runner);
        w->setQueue(job);
        w->start();
        EXPECT_TRUE(runner.waitForReports(1, 60000));
        spinEventLoop(50);
        EXPECT_EQ(runner.reports.size(), 1);
        return runner.reports.value(0);
    }
};

} // namespace

TEST_F(RealPar2, AnIntactSetNeedsNoRepair)
{
    makeSet(4);
    const auto r = run();
    EXPECT_TRUE(r.result);
    EXPECT_EQ(r.requiredBlocks, 0);
    EXPECT_EQ(runner.lastComment(), "Repair not required.");
}

TEST_F(RealPar2, ADamagedBlockIsRepaired)
{
    makeSet(4);
    damage(folder + "/a.bin", 5000);
    ASSERT_NE(Par2Utils::MD5StringForFile(folder + "/a.bin"), md5a);
    const auto r = run();
    EXPECT_TRUE(r.result);
    EXPECT_EQ(Par2Utils::MD5StringForFile(folder + "/a.bin"), md5a);
    EXPECT_EQ(job->percentRepaired(), 100);
    EXPECT_EQ(runner.lastComment(), "Repair complete.");
    EXPECT_TRUE(runner.comments.contains("Repairing..."));
}

TEST_F(RealPar2, TwoBlocksShortAsksForTwoBlocks)
{
    makeSet(4);
    for (qint64 offset : {0, 4096, 8192, 12288, 16384, 20480})
        damage(folder + "/a.bin", offset);
    const auto r = run();
    EXPECT_FALSE(r.result);
    EXPECT_EQ(r.requiredBlocks, 2);
}

TEST_F(RealPar2, FilesUnderOtherNamesAreFound)
{
    makeSet(2);
    // b.bin obfuscated and a recovery volume not named after the index.
    ASSERT_TRUE(QFile::rename(folder + "/b.bin", folder + "/f3a9c1e7"));
    const QStringList volumes = QDir(folder).entryList({"set.vol*.par2"}, QDir::Files, QDir::Name);
    ASSERT_FALSE(volumes.isEmpty());
    ASSERT_TRUE(QFile::rename(folder + "/" + volumes.last(), folder + "/0b1c2d.par2"));
    damage(folder + "/a.bin", 100);
    const auto r = run();
    EXPECT_TRUE(r.result) << runner.comments.join(" | ").toStdString();
    EXPECT_EQ(Par2Utils::MD5StringForFile(folder + "/a.bin"), md5a);
    EXPECT_EQ(Par2Utils::MD5StringForFile(folder + "/b.bin"), md5b);
}

TEST_F(RealPar2, AFullDiskPausesTheJob)
{
    TmpfsMount disk(home.downloadsPath() + "/Job", 128 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    makeSet(4);
    damage(folder + "/a.bin", 5000);
    // Leave less room than the repaired file needs.
    QFile fill(folder + "/fill");
    ASSERT_TRUE(fill.open(QIODevice::WriteOnly));
    fill.write(QByteArray(30000, '\0'));
    fill.close();
    const auto r = run();
    EXPECT_FALSE(r.result);
    EXPECT_TRUE(job->diskNotReady());
    EXPECT_TRUE(job->isPaused());
    EXPECT_EQ(runner.lastComment(), "Could not write bytes.");
}

TEST_F(RealPar2, AReadOnlyDiskPausesTheJob)
{
    TmpfsMount disk(home.downloadsPath() + "/Job", 512 * 1024);
    if (!disk.isMounted()) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    makeSet(6);
    ASSERT_TRUE(QFile::remove(folder + "/b.bin"));
    ASSERT_TRUE(disk.setReadOnly(true));
    const auto r = run();
    EXPECT_FALSE(r.result);
    EXPECT_TRUE(job->diskNotReady());
    EXPECT_TRUE(job->isPaused());
    EXPECT_EQ(runner.lastComment(), "Write error.");
}
