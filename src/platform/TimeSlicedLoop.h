#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <functional>

// Runs long loops on the thread it lives on a few milliseconds at a time, so
// that the event loop (the window, on the main thread) gets its turn between
// them. A loop is a function that does one step and answers whether steps
// are left; loops run one after the other, in the order they were added.
class TimeSlicedLoop : public QObject
{
public:
    using Step = std::function<bool()>;

    // Each slice runs at least `minimumSteps` steps, then more until
    // `budgetMs` have passed.
    explicit TimeSlicedLoop(int budgetMs = 10, int minimumSteps = 256, QObject* parent = nullptr);

    // Runs a first slice now (so that a short loop is done when this
    // returns) and the rest from the event loop.
    void run(Step step);
    // Loops still to run.
    bool isBusy() const { return !loops_.empty(); }

private:
    void runSlice();

    int budgetMs_;
    int minimumSteps_;
    std::deque<Step> loops_;
    QTimer timer_;
    bool inSlice_ = false;
};
