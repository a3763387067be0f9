#pragma once

#include "queue/Queue.h"
#include "queue/QueueObjectDelegate.h"
#include "search/DeepLookupChildsParser.h"
#include "search/FilepartsByFid.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>

#include <atomic>

class DeepLookupController;
class DownloadHistoryController;
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

    // --- search
    //
    // Completion of search-service jobs, all on the main thread: a job known
    // only by its qid gets its file list (106, 107), then the article lists
    // of its parts in batches shared by all such jobs (108), and is queued
    // like any job once every part has them (109); a part without articles
    // ends the job's completion (110).

    // Set once at start-up; weak.
    DeepLookupController* deepLookupController() const;
    void setDeepLookupController(DeepLookupController* controller);
    // Set once at start-up; not owned. The search parsers ask it.
    DownloadHistoryController* downloadHistoryController() const { return downloadHistoryController_; }
    void setDownloadHistoryController(DownloadHistoryController* controller)
    {
        downloadHistoryController_ = controller;
    }

    // Handlers of the job codes 106 to 110.
    void queueRootStatusToDownloadFilelist(const QueuePtr& queue);
    void queueRootStatusToDownloadFilelistFinished(const QueuePtr& queue);
    void queueRootStatusToDownloadSegments(const QueuePtr& queue);
    void queueRootStatusToDownloadSegmentsFinished(const QueuePtr& queue);
    void queueRootStatusToDownloadSegmentsError(const QueuePtr& queue);

    void getFilelistForDPQueue(const QueuePtr& queue);
    // The file list of `queue`. An error is shown and leaves the job without
    // a list (it may ask again); never taken as an empty list.
    void childQueryResults(const DeepLookupChildsParser::Result& result, const QueuePtr& queue);
    void addFileparts(const QList<QueuePtr>& fileparts, const QueuePtr& queue);
    void fileListReceived(const QueuePtr& queue);
    void getSegments();
    // Up to `limit` parts, by fid, of jobs at 108 (not NZB jobs, lists not
    // complete) that have a fid and no articles yet, in queue order. Under
    // `arrayLock`.
    FilepartsByFid getNextObjectsForDownloadingMids(qsizetype limit) const;
    // Parts that have just received their articles.
    void midsQueryResults(const QList<QueuePtr>& fileparts);
    // YES when every part has articles (also for a job without parts).
    bool checkIfAllSegmentsReceivedForQueue(const QueuePtr& queue) const;
    void allSegmentReceivedForQueue(const QueuePtr& queue);

    // Owned by the job state machine; minimal here.
    void checkboxesToOnStateForQueue(const QueuePtr& queue);
    static void setCommentTextField(const QueuePtr& queue, const QString& text);
    void replyObjectFinished(const QueuePtr& filepart);
    // Owned by queueing of jobs; minimal here.
    void addDPFilepartToQueue(const QueuePtr& filepart);
    // --- end of search

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

    // --- search
    QPointer<DeepLookupController> deepLookupController_;
    DownloadHistoryController* downloadHistoryController_ = nullptr;
    // --- end of search
};
