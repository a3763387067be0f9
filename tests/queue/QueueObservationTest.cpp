#include "queue/Queue.h"

#include "platform/Dispatch.h"
#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QMutex>

#include <thread>

namespace {

// Records every delegate call with the thread it came on.
class RecordingDelegate : public QueueObjectDelegate
{
public:
    struct Call
    {
        QString kind;
        Queue* item;
        qint64 from;
        qint64 to;
        bool onMainThread;

        bool operator==(const Call& other) const
        {
            return kind == other.kind && item == other.item && from == other.from && to == other.to &&
                   onMainThread == other.onMainThread;
        }
    };

    void statusChangedForQueueObject(const QueuePtr& queue, qint64 from, qint64 to) override
    {
        record({"root", queue.get(), from, to, Dispatch::isMainThread()});
    }
    void statusChangedForFilepart(const QueuePtr& part, qint64 from, qint64 to) override
    {
        record({"part", part.get(), from, to, Dispatch::isMainThread()});
    }
    void shouldPauseChangedForQueueObject(const QueuePtr& queue) override
    {
        record({"shouldPause", queue.get(), 0, 0, Dispatch::isMainThread()});
    }
    void pauseChangedForQueueObject(const QueuePtr& queue) override
    {
        record({"pause", queue.get(), 0, 0, Dispatch::isMainThread()});
    }

    QList<Call> calls() const
    {
        QMutexLocker locker(&mutex_);
        return calls_;
    }
    qsizetype count() const
    {
        QMutexLocker locker(&mutex_);
        return calls_.size();
    }

private:
    void record(const Call& call)
    {
        QMutexLocker locker(&mutex_);
        calls_.append(call);
    }

    mutable QMutex mutex_;
    QList<Call> calls_;
};

std::ostream& operator<<(std::ostream& out, const RecordingDelegate::Call& c)
{
    return out << c.kind.toStdString() << " " << c.item << " " << c.from << "->" << c.to
               << (c.onMainThread ? " main" : " WORKER");
}

class QueueObservation : public ::testing::Test
{
protected:
    TempHome home;
    RecordingDelegate delegate;

    QueuePtr makeRoot()
    {
        QueuePtr root = Queue::create();
        root->setDelegate(&delegate);
        return root;
    }
    QueuePtr makePart(const QueuePtr& root)
    {
        QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(root);
        part->setDelegate(&delegate);
        root->appendFilepart(part);
        return part;
    }
};

} // namespace

TEST_F(QueueObservation, WorkerAssignmentsReachTheDelegateOnTheMainThreadInOrder)
{
    const QueuePtr root = makeRoot();
    const QueuePtr part = makePart(root);
    QList<RecordingDelegate::Call> expected;
    std::thread worker([&] {
        qint64 rootStatus = 0;
        qint64 partStatus = 0;
        for (int i = 0; i < 300; ++i) {
            const qint64 nextRoot = 1 + i % 7;
            root->setStatus(nextRoot);
            expected.append({"root", root.get(), rootStatus, nextRoot, true});
            rootStatus = nextRoot;
            if (i % 3 == 0) {
                const qint64 nextPart = 1001 + i % 5;
                part->setStatus(nextPart);
                expected.append({"part", part.get(), partStatus, nextPart, true});
                partStatus = nextPart;
            }
            if (i % 10 == 0) {
                root->setShouldPause(i % 20 == 0);
                expected.append({"shouldPause", root.get(), 0, 0, true});
                root->setIsPaused(false);
                expected.append({"pause", root.get(), 0, 0, true});
            }
        }
    });
    worker.join();
    ASSERT_TRUE(waitUntil([&] { return delegate.count() >= expected.size(); }));
    spinEventLoop(20);
    const QList<RecordingDelegate::Call> calls = delegate.calls();
    ASSERT_EQ(calls.size(), expected.size());
    for (qsizetype i = 0; i < calls.size(); ++i)
        ASSERT_EQ(calls[i], expected[i]) << "call " << i;
}

TEST_F(QueueObservation, ConcurrentAssignersProduceOneUnbrokenChain)
{
    // Two threads race on one item: whatever order the writes take, the
    // reports follow it, so each old value is the previous new value.
    const QueuePtr root = makeRoot();
    auto assign = [&root](qint64 base) {
        for (int i = 0; i < 2000; ++i)
            root->setStatus(base + i % 50);
    };
    std::thread a(assign, 100);
    std::thread b(assign, 200);
    a.join();
    b.join();
    ASSERT_TRUE(waitUntil([&] { return delegate.count() >= 4000; }));
    const QList<RecordingDelegate::Call> calls = delegate.calls();
    ASSERT_EQ(calls.size(), 4000);
    qint64 previous = 0;
    for (const auto& call : calls) {
        ASSERT_TRUE(call.onMainThread);
        ASSERT_EQ(call.from, previous);
        previous = call.to;
    }
    EXPECT_EQ(previous, root->status());
}

TEST_F(QueueObservation, AnAssignmentIsNeverHandledInsideTheSetter)
{
    const QueuePtr root = makeRoot();
    root->setStatus(JobStatus::Extracting);
    root->setStatus(JobStatus::Extracting);
    EXPECT_EQ(delegate.count(), 0);
    EXPECT_FALSE(root->progressBarVisible());
    spinEventLoop(20);
    // An equal value is reported like any other.
    const QList<RecordingDelegate::Call> calls = delegate.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0], (RecordingDelegate::Call{"root", root.get(), 0, 5, true}));
    EXPECT_EQ(calls[1], (RecordingDelegate::Call{"root", root.get(), 5, 5, true}));
    EXPECT_TRUE(root->progressBarVisible());
}

TEST_F(QueueObservation, PausingHidesTheProgressBarThenTellsTheDelegate)
{
    const QueuePtr root = makeRoot();
    root->setStatus(JobStatus::Downloading);
    spinEventLoop(20);
    ASSERT_TRUE(root->progressBarVisible());
    root->setIsPaused(true);
    spinEventLoop(20);
    EXPECT_FALSE(root->progressBarVisible());
    ASSERT_EQ(delegate.count(), 2);
    EXPECT_EQ(delegate.calls().last().kind, "pause");
}

TEST_F(QueueObservation, ModelTransitionsReachTheDelegateAfterTheChangeThatCausedThem)
{
    const QueuePtr root = makeRoot();
    const QueuePtr part = makePart(root);
    root->setTotalSegments(1);
    part->setTotalSegments(1);
    std::thread worker([&] {
        root->setStatus(JobStatus::Downloading);
        part->setStatus(FilePartStatus::Downloading);
        part->setTotalSegmentsLeftToDownload(0);
        root->setTotalSegmentsLeftToDownload(0);
    });
    worker.join();
    ASSERT_TRUE(waitUntil([&] { return delegate.count() >= 4; }));
    spinEventLoop(20);
    const QList<RecordingDelegate::Call> expected = {
        {"root", root.get(), 0, 1, true},
        {"part", part.get(), 0, 1001, true},
        {"part", part.get(), 1001, 1002, true},
        {"root", root.get(), 1, 2, true},
    };
    EXPECT_EQ(delegate.calls(), expected);
}

TEST_F(QueueObservation, SilentUntilObserversStartAndAfterTheyStop)
{
    const QueuePtr item = Queue::createWhithoutStartingObservers();
    item->setDelegate(&delegate);
    item->setStatus(JobStatus::Repairing);
    spinEventLoop(20);
    EXPECT_EQ(delegate.count(), 0);
    EXPECT_FALSE(item->progressBarVisible());

    item->startAllObservers();
    // The save-state restore assigns a value again to have it reported.
    item->setStatus(item->status());
    spinEventLoop(20);
    ASSERT_EQ(delegate.count(), 1);
    EXPECT_EQ(delegate.calls().first(), (RecordingDelegate::Call{"root", item.get(), 3, 3, true}));
    EXPECT_TRUE(item->progressBarVisible());

    item->removeAllObservers();
    item->removeAllObservers();
    item->setStatus(JobStatus::Finished);
    spinEventLoop(20);
    EXPECT_EQ(delegate.count(), 1);
}

TEST_F(QueueObservation, AGoneDelegateIsNotCalledAndAGoneItemStillHasItsReportHandled)
{
    auto shortLived = std::make_unique<RecordingDelegate>();
    QueuePtr item = Queue::create();
    item->setDelegate(shortLived.get());
    EXPECT_EQ(item->delegate(), shortLived.get());
    item->setStatus(JobStatus::Downloading);
    shortLived.reset();
    EXPECT_EQ(item->delegate(), nullptr);

    // The queued report keeps the item alive until it has run.
    QueuePtr other = Queue::create();
    other->setDelegate(&delegate);
    std::weak_ptr<Queue> watch = other;
    other->setStatus(JobStatus::DownloadError);
    other.reset();
    item.reset();
    EXPECT_FALSE(watch.expired());
    EXPECT_TRUE(waitUntil([&] { return watch.expired(); }));
    ASSERT_EQ(delegate.count(), 1);
    EXPECT_EQ(delegate.calls().first().to, 7);
}
