#include "support/MainThreadStallMeter.h"

#include <algorithm>

MainThreadStallMeter::MainThreadStallMeter(int intervalMs) : interval_(intervalMs)
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(intervalMs);
    connect(&timer_, &QTimer::timeout, this, &MainThreadStallMeter::tick);
}

void MainThreadStallMeter::start()
{
    clock_.start();
    last_ = clock_.elapsed();
    longest_ = 0;
    timer_.start();
}

void MainThreadStallMeter::stop()
{
    tick();
    timer_.stop();
}

void MainThreadStallMeter::tick()
{
    const qint64 now = clock_.elapsed();
    if (last_ >= 0) longest_ = std::max(longest_, now - last_ - interval_);
    last_ = now;
}
