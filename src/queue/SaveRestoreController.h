#pragma once

#include "queue/DBSaveRestore.h"
#include "queue/Queue.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <memory>

class QueueController;
class RepairController;

// Carries the queue across a restart through "savestate.db": at quit every
// job worth keeping is written with its parts and articles; at start the
// rows are read back on a background thread, the jobs rebuilt with statuses
// they can go on from, and each handed to the scheduler as if just added.
//
// One instance per load and per save. loadQueue() and saveQueue() run off
// the main thread: a load builds every object there (without observers),
// then starts each job on the main thread and waits for it, queues the
// job's PAR2 re-analysis on the global pool, and that hands the job over on
// the main thread. Jobs may therefore reach the queue in another order than
// they were saved. A save takes the structure of the queue (jobs, parts,
// articles) under the scheduler's `arrayLock`, so connections that are
// still open cannot change the lists under it, and writes everything in one
// transaction.
class SaveRestoreController
{
public:
    SaveRestoreController();
    ~SaveRestoreController();

    QueueController* queueController() const;
    void setQueueController(QueueController* controller);
    // For a load only.
    RepairController* repairController() const;
    void setRepairController(RepairController* controller);

    // Background thread. Returns once every saved job is rebuilt and its
    // start and hand-off are scheduled.
    void loadQueue();
    // Background thread (or any thread but one the scheduler's lock holder
    // waits on). Answers whether the queue was stored; when not, the
    // previous save state is left as it was.
    bool saveQueue();
    // Main thread: stops a running load.
    void cancelLoading();
    bool isCancelled() const { return cancelled_->load(); }

    // The rebuild of loadQueue(): the rows as the store returns them.
    void processImport(const QList<QStringList>& rows);
    QueuePtr makeQueue(const QStringList& row);
    QueuePtr makeUpQueue(const QStringList& row);
    QueuePtr makeFilepart(const QStringList& row, const QueuePtr& job);
    void makeSegment(const QStringList& row, const QueuePtr& filepart);

    // The rows a save writes for `jobs`, in order, with their keys. Applies
    // the save's changes to the live jobs (kept uploads at 204 or 206 become
    // 205, the main PAR2 part is marked, a text post's body goes into its
    // article's message-id).
    static QList<DBSaveRestore::RowSource> rowsForJobs(const QList<QueuePtr>& jobs);

private:
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    QPointer<QueueController> queueController_;
    QPointer<RepairController> repairController_;
    QElapsedTimer startTime_;
};
