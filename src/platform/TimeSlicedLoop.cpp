#include "platform/TimeSlicedLoop.h"

TimeSlicedLoop::TimeSlicedLoop(int budgetMs, int minimumSteps, QObject* parent)
    : QObject(parent), budgetMs_(budgetMs), minimumSteps_(minimumSteps)
{
    timer_.setSingleShot(true);
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &TimeSlicedLoop::runSlice);
}

void TimeSlicedLoop::run(Step step)
{
    if (!step) return;
    loops_.push_back(std::move(step));
    // A loop added by a step of another runs after it, in the same slice.
    if (!inSlice_) runSlice();
}

void TimeSlicedLoop::runSlice()
{
    inSlice_ = true;
    QElapsedTimer clock;
    clock.start();
    int steps = 0;
    while (!loops_.empty() && (steps < minimumSteps_ || clock.elapsed() < budgetMs_)) {
        // Moved out while it runs: a step may add loops.
        Step step = std::move(loops_.front());
        loops_.pop_front();
        const bool more = step();
        ++steps;
        if (more) loops_.push_front(std::move(step));
    }
    inSlice_ = false;
    if (!loops_.empty()) timer_.start();
}
