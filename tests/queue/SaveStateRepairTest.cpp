// A job saved after all its files were written comes back ready to extract,
// or to repair, from what its PAR2 set says of the files on disk; one saved
// in the finishing steps, whose extracted archives may be deleted already,
// goes on at its step without that check, and one whose pieces were joined
// after the repair is extracted again without it.
#include "platform/UserDefaults.h"
#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/QueueController.h"
#include "queue/SaveRestoreController.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/Par2SetMaker.h"
#include "support/RepairJobFixture.h"
#include "support/StatusRecordingQueueController.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <thread>

namespace {

struct RepairCase
{
    const char* name;
    bool damaged;
    // The status saved; past the extraction, "b.bin" stands for an archive
    // that the finishing steps have deleted.
    qint64 savedStatus;
    qint64 expectedStatus;
    bool analysed;
    // Stored as it is; 0: as the save stores a job at `savedStatus`.
    qint64 restorePoint = 0;
};

void PrintTo(const RepairCase& c, std::ostream* os)
{
    *os << c.name;
}

class SaveStateRepair : public ::testing::TestWithParam<RepairCase>
{
};

TEST_P(SaveStateRepair, ADownloadedJobIsAnalysedAgainWhenRestored)
{
    if (!Par2SetMaker::isAvailable()) GTEST_SKIP() << "par2 is not installed";
    const RepairCase c = GetParam();
    TempHome home;
    const QString download = home.makeFolder("dl");
    UserDefaults::standard().setString(download, "downloadPath");
    const QString folder = download + "/job";
    QDir().mkpath(folder);
    ASSERT_TRUE(Par2SetMaker::writeFiles(folder, {{"a.bin", 30000}, {"b.bin", 20000}}, 7));
    QString output;
    QStringList par2;
    for (const QString& p : Par2SetMaker::create(folder, "set", {"a.bin", "b.bin"}, 4096, 6, &output))
        par2 << QFileInfo(p).fileName();
    ASSERT_FALSE(par2.isEmpty()) << output.toStdString();
    if (c.damaged) {
        QFile f(folder + "/a.bin");
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.seek(5000);
        f.write("damage");
    }

    {
        FODController index;
        RepairController repair;
        repair.setFodController(&index);
        RepairJobFixture fx(folder, "job1");
        for (const QString& name : par2 + QStringList{"a.bin", "b.bin"})
            fx.addPart(name);
        fx.write(repair, par2 + QStringList{"a.bin", "b.bin"});
        const QueuePtr job = fx.job();
        ASSERT_EQ(job->canRepair(), c.damaged);
        ASSERT_EQ(job->canExtract(), !c.damaged);
        job->setIsNZB(true);
        job->setTitle("job");
        job->setRestorePoint(c.restorePoint        ? c.restorePoint
                             : c.savedStatus == 17 ? RestorePoint::Downloaded
                                                   : RestorePoint::Repairing);
        job->setStatus(c.savedStatus);
        for (const QueuePtr& part : job->fileparts())
            part->setStatus(FilePartStatus::Finished);
        QueueController qc;
        ASSERT_TRUE(qc.addNZBRootObjectToQueue(job));
        SaveRestoreController saver;
        saver.setQueueController(&qc);
        ASSERT_TRUE(saver.saveQueue());
        ASSERT_TRUE(index.saveAllEntries());
    }
    if (c.savedStatus != 17) {
        ASSERT_TRUE(QFile::remove(folder + "/b.bin"));
    }

    // The next run: nothing in memory but the index in its store.
    FODController index;
    RepairController repair;
    repair.setFodController(&index);
    StatusRecordingQueueController into;
    SaveRestoreController loader;
    loader.setQueueController(&into);
    loader.setRepairController(&repair);
    std::atomic<bool> done{false};
    std::thread t([&] {
        loader.loadQueue();
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done.load() && into.queueArray().size() == 1; }, 20000));
    t.join();
    const QueuePtr back = into.queueArray()[0];
    // The job moves on from the code it comes back in; what counts is that
    // it passed through it.
    EXPECT_TRUE(waitUntil([&] { return into.statusesOf("job").contains(c.expectedStatus); }, 5000))
        << back->status();
    EXPECT_EQ(back->repairObject() != nullptr, c.analysed);
    if (!c.analysed) {
        // Given the time an analysis would take, it still has not happened:
        // the job was never sent to repair.
        spinEventLoop(300);
        EXPECT_FALSE(into.statusesOf("job").contains(14));
        EXPECT_FALSE(back->canRepair());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, SaveStateRepair,
    ::testing::Values(RepairCase{"Intact", false, 17, 47, true}, RepairCase{"Damaged", true, 17, 14, true},
                      RepairCase{"ArchivesDeletedWhileCleaningUp", false, 52, 52, false},
                      RepairCase{"ArchivesDeletedInNestedExtraction", false, 54, 53, false},
                      // Its pieces joined after the repair and deleted: the
                      // set describes files no longer there.
                      RepairCase{"PiecesJoinedAfterTheRepair", false, JobStatus::Extracting,
                                 JobStatus::JoiningFilePartsDone, false, RestorePoint::Joined}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
