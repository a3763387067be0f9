#include "queue/ArticleDecodePool.h"

#include <QMutexLocker>

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
