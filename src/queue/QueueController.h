#pragma once

#include "nntp/NewsgroupListQueueInterface.h"
#include "queue/FileWriteController.h"
#include "queue/Queue.h"
#include "queue/QueueObjectDelegate.h"
#include "search/DeepLookupChildsParser.h"
#include "search/FilepartsByFid.h"

#include "platform/SerialQueue.h"
#include "platform/TimeSlicedLoop.h"
#include "posting/YencEncodeController.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>
#include <QSet>

#include <atomic>
#include <functional>
#include <unordered_map>
#include <memory>

class CleanupItemsController;
class ConnectionsController;
class DeepLookupController;
class DownloadHistoryController;
class FODController;
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
// encoder's booking lock. Upload articles are read and encoded with this
// lock released (under the encoder's file lock, which is never held
// together with this one), so a slow disk never stalls the hand-out.
class QueueController : public QObject, public QueueObjectDelegate, public NewsgroupListQueueInterface
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

    // The index of the first finished job (JobStatus::Finished,
    // UploadStatus::Finished or JobStatus::PartialFinished), or the number of
    // jobs when there is none.
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
    // Under `arrayLock`; a part being written (FilePartStatus::Writing) is
    // cancelled once it is written.
    void cancelDPFilepart(const QueuePtr& filepart);
    // Handler of FilePartStatus::Cancelled.
    void fStatusToCancelled(const QueuePtr& filepart);
    // Handler of JobStatus::Cancelled: the end of a cancellation.
    void queueCancelled(const QueuePtr& root);
    // YES when no part of the job is selected (also without parts).
    bool checkIfallFilePartsAreCancelledForQueue(const QueuePtr& root) const;
    // Cancels every finished job (files stay); the argument is not used.
    void cleanUpQueueForced(bool forced);
    // Applies "queueCleaningTag" after a job ended (JobStatus::Finished,
    // JobStatus::PartialFinished, UploadStatus::Finished).
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
    // --- end of removal and cancellation

    // --- upload jobs
    // Cuts an upload into its file parts and their articles (1-based, the
    // encoder fills them when they are handed out) and sets the totals.
    // Empty files are left out: no article of theirs could complete.
    void makeFilePartObjectsFromUploadObject(const QueuePtr& upload);
    void makeSegmentsForUploadFilepart(const QueuePtr& filepart);
    // Writes the upload's NZB file on `nzbCreatorQueue`; the creator sets
    // UploadStatus::NZBCreated or UploadStatus::NZBCreationError.
    void makeNZBFromUploadedQueue(const QueuePtr& upload);
    // Turns a finished upload into the upload of its own NZB file (not for
    // a cancelled job).
    void prepairNZBToUpload(const QueuePtr& upload);
    // A job read back from the save state: at the top when it asked to be
    // first, else where "queueCleaningTag" puts new jobs.
    void addRestoredUploadQueueObjectToQueueArray(const QueuePtr& upload);
    // Handlers of the UploadStatus codes, main thread.
    void queueAddUploadToQueue(const QueuePtr& queue);
    void queueUpPrepareForUploading(const QueuePtr& queue);
    void queueUpQueued(const QueuePtr& queue);
    void queueUploading(const QueuePtr& queue);
    void queueUploaded(const QueuePtr& queue);
    void queueUpFinished(const QueuePtr& queue);
    void queueUpCleanUP(const QueuePtr& queue);
    void queueUpNoServersAvailable(const QueuePtr& queue);
    void queueUpMakeNZB(const QueuePtr& queue);
    void queueUpMakeNZBFinished(const QueuePtr& queue);
    void queueUpMakeNZBError(const QueuePtr& queue);
    void queueUploadNZB(const QueuePtr& queue);
    void queueUpError(const QueuePtr& queue);
    void queueUpPostingDenied(const QueuePtr& queue);
    // --- end of upload jobs

    // --- queueing and file-part states
    //
    // Every operation of this block runs on the main thread, except
    // outOfDiskSpace() and the flags, which any thread may read.

    // The calls the scheduler makes on controllers that are wired in at
    // start-up, each named after the operation it stands for.
    // Owned by the connection manager, the file writer, the download
    // history, the post-processing runner, the title renaming and the name
    // correction; minimal here: each is a hook the owner (or a test) sets,
    // and an unset hook does nothing.
    struct Neighbours
    {
        std::function<void()> connectAll;
        std::function<void(const QString& serverID)> connectServerID;
        std::function<void(qint64 count, const QString& serverID)> openConnections;
        std::function<void(const QueuePtr& filepart)> addFileToQueue;
        std::function<void(const QueuePtr& filepart)> addRowObject;
        std::function<void()> rescan;
        std::function<void(const QueuePtr& root)> renameTitleForQueue;
        // Adds an ObfuscatedController operation for the job to
        // filenameControllerQueue (it sets JobStatus::ObfuscationCheck, then
        // JobStatus::ObfuscationCheckDone).
        std::function<void(const QueuePtr& root)> addObfuscatedControllerOperation;
        // Saves the queue at once and runs `then` (main thread) once it is
        // written; may never run `then` when the program is closing. Unset:
        // `then` runs at once (no save state is kept).
        std::function<void(std::function<void()> then)> saveStateThen;
    };
    Neighbours& neighbours() { return neighbours_; }

    // Set once at start-up; weak.
    RepairController* repairController() const;
    void setRepairController(RepairController* controller);
    CleanupItemsController* cleanupItemsController() const;
    void setCleanupItemsController(CleanupItemsController* controller);
    FODController* fodController() const;
    void setFodController(FODController* controller);

    // The source of upload articles, made with the controller and pointing
    // back at it.
    YencEncodeController* yencEncodeController() const { return yencEncodeController_.get(); }

    // Serial queues: file-name correction and NZB creation.
    SerialQueue& filenameControllerQueue() { return filenameControllerQueue_; }
    SerialQueue& nzbCreatorQueue() { return nzbCreatorQueue_; }

    bool noDiskSpace() const { return noDiskSpace_.load(); }
    bool isTerminated() const { return isTerminated_.load(); }
    // Set and cleared by the memory limiter.
    bool pausedDueFullWriteQueue() const { return pausedDueFullWriteQueue_.load(); }
    void setPausedDueFullWriteQueue(bool value) { pausedDueFullWriteQueue_.store(value); }
    // Parts handed to the writer whose outcome (FilePartStatus::WriteFinished,
    // WriteFailed or DecodeError) has not arrived yet; never below 0. Owned by the file writer; minimal here.
    qint64 filesInWriteQueue() const { return filesInWriteQueue_.load(); }

    // Connections: every download server, one upload job's server, or one
    // connection for the newsgroup-list request's server.
    void startDownloading();
    void startUploading(const QueuePtr& upload);
    void startRefreshingNewsgroupsListing(const QueuePtr& request);

    // Admits the newsgroup-list request (there is at most one), making this
    // controller the delegate of its first part when that has none.
    bool addNewsgroupsListingRequestToQueue(const QueuePtr& root);
    // Queues a job for download (its checked parts), or starts completing a
    // search-service job whose file list has not arrived
    // (JobStatus::DownloadingFilelist). The parts of a big job are queued
    // over several turns of the event loop; a job removed or cancelled
    // meanwhile is not queued further.
    void addDPRootObjectToQueue(const QueuePtr& root);
    // A Watchdog match: dropped (its parts emptied) when a job of the same
    // qid is queued.
    void addWatchdogObjectToQueue(const QueuePtr& root);
    // Queues one checked part; waits while its job's lists are fetched.
    void addDPFilepartToQueue(const QueuePtr& filepart);
    // From status 0 with the checkbox on: counters reset and added to the
    // job's, priority list where it qualifies, the part at
    // FilePartStatus::Queued and the job at JobStatus::QueuedForDownload.
    void prepareDownloadingDPFilepart(const QueuePtr& filepart);
    // Handler of JobStatus::QueuedForDownload.
    void qStatusToQueued(const QueuePtr& root);
    // Connects the backup servers that hold articles or whole files of
    // `root`.
    void wakeBackupServersOf(const QueuePtr& root);
    void dpRootQueueObjectCheckBoxClicked(const QueuePtr& root) override;
    void dpFilepartObjectCheckBoxClicked(const QueuePtr& filepart);

    // Resets used by cancellation.
    void resetValuesForDPFilepart(const QueuePtr& filepart);
    void clearDPFilepart(const QueuePtr& filepart);
    void resetDPRootQueue(const QueuePtr& root);

    // Reorder the job list; an unknown root or an index outside the list
    // changes nothing.
    void moveObject(const QueuePtr& root, qsizetype index);
    void moveObjectFromIndex(qsizetype fromIndex, qsizetype toIndex);
    // Takes a root out of the list and posts "ObjectInTableViewQueueRemoved".
    void removeObjectFromQueue(const QueuePtr& root);
    QueuePtr getObjectForQidnr(qint64 qidnr) const;
    // NO while a job is queued (JobStatus::QueuedForDownload) or downloading
    // (JobStatus::Downloading).
    bool checkIfAllQueuedObjectsAreFinished() const;

    // The file-part dispatcher and its handlers.
    void statusChangedForFilepart(const QueuePtr& filepart, qint64 fromValue, qint64 toValue) override;
    void fStatusToDownloading(const QueuePtr& filepart);
    void fStatusToDownloaded(const QueuePtr& filepart);
    void fStatusToWaitingToSave(const QueuePtr& filepart);
    void fStatusToWriteFinished(const QueuePtr& filepart);
    void filePartWriteError(const QueuePtr& filepart);
    void filePartDecodeError(const QueuePtr& filepart);
    void fStatusToFinished(const QueuePtr& filepart);
    void fStatusToQueued(const QueuePtr& filepart);
    void fStatusToUpQueued(const QueuePtr& filepart);
    void fStatusToUploading(const QueuePtr& filepart);
    void fStatusToUploaded(const QueuePtr& filepart);

    // Every part not downloaded is a PAR2 file (or an ignored sample).
    bool checkIfAllFilepartsAreDownloadedFor(const QueuePtr& root) const;
    // Every checked part is downloaded.
    bool checkIfAllFilepartsAreWrittenFor(const QueuePtr& root) const;
    // At least one downloaded part's file is on disk.
    bool checkIfFilesWereWritten(const QueuePtr& root) const;
    // A written file of the job came with articles missing or failing their
    // CRC check, and nothing can prove it intact or repair it: it is no
    // member of the job's own PAR2 set (or the job has none).
    static bool hasUnprovableDamage(const QueuePtr& root);
    // Every part is a sample or a PAR2 file.
    bool checkIfNZBOnlyContainsSampleFiles(const QueuePtr& root) const;

    // The free-space guard: YES asks every job to pause (once), NO lifts the
    // stop and resumes the jobs it paused (not those the user paused, nor
    // those stopped meanwhile for a password or a failed write).
    void outOfDiskSpace(bool outOfSpace);
    void pauseQueueObject(const QueuePtr& root);
    void resumeQueueObject(const QueuePtr& root);
    void shouldPauseChangedForQueueObject(const QueuePtr& root) override;
    void pauseChangedForQueueObject(const QueuePtr& root) override;
    void changeProgressBarColor(const QString& key, const QueuePtr& queue);
    void applicationWillTerminate();


    // --- job state machine
    //
    // The root dispatcher and one handler per code, all on the main thread;
    // slow file steps run on the global pool and set the next code from the
    // main thread. The table of codes and their next codes is
    // jobStateTable() in QueueControllerStates.cpp.

    using JobHandler = void (QueueController::*)(const QueuePtr&);
    struct JobState
    {
        qint64 code;
        JobHandler handler;
        // The codes a job can go to from here (by this handler, the
        // post-processing runner or the job itself), as a comment.
        const char* next;
    };
    static const QList<JobState>& jobStateTable();

    // An archive that holds itself (or a chain that never ends) would be
    // extracted for ever: after this many nested passes of one download the
    // job ends the search for archives as a sub-extraction error.
    static constexpr int kMaxNestedExtractionPasses = 16;

    void statusChangedForQueueObject(const QueuePtr& queue, qint64 fromValue, qint64 toValue) override;

    void queueProcessingNZB(const QueuePtr& queue);
    void queueNZBParsingFinished(const QueuePtr& queue);
    void queueStatusToDownloading(const QueuePtr& queue);
    void queueStatusToDownloaded(const QueuePtr& queue);
    void queueFullDownloadFinished(const QueuePtr& queue);
    void queuePartialDownloadFinished(const QueuePtr& queue);
    void queuePrepareJoiningFileParts(const QueuePtr& queue);
    void queueReadyToJoinFileParts(const QueuePtr& queue);
    void queueJoiningFiles(const QueuePtr& queue);
    void queueJoiningFinished(const QueuePtr& queue);
    void queueJoiningError(const QueuePtr& queue);
    void queueReadyToRepair(const QueuePtr& queue);
    void queueNeedMoreBlocks(const QueuePtr& queue);
    void queueRepairFinished(const QueuePtr& queue);
    void queueRepairError(const QueuePtr& queue);
    void queueRepairNotPossible(const QueuePtr& queue);
    void queueReadyToExtract(const QueuePtr& queue);
    void queueExtractFinished(const QueuePtr& queue);
    void queueExtractError(const QueuePtr& queue);
    void queueReadyForObfuscationCheck(const QueuePtr& queue);
    void queueObfuscationCheckDone(const QueuePtr& queue);
    void queueReadyToMoveFromTemp(const QueuePtr& queue);
    void queueMovingFromTempDone(const QueuePtr& queue);
    void queueCheckForSubExtraction(const QueuePtr& queue);
    void queueReadyForSubExtraction(const QueuePtr& queue);
    void queueSubExtractionFinished(const QueuePtr& queue);
    void queueSubExtractingError(const QueuePtr& queue);
    void queueReadyToReverseFiles(const QueuePtr& queue);
    void queueReadyToCleanUP(const QueuePtr& queue);
    void queueReadyToMoveFilesAfterDownload(const QueuePtr& queue);
    void queueIsFinished(const QueuePtr& queue);
    void queueMoveError(const QueuePtr& queue);
    void queueIncorrectPwd(const QueuePtr& queue);
    void queueIsIncomplete(const QueuePtr& queue);
    void queueIsNetworkError(const QueuePtr& queue);
    void queueIsNoNewsserversConfigured(const QueuePtr& queue);
    void queueIsNNTPAuthError(const QueuePtr& queue);
    void queueNoFilesFoundFor(const QueuePtr& queue);

    bool shouldJoinFilesBeforeRepair(const QueuePtr& queue) const;
    bool checkIfAllMainRepairFilesAreValid(const QueuePtr& queue);

    // The join of `queue` has written its files; `deletePieces` removes the
    // pieces. After a join that followed the repair the job goes on from its
    // joined files (RestorePoint::Joined), and the pieces go only once the
    // save state says so: a restart from an older save would check the
    // pieces against the PAR2 set and find them gone. The post-processing
    // runner calls it on the main thread.
    void joinedPiecesMayGo(const QueuePtr& queue, std::function<void()> deletePieces);
    void queueNeedsMoreRepairBlocks(const QueuePtr& queue);
    void checkboxesToOnStateForQueue(const QueuePtr& queue);
    bool processEmbeddedNZB(const QueuePtr& queue);
    // The first job at JobStatus::QueuedForRepair, QueuedForExtraction,
    // ReadyToJoinFileParts or ReadyForDeepExtraction that is neither paused nor
    // cancelled: what the post-processing runner works on next.
    QueuePtr getFirstRepairOrExtractObject() const;
    // "(Paused) " before the text while the job is paused.
    static void setCommentTextField(const QueuePtr& queue, const QString& text);
    void newsgroupsRequestFinished(const QueuePtr& filepart);
    void replyObjectFinished(const QueuePtr& filepart);


    // --- search
    //
    // Completion of search-service jobs, all on the main thread: a job known
    // only by its qid gets its file list (JobStatus::DownloadingFilelist,
    // FilelistDownloaded), then the article lists of its parts in batches
    // shared by all such jobs (DownloadingSegments), and is queued like any
    // job once every part has them (SegmentsDownloaded); a part without
    // articles ends the job's completion (SegmentsDownloadError).

    // Set once at start-up; weak.
    DeepLookupController* deepLookupController() const;
    void setDeepLookupController(DeepLookupController* controller);
    // Set once at start-up; not owned. The search parsers ask it.
    DownloadHistoryController* downloadHistoryController() const { return downloadHistoryController_; }
    void setDownloadHistoryController(DownloadHistoryController* controller)
    {
        downloadHistoryController_ = controller;
    }

    // Handlers of JobStatus::DownloadingFilelist to SegmentsDownloadError.
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
    // Up to `limit` parts, by fid, of jobs at JobStatus::DownloadingSegments
    // (not NZB jobs, lists not
    // complete) that have a fid and no articles yet, in queue order. Under
    // `arrayLock`.
    FilepartsByFid getNextObjectsForDownloadingMids(qsizetype limit) const;
    // Parts that have just received their articles.
    void midsQueryResults(const QList<QueuePtr>& fileparts);
    // YES when every part has articles (also for a job without parts).
    bool checkIfAllSegmentsReceivedForQueue(const QueuePtr& queue) const;
    void allSegmentReceivedForQueue(const QueuePtr& queue);

    // --- end of search

Q_SIGNALS:
    // Around every change of the job list, on the thread that makes it (the
    // main thread), with `arrayLock` held.
    void queueArrayWillChange();
    void queueArrayDidChange();
    // After a job's status change was handled (main thread).
    void jobStatusChanged(qint64 status);
    // After a file part's status or a job's pause changed (main thread).
    void queueItemChanged();

    // --- article hand-out
public:
    // The next article for a connection of `serverID` (a backup-only server
    // when `isBackupServer`), already moved from waiting
    // (ArticleStatus::Queued) to ArticleStatus::Downloading, or null.
    // Connection threads, several at once. An article is handed out only by
    // its own Queued -> Downloading transition, so no two connections ever
    // hold it.
    //
    // The walk does not look at every article again for every request: each
    // job keeps how far its parts have been handed out, and a log of the
    // articles that went back to waiting with a read position per server.
    // Whoever puts a single article back to Queued therefore goes through
    // requeueSegment(). A part set back to FilePartStatus::Queued and a part or
    // article list that was replaced are noticed by the walk itself;
    // resetHandoutIndex() starts a job's walk over in any other case.
    SegmentPtr getNextArticleForServerID(const QString& serverID, bool isBackupServer);
    // Puts an article handed out earlier back to waiting
    // (ArticleStatus::Queued).
    void requeueSegment(const SegmentPtr& segment);
    // Forgets how far `root` was handed out; its parts are looked at anew.
    void resetHandoutIndex(const QueuePtr& root);

    // Booking of a finished article; the connection manager calls exactly
    // one of them, under its own lock. Each books only on the article's own
    // transition out of downloading, so an article is counted once.
    void updateQueueAfterDownload(const SegmentPtr& segment);
    void updateQueueAfterUpload(const SegmentPtr& segment);
    void updateQueueAfterDownloadingNewsgroupList(const SegmentPtr& segment);

    // Lets backup server `serverID` serve every article of `queue`.
    void enableBackupServer(const QString& serverID, const QueuePtr& queue);

    void addFilePartToPriorityQueue(const QueuePtr& filepart);
    void removeFilePartFromPriorityQueue(const QueuePtr& filepart);
    static bool isPriorityCandidate(const QueuePtr& filepart);

    // Jobs still to download or upload; refreshes the totals below. Main
    // thread, once a second.
    qint64 getTotalFilesInQueue();
    double getAverageBandwidthUsedPerSecond();

    double segmentsInQueue() const { return segmentsInQueue_.load(); }
    double segmentsInQueueLeft() const { return segmentsInQueueLeft_.load(); }
    double filesInQueue() const { return filesInQueue_.load(); }
    double filesLeftToDownload() const { return filesLeftToDownload_.load(); }
    double filesLeftToUpload() const { return filesLeftToUpload_.load(); }
    double bytesLeftToDownload() const { return bytesLeftToDownload_.load(); }
    double bytesLeftToUpload() const { return bytesLeftToUpload_.load(); }
    double currentBps() const { return currentBps_.load(); }
    void setCurrentBps(double bps) { currentBps_.store(bps); }
    double downloadedBytes() const { return downloadedBytes_.load(); }

    ConnectionsController* connectionsController() const;
    void setConnectionsController(ConnectionsController* controller);

    // Measuring aid for benchmarks: told how long each hand-out held
    // `arrayLock`, in nanoseconds, after the lock was released. Set before
    // connections run.
    void setHandoutLockHoldRecorder(std::function<void(qint64)> recorder) { lockHoldRecorder_ = std::move(recorder); }


private:
    struct HandoutIndex;
    // An upload article booked by the walk, to be read and encoded after
    // the lock is released; `sawIdleJob` when an upload job had nothing
    // waiting (its file may be closed).
    struct UploadBooking
    {
        YencEncodeController::Booking booking;
        bool sawIdleJob = false;
    };
    // Caller holds arrayLock_. Returns a download article, or null with an
    // upload article in `upload->booking`, or null with neither. Upload jobs
    // in `unreadable` are passed over.
    SegmentPtr handOutLocked(const QString& serverID, bool isBackupServer, const QSet<const Queue*>& unreadable,
                             UploadBooking* upload);
    SegmentPtr handOutFromRoot(const QueuePtr& root, int token, bool priorityPass, bool* exhausted);
    SegmentPtr takeRoutedArticle(const QueuePtr& root, const QString& serverID);
    SegmentPtr handOutFresh(HandoutIndex& index, const QueuePtr& root, int token, bool priorityPass);
    HandoutIndex& handoutIndexFor(const QueuePtr& root);
    void pruneHandoutIndexes();
    void startDownloadOf(const SegmentPtr& segment, const QueuePtr& root, const QueuePtr& part);

    std::unordered_map<const Queue*, std::shared_ptr<HandoutIndex>> handoutIndexes_;
    std::atomic<double> segmentsInQueue_{0}, segmentsInQueueLeft_{0}, filesInQueue_{0}, filesLeftToDownload_{0},
        filesLeftToUpload_{0}, bytesLeftToDownload_{0}, bytesLeftToUpload_{0}, currentBps_{0}, downloadedBytes_{0};
    QPointer<ConnectionsController> connectionsController_;
    std::function<void(qint64)> lockHoldRecorder_;
    // --- end of article hand-out

private:
    mutable QRecursiveMutex arrayLock_;
    QList<QueuePtr> queueArray_;
    QList<QueuePtr> priorityQueueArray_;
    QPointer<NZBController> nzbController_;
    // Queues the parts of big jobs for download a slice at a time, so that
    // the window never waits for a job of a hundred thousand files.
    TimeSlicedLoop partQueuing_{4, 64};

    // --- removal and cancellation
    RenameTitleController* renameTitleController_ = nullptr;
    // --- end of removal and cancellation

    // --- queueing and file-part states
    // True when a part's cancellation must be carried out (it is marked but
    // not at FilePartStatus::Cancelled yet); the success handlers stop for such parts.
    static bool isCancelledPart(const QueuePtr& filepart);
    // A part's write outcome arrived (or it was cancelled).
    void countWriteOutcome(const QueuePtr& filepart);
    void resumeAtStatus(const QueuePtr& root);

    Neighbours neighbours_;
    QPointer<RepairController> repairController_;
    QPointer<CleanupItemsController> cleanupItemsController_;
    QPointer<FODController> fodController_;
    std::unique_ptr<YencEncodeController> yencEncodeController_;
    SerialQueue filenameControllerQueue_{QStringLiteral("filenameControllerQueue")};
    SerialQueue nzbCreatorQueue_{QStringLiteral("nzbCreatorQueue")};
    std::atomic<bool> noDiskSpace_{false};
    // The jobs the free-space stop paused, to go on once space is back;
    // under arrayLock_.
    QList<std::weak_ptr<Queue>> pausedForDiskSpace_;
    void resumeJobsPausedForDiskSpace(const QList<std::weak_ptr<Queue>>& jobs);
    std::atomic<bool> pausedDueFullWriteQueue_{false};
    std::atomic<bool> isTerminated_{false};
    // The parts handed to the writer, by address; main thread.
    QHash<const Queue*, QueuePtr> writesPending_;
    std::atomic<qint64> filesInWriteQueue_{0};

    // --- job state machine
    // Runs `work` on the global pool, then `then` on the main thread unless
    // this controller is gone by then.
    void inBackground(std::function<void()> work, std::function<void()> then);
    // `then` once the save state holds the queue as it is now (see
    // Neighbours::saveStateThen): for a step that deletes what an older save
    // state would restart the job from.
    void afterSaveState(std::function<void()> then);
    // The step guard: false when the step must not start now (the job is
    // paused instead while the disk is full or a pause was asked for).
    bool mayStartStep(const QueuePtr& queue);
    static void commentWithStatusText(const QueuePtr& queue);
    // The job that owns the PAR2 set of `filepart` (or of its job).
    static QueuePtr jobOwningRepairSetOf(const QueuePtr& filepart);
    static bool isSplitPieceName(const QString& filename);
    bool shouldIgnoreSamples(const QueuePtr& queue) const;

    // --- search
    QPointer<DeepLookupController> deepLookupController_;
    DownloadHistoryController* downloadHistoryController_ = nullptr;
    // --- end of search
    // Nested passes per job since its download finished; main thread.
    QHash<const Queue*, int> nestedExtractionPasses_;

    // --- file-part writing
public:
    // The write queue the file-part dispatcher hands parts at
    // FilePartStatus::WaitingForDiskWrite to.
    FileWriteController& fileWriteController() { return fileWriteController_; }
    // The dispatcher's write hook: gives the writer the repair controller if
    // it has none yet, then queues the part.
    void addFileToWriteQueue(const QueuePtr& filepart);
    // The writer's answer to articles marked spooled whose bytes its spool
    // no longer holds: they wait for download again, counted as left to
    // download, and the part downloads them before it is written.
    void downloadSegmentsAgain(const QueuePtr& filepart, const QList<SegmentPtr>& segments);

private:
    // Near the end, so that it is destroyed (waiting for the part being
    // written) before what the writer reports to.
    FileWriteController fileWriteController_;
    // Sets the write hook of `neighbours_`, which is constructed before it.
    struct FileWriterHook
    {
        explicit FileWriterHook(QueueController* controller);
    };
    FileWriterHook fileWriterHook_{this};
    // --- end of file-part writing
};
