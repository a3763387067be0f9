#include "platform/UserDefaults.h"
#include "queue/QueueController.h"

#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryFile>

#include <cstdio>
#include <unistd.h>

namespace {

QueuePtr job(const QString& title, qint64 status = 0)
{
    const QueuePtr q = Queue::create();
    q->setIsNZB(true);
    q->setTitle(title);
    q->setStatus(status);
    return q;
}

QStringList titles(const QueueController& qc)
{
    QStringList out;
    for (const QueuePtr& q : qc.queueArray())
        out.append(q->title());
    return out;
}

struct QueueAdd : ::testing::Test
{
    TempHome home;
    QueueController qc;

    // queued, finished (10), queued, partly finished (16), upload finished (205)
    void fill()
    {
        UserDefaults::standard().setInteger(1, "queueCleaningTag");
        for (const auto& [title, status] : {std::pair{"a", 105}, std::pair{"done", 10}, std::pair{"b", 34},
                                            std::pair{"part", 16}, std::pair{"up", 205}})
            ASSERT_TRUE(qc.addNZBRootObjectToQueue(job(title, status)));
    }
};

struct PositionCase
{
    qint64 cleaningTag;
    int expectedIndex;
};

void PrintTo(const PositionCase& c, std::ostream* os)
{
    *os << "queueCleaningTag " << c.cleaningTag;
}

class QueuePosition : public QueueAdd, public ::testing::WithParamInterface<PositionCase>
{
};

TEST_P(QueuePosition, ByTheCleaningSetting)
{
    fill();
    UserDefaults::standard().setInteger(GetParam().cleaningTag, "queueCleaningTag");
    EXPECT_EQ(qc.getPositionOfFirstFinishedObject(), 1);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(job("new")));
    EXPECT_EQ(titles(qc).indexOf("new"), GetParam().expectedIndex);
}

INSTANTIATE_TEST_SUITE_P(Cases, QueuePosition,
                         ::testing::Values(PositionCase{0, 1}, PositionCase{3, 1}, PositionCase{7, 1},
                                           PositionCase{1, 5}, PositionCase{2, 5}),
                         [](const auto& info) { return "Tag" + std::to_string(info.param.cleaningTag); });

TEST_F(QueueAdd, DownloadFirstGoesToTheTopOnce)
{
    fill();
    const QueuePtr urgent = job("urgent");
    urgent->setDownloadFirst(true);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(urgent));
    EXPECT_EQ(titles(qc).first(), "urgent");
    EXPECT_FALSE(urgent->downloadFirst());
}

TEST_F(QueueAdd, WithoutFinishedJobsANewJobGoesToTheEnd)
{
    UserDefaults::standard().setInteger(0, "queueCleaningTag");
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(job("a", 105)));
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(job("b")));
    EXPECT_EQ(titles(qc), (QStringList{"a", "b"}));
    EXPECT_EQ(qc.getPositionOfFirstFinishedObject(), 2);
}

TEST_F(QueueAdd, AnNZBJobOfAQueuedTitleIsRefused)
{
    const QueuePtr first = job("Same");
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(first));
    EXPECT_EQ(first->delegate(), &qc);
    EXPECT_TRUE(first->shouldSelectAllFileparts());
    EXPECT_FALSE(first->shouldDownloadSegments());

    const QueuePtr second = job("Same");
    EXPECT_EQ(qc.isQueueObjectQueued(second), first);
    EXPECT_FALSE(qc.addNZBRootObjectToQueue(second));
    EXPECT_EQ(qc.queueArray().size(), 1);
    EXPECT_FALSE(second->shouldSelectAllFileparts());
    // The same object again is the same job.
    EXPECT_FALSE(qc.addNZBRootObjectToQueue(first));
    EXPECT_TRUE(qc.addNZBRootObjectToQueue(job("same"))); // titles compare exactly
}

TEST_F(QueueAdd, DuplicateTestsOfTheOtherKinds)
{
    const QueuePtr watchdog = Queue::create();
    watchdog->setIsWatchdog(true);
    watchdog->setQid("w1");
    const QueuePtr search = Queue::create();
    search->setQid("w1");
    const QueuePtr request = Queue::create();
    request->setIsNewsgroupsRequest(true);
    qc.addRootQueueObjectToQueueArray(search);
    qc.addRootQueueObjectToQueueArray(request);

    const QueuePtr otherWatchdog = Queue::create();
    otherWatchdog->setIsWatchdog(true);
    otherWatchdog->setQid("w1");
    EXPECT_EQ(qc.isQueueObjectQueued(otherWatchdog), search);
    const QueuePtr otherRequest = Queue::create();
    otherRequest->setIsNewsgroupsRequest(true);
    EXPECT_EQ(qc.isQueueObjectQueued(otherRequest), request);
    // A search-service job matches only itself.
    const QueuePtr sameQid = Queue::create();
    sameQid->setQid("w1");
    EXPECT_EQ(qc.isQueueObjectQueued(sameQid), nullptr);
    EXPECT_EQ(qc.isQueueObjectQueued(search), search);
    EXPECT_EQ(qc.isQueueObjectQueued(watchdog), search);
}

TEST_F(QueueAdd, InsertionsAreAnnouncedAndShowTheSize)
{
    int will = 0;
    int did = 0;
    QObject::connect(&qc, &QueueController::queueArrayWillChange, [&] {
        EXPECT_EQ(will, did);
        ++will;
    });
    QObject::connect(&qc, &QueueController::queueArrayDidChange, [&] { ++did; });
    const QueuePtr j = job("sized");
    j->setBytes(2048);
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(j));
    EXPECT_EQ(will, 1);
    EXPECT_EQ(did, 1);
    EXPECT_FALSE(j->totalBytesTextField().isEmpty());
}

TEST_F(QueueAdd, ANullJobIsRefusedWithAConsoleMessage)
{
    QTemporaryFile capture;
    ASSERT_TRUE(capture.open());
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    dup2(capture.handle(), STDERR_FILENO);
    qc.addRootQueueObjectToQueueArray(nullptr);
    EXPECT_FALSE(qc.addNZBRootObjectToQueue(nullptr));
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QFile read(capture.fileName());
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    EXPECT_EQ(
        QString::fromLocal8Bit(read.readAll()),
        "-[QueueController addRootQueueObjectToQueueArray:] Queue object is empty and can't be added to the "
        "Queue.\n");
    EXPECT_TRUE(qc.queueArray().isEmpty());
}

} // namespace
