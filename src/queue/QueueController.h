#pragma once

#include "queue/FileWriteController.h"
#include "queue/Queue.h"
#include "queue/QueueObjectDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>

#include <atomic>

class NZBController;
class RenameTitleController;
class RepairController;

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

    // --- removal and cancellation
    // The user's removal of selected jobs: jobs not started yet lose their
    // folder, finished ones are cancelled with their files kept, and for
    // unfinished ones (also any job with data already downloaded, whatever
    // its status) the user is asked first.
    void prepareRemovingObjectsInArray(const QList<QueuePtr>& roots);
    // Deletes each job's folder, then cancels the job.
    void deleteContentFromDiskAndCancelQueue(const QList<QueuePtr>& roots);
    void cancelDPRootQueueObject(const QueuePtr& root);
    // Under `arrayLock`; a part being written (1019) is cancelled once it is
    // written.
    void cancelDPFilepart(const QueuePtr& filepart);
    // Handler of the file-part code 1103.
    void fStatusToCancelled(const QueuePtr& filepart);
    // Handler of the job code 103: the end of a cancellation.
    void queueCancelled(const QueuePtr& root);
    // YES when no part of the job is selected (also without parts).
    bool checkIfallFilePartsAreCancelledForQueue(const QueuePtr& root) const;
    // Cancels every finished job (files stay); the argument is not used.
    void cleanUpQueueForced(bool forced);
    // Applies "queueCleaningTag" after a job ended (10, 16, 205).
    void cleanUpQueueAfterFinishingObject(const QueuePtr& root);
    void moveFinishedQueueObjectToBottom(const QueuePtr& root);
    void cleanUpQueueAfterUserChangedAutoMethod();
    void resetFilepartObject(const QueuePtr& filepart);
    void clearSegmentsFromFilepart(const QueuePtr& filepart);
    void clearQueueObject(const QueuePtr& root);
    void passwordsWereUpdatedForQueueArray(const QList<QueuePtr>& roots);
    void renameQueue(const QueuePtr& root, const QString& newTitle);
    // Opens a finished file of a part.
    void execute(const QueuePtr& filepart);

    // Weak; set once at start-up.
    RenameTitleController* renameTitleController() const;
    void setRenameTitleController(RenameTitleController* controller);
    // Owned by the job state machine; minimal here (weak, set at start-up).
    RepairController* repairController() const;
    void setRepairController(RepairController* controller);

    // Owned by queueing of jobs; minimal here.
    void removeObjectFromQueue(const QueuePtr& root);
    void resetValuesForDPFilepart(const QueuePtr& filepart);
    void clearDPFilepart(const QueuePtr& filepart);
    void resetDPRootQueue(const QueuePtr& root);
    void dpFilepartObjectCheckBoxClicked(const QueuePtr& filepart);
    // Owned by file-part states, pause and resume; minimal here.
    void resumeQueueObject(const QueuePtr& root);
    bool noDiskSpace() const { return noDiskSpace_.load(); }
    void setNoDiskSpace(bool value) { noDiskSpace_.store(value); }
    // Owned by upload jobs; minimal here.
    void addRestoredUploadQueueObjectToQueueArray(const QueuePtr& root);
    // --- end of removal and cancellation

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

    // --- removal and cancellation
    RenameTitleController* renameTitleController_ = nullptr;
    QPointer<RepairController> repairController_;
    std::atomic<bool> noDiskSpace_{false};
    // --- end of removal and cancellation

    // --- file-part writing
public:
    // The write queue the file-part dispatcher hands parts at 1020 to.
    FileWriteController& fileWriteController() { return fileWriteController_; }
    // Parts handed to the writer whose outcome is not set yet.
    qint64 filesInWriteQueue() const { return fileWriteController_.filesInWriteQueue(); }

private:
    // Last, so that it is destroyed first (it waits for the part being
    // written).
    FileWriteController fileWriteController_;
};
