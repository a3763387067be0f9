// The Watchdog entry: its derived texts and schedule, under a fake clock.

#include "search/Watchdog.h"

#include "platform/NotificationHub.h"
#include "support/ManualClock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>

namespace {

constexpr qint64 kNow = 1700000000;

void settle()
{
    for (int i = 0; i < 5; ++i) QCoreApplication::sendPostedEvents();
}

struct WatchdogEntry : ::testing::Test
{
    ManualClock clock{kNow};
    WatchdogPtr w = Watchdog::create(clock.clock());
    QObject owner;
    int notifications = 0;

    void SetUp() override
    {
        NotificationHub::defaultCenter().addObserver(QString::fromLatin1(Watchdog::kUpdateQueueNotification),
                                                     &owner, [this](const Notification& n) {
                                                         if (n.object == w.get()) ++notifications;
                                                     });
    }
};

TEST_F(WatchdogEntry, StartsWithTheCreationValues)
{
    settle();
    EXPECT_EQ(w->interval(), 15);
    EXPECT_EQ(w->lastsearch(), kNow);
    EXPECT_EQ(w->nextsearch(), kNow + 900);
    EXPECT_EQ(w->intervalString(), "15 minutes");
    EXPECT_EQ(w->actionString(), "Q + Download");
    EXPECT_EQ(w->statusString(), "Idle");
    EXPECT_EQ(w->lastmatchString(), "--");
    EXPECT_EQ(w->nextsearchString(), "--");
    EXPECT_FALSE(w->active());
    EXPECT_TRUE(w->excludePwdFiles());
    EXPECT_EQ(w->dpobject()->limit(), QStringLiteral("100"));
    EXPECT_TRUE(w->dpobject()->isWatchdog());
    // Two entries made in the same second still have their own identity.
    EXPECT_NE(Watchdog::create(clock.clock())->tag(), w->tag());
}

TEST_F(WatchdogEntry, IntervalsAndTheirTexts)
{
    struct Case
    {
        qint64 set;
        qint64 stored;
        const char* text;
    };
    const Case cases[] = {{3, 0, "Manual"},     {5, 5, "5 minutes"},  {90, 90, "1 hour"},
                          {120, 120, "2 hours"}, {1440, 1440, "1 day"}, {2880, 2880, "2 days"}};
    for (const Case& c : cases) {
        w->setInterval(c.set);
        settle();
        EXPECT_EQ(w->interval(), c.stored) << c.set;
        EXPECT_EQ(w->intervalString(), c.text) << c.set;
        EXPECT_EQ(w->nextsearch(), c.stored ? w->lastsearch() + c.stored * 60 : 0) << c.set;
    }
}

TEST(WatchdogTexts, DurationsBelowFiveYearsAreDays)
{
    const std::pair<qint64, const char*> cases[] = {
        {1, "1 second"},      {59, "59 seconds"},       {60, "1 minute"},       {3599, "59 minutes"},
        {7200, "2 hours"},    {157679999, "1824 days"}, {157680000, "5 years"}, {31536000 * 1LL, "365 days"}};
    for (const auto& [seconds, text] : cases) EXPECT_EQ(Watchdog::timeFormatter(seconds), text) << seconds;
}

TEST_F(WatchdogEntry, LastsearchZeroCountsFromNowAndAtOnce)
{
    w->setInterval(30);
    settle();
    w->setLastsearch(0);
    // The setter itself recomputes: no event-loop turn needed.
    EXPECT_EQ(w->nextsearch(), kNow + 1800);
}

TEST_F(WatchdogEntry, NextSearchTextNowOrDashes)
{
    w->setActive(true);
    w->setLastsearch(kNow - 3600); // due 45 minutes ago
    settle();
    EXPECT_EQ(w->nextsearchString(), "Now");

    w->setActive(false);
    settle();
    EXPECT_EQ(w->nextsearchString(), "--");
    EXPECT_EQ(w->statusString(), "Inactive");
    EXPECT_FALSE(w->textEnabled());

    w->setActive(true);
    w->setInterval(0);
    settle();
    EXPECT_EQ(w->nextsearchString(), "--");

    w->setInterval(60);
    w->setLastsearch(kNow);
    settle();
    EXPECT_EQ(w->nextsearchString(), Watchdog::unixTimeToDate(kNow + 3600));
}

TEST_F(WatchdogEntry, QueuedShowsDelayedUntilTheNextSearchChanges)
{
    w->setActive(true);
    settle();
    w->setStatus(Watchdog::Queued);
    settle();
    EXPECT_EQ(w->statusString(), "Queued");
    EXPECT_EQ(w->nextsearchString(), "Delayed");
    w->setStatus(Watchdog::Searching);
    settle();
    EXPECT_TRUE(w->showProgressBar());
    w->setLastsearch(kNow);
    settle();
    EXPECT_NE(w->nextsearchString(), "Delayed");
}

TEST_F(WatchdogEntry, NewObjectPostsNoScheduleNotification)
{
    settle();
    notifications = 0;
    w->setIsNewObject(true);
    w->setActive(true);
    w->setInterval(60);
    w->setLastsearch(kNow - 100);
    w->setNextsearch(kNow);
    settle();
    EXPECT_EQ(notifications, 0);

    w->setIsNewObject(false);
    w->setActive(false); // switching off still tells the scheduler
    settle();
    EXPECT_GT(notifications, 0);
}

TEST_F(WatchdogEntry, EroSetsIconAndQueryText)
{
    w->setEro(true);
    settle();
    EXPECT_EQ(w->contentIcon(), Watchdog::kIconEro);
    EXPECT_EQ(w->dpobject()->ero(), QStringLiteral("1"));
    w->setEro(false);
    settle();
    EXPECT_EQ(w->contentIcon(), Watchdog::kIconGeneral);
    EXPECT_EQ(w->dpobject()->ero(), QStringLiteral("0"));
}

} // namespace
