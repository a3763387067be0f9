// Queueing of checked file parts, the file-part dispatcher, and pausing and
// resuming jobs.

#include "queue/QueueController.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"
#include "postprocess/RepairController.h"
#include "postprocess/RepairObject.h"
#include "queue/QCodeClass.h"
#include "queue/StatusCodes.h"

#include <QDir>
#include <QMutexLocker>

#include <algorithm>
#include <initializer_list>

namespace {

bool oneOf(qint64 value, std::initializer_list<qint64> codes)
{
    return std::find(codes.begin(), codes.end(), value) != codes.end();
}

QString textOf(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

bool boolSetting(const char* key)
{
    return UserDefaults::standard().boolForKey(QString::fromLatin1(key));
}

// A job on its way from AllFilesWritten to its end: repair,
// joining, extraction, name checks, clean-up, the move, or an end state.
// The write outcomes of its parts reach the main thread one after the other
// while the status of every part is already set, so the second outcome sees
// all parts written too; by then the first has moved the job past
// AllFilesWritten.
bool isPastItsDownload(qint64 status)
{
    return oneOf(status, {JobStatus::AllFilesWritten,
                          JobStatus::QueuedForRepair,
                          JobStatus::Repairing,
                          JobStatus::RepairFinished,
                          JobStatus::RepairNotPossible,
                          JobStatus::NotEnoughRepairBlocks,
                          JobStatus::PrepareJoiningFileParts,
                          JobStatus::ReadyToJoinFileParts,
                          JobStatus::JoiningFileParts,
                          JobStatus::JoiningFilePartsDone,
                          JobStatus::JoiningFilePartsError,
                          JobStatus::QueuedForExtraction,
                          JobStatus::Extracting,
                          JobStatus::ExtractionFinished,
                          JobStatus::ExtractingNotPossible,
                          JobStatus::CorruptFileOrWrongPassword,
                          JobStatus::WaitingForObfuscationCheck,
                          JobStatus::ObfuscationCheck,
                          JobStatus::ObfuscationCheckDone,
                          JobStatus::MovingFromTemp,
                          JobStatus::MovingFromTempDone,
                          JobStatus::CheckingForDeepExtraction,
                          JobStatus::ReadyForDeepExtraction,
                          JobStatus::DeepExtracting,
                          JobStatus::DeepExtractionDone,
                          JobStatus::DeepExtractionError,
                          JobStatus::ReversingFilenames,
                          JobStatus::CleaningUp,
                          JobStatus::MovingToFinalDestination,
                          JobStatus::Finished,
                          JobStatus::MoveFilesError,
                          JobStatus::NothingDownloaded});
}

// A part that is in the queue already (queued, downloading, or on its way
// to the disk): queueing it again would count its articles twice.
bool isInFlight(const QueuePtr& filepart)
{
    return oneOf(filepart->status(), {FilePartStatus::Queued, FilePartStatus::Downloading,
                                      FilePartStatus::Downloaded, FilePartStatus::WaitingForDiskWrite,
                                      FilePartStatus::Writing, FilePartStatus::WriteFinished});
}

// Downloaded, and on its way to the disk or being written: the writer
// reports WriteFinished only once the file's recovery blocks are counted.
bool isBeingWritten(const QueuePtr& filepart)
{
    return oneOf(filepart->status(),
                 {FilePartStatus::Downloaded, FilePartStatus::WaitingForDiskWrite, FilePartStatus::Writing});
}

bool hasPartBeingWritten(const QueuePtr& root)
{
    const QList<QueuePtr> parts = root->fileparts();
    return std::any_of(parts.begin(), parts.end(), [](const QueuePtr& p) { return isBeingWritten(p); });
}

} // namespace

// ---- Queueing a part ----

void QueueController::addDPFilepartToQueue(const QueuePtr& filepart)
{
    if (!filepart) return;
    const QueuePtr root = filepart->queue();
    if (!root) return;
    if (!filepart->delegate()) filepart->setDelegate(this);
    if (!root->delegate()) root->setDelegate(this);
    if (root->checkbox() == 0) root->setCheckbox(1);

    // The lists are being fetched: the part is picked up when they arrive.
    if (root->status() == JobStatus::DownloadingFilelist || root->status() == JobStatus::DownloadingSegments)
        return;
    // An NZB job's lists come from its file, never from the search service:
    // until its import has ended, the end of the import queues every ticked
    // part.
    if (root->isNZB() && !root->filelistReceived()) return;
    const bool wasQueued = isQueueObjectQueued(root) != nullptr;
    if (!wasQueued) addRootQueueObjectToQueueArray(root);

    if (!root->filelistReceived() && !root->segmentsReceived() &&
        root->status() != JobStatus::FilelistDownloaded) {
        root->setShouldDownloadSegments(true);
        root->setStatus(JobStatus::DownloadingFilelist);
        return;
    }
    if (!root->segmentsReceived() && root->status() != JobStatus::SegmentsDownloaded) {
        root->setShouldDownloadSegments(true);
        root->setStatus(JobStatus::DownloadingSegments);
        return;
    }
    // A job that comes in may bring its parts marked queued already; in a
    // queued job such a part is counted, and counting it again would keep
    // the job from ever reaching the end of its articles.
    if (filepart->checkbox() == 1 && !(wasQueued && isInFlight(filepart))) {
        filepart->setStatus(JobStatus::Idle);
        prepareDownloadingDPFilepart(filepart);
    }
}

void QueueController::prepareDownloadingDPFilepart(const QueuePtr& filepart)
{
    if (!filepart || filepart->checkbox() == 0 || filepart->status() != JobStatus::Idle) return;
    const QueuePtr root = filepart->queue();
    if (!root) return;
    {
        // The connections change the same counters while they book articles.
        QMutexLocker locker(&arrayLock_);
        filepart->setIsCancelled(false);
        filepart->setIsDecodedAlready(false);
        filepart->setIsDownloaded(false);
        filepart->setIsPreviouslyDownloaded(false);
        filepart->setIsMissing(false);
        filepart->setIsIncomplete(false);

        const qint64 count = filepart->segmentCount();
        filepart->setTotalSegments(count);
        filepart->setTotalSegmentsLeftToDownload(count);
        filepart->setTotalBytesLeft(filepart->bytes());
        root->setServersToSkip({});

        root->addToTotalSegments(count);
        root->increaseTotalSegmentsLeftToDownload(count);
        root->increaseTotalBytesLeft(filepart->bytes());

        if (isPriorityCandidate(filepart)) addFilePartToPriorityQueue(filepart);
    }
    filepart->setStatus(FilePartStatus::Queued);
    if (root->status() != JobStatus::QueuedForDownload) root->setStatus(JobStatus::QueuedForDownload);
}

void QueueController::qStatusToQueued(const QueuePtr& root)
{
    root->setRestorePoint(RestorePoint::Queued);
    root->setIsCancelled(false);
    root->setIsDownloaded(false);
    root->setIsIncomplete(false);
    root->setTotalBytesTextField(Utils::formatBytes(root->bytes()));
    commentWithStatusText(root);

    if (root->isNZB() && !root->hasRepairFiles() && boolSetting("enableCheckForRepairFiles")) {
        root->setStatus(JobStatus::NoRepairFiles);
        root->setIsPaused(true);
        root->setRestorePoint(RestorePoint::Error);
        return;
    }
    if (root->isNewsgroupsRequest()) {
        startRefreshingNewsgroupsListing(root);
        return;
    }
    startDownloading();
    wakeBackupServersOf(root);
}

void QueueController::wakeBackupServersOf(const QueuePtr& root)
{
    // Connecting every download server reaches the normal ones only, and a
    // backup server is asked only when an article is routed to it. Work
    // routed to one before the job stopped (a job paused as incomplete, or
    // after a network error) would wait for it for ever once resumed: the
    // servers that tried those articles never get them again.
    QStringList ids = root->fullDownloadBackupServers();
    for (const PartDownloadBackupServer& entry : root->partDownloadBackupServers()) {
        if (!ids.contains(entry.serverID)) ids.append(entry.serverID);
    }
    if (!neighbours_.connectServerID) return;
    for (const QString& id : std::as_const(ids))
        neighbours_.connectServerID(id);
}

// ---- Resets used by cancellation ----

void QueueController::resetValuesForDPFilepart(const QueuePtr& filepart)
{
    if (!filepart) return;
    QMutexLocker locker(&arrayLock_);
    if (const QueuePtr root = filepart->queue()) {
        root->addToTotalSegments(-filepart->totalSegments());
        root->decreaseTotalSegmentsLeftToDownload(filepart->totalSegmentsLeftToDownload());
        root->decreaseTotalBytesLeft(filepart->totalBytesLeft());
    }
    filepart->setTotalBytesLeft(0.0);
    filepart->setTotalSegmentsLeftToDownload(0);
}

void QueueController::clearDPFilepart(const QueuePtr& filepart)
{
    if (!filepart) return;
    QMutexLocker locker(&arrayLock_);
    filepart->setIsPaused(false);
    filepart->setIsCancelled(false);
    filepart->setIsDownloaded(false);
    const QList<SegmentPtr> segments = filepart->segments();
    if (segments.isEmpty()) return;
    filepart->setIsDecodedAlready(false);
    filepart->setDecodedFileData({});
    filepart->setIsFilenameControlled(false);
    for (const SegmentPtr& segment : segments) {
        segment->setStatus(ArticleStatus::Queued);
        segment->setSpooled(false);
        segment->removeAllUsedServerIDs();
    }
    // What was spooled of it goes with its articles.
    fileWriteController_.discardSpool(filepart);
}

void QueueController::resetDPRootQueue(const QueuePtr& root)
{
    if (!root) return;
    QMutexLocker locker(&arrayLock_);
    root->setServersToSkip({});
    root->setMissingArticlesOnServer({});
    root->setFullDownloadBackupServers({});
    root->setPartDownloadBackupServers({});
    root->setTotalMissingArticles(0);
    root->setDidExtractFiles(false);
    root->setRepairAfterJoin(false);
    root->setTitleWillChange(false);
    root->setDiskNotReady(false);
    root->setCanExtract(false);
    root->setCanRepair(false);
    root->setIsMissing(false);
    root->setIsRepaired(false);
    root->setIsPaused(false);
    root->setRepairObject(nullptr);
    root->setProgressBarValue(0);
    root->setTotalSegments(0);
    for (const QueuePtr& part : root->fileparts()) {
        part->setIsRepaired(false);
        const QString name = part->filename();
        part->setIspar(FileUtils::checkIfPar2File(name));
        if (part->ispar()) part->setRepairblocks(FileUtils::getRepairBlocks(name));
        if (FileUtils::checkIfSampleFile(part->title())) part->setIsSampleFile(true);
        if (part->repairblocks() > 0) root->setHasRepairFiles(true);
    }
}

// ---- The file-part dispatcher ----

void QueueController::statusChangedForFilepart(const QueuePtr& filepart, qint64, qint64 toValue)
{
    if (!filepart) return;
    BLOG(2, "%@ _%ld_ (%@)", filepart->filename(), toValue, textOf(toValue));
    switch (toValue) {
    case FilePartStatus::Downloading:
        fStatusToDownloading(filepart);
        break;
    case FilePartStatus::Downloaded:
        fStatusToDownloaded(filepart);
        break;
    case FilePartStatus::Finished:
        fStatusToFinished(filepart);
        break;
    case FilePartStatus::WriteFinished:
        fStatusToWriteFinished(filepart);
        break;
    case FilePartStatus::WriteFailed:
        filePartWriteError(filepart);
        break;
    case FilePartStatus::WaitingForDiskWrite:
        fStatusToWaitingToSave(filepart);
        break;
    case FilePartStatus::DecodeError:
        filePartDecodeError(filepart);
        break;
    case FilePartStatus::Queued:
        fStatusToQueued(filepart);
        break;
    case FilePartStatus::Cancelled:
        fStatusToCancelled(filepart);
        break;
    case FilePartStatus::QueuedForUpload:
        fStatusToUpQueued(filepart);
        break;
    case FilePartStatus::Uploading:
        fStatusToUploading(filepart);
        break;
    case FilePartStatus::Uploaded:
        fStatusToUploaded(filepart);
        break;
    default:
        break;
    }
    // A cancellation that arrived while a handler (or the writer) held the
    // part is carried out now.
    if (filepart->isCancelled() && filepart->status() != FilePartStatus::Cancelled)
        cancelDPFilepart(filepart);
    Q_EMIT queueItemChanged();
}

bool QueueController::isCancelledPart(const QueuePtr& filepart)
{
    if (filepart->isCancelled()) return true;
    const QueuePtr root = filepart->queue();
    return root && root->isCancelled();
}

void QueueController::fStatusToDownloading(const QueuePtr&)
{}

void QueueController::fStatusToQueued(const QueuePtr&)
{}

void QueueController::fStatusToUpQueued(const QueuePtr&)
{}

void QueueController::fStatusToDownloaded(const QueuePtr& filepart)
{
    const QueuePtr root = filepart->queue();
    // A newsgroup list is read, not written.
    filepart->setStatus(root && root->isNewsgroupsRequest() ? FilePartStatus::WriteFinished
                                                            : FilePartStatus::WaitingForDiskWrite);
}

void QueueController::fStatusToWaitingToSave(const QueuePtr& filepart)
{
    if (!writesPending_.contains(filepart.get())) {
        writesPending_.insert(filepart.get(), filepart);
        filesInWriteQueue_.store(writesPending_.size());
    }
    if (neighbours_.addFileToQueue) neighbours_.addFileToQueue(filepart);
}

void QueueController::countWriteOutcome(const QueuePtr& filepart)
{
    if (writesPending_.remove(filepart.get())) filesInWriteQueue_.store(writesPending_.size());
}

void QueueController::fStatusToWriteFinished(const QueuePtr& filepart)
{
    countWriteOutcome(filepart);
    // A cancelled part was not written: it is not finished either.
    if (isCancelledPart(filepart)) return;
    filepart->setDecodedFileData({});
    resetFilepartObject(filepart);

    const QueuePtr root = filepart->queue();
    const RepairObjectPtr set = root ? root->repairObject() : nullptr;
    RepairController* repair = repairController_;
    if (set && set->needsCRC32Check() && repair) {
        inBackground(
            [repair = QPointer<RepairController>(repair), set] {
                if (repair) repair->crc32CheckFodsInRepairParent(set, false);
            },
            [filepart] { filepart->setStatus(FilePartStatus::Finished); });
        return;
    }
    filepart->setStatus(FilePartStatus::Finished);
}

void QueueController::filePartWriteError(const QueuePtr& filepart)
{
    countWriteOutcome(filepart);
    const QString reason = filepart->failureReason();
    const QString name = filepart->filename();
    const QString because = reason.isEmpty() ? name : sformat(u"%@: %@", name, reason);
    if (const QueuePtr root = filepart->queue()) {
        root->setDiskNotReady(true);
        root->setFailureReason(reason.isEmpty() ? QString() : because);
        // Before the code, which has no text: the comment is its reason.
        setCommentTextField(root, sformat(u"Could not write %@", because));
        root->setStatus(JobStatus::FilePartFailed);
        root->setIsPaused(true);
    }
    if (reason.isEmpty())
        BLOG(3, "Error writing file: %@", name);
    else
        BLOG(3, "Error writing file: %@ (%@)", name, reason);
}

void QueueController::filePartDecodeError(const QueuePtr& filepart)
{
    countWriteOutcome(filepart);
    if (const QueuePtr root = filepart->queue()) {
        setCommentTextField(root, textOf(filepart->status()));
        root->setStatus(JobStatus::FilePartFailed);
    }
    BLOG(3, "Decode error for: %@", filepart->filename());
    resetFilepartObject(filepart);
}

void QueueController::fStatusToUploading(const QueuePtr& filepart)
{
    const QString line = sformat(u"Uploading: %@", filepart->filename());
    if (const QueuePtr root = filepart->queue()) setCommentTextField(root, line);
    BLOG(1, "%@", line);
}

void QueueController::fStatusToUploaded(const QueuePtr& filepart)
{
    filepart->setCheckboxDisabled(true);
}

QueuePtr QueueController::jobOwningRepairSetOf(const QueuePtr& filepart)
{
    RepairObjectPtr set;
    if (const RepairObjectPtr entry = filepart->repairObject()) set = entry->parent();
    const QueuePtr root = filepart->queue();
    if (!set && root) set = root->repairObject();
    if (!set) return nullptr;
    const QueuePtr main = set->filepart();
    return main ? main->queue() : nullptr;
}

void QueueController::fStatusToFinished(const QueuePtr& filepart)
{
    const QueuePtr root = filepart->queue();
    // A cancelled part leaves no history record and moves no job on.
    if (!root || isCancelledPart(filepart)) return;

    if (neighbours_.addRowObject) neighbours_.addRowObject(filepart);

    if (filepart->isPriority()) {
        removeFilePartFromPriorityQueue(filepart);
        // Only a downloading job is queued again: a job stopped for missing
        // articles or a failed write keeps its stop code (and its reason).
        if (!checkIfAllFilepartsAreDownloadedFor(root))
            root->replaceStatus(JobStatus::Downloading, JobStatus::QueuedForDownload);
    }

    if (root->isNewsgroupsRequest()) {
        newsgroupsRequestFinished(filepart);
        return;
    }
    if (root->isReplyPost()) {
        replyObjectFinished(filepart);
        return;
    }

    bool completedHere = false;
    if (checkIfAllFilepartsAreWrittenFor(root)) {
        qint64 next = JobStatus::PartialFinished;
        if (checkIfAllFilepartsAreDownloadedFor(root))
            next = JobStatus::AllFilesWritten;
        else if (root->hasRepairFiles() && root->repairObject() && !root->canRepair() && !root->canExtract())
            next = JobStatus::NeedsMoreRepairBlocks;
        // Two writes reported before either was handled complete the job
        // once: its steps must not run twice, also when the first has moved
        // it on already (two moves into the final folder lost files).
        if (root->status() != next &&
            !(next == JobStatus::AllFilesWritten && isPastItsDownload(root->status()))) {
            root->setStatus(next);
            completedHere = next == JobStatus::AllFilesWritten;
            if (root->hasEmbeddedNZB()) processEmbeddedNZB(root);
        }
    }

    // The set's job may be repairable now. A job that was just completed
    // (AllFilesWritten) takes that step from its own handler, so that one step follows
    // the other instead of both running; and a job that is past its
    // download is not sent back.
    const QueuePtr owner = jobOwningRepairSetOf(filepart);
    // Nor is it moved on while a part of it is still being written: the
    // flags of its set may already be set from that part's blocks, but its
    // own report, which completes the job (AllFilesWritten), is still to come.
    // A damaged file that no check can prove intact stops the job once it is
    // complete (AllFilesWritten), never later than that.
    const bool ownerMayStep =
        owner && !(completedHere && owner == root) &&
        oneOf(owner->status(), {JobStatus::Downloading, JobStatus::SavingToDisk, JobStatus::PartialFinished,
                                JobStatus::QueuedForDownload, JobStatus::NeedsMoreRepairBlocks}) &&
        !hasPartBeingWritten(owner) && !hasUnprovableDamage(owner);
    if (ownerMayStep && owner->canRepair())
        owner->setStatus(JobStatus::QueuedForRepair);
    else if (ownerMayStep && owner->canExtract())
        owner->setStatus(JobStatus::PrepareJoiningFileParts);
    else if (filepart->execute())
        execute(filepart);
    filepart->setExecute(false);
}

// ---- Checks ----

bool QueueController::checkIfAllFilepartsAreDownloadedFor(const QueuePtr& root) const
{
    const bool ignoreSamples = boolSetting("ignoreSampleFiles");
    for (const QueuePtr& part : root->fileparts()) {
        if (part->isDownloaded()) continue;
        if (part->ispar()) continue;
        if (part->isSampleFile() && ignoreSamples) continue;
        return false;
    }
    return true;
}

bool QueueController::checkIfAllFilepartsAreWrittenFor(const QueuePtr& root) const
{
    for (const QueuePtr& part : root->fileparts()) {
        if (part->checkbox() != 1) continue;
        if (!part->isDownloaded()) return false;
        // The writer marks a part downloaded as soon as its file is on disk,
        // then counts the file's recovery blocks, and reports the write only
        // after that: a job completed before the report would judge its set
        // by a count that misses this file (more blocks fetched for nothing,
        // or the steps started on a file still being written).
        if (isBeingWritten(part)) return false;
    }
    return true;
}

bool QueueController::checkIfFilesWereWritten(const QueuePtr& root) const
{
    bool found = false;
    const QDir folder(root->downloadUrl());
    for (const QueuePtr& part : root->fileparts()) {
        if (!part->isDownloaded()) continue;
        const QString path = folder.filePath(part->filename());
        if (FileUtils::doesFileExists(path))
            found = true;
        else
            BLOG(4, "Downloaded file not found on disk :: %@", path);
    }
    return found;
}

bool QueueController::hasUnprovableDamage(const QueuePtr& root)
{
    const RepairObjectPtr set = root->repairObject();
    // Without a set of its own a job cannot check any of its files; with one,
    // each member's slices are checked (and repaired) by the set.
    if (!set || set->qid() != root->qid())
        return root->totalMissingArticles() > 0 || root->articlesFailedCheck() > 0;
    for (const QueuePtr& part : root->fileparts()) {
        if (part->ispar() || !part->isDownloaded()) continue;
        if (part->totalMissingArticles() <= 0 && part->articlesFailedCheck() <= 0) continue;
        const RepairObjectPtr member = part->repairObject();
        if (!member || member->parent() != set) return true;
    }
    return false;
}

bool QueueController::checkIfNZBOnlyContainsSampleFiles(const QueuePtr& root) const
{
    for (const QueuePtr& part : root->fileparts()) {
        if (!part->isSampleFile() && !part->ispar()) return false;
    }
    return true;
}

// ---- Free space, pause and resume ----

void QueueController::outOfDiskSpace(bool outOfSpace)
{
    QMutexLocker locker(&arrayLock_);
    if (!outOfSpace) {
        if (!noDiskSpace_.exchange(false)) return;
        const QList<std::weak_ptr<Queue>> paused = std::exchange(pausedForDiskSpace_, {});
        locker.unlock();
        resumeJobsPausedForDiskSpace(paused);
        return;
    }
    if (noDiskSpace_.exchange(true)) return;
    for (const QueuePtr& root : queueArray_) {
        // A job the user had paused stays paused when space is back.
        if (!root->isPaused() && !root->shouldPause()) pausedForDiskSpace_.append(root);
        root->setShouldPause(true);
    }
}

void QueueController::resumeJobsPausedForDiskSpace(const QList<std::weak_ptr<Queue>>& jobs)
{
    QSet<const Queue*> seen;
    for (const std::weak_ptr<Queue>& weak : jobs) {
        const QueuePtr root = weak.lock();
        if (!root || seen.contains(root.get()) || !queueArray().contains(root)) continue;
        seen.insert(root.get());
        if (root->isPaused()) {
            // Stopped for another reason meanwhile (a password, a write that
            // failed): that stop asks the user.
            if (root->pwdDectected() || root->diskNotReady()) continue;
            resumeQueueObject(root);
        } else {
            // It never reached a step where it would stop: it goes on where
            // it is.
            root->setShouldPause(false);
        }
    }
}

void QueueController::pauseQueueObject(const QueuePtr& root)
{
    if (!root ||
        oneOf(root->status(), {JobStatus::RepairNotPossible, JobStatus::ExtractingNotPossible,
                               JobStatus::Finished, JobStatus::NotEnoughRepairBlocks, JobStatus::CleaningUp,
                               UploadStatus::Finished, UploadStatus::CleaningUp}))
        return;
    {
        // Paused by the user: it waits for the user, also once space is back.
        QMutexLocker locker(&arrayLock_);
        pausedForDiskSpace_.removeIf([&root](const std::weak_ptr<Queue>& q) { return q.lock() == root; });
    }
    root->setShouldPause(true);
}

void QueueController::shouldPauseChangedForQueueObject(const QueuePtr& root)
{
    // Elsewhere the job pauses at its next step.
    if (root->shouldPause() &&
        oneOf(root->status(), {JobStatus::Downloading, JobStatus::Repairing, JobStatus::Extracting,
                               JobStatus::NeedsMoreRepairBlocks, JobStatus::ObfuscationCheck,
                               JobStatus::QueuedForDownload, UploadStatus::Queued, UploadStatus::Uploading,
                               UploadStatus::CreatingRar, UploadStatus::CreatingPar2}))
        root->setIsPaused(true);
}

void QueueController::resumeQueueObject(const QueuePtr& root)
{
    if (!root || noDiskSpace_.load()) return;
    root->setDiskNotReady(false);
    root->setFailureReason(QString());
    root->setPwdDectected(false);
    if (root->isPaused() || root->shouldPause()) root->setIsPaused(false);
}

void QueueController::pauseChangedForQueueObject(const QueuePtr& root)
{
    Q_EMIT queueItemChanged();
    if (root->isPaused()) {
        if (root->diskNotReady()) {
            const QString reason = root->failureReason();
            const QString text = QStringLiteral("Disk not accessable or no disk space left. Click resume to continue.");
            setCommentTextField(root, reason.isEmpty() ? text : sformat(u"%@ (%@)", text, reason));
            root->setDpStatusTextField(QStringLiteral("Disk not ready"));
        } else if (root->pwdDectected()) {
            setCommentTextField(root, QStringLiteral("Archive is password protected."));
            root->setDpStatusTextField(QStringLiteral("Password protected"));
        } else if (noDiskSpace_.load()) {
            setCommentTextField(
                root, QStringLiteral("You are almost out of disk space. Click resume to continue."));
            root->setDpStatusTextField(QStringLiteral("Out of diskspace"));
        } else {
            commentWithStatusText(root);
        }
        return;
    }
    if (noDiskSpace_.load()) return;
    root->setShouldPause(false);
    resumeAtStatus(root);
}

// The status a resumed job returns to. The reasons a job stopped are kept
// in flags (missing articles, parts that failed to write), so a stop code
// that was overwritten meanwhile still resumes the right way.
void QueueController::resumeAtStatus(const QueuePtr& root)
{
    const qint64 status = root->status();
    QList<QueuePtr> unwritten;
    for (const QueuePtr& part : root->fileparts()) {
        if (part->status() == FilePartStatus::WriteFailed) unwritten.append(part);
    }
    if (status == JobStatus::PausedPossiblyIncomplete ||
        (root->isMissing() && oneOf(status, {JobStatus::Downloading, JobStatus::QueuedForDownload}))) {
        root->setForceDownload(true);
        root->setIsMissing(false);
        root->setStatus(JobStatus::QueuedForDownload);
    } else if (status == JobStatus::NoRepairFiles) {
        root->setHasRepairFiles(true);
        root->setStatus(JobStatus::QueuedForDownload);
    } else if (oneOf(status, {JobStatus::Downloading, JobStatus::NoNewsServersConfigured,
                              JobStatus::NewsServerUnreachable, JobStatus::FilePartFailed,
                              JobStatus::NewsServerAuthError, JobStatus::QueuedForDownload})) {
        root->setStatus(JobStatus::QueuedForDownload);
    } else if (status == JobStatus::Repairing) {
        root->setStatus(JobStatus::QueuedForRepair);
    } else if (status == JobStatus::Extracting) {
        root->setStatus(JobStatus::RepairFinished);
    } else if (status == UploadStatus::Queued || status == UploadStatus::Uploading) {
        root->setStatus(UploadStatus::Queued);
    } else if (status == UploadStatus::CreatingRar) {
        root->setStatus(UploadStatus::ReadyToCreateRar);
    } else if (status == UploadStatus::CreatingPar2) {
        root->setStatus(UploadStatus::ReadyToCreatePar2);
    } else {
        // Its handler runs once more and repeats the step that was held.
        root->setStatus(status);
    }
    for (const QueuePtr& part : unwritten)
        part->setStatus(FilePartStatus::WaitingForDiskWrite);
}

void QueueController::changeProgressBarColor(const QString& key, const QueuePtr& queue)
{
    const QString dictionary = QStringLiteral("ProgressBarColorProperties");
    if (!queue || !UserDefaults::standard().dictionaryForKey(dictionary).contains(key)) return;
    const QColor color = UserDefaults::standard().colorForKey(dictionary, key);
    if (color.isValid()) queue->setColorProgressBar(color);
}

void QueueController::applicationWillTerminate()
{
    isTerminated_.store(true);
}
