#pragma once

#include <QMutex>
#include <QString>
#include <QThreadPool>
#include <QWaitCondition>

#include <atomic>
#include <functional>

// A serial operation queue: operations run one after another, in the order
// they were added, on one worker thread of its own.
class SerialQueue
{
public:
    explicit SerialQueue(const QString& name);
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    void addOperation(std::function<void()> operation);

    // Operations added and not yet finished (the running one included).
    int operationCount() const;

    // Drops the operations that have not started; the running one finishes.
    void cancelAllOperations();

    // Blocks until every operation added so far has finished. Never call this
    // on the main thread while operations dispatch back to it and wait.
    void waitUntilAllOperationsAreFinished();

    const QString& name() const { return name_; }

private:
    QString name_;
    QThreadPool pool_;
    std::atomic<quint64> generation_{0};
    mutable QMutex mutex_;
    QWaitCondition idle_;
    int pending_ = 0;
};
