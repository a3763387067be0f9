// When the queue is saved while the program runs: at once when a job is
// admitted, removed or finished, otherwise at most every 30 seconds while
// something changed, never before the saved queue is restored, never after
// the last save at quit.
#include "queue/QueueController.h"
#include "queue/SaveStateScheduler.h"
#include "queue/StatusCodes.h"

#include "support/EventLoop.h"
#include "support/ManualClock.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QSemaphore>

#include <atomic>

namespace {

QueuePtr makeJob(const QString& title)
{
    const QueuePtr job = Queue::create();
    job->setIsNZB(true);
    job->setTitle(title);
    job->setStatus(JobStatus::QueuedForDownload);
    return job;
}

struct Scheduler : ::testing::Test
{
    TempHome home;
    ManualClock clock{1000};
    QueueController queue;
    SaveStateScheduler scheduler{clock.clock()};
    std::atomic<int> saves{0};

    void SetUp() override
    {
        scheduler.setSaveFunction([this] { ++saves; });
        scheduler.observe(&queue);
    }

    // The saves run so far, once those queued have ended.
    int savesRun()
    {
        scheduler.waitForSaves();
        return saves.load();
    }

    // Moves the clock on and lets the timer's check run.
    void after(qint64 seconds)
    {
        clock.advance(seconds);
        scheduler.tick();
    }
};

} // namespace

TEST_F(Scheduler, NothingIsSavedBeforeTheRestoreAndWhatWasAskedIsDoneThen)
{
    ASSERT_TRUE(queue.addNZBRootObjectToQueue(makeJob("early")));
    Q_EMIT queue.queueItemChanged();
    after(100);
    EXPECT_EQ(savesRun(), 0);

    scheduler.start();
    EXPECT_EQ(savesRun(), 1) << "the job admitted before is saved now";
    after(100);
    EXPECT_EQ(savesRun(), 1) << "the change before is in that save";
}

TEST_F(Scheduler, AdmittingRemovingAndFinishingSaveAtOnce)
{
    scheduler.start();
    const QueuePtr job = makeJob("job");
    ASSERT_TRUE(queue.addNZBRootObjectToQueue(job));
    EXPECT_EQ(savesRun(), 1);
    // Ending its import, finishing its download, the job, a partial job or
    // an upload.
    for (const qint64 status : {JobStatus::NZBParsed, JobStatus::AllFilesWritten, JobStatus::Finished,
                                JobStatus::PartialFinished, UploadStatus::Finished}) {
        SCOPED_TRACE(status);
        const int before = savesRun();
        Q_EMIT queue.jobStatusChanged(status);
        EXPECT_EQ(savesRun(), before + 1);
    }
    const int before = savesRun();
    queue.removeObjectFromQueue(job);
    EXPECT_EQ(savesRun(), before + 1);
}

TEST_F(Scheduler, OtherChangesAreSavedAtMostEveryThirtySeconds)
{
    scheduler.start();
    struct Change
    {
        const char* what;
        std::function<void()> make;
    };
    ASSERT_TRUE(queue.addNZBRootObjectToQueue(makeJob("a")));
    ASSERT_TRUE(queue.addNZBRootObjectToQueue(makeJob("b")));
    const int start = savesRun();
    const QList<Change> changes = {
        {"a part's status or a pause", [&] { Q_EMIT queue.queueItemChanged(); }},
        {"a job's status on the way", [&] { Q_EMIT queue.jobStatusChanged(JobStatus::Downloading); }},
        {"a job moved", [&] { queue.moveObjectFromIndex(0, 1); }},
    };
    int expected = start;
    for (const Change& c : changes) {
        SCOPED_TRACE(c.what);
        after(SaveStateScheduler::kSaveIntervalSeconds); // the last save is long past
        EXPECT_EQ(savesRun(), expected) << "nothing changed, nothing saved";
        c.make();
        after(0);
        EXPECT_EQ(savesRun(), ++expected) << "30 s after the last save: at once";
        c.make();
        after(SaveStateScheduler::kSaveIntervalSeconds - 1);
        EXPECT_EQ(savesRun(), expected) << "not within 30 s of the last save";
        c.make();
        after(1);
        EXPECT_EQ(savesRun(), ++expected) << "one save for the changes of the 30 s";
    }
}

TEST_F(Scheduler, ASaveAskedForWhileOneWaitsIsThatSave)
{
    QSemaphore running, release;
    scheduler.setSaveFunction([&] {
        ++saves;
        running.release();
        release.acquire();
    });
    scheduler.start();
    scheduler.saveNow();
    running.acquire(); // the first save runs and holds on
    for (int i = 0; i < 5; ++i)
        scheduler.saveNow();
    release.release(2);
    EXPECT_EQ(savesRun(), 2) << "one more save takes in every change asked for while the first ran";
}

TEST_F(Scheduler, StopWaitsForARunningSaveAndNoneFollows)
{
    QSemaphore running, release;
    std::atomic<bool> ended{false};
    scheduler.setSaveFunction([&] {
        ++saves;
        running.release();
        release.acquire();
        ended = true;
    });
    scheduler.start();
    scheduler.saveNow();
    running.acquire();
    std::atomic<bool> stopped{false};
    std::thread quitting([&] {
        scheduler.stop(); // as the save at quit does, off the main thread
        stopped = true;
    });
    spinEventLoop(100);
    EXPECT_FALSE(stopped.load()) << "waits for the save that runs";
    release.release();
    quitting.join();
    EXPECT_TRUE(ended.load());

    scheduler.saveNow();
    Q_EMIT queue.queueItemChanged();
    after(100);
    EXPECT_EQ(savesRun(), 1);
}

TEST_F(Scheduler, AQueueItemsStatusReachesTheScheduler)
{
    scheduler.start();
    const QueuePtr job = makeJob("job");
    ASSERT_TRUE(queue.addNZBRootObjectToQueue(job));
    const int admitted = savesRun();
    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setQueue(job);
    part->setDelegate(&queue);
    job->appendFilepart(part);
    part->startAllObservers();
    after(SaveStateScheduler::kSaveIntervalSeconds);
    part->setStatus(FilePartStatus::Cancelled);
    ASSERT_TRUE(waitUntil([&] { scheduler.tick(); return savesRun() == admitted + 1; }, 2000));
}

// A step that deletes what an older save state relies on waits for a save
// that knows it: the step follows the save, never comes before the saved
// queue is restored, and never after the last save.
TEST_F(Scheduler, AStepWaitingForASaveRunsOnceTheSaveIsWritten)
{
    QSemaphore running, release;
    std::atomic<bool> written{false};
    scheduler.setSaveFunction([&] {
        written = false;
        ++saves;
        running.release();
        release.acquire();
        written = true;
    });
    QList<bool> savedWhenRun;
    auto step = [&] { savedWhenRun.append(written.load()); };

    scheduler.saveNowThen(step);
    spinEventLoop(100);
    EXPECT_TRUE(savedWhenRun.isEmpty()) << "not before the restore";
    scheduler.start();
    running.acquire();
    spinEventLoop(100);
    EXPECT_TRUE(savedWhenRun.isEmpty()) << "not while the save runs";
    release.release();
    ASSERT_TRUE(waitUntil([&] { return savedWhenRun.size() == 1; }));
    EXPECT_TRUE(savedWhenRun[0]);

    // Asked for while a save runs, whose snapshot is older than the step.
    scheduler.saveNow();
    running.acquire();
    scheduler.saveNowThen(step);
    release.release();
    running.acquire();
    spinEventLoop(100);
    EXPECT_EQ(savedWhenRun.size(), 1) << "waits for the save after it";
    release.release();
    ASSERT_TRUE(waitUntil([&] { return savedWhenRun.size() == 2; }));
    EXPECT_EQ(savesRun(), 3);

    // Asked for while the last save is waited for: never.
    scheduler.saveNow();
    running.acquire();
    scheduler.saveNowThen(step);
    std::thread quitting([&] { scheduler.stop(); });
    spinEventLoop(50);
    release.release();
    quitting.join();
    scheduler.saveNowThen(step);
    spinEventLoop(200);
    EXPECT_EQ(savedWhenRun.size(), 2);
    EXPECT_EQ(savesRun(), 4);
}
