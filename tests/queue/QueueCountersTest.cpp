#include "queue/Queue.h"

#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

class QueueCounters : public ::testing::Test
{
protected:
    TempHome home;

    // Runs `body(threadIndex)` on `count` threads at once.
    template <typename Body> static void onThreads(int count, Body body)
    {
        std::atomic<bool> go{false};
        std::vector<std::thread> threads;
        for (int t = 0; t < count; ++t) {
            threads.emplace_back([&go, &body, t] {
                while (!go.load()) {
                }
                body(t);
            });
        }
        go.store(true);
        for (auto& thread : threads)
            thread.join();
    }

    void TearDown() override { spinEventLoop(50); }
};

} // namespace

TEST_F(QueueCounters, ConcurrentBookingsLoseNoUpdate)
{
    const QueuePtr root = Queue::create();
    root->setTotalSegmentsLeftToDownload(10000);
    root->setTotalBytesLeft(10000 * 640.0);
    onThreads(8, [&](int) {
        for (int i = 0; i < 1000; ++i) {
            root->decreaseTotalSegmentsLeftToDownload();
            root->decreaseTotalBytesLeft(640.0);
        }
    });
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 2000);
    EXPECT_EQ(root->totalBytesLeft(), 2000 * 640.0);
}

TEST_F(QueueCounters, CountersStopAtZeroUnderOverBooking)
{
    // More bookings than articles (a segment booked twice, a reset racing a
    // booking) must not take the counters below zero.
    const QueuePtr root = Queue::create();
    root->setTotalSegmentsLeftToDownload(1000);
    root->setTotalBytesLeft(1000 * 10.0);
    std::atomic<bool> sawNegative{false};
    onThreads(8, [&](int) {
        for (int i = 0; i < 500; ++i) {
            if (root->decreaseTotalSegmentsLeftToDownload() < 0) sawNegative = true;
            if (root->decreaseTotalBytesLeft(10.0) < 0) sawNegative = true;
            if (root->totalSegmentsLeftToDownload() < 0 || root->totalBytesLeft() < 0) sawNegative = true;
        }
    });
    EXPECT_FALSE(sawNegative.load());
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 0);
    EXPECT_EQ(root->totalBytesLeft(), 0.0);

    root->setTotalSegmentsLeftToDownload(-3);
    root->setTotalBytesLeft(-1.0);
    root->setTotalMissingArticles(-9);
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 0);
    EXPECT_EQ(root->totalBytesLeft(), 0.0);
    EXPECT_EQ(root->totalMissingArticles(), 0);
    root->setBytes(100.0);
    EXPECT_EQ(root->addToBytes(-250.0), 0.0);
    root->setTotalSegments(3);
    EXPECT_EQ(root->addToTotalSegments(-5), 0);
}

TEST_F(QueueCounters, MixedIncreasesAndDecreasesBalance)
{
    const QueuePtr root = Queue::create();
    root->setTotalSegmentsLeftToDownload(50000);
    onThreads(8, [&](int t) {
        for (int i = 0; i < 2000; ++i) {
            if (t % 2 == 0)
                root->increaseTotalSegmentsLeftToDownload(3);
            else
                root->decreaseTotalSegmentsLeftToDownload(3);
        }
    });
    EXPECT_EQ(root->totalSegmentsLeftToDownload(), 50000);
}

TEST_F(QueueCounters, MissingArticleCountsAreExact)
{
    const QueuePtr root = Queue::create();
    onThreads(6, [&](int t) {
        for (int i = 0; i < 1000; ++i) {
            root->incrementTotalMissingArticles();
            root->incrementMissingArticlesOnServer(t % 2 ? "server-a" : "server-b");
        }
    });
    EXPECT_EQ(root->totalMissingArticles(), 6000);
    EXPECT_EQ(root->missingArticlesOnServer().value("server-a"), 3000);
    EXPECT_EQ(root->missingArticlesOnServer().value("server-b"), 3000);
}

TEST_F(QueueCounters, ASegmentIsBookedOnceByRacingConnections)
{
    for (int round = 0; round < 50; ++round) {
        const SegmentPtr segment = Segment::create();
        segment->setStatus(ArticleStatus::Downloading);
        std::atomic<int> booked{0};
        onThreads(4, [&](int) {
            if (segment->replaceStatus(ArticleStatus::Downloading, ArticleStatus::Downloaded)) ++booked;
        });
        ASSERT_EQ(booked.load(), 1);
        EXPECT_EQ(segment->status(), ArticleStatus::Downloaded);
    }
    const SegmentPtr segment = Segment::create();
    onThreads(4, [&](int) {
        for (int i = 0; i < 1000; ++i)
            segment->addDownloadedBytes(2.0);
    });
    EXPECT_EQ(segment->downloadedBytes(), 8000.0);
}

TEST_F(QueueCounters, ReplaceStatusOnlyFromTheExpectedCode)
{
    const QueuePtr root = Queue::create();
    root->setStatus(JobStatus::QueuedForDownload);
    EXPECT_FALSE(root->replaceStatus(JobStatus::Downloading, JobStatus::SavingToDisk));
    EXPECT_EQ(root->status(), JobStatus::QueuedForDownload);
    EXPECT_TRUE(root->replaceStatus(JobStatus::QueuedForDownload, JobStatus::Downloading));
    EXPECT_EQ(root->status(), JobStatus::Downloading);
}

TEST_F(QueueCounters, BackupServerListsKeepEachServerOnceAndEntriesInOrder)
{
    const QueuePtr root = Queue::create();
    onThreads(4, [&](int) {
        for (int i = 0; i < 100; ++i) {
            root->appendFullDownloadBackupServer("backup-" + QString::number(i % 3));
            root->appendServerToSkip("skip");
        }
    });
    EXPECT_EQ(root->fullDownloadBackupServers().size(), 3);
    EXPECT_EQ(root->serversToSkip(), QStringList({"skip"}));

    const SegmentPtr first = Segment::create();
    const SegmentPtr second = Segment::create();
    root->appendPartDownloadBackupServer({"b1", first});
    root->appendPartDownloadBackupServer({"b2", second});
    auto entry = root->takeFirstPartDownloadBackupServer();
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->serverID, "b1");
    EXPECT_EQ(entry->segment, first);
    EXPECT_EQ(root->takeFirstPartDownloadBackupServer()->segment, second);
    EXPECT_FALSE(root->takeFirstPartDownloadBackupServer().has_value());
}
