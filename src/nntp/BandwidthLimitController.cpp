#include "nntp/BandwidthLimitController.h"

#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

#include <QDateTime>

#include <limits>

namespace {

constexpr qint64 kNoWindow = std::numeric_limits<qint64>::max();

qint64 systemNow()
{
    return QDateTime::currentSecsSinceEpoch();
}

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

} // namespace

BandwidthLimitController::BandwidthLimitController()
    : BandwidthLimitController(Clock(systemNow), QTimeZone::systemTimeZone())
{}

BandwidthLimitController::BandwidthLimitController(Clock clock, const QTimeZone& timeZone)
    : clock_(clock ? std::move(clock) : Clock(systemNow)), timeZone_(timeZone)
{
    timer_.setSingleShot(true);
    // A window edge should not be missed by the few seconds a coarse timer may
    // drift over a five-minute wait.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &context_, [this] { resetTimer(); });
    resetScheduler();
}

BandwidthLimitController::~BandwidthLimitController()
{
    stopTimer();
}

void BandwidthLimitController::resetScheduler()
{
    if (!Dispatch::isMainThread()) {
        Dispatch::onThreadOf(&context_, [this] { resetScheduler(); });
        return;
    }
    UserDefaults& defaults = UserDefaults::standard();
    if (!defaults.boolForKey(QStringLiteral("enableBandwidthThrottling"))) {
        stopTimer();
        stopThrottling();
    } else if (!defaults.boolForKey(QStringLiteral("enableBandwidthThrottlingScheduler"))) {
        stopTimer();
        startThrottling();
    } else {
        resetTimer();
    }
}

void BandwidthLimitController::startThrottling()
{
    UserDefaults::standard().setBool(true, QStringLiteral("throttleBandwidth"));
    if (!isThrottling_) BLOG(1, "Bandwidth limiting started.");
    isThrottling_ = true;
}

void BandwidthLimitController::stopThrottling()
{
    UserDefaults::standard().setBool(false, QStringLiteral("throttleBandwidth"));
    if (isThrottling_) BLOG(1, "Bandwidth limiting stopped.");
    isThrottling_ = false;
}

BandwidthLimitController::TodaysWindow BandwidthLimitController::getTodaysStartEndTimestamp() const
{
    return todaysWindowAt(clock_());
}

BandwidthLimitController::TodaysWindow BandwidthLimitController::todaysWindowAt(qint64 now) const
{
    const TodaysWindow none{kNoWindow, kNoWindow};
    const QVariant stored =
        UserDefaults::standard().objectForKey(QStringLiteral("bandwidthThrottlingScheduler"));
    if (!stored.isValid()) return none;
    const QVariantMap schedule = stored.toMap();

    const QDate today = QDateTime::fromSecsSinceEpoch(now, timeZone_).date();
    // Qt counts Monday as 1 and Sunday as 7; the schedule's keys count from
    // 1 = Sunday.
    const int weekday = today.dayOfWeek() % 7 + 1;
    if (!schedule.value(QString::number(weekday)).toBool()) return none;

    // Hours and minutes of the stored seconds, the seconds within the minute
    // dropped. Values beyond one day roll over into the following days, as a
    // calendar does with an hour of 25.
    auto timestampFor = [&](const QVariant& secondsOfDay, bool* ok) -> qint64 {
        const qint64 seconds = secondsOfDay.toLongLong();
        const qint64 hour = seconds / 3600;
        const qint64 minute = (seconds - hour * 3600) / 60;
        const qint64 minutes = hour * 60 + minute;
        const qint64 days = floorDiv(minutes, 1440);
        const qint64 rest = minutes - days * 1440;
        if (days < -1000 || days > 1000) {
            *ok = false;
            return 0;
        }
        const QDateTime at(today.addDays(days), QTime(int(rest / 60), int(rest % 60)), timeZone_);
        if (!at.isValid()) {
            *ok = false;
            return 0;
        }
        return at.toSecsSinceEpoch();
    };
    bool ok = true;
    const qint64 start = timestampFor(schedule.value(QStringLiteral("starttime")), &ok);
    const qint64 end = timestampFor(schedule.value(QStringLiteral("endtime")), &ok);
    if (!ok) return none;
    return {start, end};
}

BandwidthLimitController::NextJob BandwidthLimitController::getNextJob()
{
    const qint64 now = clock_();
    // The next poll falls on a whole minute, four to five minutes ahead.
    const qint64 base = 300 - (now - floorDiv(now, 60) * 60);
    const TodaysWindow window = todaysWindowAt(now);

    qint64 delay;
    if (window.startdate == window.enddate) { // also: no window today
        stopThrottling();
        delay = base;
    } else if (window.enddate <= now) {
        stopThrottling();
        delay = base;
    } else if (window.startdate <= now) {
        startThrottling();
        delay = window.enddate - now;
    } else {
        stopThrottling();
        delay = window.startdate - now;
    }
    if (delay < 0 || delay > base) delay = base;
    return {delay};
}

void BandwidthLimitController::startTimer()
{
    const NextJob job = getNextJob();
    timer_.start(int(job.delay * 1000));
}

void BandwidthLimitController::stopTimer()
{
    timer_.stop();
}

void BandwidthLimitController::resetTimer()
{
    stopTimer();
    startTimer();
}
