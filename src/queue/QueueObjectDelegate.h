#pragma once

#include <QtGlobal>

#include <memory>

class Queue;
using QueuePtr = std::shared_ptr<Queue>;

// How a queue item reports its changes to the scheduler. Every call is made
// on the main thread, after the change was forwarded there, in the order of
// the assignments. Each callback is optional: the defaults do nothing.
//
// Items refer to their delegate weakly: once a delegate is destroyed the items
// that named it stop calling it.
class QueueObjectDelegate
{
public:
    QueueObjectDelegate();
    virtual ~QueueObjectDelegate();
    QueueObjectDelegate(const QueueObjectDelegate&) = delete;
    QueueObjectDelegate& operator=(const QueueObjectDelegate&) = delete;

    // The status of a root job changed (also to the value it had).
    virtual void statusChangedForQueueObject(const QueuePtr& queue, qint64 fromValue, qint64 toValue);
    // The status of a file part changed (also to the value it had).
    virtual void statusChangedForFilepart(const QueuePtr& filepart, qint64 fromValue, qint64 toValue);
    virtual void shouldPauseChangedForQueueObject(const QueuePtr& queue);
    virtual void pauseChangedForQueueObject(const QueuePtr& queue);

    // Lives exactly as long as the delegate; items keep a weak copy.
    std::weak_ptr<const void> lifetimeToken() const { return token_; }

private:
    std::shared_ptr<const void> token_;
};
