#pragma once

#include "queue/Queue.h"
#include "queue/QueueObjectDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>

class NZBController;

// The scheduler: holds the queue of root jobs, admits new jobs (refusing
// duplicates), and is the delegate of every queue item it admits.
//
// Threads: every operation that changes the job list runs on the main
// thread; connection threads walk the list while holding `arrayLock`, so
// every insert, removal, move and look-up takes it too. Lock order: the
// connection manager's lock before this one, this one before the upload
// encoder's.
class QueueController : public QObject, public QueueObjectDelegate
{
    Q_OBJECT
public:
    explicit QueueController(QObject* parent = nullptr);
    ~QueueController() override;

    // The root jobs in queue order, as a snapshot taken under `arrayLock`.
    QList<QueuePtr> queueArray() const;
    // The roots that own a file part marked `isPriority`, each once.
    QList<QueuePtr> priorityQueueArray() const;
    // Recursive; guards both lists and the backup-server lists of every job.
    QRecursiveMutex& arrayLock() const { return arrayLock_; }

    // Set once at start-up; weak.
    NZBController* nzbController() const;
    void setNzbController(NZBController* controller);

    // Admits an NZB job (when parsing starts, for each job split off an NZB,
    // and for restored jobs): unless a job of the same title is queued, it is
    // inserted at its position, with this controller as its delegate if it
    // had none. Returns whether it was added.
    bool addNZBRootObjectToQueue(const QueuePtr& root);

    // Inserts a root: at the top when it asks to be downloaded first (the
    // request is then cleared), else at the end when "queueCleaningTag" is 1
    // or 2, else before the first finished job.
    void addRootQueueObjectToQueueArray(const QueuePtr& root);

    // The queued job that counts as the same job as `root`, or null: for an
    // NZB job the first of equal title, for a Watchdog job the first of equal
    // `qid`, for a newsgroup-list request any other such request, else
    // `root` itself if it is queued.
    QueuePtr isQueueObjectQueued(const QueuePtr& root) const;

    // The index of the first job at 10, 205 or 16 (finished or partially
    // finished), or the number of jobs when there is none.
    qsizetype getPositionOfFirstFinishedObject() const;

Q_SIGNALS:
    // Around every change of the job list, on the thread that makes it (the
    // main thread), with `arrayLock` held.
    void queueArrayWillChange();
    void queueArrayDidChange();

private:
    mutable QRecursiveMutex arrayLock_;
    QList<QueuePtr> queueArray_;
    QList<QueuePtr> priorityQueueArray_;
    QPointer<NZBController> nzbController_;
};
