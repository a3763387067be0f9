#include "platform/SerialQueue.h"

SerialQueue::SerialQueue(const QString& name) : name_(name)
{
    pool_.setMaxThreadCount(1);
    // Workers stay alive while the program runs; a serial queue that is busy
    // now is busy again soon.
    pool_.setExpiryTimeout(-1);
    pool_.setObjectName(name);
}

SerialQueue::~SerialQueue()
{
    cancelAllOperations();
    pool_.waitForDone();
}

void SerialQueue::addOperation(std::function<void()> operation)
{
    {
        QMutexLocker locker(&mutex_);
        ++pending_;
    }
    const quint64 generation = generation_.load();
    pool_.start([this, generation, op = std::move(operation)] {
        if (generation == generation_.load())
            op();
        QMutexLocker locker(&mutex_);
        if (--pending_ == 0)
            idle_.wakeAll();
    });
}

int SerialQueue::operationCount() const
{
    QMutexLocker locker(&mutex_);
    return pending_;
}

void SerialQueue::cancelAllOperations()
{
    // Operations already queued see a newer generation and return at once,
    // so the pending count stays exact.
    ++generation_;
}

void SerialQueue::waitUntilAllOperationsAreFinished()
{
    QMutexLocker locker(&mutex_);
    while (pending_ > 0)
        idle_.wait(&mutex_);
}
