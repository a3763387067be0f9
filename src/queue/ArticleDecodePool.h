#pragma once

#include <QMutex>
#include <QThreadPool>
#include <QWaitCondition>

#include <atomic>
#include <functional>

// A few threads of their own that decode downloaded article bodies as they
// arrive, apart from the connections, the main thread and the write queue,
// and the count of body bytes handed to them and not yet done with. Past
// a bound of such bytes the pool is behind: the connections then hold back
// their next article until it drains, so that bodies never pile up in
// memory faster than they are decoded.
class ArticleDecodePool
{
public:
    static constexpr int kThreads = 3;
    static constexpr qint64 kDefaultBacklogLimit = qint64(8) << 20;
    // The name of the pool's threads (at most 15 characters).
    static constexpr const char* kThreadName = "ArticleDecode";

    explicit ArticleDecodePool(int threads = kThreads);
    // Waits for the tasks handed over.
    ~ArticleDecodePool();
    ArticleDecodePool(const ArticleDecodePool&) = delete;
    ArticleDecodePool& operator=(const ArticleDecodePool&) = delete;

    // Runs `task`, which takes care of a body of `bytes`, on one of the
    // pool's threads. Any thread.
    void run(qint64 bytes, std::function<void()> task);

    // More bytes handed over and not done with than the bound.
    bool isBehind() const { return backlog_.load() > backlogLimit_.load(); }
    qint64 backlogBytes() const { return backlog_.load(); }
    // The most bytes handed over and not done with at once, since the start.
    qint64 peakBacklogBytes() const { return peakBacklog_.load(); }
    qint64 backlogLimit() const { return backlogLimit_.load(); }
    void setBacklogLimit(qint64 bytes) { backlogLimit_.store(bytes); }

    // Blocks until every task handed over so far is done.
    void waitUntilIdle();

private:
    QThreadPool pool_;
    std::atomic<qint64> backlog_{0};
    std::atomic<qint64> peakBacklog_{0};
    std::atomic<qint64> backlogLimit_{kDefaultBacklogLimit};
    QMutex idleLock_;
    QWaitCondition idle_;
    int running_ = 0;
};
