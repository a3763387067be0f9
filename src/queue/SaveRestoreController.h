#pragma once

#include "queue/DBSaveRestore.h"
#include "queue/Queue.h"

#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <atomic>
#include <functional>
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
// they were saved. A save takes a snapshot of the queue (SaveStateSnapshot)
// under the scheduler's `arrayLock`, so connections that are still open
// cannot change the lists under it, and writes it with the lock released, in
// one transaction. It changes nothing on the live jobs: saves also run while
// the queue runs (SaveStateScheduler).
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
    // previous save state is left as it was. `beforeWriting`, when given,
    // runs after the queue's snapshot is taken and before it is written: a
    // store kept beside the queue (the files-on-disk index) written there
    // covers every part the stored queue has as written, whenever the
    // program stops.
    bool saveQueue(const std::function<void()>& beforeWriting = {});
    // Main thread: stops a running load.
    void cancelLoading();
    // Main thread, after loadQueue() returned: runs `fn` once every job of
    // the load is handed over to the scheduler (at once when none is still
    // on its way). Until then the queue lacks restored jobs, and a save would
    // lose them.
    void whenRestored(std::function<void()> fn);
    bool isCancelled() const { return cancelled_->load(); }

    // The rebuild of loadQueue(): the rows as the store returns them.
    void processImport(const QList<QStringList>& rows);
    // Why a rebuilt job cannot be restored (it could never move in the
    // queue): an unknown status, an import that had not ended, an NZB job
    // without parts or with a part that has no articles and is not written.
    // Empty when it can. Such a job is dropped with a log line and a message
    // naming it; the rest of the queue comes back.
    static QString whyNotRestorable(const Queue& job);
    QueuePtr makeQueue(const QStringList& row);
    QueuePtr makeUpQueue(const QStringList& row);
    QueuePtr makeFilepart(const QStringList& row, const QueuePtr& job);
    void makeSegment(const QStringList& row, const QueuePtr& filepart);

    // The restore point a save stores for `job`: its own, except that a job
    // in the finishing steps after its extraction (where the extracted
    // archives may already be deleted) gets RestorePoint::Finishing, and one
    // whose move failed (JobStatus::MoveFilesError) the error point, so that neither is checked
    // against its PAR2 set again (the check would find the archives missing
    // and send a finished download to repair).
    static qint64 restorePointToSave(const Queue& job);
    // The status a job stored at RestorePoint::Finishing comes back in: the
    // start of the step it was in, each of which can be run again.
    static qint64 finishingStatusToResumeAt(qint64 savedStatus);

private:
    // The hand-overs still on their way, and who waits for the last one.
    struct Restoring
    {
        std::atomic<int> pending{0};
        QList<std::function<void()>> waiting; // main thread
    };
    std::shared_ptr<Restoring> restoring_ = std::make_shared<Restoring>();
    std::shared_ptr<std::atomic<bool>> cancelled_ = std::make_shared<std::atomic<bool>>(false);
    QPointer<QueueController> queueController_;
    QPointer<RepairController> repairController_;
    QElapsedTimer startTime_;
};
