#include "queue/ArticleDecodePool.h"

#include <QMutexLocker>

#include <pthread.h>

namespace {

// The pool's threads carry a name of their own, so that per-thread figures
// (top -H, /proc/<pid>/task, perf) tell the decoding apart from the
// connections and the write queue, which run in pools of their own too.
void nameThisThread()
{
    thread_local bool named = false;
    if (named) return;
    named = true;
    pthread_setname_np(pthread_self(), ArticleDecodePool::kThreadName);
}

} // namespace

ArticleDecodePool::ArticleDecodePool(int threads)
{
    pool_.setMaxThreadCount(threads);
    pool_.setObjectName(QStringLiteral("ArticleDecodePool"));
}

ArticleDecodePool::~ArticleDecodePool()
{
    waitUntilIdle();
}

void ArticleDecodePool::run(qint64 bytes, std::function<void()> task)
{
    const qint64 backlog = backlog_.fetch_add(bytes) + bytes;
    qint64 peak = peakBacklog_.load();
    while (backlog > peak && !peakBacklog_.compare_exchange_weak(peak, backlog)) {
    }
    {
        QMutexLocker locker(&idleLock_);
        ++running_;
    }
    pool_.start([this, bytes, task = std::move(task)] {
        nameThisThread();
        task();
        backlog_.fetch_sub(bytes);
        QMutexLocker locker(&idleLock_);
        if (--running_ == 0) idle_.wakeAll();
    });
}

void ArticleDecodePool::waitUntilIdle()
{
    QMutexLocker locker(&idleLock_);
    while (running_ > 0)
        idle_.wait(&idleLock_);
}
