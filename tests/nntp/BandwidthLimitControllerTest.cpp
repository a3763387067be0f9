#include "nntp/BandwidthLimitController.h"

#include "core/Logger.h"
#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QThread>

#include <limits>
#include <memory>
#include <thread>

namespace {

constexpr qint64 kNoWindow = std::numeric_limits<qint64>::max();

// 2024-06-03 is a Monday. The zone is two hours east of UTC, so local days
// and UTC days differ.
const QDate kSunday(2024, 6, 2);
const QDate kMonday(2024, 6, 3);

qint64 hms(int h, int m, int s = 0)
{
    return h * 3600 + m * 60 + s;
}

struct BandwidthLimitFixture : ::testing::Test
{
    TempHome home;
    QTimeZone zone{2 * 3600};
    qint64 now = 0;
    std::unique_ptr<BandwidthLimitController> limiter;

    qint64 at(QDate date, int h, int m, int s = 0) const
    {
        return QDateTime(date, QTime(h, m, s), zone).toSecsSinceEpoch();
    }
    void setSwitches(bool enabled, bool scheduled)
    {
        UserDefaults::standard().setBool(enabled, "enableBandwidthThrottling");
        UserDefaults::standard().setBool(scheduled, "enableBandwidthThrottlingScheduler");
    }
    // Weekdays counted from 1 = Sunday.
    void setSchedule(const QList<int>& days, qint64 start, qint64 end)
    {
        QVariantMap schedule;
        for (int d = 1; d <= 7; ++d)
            schedule.insert(QString::number(d), false);
        for (int d : days)
            schedule.insert(QString::number(d), true);
        schedule.insert("starttime", start);
        schedule.insert("endtime", end);
        UserDefaults::standard().setObject(schedule, "bandwidthThrottlingScheduler");
    }
    void make()
    {
        limiter = std::make_unique<BandwidthLimitController>([this] { return now; }, zone);
    }
    bool throttleSetting() const { return UserDefaults::standard().boolForKey("throttleBandwidth"); }
    // The limiter's lines on the log page.
    QStringList limiterLines() const
    {
        Logger::shared()->flush();
        QStringList lines;
        for (const LogClass& e : Logger::shared()->logArray())
            if (e.message.startsWith("Bandwidth limiting"))
                lines << e.type + " " + e.caller + " " + e.message;
        return lines;
    }
};

} // namespace

TEST_F(BandwidthLimitFixture, CapOffNeitherThrottlesNorLogs)
{
    setSwitches(false, true);
    setSchedule({1, 2, 3, 4, 5, 6, 7}, 0, hms(23, 59));
    now = at(kMonday, 12, 0);
    make();
    EXPECT_FALSE(limiter->isThrottling());
    EXPECT_FALSE(throttleSetting());
    EXPECT_TRUE(UserDefaults::standard().hasStoredValue("throttleBandwidth"));
    EXPECT_EQ(limiter->timer(), nullptr);
    EXPECT_TRUE(limiterLines().isEmpty());
}

TEST_F(BandwidthLimitFixture, CapWithoutScheduleLogsOnlyRealChanges)
{
    setSwitches(true, false);
    make();
    EXPECT_TRUE(limiter->isThrottling());
    EXPECT_TRUE(throttleSetting());
    EXPECT_EQ(limiter->timer(), nullptr);
    limiter->resetScheduler(); // switched on again: no second line
    limiter->startThrottling();
    EXPECT_EQ(limiterLines(),
              QStringList{"[INFO] [BandwidthLimitController startThrottling] Bandwidth limiting started."});

    setSwitches(false, false);
    limiter->resetScheduler();
    limiter->resetScheduler();
    limiter->stopThrottling();
    EXPECT_FALSE(throttleSetting());
    EXPECT_EQ(limiterLines(),
              (QStringList{
                  "[INFO] [BandwidthLimitController startThrottling] Bandwidth limiting started.",
                  "[INFO] [BandwidthLimitController stopThrottling] Bandwidth limiting stopped.",
              }));
}

TEST_F(BandwidthLimitFixture, TodaysWindowIsTakenInTheLocalZone)
{
    setSwitches(false, false);
    make();
    now = at(kMonday, 12, 0);
    auto w = limiter->getTodaysStartEndTimestamp();
    EXPECT_EQ(w.startdate, kNoWindow) << "no schedule stored";
    EXPECT_EQ(w.enddate, kNoWindow);

    setSchedule({2}, hms(9, 0), hms(17, 0));
    w = limiter->getTodaysStartEndTimestamp();
    EXPECT_EQ(w.startdate, at(kMonday, 9, 0));
    EXPECT_EQ(w.enddate, at(kMonday, 17, 0));

    // Seconds within the minute are dropped.
    setSchedule({2}, hms(9, 0, 59), hms(17, 0, 30));
    w = limiter->getTodaysStartEndTimestamp();
    EXPECT_EQ(w.startdate, at(kMonday, 9, 0));
    EXPECT_EQ(w.enddate, at(kMonday, 17, 0));

    // Monday 01:00 here is still Sunday in UTC: the local weekday counts.
    now = at(kMonday, 1, 0);
    ASSERT_EQ(QDateTime::fromSecsSinceEpoch(now, QTimeZone::utc()).date(), kSunday);
    w = limiter->getTodaysStartEndTimestamp();
    EXPECT_EQ(w.startdate, at(kMonday, 9, 0));

    // Key "1" is Sunday, "7" Saturday.
    setSchedule({1}, hms(9, 0), hms(17, 0));
    now = at(kSunday, 12, 0);
    EXPECT_EQ(limiter->getTodaysStartEndTimestamp().startdate, at(kSunday, 9, 0));
    now = at(kMonday, 12, 0);
    EXPECT_EQ(limiter->getTodaysStartEndTimestamp().startdate, kNoWindow);
    setSchedule({7}, hms(9, 0), hms(17, 0));
    now = at(QDate(2024, 6, 1), 12, 0);
    EXPECT_EQ(limiter->getTodaysStartEndTimestamp().startdate, at(QDate(2024, 6, 1), 9, 0));
}

TEST_F(BandwidthLimitFixture, ScheduleCases)
{
    struct Case
    {
        QList<int> days;
        qint64 start, end;
        QDate date;
        int h, m, s;
        bool throttling;
        qint64 delay;
        const char* why;
    };
    const QList<int> monday{2};
    const QList<int> all{1, 2, 3, 4, 5, 6, 7};
    const Case cases[] = {
        {monday, hms(9, 0), hms(17, 0), kMonday, 8, 58, 20, false, 100, "before start: wait until the start"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 0, 0, 0, false, 300, "long before start: at most the base"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 9, 0, 0, true, 300, "at the start: the cap starts"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 12, 34, 56, true, 244,
         "inside: the next whole minute 4-5 min ahead"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 16, 58, 0, true, 120, "inside near the end: until the end"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 16, 59, 59, true, 1, "one second before the end"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 17, 0, 0, false, 300, "at the end: the end is not inside"},
        {monday, hms(9, 0), hms(17, 0), kMonday, 20, 0, 30, false, 270, "after the end"},
        {monday, hms(9, 0), hms(17, 0), kSunday, 12, 0, 17, false, 283, "weekday not ticked"},
        {monday, hms(9, 0), hms(9, 0), kMonday, 9, 0, 0, false, 300, "start equals end"},
        {monday, hms(9, 0), hms(9, 0, 40), kMonday, 9, 0, 10, false, 290,
         "equal once the seconds are dropped"},
        {all, hms(22, 0), hms(6, 0), kMonday, 23, 0, 0, false, 300, "over midnight, late evening"},
        {all, hms(22, 0), hms(6, 0), kMonday, 3, 0, 0, false, 300, "over midnight, small hours"},
        {all, hms(22, 0), hms(6, 0), kMonday, 5, 59, 59, false, 241, "over midnight, just before its end"},
        {all, hms(22, 0), hms(6, 0), kMonday, 22, 0, 0, false, 300, "over midnight, at its start"},
        {all, hms(22, 0), hms(6, 0), kMonday, 21, 58, 0, false, 300,
         "over midnight, before its start: its end has passed"},
        {all, 0, hms(24, 0), kMonday, 0, 0, 0, true, 300, "the whole day"},
        {all, 0, hms(24, 0), kMonday, 23, 59, 30, true, 30, "the whole day, its last half minute"},
    };
    setSwitches(true, true);
    for (const Case& c : cases) {
        setSchedule(c.days, c.start, c.end);
        now = at(c.date, c.h, c.m, c.s);
        make();
        EXPECT_EQ(limiter->isThrottling(), c.throttling) << c.why;
        EXPECT_EQ(throttleSetting(), c.throttling) << c.why;
        ASSERT_NE(limiter->timer(), nullptr) << c.why;
        EXPECT_EQ(limiter->timer()->interval(), c.delay * 1000) << c.why;
        EXPECT_TRUE(limiter->timer()->isSingleShot());
        EXPECT_EQ(limiter->getNextJob().delay, c.delay) << c.why;
    }
}

TEST_F(BandwidthLimitFixture, DelayIsClampedToTheBaseWhateverTheSecond)
{
    setSwitches(true, true);
    setSchedule({}, 0, 0); // no weekday ticked: polls only
    make();
    for (int s = 0; s < 60; ++s) {
        now = at(kMonday, 10, 0, s);
        EXPECT_EQ(limiter->getNextJob().delay, 300 - s);
    }
    // Before 1970 the minute still counts from its start.
    now = -1;
    EXPECT_EQ(limiter->getNextJob().delay, 241);
    EXPECT_FALSE(limiter->isThrottling());
}

TEST_F(BandwidthLimitFixture, ScheduleRunsOnTheMainThreadTimer)
{
    setSwitches(true, true);
    setSchedule({2}, hms(9, 0), hms(17, 0));
    now = at(kMonday, 8, 59, 59);
    make();
    EXPECT_FALSE(limiter->isThrottling());
    ASSERT_NE(limiter->timer(), nullptr);
    EXPECT_EQ(limiter->timer()->interval(), 1000);
    EXPECT_EQ(limiter->timer()->thread(), QThread::currentThread());

    now = at(kMonday, 9, 0); // the clock reaches the window when the timer fires
    ASSERT_TRUE(waitUntil([&] { return limiter->isThrottling(); }, 3000));
    EXPECT_TRUE(throttleSetting());
    ASSERT_NE(limiter->timer(), nullptr);
    EXPECT_EQ(limiter->timer()->interval(), 300 * 1000) << "re-armed by the timer itself";
    EXPECT_EQ(limiterLines(),
              QStringList{"[INFO] [BandwidthLimitController startThrottling] Bandwidth limiting started."});

    // Switching the schedule off (the cap still on) keeps the cap, stops the timer.
    setSwitches(true, false);
    limiter->resetScheduler();
    EXPECT_EQ(limiter->timer(), nullptr);
    EXPECT_TRUE(limiter->isThrottling());
    EXPECT_EQ(limiterLines().size(), 1);

    // The cap off: stopped once, no timer.
    setSwitches(false, true);
    limiter->resetScheduler();
    EXPECT_EQ(limiter->timer(), nullptr);
    EXPECT_FALSE(throttleSetting());
    EXPECT_EQ(limiterLines().size(), 2);
}

TEST_F(BandwidthLimitFixture, ResetFromAnotherThreadRunsOnTheMainThread)
{
    setSwitches(false, false);
    make();
    setSwitches(true, true);
    setSchedule({2}, hms(9, 0), hms(17, 0));
    now = at(kMonday, 10, 0);
    std::thread([&] { limiter->resetScheduler(); }).join();
    EXPECT_FALSE(limiter->isThrottling()) << "nothing happens on the calling thread";
    ASSERT_TRUE(waitUntil([&] { return limiter->isThrottling(); }, 2000));
    ASSERT_NE(limiter->timer(), nullptr);
    EXPECT_EQ(limiter->timer()->thread(), QThread::currentThread());
}

TEST_F(BandwidthLimitFixture, DaylightSavingDaysUseTheLocalClock)
{
    const QTimeZone berlin("Europe/Berlin");
    if (!berlin.isValid()) GTEST_SKIP() << "no time zone data";
    zone = berlin;
    setSwitches(true, true);
    setSchedule({1}, hms(1, 0), hms(4, 0)); // 2024-03-31, a Sunday, loses 02:00-03:00
    now = at(QDate(2024, 3, 31), 3, 30);
    make();
    const auto w = limiter->getTodaysStartEndTimestamp();
    EXPECT_EQ(w.startdate, at(QDate(2024, 3, 31), 1, 0));
    EXPECT_EQ(w.enddate - w.startdate, 2 * 3600) << "three hours of clock time, two of real time";
    EXPECT_TRUE(limiter->isThrottling());
}
