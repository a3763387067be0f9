#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Measures how long the main thread is kept from its event loop: a timer
// ticks every few milliseconds, and the longest gap between two ticks, less
// the tick interval, is the longest time the thread ran something else in
// one go (a window would have been frozen that long).
class MainThreadStallMeter : public QObject
{
public:
    explicit MainThreadStallMeter(int intervalMs = 5);

    void start();
    void stop();
    // The longest stall so far, in milliseconds.
    qint64 longestMs() const { return longest_; }

private:
    void tick();

    int interval_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = -1;
    qint64 longest_ = 0;
};
