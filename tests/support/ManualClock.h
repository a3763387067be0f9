#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>

// A clock that stands still until a test moves it; copies of clock() share
// the time and may be read from any thread.
class ManualClock
{
public:
    explicit ManualClock(qint64 secondsSince1970 = 0);

    qint64 now() const { return now_->load(); }
    void set(qint64 secondsSince1970) { now_->store(secondsSince1970); }
    void advance(qint64 seconds) { now_->fetch_add(seconds); }

    // For the classes that take a clock function.
    std::function<qint64()> clock() const;

private:
    std::shared_ptr<std::atomic<qint64>> now_;
};
