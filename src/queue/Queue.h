#pragma once

#include "queue/ModelProperties.h"
#include "queue/QueueObjectDelegate.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <atomic>
#include <memory>
#include <optional>

class RepairObject;

// Server id -> number of articles found missing there.
using MissingArticlesMap = QMap<QString, qint64>;

// One article that one backup server is to fetch for a job (a job's
// `partDownloadBackupServers`, first in, first out).
struct PartDownloadBackupServer
{
    QString serverID;
    SegmentPtr segment;
};

// One entry of the download and upload queue: a root job (an NZB download, a
// search-service result, a Watchdog match, an upload, a newsgroup-list
// request, the fetch of an article for a reply) or one file part of a job
// (`isFilepart`). Parts own their articles (`segments`).
//
// The engine never polls items: each step ends by assigning a status code or
// a flag, and the item reports the change. For the observed properties (see
// ObservedKey) every assignment through a setter is reported, also when the
// value does not change: the change, with its old and new value, is queued
// for the main thread without waiting, and there the item updates its derived
// display state and then tells its delegate. Reports run in the order of the
// assignments; an assignment made on the main thread is handled on a later
// turn of the event loop, never inside the setter.
//
// Items are shared (QueuePtr); create them with create(). A queued report
// keeps its item alive until it has run. `queue` (the root of a part) and the
// delegate are weak references. Every property is whole under concurrent use:
// scalars are atomic, everything else is guarded by the item's own lock.
class Queue : public std::enable_shared_from_this<Queue>
{
    struct Passkey
    {
    };

public:
    // The properties whose assignments are reported.
    enum class ObservedKey {
        status,
        totalSegmentsLeftToDownload,
        totalBytesLeft,
        timeleft,
        percentDownloaded,
        percentRepaired,
        percentExtracted,
        progressBarVisible,
        isPaused,
        shouldPause,
        newtitle,
        filename,
        blocksRequired,
        isIncomplete,
        isPreviouslyDownloaded,
        isMissing,
        isPriority,
        isNew,
    };

    // A new item with its defaults, reporting changes from the start.
    static QueuePtr create();
    // The same, but silent until startAllObservers() (the save-state restore
    // fills the item first).
    static QueuePtr createWhithoutStartingObservers();

    explicit Queue(Passkey);
    ~Queue();
    Queue(const Queue&) = delete;
    Queue& operator=(const Queue&) = delete;

    void startAllObservers();
    // Stops reporting; reports already queued still run.
    void removeAllObservers();
    bool observersRunning() const { return observersRunning_.load(); }

    // A creation time in 100 ns units since 1970, strictly increasing within
    // the run, however fast items are made.
    static qint64 makeQidnr();

    // "HH:MM:SS" for a time left: "00:00:00" below one second, "99:59:59"
    // from 3,600,000 seconds on; hours are not limited to two digits.
    static QString secondsToTime(qint64 seconds);

    // Colours of the colour settings: nothing (an invalid colour) when the
    // key is absent.
    static QColor getStatsBtnColorForKey(const QString& key);
    static QColor getFilesPanelRowColorForKey(const QString& key);
    static QColor getDPRowColorForKey(const QString& key);
    static QColor getDPProgressBarColorForKey(const QString& key);

    // The codes for which a root job, or a file part, shows a progress bar.
    static QList<qint64> progressBarCodesForRootQueue();
    static QList<qint64> progressBarCodesForFilepart();

    // ---- Identity and structure ----
    MODEL_ATOMIC(bool, isFilepart, setIsFilepart, false)
    // The root job of a file part.
    MODEL_WEAK(Queue, queue, setQueue)
    MODEL_GUARDED(QString, qid, setQid)
    MODEL_GUARDED(QString, fid, setFid)
    MODEL_ATOMIC(qint64, qidnr, setQidnr, 0)

public:
    // A root's file parts in display and download order.
    QList<QueuePtr> fileparts() const;
    void setFileparts(const QList<QueuePtr>& fileparts);
    void appendFilepart(const QueuePtr& filepart);
    bool removeFilepart(const QueuePtr& filepart);
    qsizetype filepartCount() const;

    // A file part's articles.
    QList<SegmentPtr> segments() const;
    void setSegments(const QList<SegmentPtr>& segments);
    void appendSegment(const SegmentPtr& segment);
    void removeAllSegments();
    qsizetype segmentCount() const;

    // Takes a file part's articles as a builder read them: ordered by their
    // number (articles without a number, 0, first, in the order given), each
    // article kept once (a later one with the number or the message-id of an
    // earlier one is dropped), then `segments`, `bytes` (the sum of the kept
    // articles' sizes) and `totalSegments` (their count) set from what was
    // kept. Returns how many duplicates were dropped.
    qsizetype setOrderedSegments(QList<SegmentPtr> segments);

    // Receives the change reports; weak. Set from any thread.
    QueueObjectDelegate* delegate() const;
    void setDelegate(QueueObjectDelegate* delegate);

    // ---- Names and descriptive data ----
    MODEL_GUARDED(QString, title, setTitle)

public:
    QString newtitle() const;
    void setNewtitle(const QString& newtitle);
    MODEL_ATOMIC(bool, titleWillChange, setTitleWillChange, false)
    MODEL_GUARDED(QString, titleSuffix, setTitleSuffix)

public:
    QString filename() const;
    void setFilename(const QString& filename);
    MODEL_GUARDED(QString, orgFilename, setOrgFilename)
    MODEL_GUARDED(QString, poster, setPoster)
    MODEL_GUARDED(QString, groups, setGroups)
    MODEL_ATOMIC(qint64, date, setDate, 0)
    MODEL_GUARDED(QString, password, setPassword)
    MODEL_ATOMIC(bool, hasPassword, setHasPassword, false)

    // ---- Status and progress flags ----
public:
    qint64 status() const { return status_.load(); }
    void setStatus(qint64 status);
    // Sets the status to `desired` only if it is `expected` (reported like
    // any assignment); tells whether it did.
    bool replaceStatus(qint64 expected, qint64 desired);
    MODEL_ATOMIC(qint64, restorePoint, setRestorePoint, 0)

public:
    bool isPaused() const { return isPaused_.load(); }
    void setIsPaused(bool value);
    bool shouldPause() const { return shouldPause_.load(); }
    void setShouldPause(bool value);
    MODEL_ATOMIC(bool, isCancelled, setIsCancelled, false)

public:
    bool isMissing() const { return isMissing_.load(); }
    void setIsMissing(bool value);
    bool isIncomplete() const { return isIncomplete_.load(); }
    void setIsIncomplete(bool value);
    MODEL_ATOMIC(bool, isDownloaded, setIsDownloaded, false)

public:
    bool isPreviouslyDownloaded() const { return isPreviouslyDownloaded_.load(); }
    void setIsPreviouslyDownloaded(bool value);
    bool isNew() const { return isNew_.load(); }
    void setIsNew(bool value);
    MODEL_ATOMIC(bool, isJunk, setIsJunk, false)
    MODEL_ATOMIC(bool, ero, setEro, false)
    MODEL_ATOMIC(bool, isRestored, setIsRestored, false)
    // The job's parts and articles are still being read from its NZB file:
    // from before the job joins the queue until its import has ended (parsed
    // and finalised, failed or given up). The save state leaves such a job
    // out, so that a stop during the import never stores a job that lacks
    // parts it will have.
    MODEL_ATOMIC(bool, isImporting, setIsImporting, false)
    MODEL_ATOMIC(bool, forceDownload, setForceDownload, false)
    MODEL_ATOMIC(bool, diskNotReady, setDiskNotReady, false)
    MODEL_ATOMIC(bool, pwdDectected, setPwdDectected, false)
    MODEL_ATOMIC(bool, isRepaired, setIsRepaired, false)
    MODEL_ATOMIC(bool, didExtractFiles, setDidExtractFiles, false)
    MODEL_ATOMIC(bool, isDecodedAlready, setIsDecodedAlready, false)
    MODEL_ATOMIC(bool, isFilenameControlled, setIsFilenameControlled, false)
    MODEL_ATOMIC(bool, canRepair, setCanRepair, false)
    MODEL_ATOMIC(bool, canExtract, setCanExtract, false)
    MODEL_ATOMIC(bool, repairAfterJoin, setRepairAfterJoin, false)
    MODEL_ATOMIC(bool, execute, setExecute, false)

    // ---- Sizes and counters ----
public:
    // The counters that connection threads and the main thread change
    // together (articles and bytes left, missing articles) never go below 0:
    // a setter given a negative value stores 0, and the increase/decrease
    // operations are atomic read-modify-writes that stop at 0.
    // Byte counts (bytes, totalBytesLeft) saturate here: 2^53, exact as a
    // double and far inside a signed 64-bit integer, whatever is added up.
    static constexpr double kMaxTotalBytes = 9007199254740992.0;
    MODEL_ATOMIC(double, bytes, setBytes, 0.0)

public:
    // Adds `delta` (may be negative) to `bytes`, stopping at 0 and at
    // kMaxTotalBytes.
    double addToBytes(double delta);

    double totalBytesLeft() const { return totalBytesLeft_.load(); }
    void setTotalBytesLeft(double value);
    double increaseTotalBytesLeft(double amount);
    double decreaseTotalBytesLeft(double amount);

    MODEL_ATOMIC(qint64, totalSegments, setTotalSegments, 0)

public:
    qint64 addToTotalSegments(qint64 delta);

    qint64 totalSegmentsLeftToDownload() const { return totalSegmentsLeftToDownload_.load(); }
    void setTotalSegmentsLeftToDownload(qint64 value);
    qint64 increaseTotalSegmentsLeftToDownload(qint64 count);
    qint64 decreaseTotalSegmentsLeftToDownload(qint64 count = 1);

    qint64 totalMissingArticles() const { return totalMissingArticles_.load(); }
    void setTotalMissingArticles(qint64 value);
    qint64 incrementTotalMissingArticles();
    // Articles kept as received although they failed their CRC check: no
    // server had a good copy. Not saved: a restarted job checks again.
    qint64 articlesFailedCheck() const { return articlesFailedCheck_.load(); }
    qint64 incrementArticlesFailedCheck() { return articlesFailedCheck_.fetch_add(1) + 1; }
    MODEL_ATOMIC(qint64, totalfiles, setTotalfiles, 0)

public:
    qint64 timeleft() const { return timeleft_.load(); }
    void setTimeleft(qint64 seconds);
    qint64 percentDownloaded() const { return percentDownloaded_.load(); }
    void setPercentDownloaded(qint64 value);
    qint64 percentRepaired() const { return percentRepaired_.load(); }
    void setPercentRepaired(qint64 value);
    qint64 percentExtracted() const { return percentExtracted_.load(); }
    void setPercentExtracted(qint64 value);
    MODEL_ATOMIC(qint64, progressBarValue, setProgressBarValue, 0)
    // Recovery blocks in a PAR2 volume file (0 for the main PAR2 file and
    // for other files).
    MODEL_ATOMIC(qint64, repairblocks, setRepairblocks, 0)

public:
    // Recovery blocks still needed (may be negative: more than enough).
    qint64 blocksRequired() const { return blocksRequired_.load(); }
    void setBlocksRequired(qint64 value);
    MODEL_ATOMIC(double, maxArticleSize, setMaxArticleSize, 0.0)

    // ---- Job kinds and choices ----
    MODEL_ATOMIC(bool, isNZB, setIsNZB, false)
    MODEL_ATOMIC(bool, isWatchdog, setIsWatchdog, false)
    MODEL_ATOMIC(bool, isUploadObject, setIsUploadObject, false)
    MODEL_ATOMIC(bool, isBinaryUpload, setIsBinaryUpload, false)
    MODEL_ATOMIC(bool, isNewsgroupsRequest, setIsNewsgroupsRequest, false)
    MODEL_ATOMIC(bool, isReplyPost, setIsReplyPost, false)
    MODEL_ATOMIC(bool, isHeaderRequest, setIsHeaderRequest, false)
    MODEL_ATOMIC(bool, uploadNZB, setUploadNZB, false)
    MODEL_ATOMIC(bool, makeNZB, setMakeNZB, false)

public:
    bool isPriority() const { return isPriority_.load(); }
    void setIsPriority(bool value);
    MODEL_ATOMIC(bool, downloadFirst, setDownloadFirst, false)
    MODEL_ATOMIC(bool, hasRepairFiles, setHasRepairFiles, false)
    MODEL_ATOMIC(bool, isParsOnly, setIsParsOnly, false)
    MODEL_ATOMIC(bool, hasEmbeddedNZB, setHasEmbeddedNZB, false)
    MODEL_ATOMIC(bool, filelistReceived, setFilelistReceived, false)
    MODEL_ATOMIC(bool, segmentsReceived, setSegmentsReceived, false)
    MODEL_ATOMIC(bool, shouldDownloadSegments, setShouldDownloadSegments, false)
    MODEL_ATOMIC(bool, shouldSelectAllFileparts, setShouldSelectAllFileparts, false)
    // 1 = file part selected for download.
    MODEL_ATOMIC(qint64, checkbox, setCheckbox, 0)
    MODEL_ATOMIC(bool, checkboxDisabled, setCheckboxDisabled, false)
    MODEL_ATOMIC(bool, ispar, setIspar, false)
    MODEL_ATOMIC(bool, ismainpar, setIsmainpar, false)
    MODEL_ATOMIC(bool, isSampleFile, setIsSampleFile, false)

    // ---- Server routing ----
    // For an upload job or a newsgroup-list request: the only server that
    // may serve it.
    MODEL_GUARDED(QString, serverID, setServerID)
    // Servers that must not serve this job.
    MODEL_GUARDED(QStringList, serversToSkip, setServersToSkip)
    // Backup servers allowed to serve every article of the job.
    MODEL_GUARDED(QStringList, fullDownloadBackupServers, setFullDownloadBackupServers)
    MODEL_GUARDED(QList<PartDownloadBackupServer>, partDownloadBackupServers, setPartDownloadBackupServers)
    // Server id -> articles found missing there.
    MODEL_GUARDED(MissingArticlesMap, missingArticlesOnServer, setMissingArticlesOnServer)

public:
    // Each appends unless the server is there already; tells whether it did.
    bool appendServerToSkip(const QString& serverID);
    bool appendFullDownloadBackupServer(const QString& serverID);
    void appendPartDownloadBackupServer(const PartDownloadBackupServer& entry);
    // The oldest entry, removed; nothing when the list is empty.
    std::optional<PartDownloadBackupServer> takeFirstPartDownloadBackupServer();
    // Counts one more missing article on a server; returns the new count.
    qint64 incrementMissingArticlesOnServer(const QString& serverID);

    // ---- Files and data ----
    MODEL_GUARDED(QString, nzbFile, setNzbFile)
    MODEL_GUARDED(QString, nzbExportUrl, setNzbExportUrl)
    // The job's folder.
    MODEL_GUARDED(QString, downloadUrl, setDownloadUrl)
    // The file to upload.
    MODEL_GUARDED(QString, fileUrl, setFileUrl)
    MODEL_GUARDED(QStringList, rawUrls, setRawUrls)
    MODEL_GUARDED(QString, textBody, setTextBody)
    MODEL_GUARDED(QString, references, setReferences)
    // Archives found for extraction.
    MODEL_GUARDED(QStringList, rarfiles, setRarfiles)
    MODEL_GUARDED(QStringList, zipfiles, setZipfiles)
    MODEL_GUARDED(QStringList, z7files, setZ7files)
    MODEL_GUARDED(QByteArray, decodedFileData, setDecodedFileData)
    MODEL_GUARDED(QString, md516k, setMd516k)
    MODEL_GUARDED(QString, md5, setMd5)
    MODEL_GUARDED(QString, setID, setSetID)
    // On a job its PAR2 recovery set, on a file part its entry in that set.
    MODEL_GUARDED(std::shared_ptr<RepairObject>, repairObject, setRepairObject)

    // ---- Display state (derived, read by the pages) ----
public:
    bool progressBarVisible() const { return progressBarVisible_.load(); }
    void setProgressBarVisible(bool value);
    MODEL_ATOMIC(bool, showTimeleft, setShowTimeleft, false)
    MODEL_ATOMIC(double, rowheight, setRowheight, 0.0)
    // The setting "enableRowHeightChanging" as it was when the item was made.
    MODEL_ATOMIC(bool, shouldChangeRowHeights, setShouldChangeRowHeights, false)
    MODEL_ATOMIC(bool, isBordered, setIsBordered, false)
    MODEL_GUARDED(QColor, colorStatsButton, setColorStatsButton)
    MODEL_GUARDED(QColor, colorRowFilesPanel, setColorRowFilesPanel)
    MODEL_GUARDED(QColor, colorProgressBarFilesPanel, setColorProgressBarFilesPanel)
    MODEL_GUARDED(QColor, colorRowDeepLookup, setColorRowDeepLookup)
    MODEL_GUARDED(QColor, colorProgressBarDeepLookup, setColorProgressBarDeepLookup)
    MODEL_GUARDED(QColor, colorProgressBar, setColorProgressBar)
    MODEL_GUARDED(QString, dpStatusTextField, setDpStatusTextField)
    MODEL_GUARDED(QString, dpGroupsTextField, setDpGroupsTextField)
    // The status comment line the scheduler writes.
    MODEL_GUARDED(QString, commentTextField, setCommentTextField)
    MODEL_GUARDED(QString, progressBarValueTextField, setProgressBarValueTextField)
    MODEL_GUARDED(QString, totalBytesTextField, setTotalBytesTextField)
    MODEL_GUARDED(QString, totalBytesLeftTextField, setTotalBytesLeftTextField)
    MODEL_GUARDED(QString, timeLeftTextField, setTimeLeftTextField)
    MODEL_GUARDED(QString, completenessTextField, setCompletenessTextField)
    MODEL_GUARDED(QString, filenameTextField, setFilenameTextField)
    // Why the last write of a part failed (the system's words), for the
    // job's comment; on a job, that of the part that stopped it.
    MODEL_GUARDED(QString, failureReason, setFailureReason)
    MODEL_GUARDED(QList<qint64>, showProgressBarArrayForRootQueue, setShowProgressBarArrayForRootQueue)
    MODEL_GUARDED(QList<qint64>, showProgressBarArrayForFilePart, setShowProgressBarArrayForFilePart)

private:
    struct Change
    {
        ObservedKey key;
        QVariant oldValue;
        QVariant newValue;
    };

    mutable QMutex lock_;
    std::atomic<bool> observersRunning_{false};

    QList<QueuePtr> fileparts_;
    QList<SegmentPtr> segments_;
    QueueObjectDelegate* delegate_ = nullptr;
    std::weak_ptr<const void> delegateToken_;

    QString newtitle_;
    QString filename_;
    std::atomic<qint64> status_{JobStatus::Idle};
    std::atomic<bool> isPaused_{false};
    std::atomic<bool> shouldPause_{false};
    std::atomic<bool> isMissing_{false};
    std::atomic<bool> isIncomplete_{false};
    std::atomic<bool> isPreviouslyDownloaded_{false};
    std::atomic<bool> isNew_{false};
    std::atomic<double> totalBytesLeft_{0.0};
    std::atomic<qint64> totalSegmentsLeftToDownload_{0};
    std::atomic<qint64> totalMissingArticles_{0};
    std::atomic<qint64> articlesFailedCheck_{0};
    std::atomic<qint64> timeleft_{0};
    std::atomic<qint64> percentDownloaded_{0};
    std::atomic<qint64> percentRepaired_{0};
    std::atomic<qint64> percentExtracted_{0};
    std::atomic<qint64> blocksRequired_{0};
    std::atomic<bool> isPriority_{false};
    std::atomic<bool> progressBarVisible_{false};

    void startUpWithObserversEnabled(bool enabled);

    // Stores `value` and reports the change; the store and the queueing of
    // the report happen under the item's lock, so reports of one item are
    // queued in the order its values were written.
    template <typename T> void assignObserved(ObservedKey key, std::atomic<T>& field, T value);
    void assignObservedText(ObservedKey key, QString& field, const QString& value);
    // Caller holds lock_.
    void reportLocked(ObservedKey key, QVariant oldValue, QVariant newValue);

    // Main thread: the reactions to a reported change.
    void handleChange(const Change& change);
    void statusChanged(qint64 oldValue, qint64 newValue);
    void queueStatusChanged(qint64 oldValue, qint64 newValue);
    void filePartStatusChanged(qint64 oldValue, qint64 newValue);
    void totalSegmentsLeftToDownloadChanged(qint64 left);
    void percentChanged(qint64 percent);
    void progressBarVisibleChanged(bool visible);
    void updateStatsButtonColor(qint64 status);
    void updateDPProgressBarColor(qint64 status);
    void updateDPRowColor(qint64 status);
    void updateDPStatusText(qint64 status);
    QueueObjectDelegate* liveDelegate() const;
};

Q_DECLARE_METATYPE(QueuePtr)
