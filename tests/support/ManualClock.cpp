#include "support/ManualClock.h"

ManualClock::ManualClock(qint64 secondsSince1970)
    : now_(std::make_shared<std::atomic<qint64>>(secondsSince1970))
{}

std::function<qint64()> ManualClock::clock() const
{
    return [now = now_] { return now->load(); };
}
