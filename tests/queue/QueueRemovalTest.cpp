#include "core/Logger.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/CancellingQueueController.h"
#include "support/EventLoop.h"
#include "support/LogFileReader.h"
#include "support/ScriptedDialogAnswerer.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

constexpr long kNo = 1000, kYes = 1001, kYesAndRemove = 1002;

struct Removal : ::testing::Test
{
    TempHome home;
    QString downloads = home.makeFolder("dl");
    CancellingQueueController qc;
    ScriptedDialogAnswerer answers;

    Removal()
    {
        UserDefaults::standard().setString(downloads, "downloadPath");
        UserDefaults::standard().setInteger(1, "queueCleaningTag");
    }

    // A job whose folder holds a file, with one part per status given.
    QueuePtr job(const QString& title, qint64 status, const QList<qint64>& partStatuses = {1099})
    {
        const QString folder = QDir(downloads).filePath(title);
        QDir().mkpath(folder);
        QFile f(QDir(folder).filePath("file.bin"));
        f.open(QIODevice::WriteOnly);
        f.write("x");
        const QueuePtr root = Queue::create();
        root->setIsNZB(true);
        root->setTitle(title);
        root->setDownloadUrl(folder);
        root->setSegmentsReceived(true);
        root->setCheckbox(1);
        for (qint64 s : partStatuses) {
            const QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setQueue(root);
            part->setDelegate(&qc);
            part->setCheckbox(s == 0 ? 0 : 1);
            part->setStatus(s);
            part->setIsDownloaded(s == 1010);
            const SegmentPtr seg = Segment::create();
            seg->setStatus(ArticleStatus::Downloaded);
            seg->addUsedServerID("s1");
            part->setSegments({seg});
            part->setTotalSegments(1);
            root->appendFilepart(part);
        }
        root->setStatus(status);
        EXPECT_TRUE(qc.addNZBRootObjectToQueue(root));
        return root;
    }

    bool folderExists(const QueuePtr& q) const { return QFileInfo(q->downloadUrl()).isDir(); }
    void settle() { spinEventLoop(100); }
    QStringList titles() const
    {
        QStringList out;
        for (const QueuePtr& q : qc.queueArray())
            out.append(q->title());
        return out;
    }
    qsizetype logged(const QString& message) const
    {
        Logger::shared()->flush();
        return LogFileReader(home.logFilePath()).linesWithMessage(message).size();
    }
};

TEST_F(Removal, OneUnfinishedJobIsAskedAboutAndNoKeepsEverything)
{
    const QueuePtr running = job("running", 1);
    const QueuePtr done = job("done", 10);
    running->setCheckboxDisabled(true);
    answers.script({kNo});
    qc.prepareRemovingObjectsInArray({running, done});
    settle();
    ASSERT_EQ(answers.asked().size(), 1);
    EXPECT_EQ(answers.asked()[0].title, "The selected file is not completed yet.");
    EXPECT_EQ(answers.asked()[0].info, "Are you sure you want to cancel it?");
    EXPECT_EQ(titles(), QStringList({"running", "done"}));
    for (const QueuePtr& q : {running, done}) {
        EXPECT_EQ(q->checkbox(), 1);
        EXPECT_FALSE(q->checkboxDisabled());
        EXPECT_FALSE(q->isCancelled());
        EXPECT_TRUE(folderExists(q));
    }
}

TEST_F(Removal, SeveralUnfinishedJobsAreCountedInTheQuestion)
{
    answers.script({kNo});
    qc.prepareRemovingObjectsInArray({job("a", 1), job("b", 10), job("c", 22)});
    ASSERT_EQ(answers.asked().size(), 1);
    EXPECT_EQ(answers.asked()[0].title, "Not all (2) of the selected files are completed yet.");
}

TEST_F(Removal, FinishedAndUnstartedJobsGoWithoutAQuestion)
{
    const QueuePtr done = job("done", 10, {1010});
    // With a recovery volume held back: nothing of it was fetched either.
    const QueuePtr queued = job("queued", 105, {1099, 0, 1104});
    qc.prepareRemovingObjectsInArray({done, queued});
    ASSERT_TRUE(waitUntil([&] { return qc.queueArray().isEmpty(); }));
    EXPECT_TRUE(answers.asked().isEmpty());
    EXPECT_TRUE(folderExists(done));
    EXPECT_FALSE(folderExists(queued));
    EXPECT_TRUE(QFileInfo(downloads).isDir());
}

TEST_F(Removal, AQueuedJobWithWrittenPartsIsAskedAboutBeforeItsFilesGo)
{
    // At 105 again after some of its parts were written (a restored job).
    const QueuePtr partly = job("partly", 105, {1010, 1099});
    answers.script({kYes});
    qc.prepareRemovingObjectsInArray({partly});
    ASSERT_EQ(answers.asked().size(), 1);
    ASSERT_TRUE(waitUntil([&] { return qc.queueArray().isEmpty(); }));
    EXPECT_TRUE(folderExists(partly));
}

TEST_F(Removal, YesKeepsTheFilesAndYesAndRemoveDeletesThem)
{
    for (long answer : {kYes, kYesAndRemove}) {
        SCOPED_TRACE(answer);
        const QueuePtr running = job("running", 1, {1001, 1099, 0});
        answers.script({answer});
        qc.prepareRemovingObjectsInArray({running});
        ASSERT_TRUE(waitUntil([&] { return qc.queueArray().isEmpty(); }));
        EXPECT_EQ(folderExists(running), answer == kYes);
        EXPECT_EQ(running->status(), JobStatus::Idle);
        EXPECT_EQ(running->restorePoint(), RestorePoint::Cancelled);
        EXPECT_EQ(running->commentTextField(), "Cancelled");
        EXPECT_EQ(running->checkbox(), 0);
        EXPECT_EQ(running->filepartCount(), 0);
        EXPECT_EQ(running->delegate(), nullptr);
        QDir(running->downloadUrl()).removeRecursively();
    }
}

TEST_F(Removal, APartBeingWrittenIsCancelledOnlyOnceWritten)
{
    const QueuePtr root = job("writing", 1, {1019, 1001});
    QVariantMap removed;
    NotificationHub::defaultCenter().addObserver("ObjectInTableViewQueueRemoved", &qc,
                                                 [&](const auto& n) { removed = n.userInfo; });
    qc.cancelDPRootQueueObject(root);
    spinEventLoop(100);
    const QList<QueuePtr> parts = root->fileparts();
    EXPECT_EQ(logged("Suspending cancellation. Files are still being written."), 1);
    EXPECT_EQ(parts[0]->status(), FilePartStatus::Writing);
    EXPECT_TRUE(parts[0]->isCancelled());
    EXPECT_EQ(parts[1]->status(), JobStatus::Idle);
    EXPECT_EQ(parts[1]->checkbox(), 0);
    EXPECT_EQ(titles(), QStringList({"writing"}));
    EXPECT_TRUE(removed.isEmpty());

    // The writer is done; the file-part side cancels the part now.
    parts[0]->setStatus(FilePartStatus::Cancelled);
    ASSERT_TRUE(waitUntil([&] { return qc.queueArray().isEmpty(); }));
    EXPECT_EQ(removed.value("queueobject").value<QueuePtr>(), root);
    EXPECT_EQ(root->restorePoint(), RestorePoint::Cancelled);
}

TEST_F(Removal, AJobWithNothingQueuedEndsAtOnce)
{
    const QueuePtr idle = job("idle", 0, {0, 0});
    qc.cancelDPRootQueueObject(idle);
    EXPECT_TRUE(waitUntil([&] { return qc.queueArray().isEmpty(); }));
}

TEST_F(Removal, CleaningTagsRemoveOrMoveFinishedJobs)
{
    const QueuePtr a = job("a", 1);
    const QueuePtr done = job("done", 10, {1010});
    const QueuePtr partial = job("partial", 16, {1010});
    partial->setHasRepairFiles(true);
    QList<qint64> moved;
    NotificationHub::defaultCenter().addObserver("MoveObjectToTableViewQueueBottom", &qc, [&](const auto& n) {
        moved.append(n.userInfo.value("row").toLongLong());
    });

    UserDefaults::standard().setInteger(3, "queueCleaningTag");
    qc.cleanUpQueueAfterFinishingObject(done);
    EXPECT_EQ(moved, QList<qint64>({1}));
    qc.cleanUpQueueAfterUserChangedAutoMethod();
    EXPECT_EQ(moved, QList<qint64>({1, 1}));

    UserDefaults::standard().setInteger(0, "queueCleaningTag");
    qc.cleanUpQueueAfterFinishingObject(done);
    spinEventLoop(50);
    EXPECT_EQ(titles(), QStringList({"a", "done", "partial"}));

    UserDefaults::standard().setInteger(2, "queueCleaningTag");
    qc.cleanUpQueueAfterFinishingObject(done);
    ASSERT_TRUE(waitUntil([&] { return qc.queueArray().size() == 2; }));
    EXPECT_EQ(titles(), QStringList({"a", "partial"}));
    EXPECT_TRUE(folderExists(done));
}

TEST_F(Removal, PasswordsSendExtractionBackAndResumePausedJobs)
{
    const QueuePtr wrong = job("wrong", 36);
    const QueuePtr impossible = job("impossible", 9);
    const QueuePtr done = job("done", 10);
    const QueuePtr paused = job("paused", 1);
    paused->setIsPaused(true);
    QVariantMap reloaded;
    NotificationHub::defaultCenter().addObserver("ReloadDeepLookupOutlineViewItemsInArray", &qc,
                                                 [&](const auto& n) { reloaded = n.userInfo; });
    const QList<QueuePtr> jobs{wrong, impossible, done, paused};
    qc.passwordsWereUpdatedForQueueArray(jobs);
    EXPECT_EQ(wrong->status(), JobStatus::QueuedForExtraction);
    EXPECT_EQ(impossible->status(), JobStatus::QueuedForExtraction);
    EXPECT_EQ(done->status(), JobStatus::Finished);
    EXPECT_FALSE(paused->isPaused());
    for (const QueuePtr& q : jobs)
        EXPECT_TRUE(q->hasPassword());
    EXPECT_EQ(reloaded.value("queuearray").value<QList<QueuePtr>>(), jobs);
    EXPECT_EQ(logged("Password set for: wrong"), 1);
}

TEST_F(Removal, ResetsDropArticlesOfNZBJobsAndRequeueThoseOfSearchJobs)
{
    const QueuePtr nzb = job("nzb", 1, {1010});
    const QueuePtr search = job("search", 1, {1010});
    search->setIsNZB(false);
    for (const QueuePtr& root : {nzb, search}) {
        const QueuePtr part = root->fileparts()[0];
        part->setIsDecodedAlready(true);
        part->setDecodedFileData("bytes");
        qc.resetFilepartObject(part);
        EXPECT_FALSE(part->isDecodedAlready());
        EXPECT_TRUE(part->decodedFileData().isEmpty());
    }
    EXPECT_EQ(nzb->fileparts()[0]->segmentCount(), 0);
    const QList<SegmentPtr> kept = search->fileparts()[0]->segments();
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(kept[0]->status(), JobStatus::ParsingNZB);
    EXPECT_TRUE(kept[0]->usedServerIDs().isEmpty());
}

TEST_F(Removal, CheckingForSelectedParts)
{
    EXPECT_TRUE(qc.checkIfallFilePartsAreCancelledForQueue(job("none", 1, {})));
    EXPECT_TRUE(qc.checkIfallFilePartsAreCancelledForQueue(job("off", 1, {0, 0})));
    EXPECT_FALSE(qc.checkIfallFilePartsAreCancelledForQueue(job("on", 1, {0, 1099})));
}

TEST_F(Removal, AFinishedFileIsOpenedFromItsJobsFolderUnlessArticlesWereMissing)
{
    QStringList opened;
    Utils::setFileOpener([&](const QString& path) {
        opened.append(path);
        return true;
    });
    const QueuePtr root = job("done", 10, {1010});
    const QueuePtr part = root->fileparts()[0];
    part->setFilename("file.bin");
    qc.execute(part);
    EXPECT_EQ(opened, QStringList({QDir(root->downloadUrl()).filePath("file.bin")}));

    root->setIsMissing(true);
    qc.execute(part);
    EXPECT_EQ(opened.size(), 1);
    Utils::setFileOpener({});
}

} // namespace
