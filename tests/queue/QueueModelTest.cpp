#include "queue/Queue.h"

#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/StatusCodes.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QObject>

#include <chrono>
#include <set>
#include <thread>

namespace {

class QueueModel : public ::testing::Test
{
protected:
    TempHome home;

    static void settle() { spinEventLoop(100); }

    static QColor color(const char* dictionary, const char* key)
    {
        return UserDefaults::standard().colorForKey(dictionary, key);
    }
};

} // namespace

TEST(Qidnr, StrictlyIncreasingInATightLoopAndNearTheClock)
{
    const auto now100ns = [] {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
                   .count() /
               100;
    };
    const qint64 before = now100ns();
    qint64 previous = Queue::makeQidnr();
    EXPECT_GE(previous, before);
    for (int i = 0; i < 200000; ++i) {
        const qint64 next = Queue::makeQidnr();
        ASSERT_GT(next, previous) << "after " << i << " values";
        previous = next;
    }
    // Still time-like: not more than a second ahead of the clock.
    EXPECT_LT(previous, now100ns() + 10'000'000);
}

TEST(Qidnr, UniqueAcrossThreads)
{
    constexpr int kThreads = 6;
    constexpr int kEach = 30000;
    std::vector<std::vector<qint64>> values(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&values, t] {
            values[t].reserve(kEach);
            for (int i = 0; i < kEach; ++i)
                values[t].push_back(Queue::makeQidnr());
        });
    }
    for (auto& thread : threads)
        thread.join();
    std::set<qint64> all;
    for (const auto& list : values) {
        for (size_t i = 1; i < list.size(); ++i)
            ASSERT_GT(list[i], list[i - 1]);
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), size_t(kThreads * kEach));
}

TEST_F(QueueModel, ItemsMadeInALoopHaveIncreasingQidnr)
{
    qint64 previous = 0;
    for (int i = 0; i < 2000; ++i) {
        const QueuePtr item = Queue::create();
        ASSERT_GT(item->qidnr(), previous);
        previous = item->qidnr();
    }
}

TEST(SecondsToTime, Cases)
{
    const struct
    {
        qint64 seconds;
        const char* text;
    } cases[] = {
        {-100, "00:00:00"},     {0, "00:00:00"},       {1, "00:00:01"},
        {59, "00:00:59"},       {60, "00:01:00"},      {3599, "00:59:59"},
        {3600, "01:00:00"},     {86399, "23:59:59"},   {432309, "120:05:09"},
        {3599999, "999:59:59"}, {3600000, "99:59:59"}, {std::numeric_limits<qint64>::max(), "99:59:59"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Queue::secondsToTime(c.seconds), QString(c.text)) << c.seconds;
}

TEST_F(QueueModel, DefaultsOfANewItem)
{
    const QueuePtr item = Queue::create();
    EXPECT_TRUE(item->observersRunning());
    EXPECT_EQ(item->status(), JobStatus::Idle);
    EXPECT_FALSE(item->titleSuffix().isNull());
    EXPECT_TRUE(item->titleSuffix().isEmpty());
    EXPECT_TRUE(item->title().isNull());
    EXPECT_TRUE(item->serversToSkip().isEmpty());
    EXPECT_TRUE(item->missingArticlesOnServer().isEmpty());
    EXPECT_EQ(item->showProgressBarArrayForRootQueue(),
              QList<qint64>({1, 5, 55, 3, 44, 19, 6, 56, 4, 45, 221, 225, 203}));
    EXPECT_EQ(item->showProgressBarArrayForFilePart(), QList<qint64>({1001, 1005, 1003, 1006, 1004, 1202}));
    EXPECT_EQ(item->colorStatsButton(), color("StatsBtnColorProperties", "defaultColor"));
    EXPECT_EQ(item->colorRowFilesPanel(), color("FilesRowColorProperties", "defaultRowColor"));
    EXPECT_EQ(item->colorProgressBarFilesPanel(), color("FilesRowColorProperties", "progressBarColor"));
    EXPECT_EQ(item->colorRowDeepLookup(), color("DeepLookupRowColorProperties", "defaultRowColor"));
    EXPECT_EQ(item->colorProgressBarDeepLookup().alpha(), 0);
    EXPECT_TRUE(item->colorProgressBarDeepLookup().isValid());
    EXPECT_FALSE(Queue::createWhithoutStartingObservers()->observersRunning());
    // A colour key that the settings do not hold gives nothing.
    EXPECT_FALSE(Queue::getStatsBtnColorForKey("noSuchColor").isValid());
}

TEST_F(QueueModel, RowHeightFollowsTheProgressBarOnlyWhenTheSettingIsOn)
{
    QObject owner;
    QList<QueuePtr> posted;
    NotificationHub::defaultCenter().addObserver("QueueRowHeightChanged", &owner, [&](const Notification& n) {
        posted.append(n.userInfo.value("queueobject").value<QueuePtr>());
    });

    UserDefaults::standard().setBool(true, "enableRowHeightChanging");
    const QueuePtr changing = Queue::create();
    EXPECT_TRUE(changing->shouldChangeRowHeights());
    EXPECT_EQ(changing->rowheight(), 68.0);
    changing->setStatus(JobStatus::Downloading);
    ASSERT_TRUE(waitUntil([&] { return posted.size() == 1; }));
    EXPECT_TRUE(changing->progressBarVisible());
    EXPECT_EQ(changing->rowheight(), 84.0);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first(), changing);
    changing->setStatus(JobStatus::Finished);
    ASSERT_TRUE(waitUntil([&] { return posted.size() == 2; }));
    EXPECT_FALSE(changing->progressBarVisible());
    EXPECT_EQ(changing->rowheight(), 68.0);
    EXPECT_EQ(posted.size(), 2);

    // The item keeps the setting it was made with.
    UserDefaults::standard().setBool(false, "enableRowHeightChanging");
    const QueuePtr fixed = Queue::create();
    EXPECT_EQ(fixed->rowheight(), 84.0);
    fixed->setStatus(JobStatus::Downloading);
    ASSERT_TRUE(waitUntil([&] { return fixed->progressBarVisible(); }));
    settle();
    EXPECT_EQ(fixed->rowheight(), 84.0);
    EXPECT_EQ(posted.size(), 2);
}

TEST_F(QueueModel, TransitionsWhenNoArticleIsLeft)
{
    const struct
    {
        bool filepart;
        qint64 from;
        qint64 to;
    } cases[] = {
        {false, 1, 2},      {false, 203, 204},  {false, 5, 5}, {false, 105, 105},
        {true, 1001, 1002}, {true, 1202, 1203}, {true, 1, 1},  {true, 1099, 1099},
    };
    for (const auto& c : cases) {
        const QueuePtr item = Queue::create();
        item->setIsFilepart(c.filepart);
        item->setTotalSegments(4);
        item->setStatus(c.from);
        item->setShowTimeleft(true);
        settle();
        item->setTotalSegmentsLeftToDownload(0);
        settle();
        EXPECT_EQ(item->status(), c.to) << c.from;
        EXPECT_EQ(item->percentDownloaded(), 100) << c.from;
        // Only a root that moved on hides its time left.
        EXPECT_EQ(item->showTimeleft(), c.filepart || c.from == c.to) << c.from;
    }
}

TEST_F(QueueModel, PercentDownloadedFromArticlesLeft)
{
    const QueuePtr item = Queue::create();
    item->setTotalSegments(7);
    item->setTotalSegmentsLeftToDownload(4);
    settle();
    EXPECT_EQ(item->percentDownloaded(), 42); // 3 of 7, truncated
    item->setTotalSegments(0);
    item->setTotalSegmentsLeftToDownload(0);
    settle();
    EXPECT_EQ(item->percentDownloaded(), 0);
    EXPECT_EQ(item->progressBarValue(), 0);
}

TEST_F(QueueModel, PercentagesAreClampedAndARepeatChangesNothing)
{
    const QueuePtr item = Queue::create();
    item->setTotalBytesLeft(2048.0);
    item->setPercentDownloaded(57);
    settle();
    EXPECT_EQ(item->progressBarValue(), 57);
    EXPECT_EQ(item->progressBarValueTextField(), "57 %");
    EXPECT_EQ(item->completenessTextField(), Utils::formatBytes(2048.0) + " ~ 57%");

    item->setProgressBarValueTextField("marker");
    item->setPercentRepaired(57);
    settle();
    EXPECT_EQ(item->progressBarValueTextField(), "marker");

    item->setTotalBytesLeft(0);
    item->setPercentExtracted(-5);
    settle();
    EXPECT_EQ(item->progressBarValue(), 0);
    EXPECT_EQ(item->progressBarValueTextField(), "0 %");
    EXPECT_EQ(item->completenessTextField(), "0%");

    // 0 and 100 are applied again every time.
    item->setProgressBarValueTextField("marker");
    item->setPercentDownloaded(0);
    settle();
    EXPECT_EQ(item->progressBarValueTextField(), "0 %");
    item->setPercentDownloaded(250);
    settle();
    EXPECT_EQ(item->progressBarValue(), 100);
    item->setProgressBarValueTextField("marker");
    item->setPercentDownloaded(100);
    settle();
    EXPECT_EQ(item->progressBarValueTextField(), "100 %");
}

TEST_F(QueueModel, TextFieldsOfTimeBytesTitleAndName)
{
    const QueuePtr item = Queue::create();
    item->setTotalBytesTextField("1 GB");
    item->setTotalBytesLeft(5'000'000.0);
    item->setTimeleft(4000);
    item->setNewtitle("Better title");
    item->setFilename("a.part01.rar");
    settle();
    EXPECT_EQ(item->totalBytesLeftTextField(), Utils::formatBytes(5'000'000.0) + " (1 GB)");
    EXPECT_EQ(item->timeLeftTextField(), "01:06:40");
    EXPECT_TRUE(item->titleWillChange());
    EXPECT_EQ(item->filenameTextField(), "a.part01.rar");

    item->setNewtitle(QString());
    item->setFilename(QString());
    settle();
    EXPECT_FALSE(item->titleWillChange());
    EXPECT_EQ(item->filenameTextField(), "a.part01.rar");
}

TEST_F(QueueModel, AssigningBlocksRequiredMovesNotEnoughBlocksToFetching)
{
    const QueuePtr waiting = Queue::create();
    waiting->setStatus(JobStatus::NotEnoughRepairBlocks);
    waiting->setBlocksRequired(12);
    const QueuePtr other = Queue::create();
    other->setStatus(JobStatus::AllFilesWritten);
    other->setBlocksRequired(12);
    settle();
    EXPECT_EQ(waiting->status(), JobStatus::NeedsMoreRepairBlocks);
    EXPECT_EQ(other->status(), JobStatus::AllFilesWritten);
}

TEST_F(QueueModel, StatusButtonAndFilesPaneColours)
{
    const QueuePtr root = Queue::create();
    root->setStatus(JobStatus::Downloading);
    settle();
    EXPECT_EQ(root->colorStatsButton(), color("StatsBtnColorProperties", "downloadingColor"));
    root->setStatus(JobStatus::SavingToDisk); // not in the table: the colour stays
    settle();
    EXPECT_EQ(root->colorStatsButton(), color("StatsBtnColorProperties", "downloadingColor"));
    root->setStatus(JobStatus::NotEnoughRepairBlocks);
    settle();
    EXPECT_EQ(root->colorStatsButton(), color("StatsBtnColorProperties", "errorColor"));
    root->setStatus(UploadStatus::NoServersAvailable);
    settle();
    EXPECT_EQ(root->colorStatsButton(), color("StatsBtnColorProperties", "warnColor"));

    const QueuePtr part = Queue::create();
    part->setIsFilepart(true);
    part->setStatus(FilePartStatus::Queued);
    settle();
    EXPECT_EQ(part->colorRowFilesPanel(), color("FilesRowColorProperties", "queuedRowColor"));
    part->setStatus(FilePartStatus::Downloading);
    settle();
    EXPECT_TRUE(part->progressBarVisible());
    EXPECT_EQ(part->colorRowFilesPanel(), color("FilesRowColorProperties", "queuedRowColor"));
    EXPECT_EQ(part->colorProgressBarDeepLookup(),
              color("DeepLookupProgressBarColorProperties", "downloadingColor"));
    part->setStatus(FilePartStatus::Downloaded);
    settle();
    EXPECT_FALSE(part->progressBarVisible());
    EXPECT_EQ(part->colorRowFilesPanel(), color("FilesRowColorProperties", "finishedRowColor"));
    // The status button belongs to roots.
    EXPECT_EQ(part->colorStatsButton(), color("StatsBtnColorProperties", "defaultColor"));
}

TEST_F(QueueModel, SearchServiceStatusTextAndRowColour)
{
    const struct
    {
        qint64 status;
        bool missing;
        bool incomplete;
        bool previouslyDownloaded;
        const char* text;
        const char* rowColor; // nullptr: unchanged from the default
    } cases[] = {
        {105, true, false, false, "Queued for downloading", "queuedRowColor"},
        {1, true, false, false, "Missing", "downloadingRowColor"},
        {2, true, false, false, "Missing", "missingRowColor"},
        {36, false, false, false, "Corrupt file or wrong password", nullptr},
        {16, false, false, true, "Partial finished", "downloadedRowColor"},
        {10, false, false, true, "Finished", "downloadedRowColor"},
        {10, false, false, false, "Finished", "finishedRowColor"},
        {17, false, false, true, "Downloaded", "downloadedRowColor"},
        {0, false, true, false, "Incomplete", "incompleteRowColor"},
        {0, false, false, false, "OK", "defaultRowColor"},
        {22, false, false, false, "", nullptr},
        {5, false, false, false, "Extracting", "extractingRowColor"},
        {1002, false, false, false, "Downloaded", "downloadedRowColor"},
    };
    for (const auto& c : cases) {
        const QueuePtr item = Queue::create();
        item->setColorRowDeepLookup(QColor(1, 2, 3));
        item->setIsMissing(c.missing);
        item->setIsIncomplete(c.incomplete);
        item->setIsPreviouslyDownloaded(c.previouslyDownloaded);
        settle();
        item->setColorRowDeepLookup(QColor(1, 2, 3));
        item->setStatus(c.status);
        settle();
        EXPECT_EQ(item->dpStatusTextField(), QString(c.text)) << c.status;
        EXPECT_EQ(item->colorRowDeepLookup(),
                  c.rowColor ? color("DeepLookupRowColorProperties", c.rowColor) : QColor(1, 2, 3))
            << c.status;
    }
}

TEST_F(QueueModel, FlagsSetTheSearchServiceRowColourWhenTheyBecomeTrue)
{
    const QueuePtr item = Queue::create();
    item->setStatus(JobStatus::SavingToDisk);
    settle();
    item->setColorRowDeepLookup(QColor(1, 2, 3));
    item->setIsNew(false);
    settle();
    EXPECT_EQ(item->colorRowDeepLookup(), QColor(1, 2, 3));
    item->setIsNew(true);
    settle();
    EXPECT_EQ(item->colorRowDeepLookup(), color("DeepLookupRowColorProperties", "newArticleRowColor"));
    item->setIsIncomplete(true);
    settle();
    EXPECT_EQ(item->colorRowDeepLookup(), color("DeepLookupRowColorProperties", "incompleteRowColor"));
    // Priority has no reaction.
    item->setColorRowDeepLookup(QColor(1, 2, 3));
    item->setIsPriority(true);
    settle();
    EXPECT_EQ(item->colorRowDeepLookup(), QColor(1, 2, 3));
}

TEST_F(QueueModel, WeakParentAndArticleLinks)
{
    QueuePtr root = Queue::create();
    const QueuePtr part = Queue::create();
    const SegmentPtr segment = Segment::create();
    part->setIsFilepart(true);
    part->setQueue(root);
    segment->setQueue(root);
    segment->setFilepart(part);
    part->appendSegment(segment);
    root->appendFilepart(part);
    EXPECT_EQ(part->queue(), root);
    EXPECT_EQ(segment->filepart(), part);
    std::weak_ptr<Queue> watch = root;
    root.reset();
    settle();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(part->queue(), nullptr);
    EXPECT_EQ(segment->queue(), nullptr);
    EXPECT_EQ(segment->filepart(), part);
}
