#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The one timer behind every moving stripe of the queue's progress bars. It
// runs at about 30 frames a second only while at least one bar holds a
// running animation, and tells its listeners to repaint what moves; a
// hundred animating rows therefore cost one timer, not a hundred. Main
// thread only.
class StripeAnimationClock : public QObject
{
    Q_OBJECT
public:
    static StripeAnimationClock& shared();

    static constexpr int kFrameIntervalMs = 33;

    // Milliseconds since the clock was made; all animations are phased
    // against it.
    qint64 nowMs() const { return elapsed_.elapsed(); }

    // Each running animation holds the clock once.
    void retain();
    void release();
    int retainCount() const { return retainCount_; }
    bool isRunning() const { return timer_.isActive(); }

Q_SIGNALS:
    void frame();

private:
    StripeAnimationClock();
    QElapsedTimer elapsed_;
    QTimer timer_;
    int retainCount_ = 0;
};
