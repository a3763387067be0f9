// The connection manager's speed windows, its share of the download cap and
// its rule for giving up a server for a whole job, with a clock of the test's.

#include "nntp/ConnectionsController.h"
#include "nntp/NNTPServerObject.h"
#include "platform/UserDefaults.h"
#include "queue/QueueController.h"

#include "queue/StatusCodes.h"
#include "support/DownloadJobBuilder.h"
#include "support/LogFileReader.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace {

class Measurement : public ::testing::Test
{
protected:
    TempHome home;
    std::shared_ptr<std::atomic<qint64>> ms = std::make_shared<std::atomic<qint64>>(1'000'000'000'000);
    ConnectionsController manager{[clock = ms] { return clock->load(); }};

    void advanceMs(qint64 d) { ms->fetch_add(d); }
    qint64 windowEnd() const { return manager.bandwidthMeasurementDate()->toMSecsSinceEpoch(); }
    static void cap(bool on, double bitsPerSecond = 1000000)
    {
        UserDefaults::standard().setBool(on, "throttleBandwidth");
        UserDefaults::standard().setDouble(bitsPerSecond, "maxBandwidthThroughPut");
    }
};

TEST_F(Measurement, WindowsStartAtTheFirstMeasurementAfterThePreviousEnded)
{
    EXPECT_FALSE(manager.bandwidthMeasurementDate());
    manager.measureBandwidthUsage();
    const qint64 start = ms->load();
    EXPECT_EQ(windowEnd(), start + 1000);
    manager.updateBandwidthUsedInLastSecond(500);
    advanceMs(999);
    manager.measureBandwidthUsage();
    EXPECT_TRUE(manager.bandwidthUsageTracker().isEmpty()) << "the window has not ended";

    advanceMs(501); // 500 ms after its end
    manager.measureBandwidthUsage();
    ASSERT_EQ(manager.bandwidthUsageTracker().size(), 1);
    EXPECT_EQ(manager.bandwidthUsageTracker()[0].date, (start + 1000) / 1000);
    EXPECT_EQ(manager.bandwidthUsageTracker()[0].bytes, 500u);
    EXPECT_EQ(windowEnd(), start + 2500);
    EXPECT_DOUBLE_EQ(manager.bandwidthUsedInLastSecond(), 0);
}

TEST_F(Measurement, AverageDropsRecordsOfFiveSecondsOrOlder)
{
    // Windows end in the whole seconds 1,000,000,001 .. 1,000,000,004.
    const quint64 bytes[] = {1000, 2000, 3000, 4000};
    manager.measureBandwidthUsage();
    for (const quint64 b : bytes) {
        manager.updateBandwidthUsedInLastSecond(double(b));
        advanceMs(1001); // a window ends only once its end is past
        manager.measureBandwidthUsage();
    }
    manager.updateBandwidthUsedInLastSecond(1); // traffic in the current window
    ASSERT_EQ(manager.bandwidthUsageTracker().size(), 4);
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 2500);

    // Now 1,000,000,006: the record of ...001 is 5 s old, that of ...002 4 s.
    advanceMs(2000);
    manager.updateBandwidthUsedInLastSecond(1); // still downloading
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 3000);
    advanceMs(3000);
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 0);
    EXPECT_TRUE(manager.bandwidthUsageTracker().isEmpty());
}

TEST_F(Measurement, AverageIsZeroOnceAWindowPassesWithoutTraffic)
{
    manager.measureBandwidthUsage();
    manager.updateBandwidthUsedInLastSecond(7000);
    advanceMs(1001);
    manager.measureBandwidthUsage();
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 0);
    manager.updateBandwidthUsedInLastSecond(10);
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 7000);
    EXPECT_DOUBLE_EQ(manager.avgBandwidthUsed(), 7000);
}

// After the last byte no connection reads, so none closes the window that
// holds it: the speed still falls to nothing a second after that byte.
TEST_F(Measurement, TheSpeedFallsToNothingASecondAfterTheLastByteWithoutAnotherRead)
{
    manager.measureBandwidthUsage();
    manager.updateBandwidthUsedInLastSecond(5000);
    advanceMs(1001);
    manager.measureBandwidthUsage();
    manager.updateBandwidthUsedInLastSecond(3000); // the last byte of the download
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 5000);
    advanceMs(999);
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 5000);
    advanceMs(1);
    EXPECT_EQ(manager.getAverageBandwidthUsedPerSecond(), 0);
    EXPECT_DOUBLE_EQ(manager.avgBandwidthUsed(), 0);

    // A read that closes a window and counts nothing yet is no stop.
    manager.updateBandwidthUsedInLastSecond(4000);
    advanceMs(500);
    manager.measureBandwidthUsage();
    EXPECT_DOUBLE_EQ(manager.bandwidthUsedInLastSecond(), 0);
    EXPECT_GT(manager.getAverageBandwidthUsedPerSecond(), 0);
}

TEST_F(Measurement, OverspendingTheSecondPausesUntilTheExcessWouldHavePassed)
{
    struct Case
    {
        bool throttle;
        double bits;
        double used;
        std::optional<qint64> pauseAfterEndMs;
    };
    const Case cases[] = {
        {true, 1000000, 130000, 40},   // 5,000 bytes over at 125,000 per second
        {true, 1000000, 125000, {}},   // exactly spent
        {true, 1000000, 250000, 1000}, // a whole second over
        {false, 1000000, 500000, {}},  // no cap active
        {true, 0, 500000, {}},         // a cap of 0 never pauses
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.used);
        cap(c.throttle, c.bits);
        manager.measureBandwidthUsage();
        manager.updateBandwidthUsedInLastSecond(c.used);
        advanceMs(10);
        const std::optional<QDateTime> until = manager.measureBandwidthUsage();
        ASSERT_EQ(until.has_value(), c.pauseAfterEndMs.has_value());
        if (until) {
            EXPECT_EQ(until->toMSecsSinceEpoch(), windowEnd() + *c.pauseAfterEndMs);
        }
        advanceMs(5000); // the next case opens a fresh window
    }
}

TEST_F(Measurement, ReadSizeFollowsTheCapAndWhatIsLeftOfTheSecond)
{
    cap(false);
    EXPECT_EQ(manager.getBufferSize(), 32768u);
    cap(true, 100000000);
    EXPECT_EQ(manager.getBufferSize(), 163840u);
    cap(true, 1000000);
    manager.measureBandwidthUsage();
    EXPECT_EQ(manager.getBufferSize(), 16384u);
    manager.updateBandwidthUsedInLastSecond(125000 - 50000);
    EXPECT_EQ(manager.getBufferSize(), 12500u);
    manager.updateBandwidthUsedInLastSecond(40000);
    EXPECT_EQ(manager.getBufferSize(), 10000u);
    EXPECT_DOUBLE_EQ(manager.getMaxBytesPerSecond(), 125000);
}

// ---------------------------------------------------------------------------
// Giving up a server for a whole job

// The share is taken of all of the job's articles: how many are left plays
// no part, so a few misses near the end of a job do not stop it.
TEST_F(Measurement, AServerIsSkippedForTheJobOnceEnoughOfItIsMissing)
{
    struct Case
    {
        const char* why;
        int files;
        int articles; // per file
        qint64 left;
        qint64 earlierMisses;
        qint64 segnr;
        bool skipped;
    };
    const Case cases[] = {
        {"9 x 100 / 100 = 9 is below 10", 2, 50, 100, 9, 5, false},
        {"10 x 100 / 100 = 10", 2, 50, 100, 10, 5, true},
        {"with the share truncated: 10 x 100 / 101 = 9.9", 1, 101, 101, 10, 5, false},
        {"3 of 80 missed with 22 left: 3 x 100 / 80 = 3.75", 2, 40, 22, 3, 30, false},
        {"9 of 80 missed with 1 left", 2, 40, 1, 9, 40, true},
        {"10 of 100 missed with all 100 left", 2, 50, 100, 10, 11, true},
        {"a small job never by share", 2, 5, 1, 4, 3, false},
        {"one file, its first article", 1, 5, 5, 0, 1, true},
        {"one file, a later article", 1, 5, 5, 0, 2, false},
        {"nothing left to download", 2, 40, 0, 50, 5, true},
    };
    int skips = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const QueuePtr job = DownloadJobBuilder("job").parts(c.files).articlesPerPart(c.articles).build();
        job->setTotalSegmentsLeftToDownload(c.left);
        const NNTPServerObjectPtr slot = NNTPServerObject::create();
        slot->setAlias("Alpha");
        for (qint64 i = 0; i < c.earlierMisses; ++i)
            job->incrementMissingArticlesOnServer(slot->serverID());
        const SegmentPtr s = job->fileparts()[0]->segments()[c.segnr - 1];
        EXPECT_EQ(manager.updateQueueWithMissingArticle(s, slot), c.skipped);
        EXPECT_EQ(job->serversToSkip().contains(slot->serverID()), c.skipped);
        EXPECT_EQ(job->missingArticlesOnServer().value(slot->serverID()), c.earlierMisses + 1);
        if (c.skipped && c.segnr != 1) ++skips;
    }
    EXPECT_EQ(
        LogFileReader(home.logFilePath()).linesContaining("\"job\" no longer exists on \"Alpha\"").size(),
        skips);
}

TEST_F(Measurement, AServerAlreadySkippedIsNotSkippedTwice)
{
    const QueuePtr job = DownloadJobBuilder("job").parts(2).articlesPerPart(50).build();
    job->setTotalSegmentsLeftToDownload(10);
    const NNTPServerObjectPtr slot = NNTPServerObject::create();
    for (int i = 0; i < 20; ++i)
        job->incrementMissingArticlesOnServer(slot->serverID());
    const SegmentPtr s = job->fileparts()[0]->segments()[9];
    EXPECT_TRUE(manager.updateQueueWithMissingArticle(s, slot));
    EXPECT_FALSE(manager.updateQueueWithMissingArticle(s, slot));
    EXPECT_EQ(job->serversToSkip(), QStringList({slot->serverID()}));
}

TEST_F(Measurement, AReleasedArticleIsHandedOutAgain)
{
    QueueController qc;
    manager.setQueueController(&qc);
    const QueuePtr job = DownloadJobBuilder("job").articlesPerPart(2).build();
    ASSERT_TRUE(qc.addNZBRootObjectToQueue(job));
    const SegmentPtr first = qc.getNextArticleForServerID("A", false);
    manager.resetReleasedSegment(first, nullptr);
    EXPECT_EQ(first->status(), ArticleStatus::Queued);
    EXPECT_EQ(qc.getNextArticleForServerID("A", false), first);
    EXPECT_EQ(LogFileReader(home.logFilePath())
                  .linesContaining("Segment released: <job.1.1@test>. (queue segments left: 2)")
                  .size(),
              1);
}

} // namespace
