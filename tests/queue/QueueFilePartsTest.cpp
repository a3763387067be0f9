#include "QueueStatesHarness.h"

#include "platform/NotificationHub.h"
#include "posting/YencEncodeController.h"
#include "queue/QCodeClass.h"

#include "queue/StatusCodes.h"
#include "support/LogFileReader.h"
#include "support/ScriptedDialogAnswerer.h"

#include <gtest/gtest.h>

namespace {

QString textOf(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

struct Queueing : ::testing::Test, QueueStatesHarness
{
};

// ---- Queueing of jobs and parts

TEST_F(Queueing, TheUploadEncoderIsMadeWithTheControllerAndPointsBack)
{
    ASSERT_NE(qc.yencEncodeController(), nullptr);
    EXPECT_EQ(qc.yencEncodeController()->queuecontroller(), &qc);
}

TEST_F(Queueing, AParsedJobIsQueuedWithItsCheckedPartsAndStartsTheConnections)
{
    const QueuePtr root =
        makeJob("Show", {"Show.part1.rar", "Show.part2.rar", "Show.par2", "Show.vol00+04.par2"}, 3);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setStatus(JobStatus::NZBParsed);
    settle();

    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(root->restorePoint(), RestorePoint::Queued);
    EXPECT_EQ(root->commentTextField(), textOf(105));
    EXPECT_TRUE(root->filelistReceived());
    EXPECT_EQ(calls, QStringList{"connectAll"});
    for (const char* name : {"Show.part1.rar", "Show.part2.rar", "Show.par2"}) {
        const QueuePtr part = partNamed(root, name);
        EXPECT_EQ(part->status(), FilePartStatus::Queued) << name;
        EXPECT_EQ(part->totalSegmentsLeftToDownload(), 3) << name;
        EXPECT_EQ(part->totalBytesLeft(), 1500.0) << name;
    }
    // The recovery volume waits until repair needs its blocks.
    EXPECT_EQ(partNamed(root, "Show.vol00+04.par2")->status(), FilePartStatus::OnHold);
    EXPECT_EQ(partNamed(root, "Show.vol00+04.par2")->checkbox(), 0);
    EXPECT_EQ(root->totalSegments(), 9);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 9);
    EXPECT_EQ(root->totalBytesLeft(), 4500.0);
    // The main PAR2 file is fetched first.
    EXPECT_TRUE(partNamed(root, "Show.par2")->isPriority());
    EXPECT_FALSE(partNamed(root, "Show.part1.rar")->isPriority());
    EXPECT_EQ(qc.priorityQueueArray(), QList<QueuePtr>{root});
}

TEST_F(Queueing, AJobWithoutRepairFilesWaitsPausedAtNoRepairFilesUntilResumed)
{
    setBool("enableCheckForRepairFiles", true);
    const QueuePtr root = makeJob("Plain", {"Plain.mkv"});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setStatus(JobStatus::NZBParsed);
    settle();

    EXPECT_EQ(root->status(), JobStatus::NoRepairFiles);
    EXPECT_TRUE(root->isPaused());
    EXPECT_EQ(root->restorePoint(), RestorePoint::Error);
    EXPECT_EQ(root->commentTextField(), "(Paused) " + textOf(40));
    EXPECT_TRUE(calls.isEmpty());

    qc.resumeQueueObject(root);
    settle();
    EXPECT_FALSE(root->isPaused());
    EXPECT_TRUE(root->hasRepairFiles());
    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    EXPECT_EQ(root->restorePoint(), RestorePoint::Queued);
    EXPECT_EQ(calls, QStringList{"connectAll"});
}

TEST_F(Queueing, WithRepairFilesOrWithTheCheckOffTheJobDownloads)
{
    setBool("enableCheckForRepairFiles", true);
    const QueuePtr repairable = makeJob("Rep", {"Rep.mkv", "Rep.par2"});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(repairable));
    repairable->setStatus(JobStatus::NZBParsed);
    settle();
    setBool("enableCheckForRepairFiles", false);
    const QueuePtr plain = makeJob("Plain", {"Plain.mkv"});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(plain));
    plain->setStatus(JobStatus::NZBParsed);
    settle();
    for (const QueuePtr& root : {repairable, plain}) {
        EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
        EXPECT_FALSE(root->isPaused());
    }
    EXPECT_EQ(calls, (QStringList{"connectAll", "connectAll"}));
}

TEST_F(Queueing, AnNZBWithoutFilesIsRemovedWithAMessage)
{
    ScriptedDialogAnswerer answerer;
    const QueuePtr root = makeJob("Empty", {});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setStatus(JobStatus::NZBParsed);
    settle();
    EXPECT_TRUE(qc.queueArray().isEmpty());
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_EQ(answerer.asked().size(), 1);
    EXPECT_EQ(answerer.askedTitles(), QStringList{"NZB has no files to download"});
}

TEST_F(Queueing, APartCheckedWhileTheListsAreFetchedWaitsForThem)
{
    for (const qint64 fetching : {106, 108}) {
        const QueuePtr root = makeJob(QStringLiteral("Search%1").arg(fetching), {"a.rar"}, 2, false);
        root->setIsNZB(false);
        root->setSegmentsReceived(false);
        root->setStatus(fetching);
        const QueuePtr part = root->fileparts().first();
        part->setCheckbox(0);
        settle();

        part->setCheckbox(1);
        qc.dpFilepartObjectCheckBoxClicked(part);
        settle();
        EXPECT_EQ(part->status(), JobStatus::Idle) << fetching;
        EXPECT_EQ(root->status(), fetching);
        EXPECT_EQ(root->checkbox(), 1);
        EXPECT_TRUE(qc.queueArray().isEmpty());
    }
}

// A file ticked again in the files pane while its NZB is still being read
// (or just read, the end of the import not yet handled) waits for the end of
// the import; it never sends the job to the search service for lists that
// are in its file.
TEST_F(Queueing, APartTickedWhileItsNZBIsReadIsQueuedByTheEndOfTheImport)
{
    for (const qint64 importing : {JobStatus::ParsingNZB, JobStatus::NZBParsed}) {
        const QueuePtr root = makeJob(QStringLiteral("Import%1").arg(importing), {"a.rar", "b.rar"}, 2);
        root->setFilelistReceived(false);
        root->setSegmentsReceived(false);
        ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
        root->setStatus(JobStatus::ParsingNZB);
        settle();
        if (importing == JobStatus::NZBParsed) root->setStatus(JobStatus::NZBParsed);

        const QueuePtr b = root->fileparts().at(1);
        b->setCheckbox(0);
        qc.dpFilepartObjectCheckBoxClicked(b);
        b->setCheckbox(1);
        qc.dpFilepartObjectCheckBoxClicked(b);
        EXPECT_FALSE(root->shouldDownloadSegments()) << importing;
        EXPECT_EQ(root->status(), importing);

        if (importing == JobStatus::ParsingNZB) root->setStatus(JobStatus::NZBParsed);
        settle();
        EXPECT_EQ(root->status(), JobStatus::QueuedForDownload) << importing;
        for (const QueuePtr& part : root->fileparts())
            EXPECT_EQ(part->status(), FilePartStatus::Queued) << importing << " " << part->filename().toStdString();
        EXPECT_EQ(root->totalSegmentsLeftToDownload(), 4) << importing;
    }
}

TEST_F(Queueing, AJobWithoutArticleListsFetchesThemFirst)
{
    const QueuePtr root = makeJob("Search", {"a.rar", "b.rar"}, 2, false);
    root->setIsNZB(false);
    root->setSegmentsReceived(false);
    settle();
    qc.addDPFilepartToQueue(root->fileparts().first());
    settle();
    EXPECT_EQ(root->status(), JobStatus::DownloadingSegments);
    EXPECT_TRUE(root->shouldDownloadSegments());
    EXPECT_EQ(root->fileparts().first()->status(), JobStatus::Idle);
    EXPECT_EQ(qc.queueArray(), QList<QueuePtr>{root});
}

TEST_F(Queueing, APartIsPreparedOnlyFromZeroAndOnlyOnce)
{
    const QueuePtr root = makeJob("Once", {"a.rar", "b.rar"}, 4);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    const QueuePtr a = root->fileparts().at(0);
    const QueuePtr b = root->fileparts().at(1);
    qc.addDPFilepartToQueue(a);
    settle();
    ASSERT_EQ(a->status(), FilePartStatus::Queued);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 4);

    // Again while it is queued, and while it is downloading: nothing counted twice.
    qc.addDPFilepartToQueue(a);
    qc.prepareDownloadingDPFilepart(a);
    a->setStatus(FilePartStatus::Downloading);
    settle();
    qc.addDPFilepartToQueue(a);
    settle();
    EXPECT_EQ(a->status(), FilePartStatus::Downloading);
    EXPECT_EQ(root->totalSegments(), 4);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 4);
    EXPECT_EQ(root->totalBytesLeft(), 2000.0);

    // An unchecked part is not prepared.
    b->setCheckbox(0);
    b->setStatus(JobStatus::Idle);
    settle();
    qc.prepareDownloadingDPFilepart(b);
    settle();
    EXPECT_EQ(b->status(), JobStatus::Idle);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 4);
}

TEST_F(Queueing, ResettingAPartTakesItsCountsOffItsJob)
{
    const QueuePtr root = makeJob("Reset", {"a.rar", "b.rar"}, 3);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setStatus(JobStatus::NZBParsed);
    settle();
    const QueuePtr a = root->fileparts().first();
    a->segments().first()->setStatus(ArticleStatus::Downloaded);
    a->segments().first()->addUsedServerID("s1");
    ASSERT_EQ(root->totalSegmentsLeftToDownload(), 6);

    qc.resetValuesForDPFilepart(a);
    qc.clearDPFilepart(a);
    EXPECT_EQ(root->totalSegments(), 3);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 3);
    EXPECT_EQ(root->totalBytesLeft(), 1500.0);
    EXPECT_EQ(a->totalSegmentsLeftToDownload(), 0);
    EXPECT_EQ(a->totalBytesLeft(), 0.0);
    for (const SegmentPtr& s : a->segments()) {
        EXPECT_EQ(s->status(), ArticleStatus::Queued);
        EXPECT_TRUE(s->usedServerIDs().isEmpty());
    }
}

TEST_F(Queueing, ResettingAJobRecountsItsRepairFiles)
{
    const QueuePtr root = makeJob("Again", {"Again.rar", "Again.vol03+05.par2", "Again-sample.mkv"});
    root->setHasRepairFiles(false);
    root->setCanRepair(true);
    root->setIsPaused(true);
    root->setTotalMissingArticles(7);
    root->appendServerToSkip("s1");
    for (const QueuePtr& part : root->fileparts()) {
        part->setRepairblocks(0);
        part->setIsRepaired(true);
    }
    qc.resetDPRootQueue(root);
    EXPECT_TRUE(root->hasRepairFiles());
    EXPECT_FALSE(root->canRepair());
    EXPECT_FALSE(root->isPaused());
    EXPECT_EQ(root->totalMissingArticles(), 0);
    EXPECT_TRUE(root->serversToSkip().isEmpty());
    EXPECT_EQ(partNamed(root, "Again.vol03+05.par2")->repairblocks(), 5);
    EXPECT_TRUE(partNamed(root, "Again-sample.mkv")->isSampleFile());
    for (const QueuePtr& part : root->fileparts())
        EXPECT_FALSE(part->isRepaired());
}

TEST_F(Queueing, AWatchdogMatchOfAQueuedJobIsDropped)
{
    const QueuePtr first = makeJob("Match", {"a.rar"});
    first->setIsNZB(false);
    first->setIsWatchdog(true);
    qc.addWatchdogObjectToQueue(first);
    const QueuePtr again = makeJob("Match", {"a.rar"});
    again->setIsNZB(false);
    again->setIsWatchdog(true);
    qc.addWatchdogObjectToQueue(again);
    settle();
    EXPECT_EQ(qc.queueArray(), QList<QueuePtr>{first});
    EXPECT_TRUE(again->fileparts().isEmpty());
    EXPECT_EQ(first->status(), JobStatus::QueuedForDownload);
}

TEST_F(Queueing, MovesOutsideTheListChangeNothing)
{
    QList<QueuePtr> roots;
    for (const char* title : {"a", "b", "c"}) {
        roots.append(makeJob(title, {}));
        ASSERT_TRUE(qc.addNZBRootObjectToQueue(roots.last()));
    }
    qc.moveObject(roots[0], 3);
    qc.moveObject(nullptr, 0);
    qc.moveObjectFromIndex(-1, 0);
    qc.moveObjectFromIndex(0, -1);
    EXPECT_EQ(qc.queueArray(), roots);
    qc.moveObject(roots[0], 2);
    EXPECT_EQ(qc.queueArray(), (QList<QueuePtr>{roots[1], roots[2], roots[0]}));
    EXPECT_EQ(qc.getObjectForQidnr(roots[2]->qidnr()), roots[2]);
    EXPECT_EQ(qc.getObjectForQidnr(-5), nullptr);
}

TEST_F(Queueing, RemovalIsAnnouncedWithTheJob)
{
    const QueuePtr root = makeJob("Gone", {});
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    QObject owner;
    QVariant announced;
    NotificationHub::defaultCenter().addObserver(
        "ObjectInTableViewQueueRemoved", &owner,
        [&](const Notification& n) { announced = n.userInfo.value("queueobject"); });
    qc.removeObjectFromQueue(root);
    EXPECT_TRUE(qc.queueArray().isEmpty());
    EXPECT_EQ(announced.value<QueuePtr>(), root);
}

TEST_F(Queueing, AllQueuedJobsAreFinishedWhenNoneIsQueuedOrDownloading)
{
    const QueuePtr root = makeJob("Busy", {}, 1, false);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(root));
    root->setDelegate(nullptr);
    for (const auto& [status, finished] : {std::pair{105, false}, std::pair{1, false}, std::pair{10, true},
                                           std::pair{40, true}, std::pair{14, true}}) {
        root->setStatus(status);
        EXPECT_EQ(qc.checkIfAllQueuedObjectsAreFinished(), finished) << status;
    }
}

} // namespace
