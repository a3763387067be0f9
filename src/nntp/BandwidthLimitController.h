#pragma once

#include <QObject>
#include <QTimeZone>
#include <QTimer>

#include <functional>

// Decides whether the download cap is active now and records the answer in the
// setting "throttleBandwidth", which the connection manager reads before every
// read. With the schedule on, a one-shot timer on the main thread re-evaluates
// the cap at each edge of today's window and at least every five minutes.
//
// Main thread only (a call from another thread is moved there).
class BandwidthLimitController
{
public:
    // Whole seconds since 1970.
    using Clock = std::function<qint64()>;

    struct TodaysWindow
    {
        qint64 startdate; // seconds since 1970; the largest qint64 when there is no window
        qint64 enddate;
    };
    struct NextJob
    {
        qint64 delay; // seconds until the schedule is looked at again
    };

    // Reads the settings at once (resetScheduler). The clock and time zone are
    // the system's unless given.
    BandwidthLimitController();
    BandwidthLimitController(Clock clock, const QTimeZone& timeZone);
    ~BandwidthLimitController();

    BandwidthLimitController(const BandwidthLimitController&) = delete;
    BandwidthLimitController& operator=(const BandwidthLimitController&) = delete;

    // Re-reads "enableBandwidthThrottling" and
    // "enableBandwidthThrottlingScheduler": cap off, cap always on, or the
    // schedule decides.
    void resetScheduler();

    void startThrottling();
    void stopThrottling();

    // Today's window of the weekly schedule in the controller's time zone.
    TodaysWindow getTodaysStartEndTimestamp() const;
    // Switches the cap for the current moment and says when to look again.
    NextJob getNextJob();

    void startTimer();
    void stopTimer();
    void resetTimer();

    // The pending one-shot timer of the schedule, or null.
    const QTimer* timer() const { return timer_.isActive() ? &timer_ : nullptr; }
    bool isThrottling() const { return isThrottling_; }

private:
    TodaysWindow todaysWindowAt(qint64 now) const;

    Clock clock_;
    QTimeZone timeZone_;
    bool isThrottling_ = false;
    QTimer timer_;
    QObject context_; // receiver of work moved to the main thread
};
