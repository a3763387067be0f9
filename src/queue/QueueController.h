#pragma once

#include "queue/Queue.h"
#include "queue/QueueObjectDelegate.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRecursiveMutex>

#include <atomic>
#include <functional>
#include <unordered_map>

class ConnectionsController;
class NZBController;
class YencEncodeController;

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

    // --- article hand-out
public:
    // The next article for a connection of `serverID` (a backup-only server
    // when `isBackupServer`), already moved from waiting (99) to
    // downloading (1), or null. Connection threads, several at once. An
    // article is handed out only by its own 99 -> 1 transition, so no two
    // connections ever hold it.
    //
    // The walk does not look at every article again for every request: each
    // job keeps how far its parts have been handed out, and a log of the
    // articles that went back to waiting with a read position per server.
    // Whoever puts a single article back to 99 therefore goes through
    // requeueSegment(). A part set back to queued (1099) and a part or
    // article list that was replaced are noticed by the walk itself;
    // resetHandoutIndex() starts a job's walk over in any other case.
    SegmentPtr getNextArticleForServerID(const QString& serverID, bool isBackupServer);
    // Puts an article handed out earlier back to waiting (99).
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
    // Makes the articles of file uploads; not owned.
    YencEncodeController* yencEncodeController() const { return yencEncodeController_; }
    void setYencEncodeController(YencEncodeController* encoder) { yencEncodeController_ = encoder; }

    // Measuring aid for benchmarks: told how long each hand-out held
    // `arrayLock`, in nanoseconds, after the lock was released. Set before
    // connections run.
    void setHandoutLockHoldRecorder(std::function<void(qint64)> recorder) { lockHoldRecorder_ = std::move(recorder); }

    // owned by file-part states; minimal here
    bool isTerminated() const { return isTerminated_.load(); }
    void setIsTerminated(bool terminated) { isTerminated_.store(terminated); }
    // owned by file-part writing; minimal here
    bool pausedDueFullWriteQueue() const { return pausedDueFullWriteQueue_.load(); }
    void setPausedDueFullWriteQueue(bool paused) { pausedDueFullWriteQueue_.store(paused); }

private:
    struct HandoutIndex;
    // Caller holds arrayLock_.
    SegmentPtr handOutLocked(const QString& serverID, bool isBackupServer);
    SegmentPtr handOutFromRoot(const QueuePtr& root, int token, bool priorityPass, bool* exhausted);
    SegmentPtr takeRoutedArticle(const QueuePtr& root, const QString& serverID);
    SegmentPtr handOutFresh(HandoutIndex& index, const QueuePtr& root, int token, bool priorityPass);
    HandoutIndex& handoutIndexFor(const QueuePtr& root);
    void pruneHandoutIndexes();
    void startDownloadOf(const SegmentPtr& segment, const QueuePtr& root, const QueuePtr& part);

    std::unordered_map<const Queue*, std::shared_ptr<HandoutIndex>> handoutIndexes_;
    std::atomic<double> segmentsInQueue_{0}, segmentsInQueueLeft_{0}, filesInQueue_{0}, filesLeftToDownload_{0},
        filesLeftToUpload_{0}, bytesLeftToDownload_{0}, bytesLeftToUpload_{0}, currentBps_{0}, downloadedBytes_{0};
    std::atomic<bool> isTerminated_{false};
    std::atomic<bool> pausedDueFullWriteQueue_{false};
    QPointer<ConnectionsController> connectionsController_;
    YencEncodeController* yencEncodeController_ = nullptr;
    std::function<void(qint64)> lockHoldRecorder_;
    // --- end of article hand-out

private:
    mutable QRecursiveMutex arrayLock_;
    QList<QueuePtr> queueArray_;
    QList<QueuePtr> priorityQueueArray_;
    QPointer<NZBController> nzbController_;
};
