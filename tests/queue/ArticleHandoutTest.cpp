#include "posting/YencEncodeController.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/DownloadJobBuilder.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QSet>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace {

struct Handout : ::testing::Test
{
    TempHome home;
    QueueController qc;

    QueuePtr add(const QueuePtr& root)
    {
        EXPECT_TRUE(qc.addNZBRootObjectToQueue(root));
        return root;
    }
    QueuePtr addJob(const QString& title, int parts = 1, int articles = 2)
    {
        return add(DownloadJobBuilder(title).parts(parts).articlesPerPart(articles).build());
    }
    SegmentPtr next(const QString& server = "A", bool backup = false)
    {
        return qc.getNextArticleForServerID(server, backup);
    }
    // Every article the server gets until the queue has none for it.
    QStringList drain(const QString& server = "A", bool backup = false)
    {
        QStringList mids;
        while (const SegmentPtr s = next(server, backup))
            mids.append(s->mid());
        return mids;
    }
};

TEST_F(Handout, EmptyQueueAndTerminatedGiveNothing)
{
    EXPECT_EQ(next(), nullptr);
    addJob("job", 1, 3);
    EXPECT_NE(next(), nullptr);
    // Articles are left, but a program that is quitting starts no more.
    qc.applicationWillTerminate();
    EXPECT_EQ(next(), nullptr);
}

TEST_F(Handout, HandsOutInQueueOrderAndMovesStatuses)
{
    const QueuePtr first = addJob("first", 2, 2);
    const QueuePtr second = addJob("second", 1, 1);
    const SegmentPtr s = next();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->mid(), "<first.1.1@test>");
    EXPECT_EQ(s->status(), ArticleStatus::Downloading);
    EXPECT_EQ(first->status(), ArticleStatus::Downloading);
    EXPECT_EQ(first->fileparts()[0]->status(), FilePartStatus::Downloading);
    EXPECT_EQ(first->fileparts()[1]->status(), FilePartStatus::Queued);
    EXPECT_EQ(second->status(), JobStatus::QueuedForDownload);

    EXPECT_EQ(drain(),
              QStringList({"<first.1.2@test>", "<first.2.1@test>", "<first.2.2@test>", "<second.1.1@test>"}));
    EXPECT_EQ(second->status(), JobStatus::Downloading);
}

TEST_F(Handout, JobsThatDoNotQualifyAreSkipped)
{
    struct Case
    {
        const char* name;
        std::function<void(const QueuePtr&)> change;
    };
    const Case cases[] = {
        {"paused", [](const QueuePtr& q) { q->setIsPaused(true); }},
        {"missing", [](const QueuePtr& q) { q->setIsMissing(true); }},
        {"cancelled", [](const QueuePtr& q) { q->setIsCancelled(true); }},
        {"finished", [](const QueuePtr& q) { q->setStatus(JobStatus::Finished); }},
        {"server skipped", [](const QueuePtr& q) { q->setServersToSkip({"A"}); }},
        {"part cancelled", [](const QueuePtr& q) { q->fileparts()[0]->setIsCancelled(true); }},
        {"part decoding",
         [](const QueuePtr& q) { q->fileparts()[0]->setStatus(FilePartStatus::Downloaded); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QueueController local;
        const QueuePtr skipped = DownloadJobBuilder("skipped").build();
        const QueuePtr served = DownloadJobBuilder("served").articlesPerPart(1).build();
        c.change(skipped);
        ASSERT_TRUE(local.addNZBRootObjectToQueue(skipped));
        ASSERT_TRUE(local.addNZBRootObjectToQueue(served));
        const SegmentPtr s = local.getNextArticleForServerID("A", false);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->mid(), "<served.1.1@test>");
        EXPECT_EQ(local.getNextArticleForServerID("A", false), nullptr);
    }
}

TEST_F(Handout, ForceDownloadIgnoresServersToSkip)
{
    const QueuePtr job = addJob("job", 1, 1);
    job->setServersToSkip({"A"});
    EXPECT_EQ(next("A"), nullptr);
    job->setForceDownload(true);
    EXPECT_NE(next("A"), nullptr);
}

TEST_F(Handout, AnArticleTriedByAServerGoesOnlyToOthers)
{
    const QueuePtr job = addJob("job", 1, 2);
    const SegmentPtr s = next("A");
    ASSERT_NE(s, nullptr);
    s->addUsedServerID("A");
    qc.requeueSegment(s);
    EXPECT_EQ(drain("A"), QStringList({"<job.1.2@test>"}));
    EXPECT_EQ(drain("B"), QStringList({"<job.1.1@test>"}));
    EXPECT_EQ(drain("A"), QStringList());
}

TEST_F(Handout, AnArticleGivenBackIsHandedOutAgainOnce)
{
    const QueuePtr job = addJob("job", 1, 3);
    const SegmentPtr s = next();
    qc.requeueSegment(s);
    qc.requeueSegment(s); // a second report of the same release
    EXPECT_EQ(drain(), QStringList({"<job.1.1@test>", "<job.1.2@test>", "<job.1.3@test>"}));
}

TEST_F(Handout, APartPutBackToQueuedIsWalkedAgain)
{
    const QueuePtr job = addJob("job", 1, 2);
    const QStringList all = drain();
    ASSERT_EQ(all.size(), 2);
    for (const SegmentPtr& s : job->fileparts()[0]->segments())
        s->setStatus(ArticleStatus::Queued);
    job->fileparts()[0]->setStatus(FilePartStatus::Queued);
    EXPECT_EQ(drain(), all);
}

TEST_F(Handout, DedicatedJobsGoOnlyToTheirServer)
{
    const QueuePtr upload = DownloadJobBuilder("post").articlesPerPart(1).build();
    upload->setIsUploadObject(true);
    upload->setServerID("U");
    upload->setTextBody("hello");
    upload->setStatus(UploadStatus::Queued);
    upload->fileparts()[0]->setStatus(FilePartStatus::QueuedForUpload);
    add(upload);
    const QueuePtr list = DownloadJobBuilder("list").articlesPerPart(1).build();
    list->setIsNewsgroupsRequest(true);
    list->setServerID("L");
    add(list);

    EXPECT_EQ(next("A"), nullptr);
    const SegmentPtr posted = next("U");
    ASSERT_NE(posted, nullptr);
    EXPECT_EQ(posted->mid(), "<post.1.1@test>");
    EXPECT_EQ(upload->status(), UploadStatus::Uploading);
    EXPECT_EQ(upload->fileparts()[0]->status(), FilePartStatus::Uploading);
    EXPECT_EQ(drain("L"), QStringList({"<list.1.1@test>"}));
}

// ---------------------------------------------------------------------------
// Priority list

TEST_F(Handout, PriorityPartsOvertakeTheQueue)
{
    addJob("first", 1, 1);
    const QueuePtr second = addJob("second", 2, 1);
    second->fileparts()[1]->setIspar(true);
    ASSERT_TRUE(QueueController::isPriorityCandidate(second->fileparts()[1]));
    ASSERT_FALSE(QueueController::isPriorityCandidate(second->fileparts()[0]));
    qc.addFilePartToPriorityQueue(second->fileparts()[1]);
    qc.addFilePartToPriorityQueue(second->fileparts()[1]);
    EXPECT_EQ(qc.priorityQueueArray().size(), 1);

    EXPECT_EQ(next()->mid(), "<second.2.1@test>");
    // The priority job has nothing left: the same request empties the list
    // and serves the ordinary queue.
    EXPECT_EQ(next()->mid(), "<first.1.1@test>");
    EXPECT_TRUE(qc.priorityQueueArray().isEmpty());
    EXPECT_EQ(next()->mid(), "<second.1.1@test>");
}

TEST_F(Handout, APausedPriorityJobLeavesTheListAndDoesNotComeBackByItself)
{
    const QueuePtr paused = addJob("paused", 1, 1);
    const QueuePtr other = addJob("other", 1, 1);
    qc.addFilePartToPriorityQueue(paused->fileparts()[0]);
    qc.addFilePartToPriorityQueue(other->fileparts()[0]);
    paused->setIsPaused(true);
    EXPECT_EQ(next()->mid(), "<other.1.1@test>");
    EXPECT_EQ(next(), nullptr);
    EXPECT_TRUE(qc.priorityQueueArray().isEmpty());
    paused->setIsPaused(false);
    EXPECT_TRUE(qc.priorityQueueArray().isEmpty());
    EXPECT_EQ(next()->mid(), "<paused.1.1@test>");
}

TEST_F(Handout, RemovingAPartTakesItsJobOffTheList)
{
    const QueuePtr job = addJob("job", 2, 1);
    qc.addFilePartToPriorityQueue(job->fileparts()[0]);
    qc.addFilePartToPriorityQueue(job->fileparts()[1]);
    qc.removeFilePartFromPriorityQueue(job->fileparts()[0]);
    EXPECT_FALSE(job->fileparts()[0]->isPriority());
    EXPECT_TRUE(job->fileparts()[1]->isPriority());
    EXPECT_TRUE(qc.priorityQueueArray().isEmpty());
}

// ---------------------------------------------------------------------------
// Backup servers

TEST_F(Handout, ABackupServerGetsOnlyWhatIsRoutedToIt)
{
    const QueuePtr job = addJob("job", 1, 3);
    EXPECT_EQ(next("C", true), nullptr);

    const SegmentPtr missing = next("A");
    missing->addUsedServerID("A");
    missing->setBackupServerOnly(true);
    job->appendPartDownloadBackupServer({"C", missing});
    qc.requeueSegment(missing);
    // Another backup server gets nothing of the job, C only its article.
    EXPECT_EQ(next("D", true), nullptr);
    EXPECT_EQ(drain("C", true), QStringList({"<job.1.1@test>"}));
    EXPECT_TRUE(job->partDownloadBackupServers().isEmpty());

    qc.enableBackupServer("C", job);
    qc.enableBackupServer("C", job);
    EXPECT_EQ(job->fullDownloadBackupServers(), QStringList({"C"}));
    EXPECT_EQ(drain("C", true), QStringList({"<job.1.2@test>", "<job.1.3@test>"}));
}

// A backup server skipped for the job after an article was routed to it
// still gets that article: nobody else may have it, and left waiting it
// would keep the job from ever ending. Nothing else of the job goes to it.
TEST_F(Handout, AnArticleRoutedToABackupServerTheJobSkipsSinceIsStillHandedToIt)
{
    const QueuePtr job = addJob("job", 1, 3);
    const SegmentPtr missing = next("A");
    missing->addUsedServerID("A");
    missing->setBackupServerOnly(true);
    job->appendPartDownloadBackupServer({"C", missing});
    qc.requeueSegment(missing);
    qc.enableBackupServer("C", job);
    job->setServersToSkip({"C"});

    EXPECT_EQ(drain("C", true), QStringList({"<job.1.1@test>"}));
    EXPECT_TRUE(job->partDownloadBackupServers().isEmpty());
    EXPECT_EQ(drain("A"), QStringList({"<job.1.2@test>", "<job.1.3@test>"}));
}

TEST_F(Handout, ARoutedArticleTakenMeanwhileIsNotHandedOutTwice)
{
    const QueuePtr job = addJob("job", 1, 2);
    const SegmentPtr s = next("A");
    job->appendPartDownloadBackupServer({"C", s}); // still downloading at 1
    EXPECT_EQ(next("C", true), nullptr);
    EXPECT_TRUE(job->partDownloadBackupServers().isEmpty());
    EXPECT_EQ(s->status(), ArticleStatus::Downloading);
}

// ---------------------------------------------------------------------------
// Booking

TEST_F(Handout, BookingCountsEachArticleOnce)
{
    const QueuePtr job = add(DownloadJobBuilder("job").articlesPerPart(2).articleBytes(500).build());
    const QueuePtr part = job->fileparts()[0];
    const SegmentPtr s = next();
    qc.updateQueueAfterDownload(s);
    qc.updateQueueAfterDownload(s);
    EXPECT_EQ(s->status(), ArticleStatus::Downloaded);
    EXPECT_EQ(part->totalSegmentsLeftToDownload(), 1);
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 1);
    EXPECT_DOUBLE_EQ(part->totalBytesLeft(), 500);
    EXPECT_DOUBLE_EQ(job->totalBytesLeft(), 500);
    EXPECT_DOUBLE_EQ(qc.downloadedBytes(), 500);
}

TEST_F(Handout, BookingChangesNothingForACancelledOrIdlePart)
{
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled" : "part not downloading");
        QueueController local;
        const QueuePtr job = DownloadJobBuilder("job").build();
        ASSERT_TRUE(local.addNZBRootObjectToQueue(job));
        const SegmentPtr s = local.getNextArticleForServerID("A", false);
        if (cancel)
            job->fileparts()[0]->setIsCancelled(true);
        else
            job->fileparts()[0]->setStatus(FilePartStatus::Queued);
        local.updateQueueAfterDownload(s);
        EXPECT_EQ(s->status(), ArticleStatus::Downloading);
        EXPECT_EQ(job->totalSegmentsLeftToDownload(), 2);
        EXPECT_DOUBLE_EQ(local.downloadedBytes(), 0);
    }
}

TEST_F(Handout, UploadBookingReleasesTheBody)
{
    const QueuePtr job = DownloadJobBuilder("post").articlesPerPart(2).articleBytes(100).build();
    job->setIsUploadObject(true);
    job->setServerID("U");
    job->setTextBody("text");
    job->setStatus(UploadStatus::Queued);
    job->fileparts()[0]->setStatus(FilePartStatus::QueuedForUpload);
    add(job);
    const SegmentPtr s = next("U");
    s->setFiledata("body");
    qc.updateQueueAfterUpload(s);
    qc.updateQueueAfterUpload(s);
    EXPECT_EQ(s->status(), ArticleStatus::Uploaded);
    EXPECT_TRUE(s->filedata().isEmpty());
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 1);
    EXPECT_DOUBLE_EQ(qc.downloadedBytes(), 100);
}

TEST_F(Handout, NewsgroupListBookingEmptiesTheCounters)
{
    const QueuePtr job = DownloadJobBuilder("list").articlesPerPart(1).build();
    job->setIsNewsgroupsRequest(true);
    job->setServerID("L");
    add(job);
    const SegmentPtr s = next("L");
    qc.updateQueueAfterDownloadingNewsgroupList(s);
    EXPECT_EQ(s->status(), ArticleStatus::Downloaded);
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 0);
    EXPECT_DOUBLE_EQ(job->fileparts()[0]->totalBytesLeft(), 0);
}

// ---------------------------------------------------------------------------
// Totals

TEST_F(Handout, TotalsCountJobsStillToLoad)
{
    const QueuePtr downloading = add(DownloadJobBuilder("d").articlesPerPart(4).articleBytes(1000).build());
    const QueuePtr finished = add(DownloadJobBuilder("f").articlesPerPart(2).build());
    finished->setStatus(JobStatus::Finished);
    finished->setTotalSegmentsLeftToDownload(0);
    const QueuePtr upload = add(DownloadJobBuilder("u").articlesPerPart(1).articleBytes(300).build());
    upload->setIsUploadObject(true);
    upload->setStatus(UploadStatus::Queued);
    next("A");
    qc.setCurrentBps(1000);

    EXPECT_EQ(qc.getTotalFilesInQueue(), 2);
    EXPECT_DOUBLE_EQ(qc.segmentsInQueue(), 7);
    EXPECT_DOUBLE_EQ(qc.segmentsInQueueLeft(), 5);
    EXPECT_DOUBLE_EQ(qc.filesLeftToDownload(), 1);
    EXPECT_DOUBLE_EQ(qc.filesLeftToUpload(), 1);
    EXPECT_DOUBLE_EQ(qc.bytesLeftToDownload(), 4000);
    EXPECT_DOUBLE_EQ(qc.bytesLeftToUpload(), 300);
    EXPECT_EQ(downloading->timeleft(), 4);

    // Without traffic the estimate stays as it was instead of dividing by 0.
    qc.setCurrentBps(0);
    qc.getTotalFilesInQueue();
    EXPECT_EQ(downloading->timeleft(), 4);
}

} // namespace

namespace {

TEST_F(Handout, ABookedArticleGivenBackStaysBooked)
{
    const QueuePtr job = addJob("job", 1, 2);
    const SegmentPtr s = next();
    qc.updateQueueAfterDownload(s);
    qc.requeueSegment(s);
    EXPECT_EQ(s->status(), ArticleStatus::Downloaded);
    EXPECT_EQ(drain(), QStringList({"<job.1.2@test>"}));
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 1);
}

TEST_F(Handout, ArticlesAPartLearnsLateAreHandedOut)
{
    const QueuePtr job = addJob("job", 2, 1);
    const QueuePtr late = job->fileparts()[1];
    const QList<SegmentPtr> articles = late->segments();
    late->removeAllSegments();
    late->setStatus(JobStatus::Idle);
    EXPECT_EQ(drain(), QStringList({"<job.1.1@test>"}));

    late->setSegments(articles);
    late->setStatus(FilePartStatus::Queued);
    EXPECT_EQ(drain(), QStringList({"<job.2.1@test>"}));

    // A part added to the job, and a part whose articles were replaced by
    // as many others.
    const QueuePtr other = DownloadJobBuilder("other").parts(2).articlesPerPart(1).build();
    const QueuePtr added = other->fileparts()[0];
    added->setQueue(job);
    job->appendFilepart(added);
    const QueuePtr replaced = job->fileparts()[0];
    const SegmentPtr fresh = other->fileparts()[1]->segments()[0];
    fresh->setFilepart(replaced);
    fresh->setQueue(job);
    replaced->setSegments({fresh});
    replaced->setStatus(FilePartStatus::Queued);
    EXPECT_EQ(drain(), QStringList({"<other.2.1@test>", "<other.1.1@test>"}));
}

} // namespace

namespace {

TEST_F(Handout, AFileUploadIsEncodedArticleByArticleForItsServerOnly)
{
    // The queue controller makes its own encoder.
    ASSERT_TRUE(qc.yencEncodeController());

    const QString path = home.makeFolder("up") + "/a.bin";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(2500, 'a'));
    file.close();
    const QueuePtr job = DownloadJobBuilder("post").articlesPerPart(3).articleBytes(1000).build();
    job->setIsUploadObject(true);
    job->setServerID("U");
    job->setMaxArticleSize(1000);
    job->setStatus(UploadStatus::Queued);
    const QueuePtr part = job->fileparts()[0];
    part->setFilename("a.bin");
    part->setFileUrl(path);
    part->setBytes(2500);
    part->setStatus(FilePartStatus::QueuedForUpload);
    add(job);

    EXPECT_EQ(next("A"), nullptr);
    QList<SegmentPtr> posted;
    while (const SegmentPtr s = next("U"))
        posted.append(s);
    ASSERT_EQ(posted, part->segments());
    EXPECT_EQ(job->status(), UploadStatus::Uploading);
    EXPECT_EQ(part->status(), FilePartStatus::Uploading);
    for (const SegmentPtr& s : posted) {
        EXPECT_EQ(s->status(), ArticleStatus::Uploading);
        EXPECT_TRUE(s->filedata().startsWith("=ybegin")) << s->filedata().left(40).toStdString();
        qc.updateQueueAfterUpload(s);
        EXPECT_EQ(s->status(), ArticleStatus::Uploaded);
        EXPECT_TRUE(s->filedata().isEmpty());
    }
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 0);
    EXPECT_DOUBLE_EQ(qc.downloadedBytes(), 2500);
}

} // namespace

namespace {

// An upload of one file of `bytes` bytes cut into articles of 1000 bytes,
// for server "U", queued (201) as the compose window leaves it.
QueuePtr uploadJob(TempHome& home, const QString& title, qsizetype bytes)
{
    const QString path = home.makeFolder(title) + "/a.bin";
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(bytes, 'a'));
    file.close();
    const int articles = int((bytes + 999) / 1000);
    const QueuePtr job = DownloadJobBuilder(title).articlesPerPart(articles).articleBytes(1000).build();
    job->setIsUploadObject(true);
    job->setServerID("U");
    job->setMaxArticleSize(1000);
    job->setStatus(UploadStatus::Queued);
    const QueuePtr part = job->fileparts()[0];
    part->setFilename("a.bin");
    part->setFileUrl(path);
    part->setBytes(double(bytes));
    part->setStatus(FilePartStatus::QueuedForUpload);
    return job;
}

// Holds the first read of an upload article until released, and notes
// what it saw when it was called. Bounded, so that a broken build fails
// instead of hanging.
struct HeldRead
{
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool released = false;
    bool queueLockFree = false;
    bool bodyEmpty = false;

    void onRead(QueueController& qc, const SegmentPtr& segment)
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (entered) return;
        }
        // Taken from another thread: it gets the lock only when this one
        // does not hold it. Others hold it briefly at most.
        const bool free = std::async(std::launch::async, [&qc] {
                              if (!qc.arrayLock().tryLock(10000)) return false;
                              qc.arrayLock().unlock();
                              return true;
                          }).get();
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        queueLockFree = free;
        bodyEmpty = segment->filedata().isEmpty();
        changed.notify_all();
        changed.wait_for(lock, std::chrono::seconds(60), [this] { return released; });
    }
    bool hasEntered()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return entered;
    }
    void release()
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        changed.notify_all();
    }
};

TEST_F(Handout, AnUploadArticleIsReadAndEncodedWithTheQueueUnlocked)
{
    const QueuePtr upload = add(uploadJob(home, "post", 1500));
    addJob("download", 1, 1);
    HeldRead held;
    qc.yencEncodeController()->setReadHook([&](const SegmentPtr& s) { held.onRead(qc, s); });

    std::future<SegmentPtr> posting = std::async(std::launch::async, [this] { return next("U"); });
    ASSERT_TRUE(waitUntil([&] { return held.hasEntered(); }, 30000));

    // While that read is held up, another connection gets its article and
    // the queue can be read.
    std::future<SegmentPtr> download = std::async(std::launch::async, [this] {
        (void)qc.queueArray();
        return next("A");
    });
    const bool downloadDone = waitUntil(
        [&] { return download.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 30000);
    held.release();
    EXPECT_TRUE(downloadDone);
    const SegmentPtr downloaded = download.get();
    ASSERT_TRUE(downloaded);
    EXPECT_EQ(downloaded->mid(), "<download.1.1@test>");

    EXPECT_TRUE(held.queueLockFree);
    EXPECT_TRUE(held.bodyEmpty); // nothing was encoded before the read
    const SegmentPtr posted = posting.get();
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted, upload->fileparts()[0]->segments()[0]);
    EXPECT_EQ(posted->status(), ArticleStatus::Uploading);
    EXPECT_TRUE(posted->filedata().startsWith("=ybegin part=1 line=128 size=1500 name=a.bin"))
        << posted->filedata().left(40).toStdString();
    EXPECT_EQ(upload->status(), UploadStatus::Uploading);
}

TEST_F(Handout, AnUnreadableUploadArticleWaitsAgainAndTheSameRequestGoesOnToOtherJobs)
{
    const QueuePtr upload = add(uploadJob(home, "post", 2000));
    addJob("download", 1, 2);
    const QueuePtr part = upload->fileparts()[0];
    // The file shrank after the job was made: the second slice is gone.
    QFile::resize(part->fileUrl(), 1000);
    const SegmentPtr missing = part->segments()[1];

    const SegmentPtr first = next("U");
    ASSERT_EQ(first, part->segments()[0]);
    EXPECT_TRUE(first->filedata().startsWith("=ybegin"));
    for (int attempt = 1; attempt < YencEncodeController::kMaxReadTries; ++attempt) {
        SCOPED_TRACE(attempt);
        const SegmentPtr other = next("U");
        ASSERT_TRUE(other);
        EXPECT_EQ(other->mid(), QString("<download.1.%1@test>").arg(attempt));
        EXPECT_EQ(missing->status(), ArticleStatus::Queued);
        EXPECT_TRUE(missing->filedata().isEmpty());
        EXPECT_EQ(upload->status(), UploadStatus::Uploading);
    }
    EXPECT_EQ(next("U"), nullptr);
    EXPECT_EQ(upload->status(), UploadStatus::EncodingError);
    EXPECT_TRUE(missing->filedata().isEmpty());
    EXPECT_EQ(next("U"), nullptr);
}

} // namespace
