// Many connection threads draining one large job through the connection
// manager's handshake at once: every article must reach exactly one thread
// at a time, be booked exactly once, and the job's counters must end at 0.

#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServerObject.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/DownloadJobBuilder.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QHash>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kThreads = 50;
constexpr int kServers = 5;
constexpr double kArticleBytes = 700;

struct Shape
{
    const char* name;
    int parts;
    int articles;
};

class HandoutStress : public ::testing::TestWithParam<Shape>
{
};

TEST_P(HandoutStress, EveryArticleIsHandedOutAndBookedExactlyOnce)
{
    TempHome home;
    QueueController qc;
    ConnectionsController manager;
    manager.setQueueController(&qc);
    qc.setConnectionsController(&manager);

    const QueuePtr job = DownloadJobBuilder("stress")
                             .parts(GetParam().parts)
                             .articlesPerPart(GetParam().articles)
                             .articleBytes(kArticleBytes)
                             .build();
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(job));
    QHash<const Segment*, int> indexOf;
    for (const QueuePtr& part : job->fileparts())
        for (const SegmentPtr& s : part->segments())
            indexOf.insert(s.get(), int(indexOf.size()));
    const int total = int(indexOf.size());
    ASSERT_EQ(total, 100000);

    std::vector<std::atomic<bool>> held(static_cast<size_t>(total));
    std::vector<std::atomic<int>> booked(static_cast<size_t>(total));
    std::atomic<int> doubleHolds{0}, releases{0}, finished{0};

    std::vector<NNTPServerObjectPtr> serverSlots;
    for (int s = 0; s < kServers; ++s)
        serverSlots.push_back(NNTPServerObject::create());

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const NNTPServerObjectPtr slot = serverSlots[size_t(t % kServers)];
            SegmentPtr done;
            quint32 n = 0;
            for (;;) {
                const SegmentPtr s = manager.getNextSegmentAfterDownloadedSegment(done, slot, nullptr);
                done.reset();
                if (!s) break;
                const int i = indexOf.value(s.get());
                if (held[size_t(i)].exchange(true)) doubleHolds.fetch_add(1);
                // Every 37th article is given back unfinished, as a reset
                // connection does; someone takes it again.
                if (++n % 37 == 0) {
                    held[size_t(i)].store(false);
                    releases.fetch_add(1);
                    manager.resetReleasedSegment(s, slot);
                    continue;
                }
                s->setDownloadedBytes(kArticleBytes);
                booked[size_t(i)].fetch_add(1);
                held[size_t(i)].store(false);
                done = s;
            }
            finished.fetch_add(1);
        });
    }
    // The main thread reads the totals meanwhile, as the status display does.
    while (finished.load() < kThreads) {
        qc.getTotalFilesInQueue();
        spinEventLoop(5);
    }
    for (std::thread& t : threads)
        t.join();
    spinEventLoop(50);

    EXPECT_EQ(doubleHolds.load(), 0);
    EXPECT_GT(releases.load(), 0);
    int notOnce = 0, notDownloaded = 0;
    for (const QueuePtr& part : job->fileparts()) {
        for (const SegmentPtr& s : part->segments()) {
            notOnce += booked[size_t(indexOf.value(s.get()))].load() != 1;
            notDownloaded += s->status() != ArticleStatus::Downloaded;
        }
        EXPECT_EQ(part->totalSegmentsLeftToDownload(), 0);
        EXPECT_DOUBLE_EQ(part->totalBytesLeft(), 0);
    }
    EXPECT_EQ(notOnce, 0);
    EXPECT_EQ(notDownloaded, 0);
    EXPECT_EQ(job->totalSegmentsLeftToDownload(), 0);
    EXPECT_DOUBLE_EQ(job->totalBytesLeft(), 0);
    EXPECT_DOUBLE_EQ(qc.downloadedBytes(), kArticleBytes * total);
    EXPECT_EQ(job->status(), JobStatus::SavingToDisk)
        << "the job finished downloading, neither early nor never";
    qc.getTotalFilesInQueue();
    EXPECT_DOUBLE_EQ(qc.segmentsInQueueLeft(), 0);
}

INSTANTIATE_TEST_SUITE_P(Shapes, HandoutStress,
                         ::testing::Values(Shape{"OnePartOf100000", 1, 100000},
                                           Shape{"TwoThousandPartsOf50", 2000, 50}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
