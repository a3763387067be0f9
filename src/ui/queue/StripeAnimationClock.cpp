#include "ui/queue/StripeAnimationClock.h"

StripeAnimationClock& StripeAnimationClock::shared()
{
    static StripeAnimationClock* clock = new StripeAnimationClock;
    return *clock;
}

StripeAnimationClock::StripeAnimationClock()
{
    elapsed_.start();
    timer_.setInterval(kFrameIntervalMs);
    timer_.setTimerType(Qt::CoarseTimer);
    connect(&timer_, &QTimer::timeout, this, &StripeAnimationClock::frame);
}

void StripeAnimationClock::retain()
{
    if (retainCount_++ == 0) timer_.start();
}

void StripeAnimationClock::release()
{
    if (retainCount_ > 0 && --retainCount_ == 0) timer_.stop();
}
