// The job state machine: the root dispatcher and the handler of each code,
// from the end of the NZB import through download, joining, repair,
// extraction, name correction, clean-up and the move to the final folder.
//
// Every handler runs on the main thread (a job forwards each status change
// there before it tells its delegate), one at a time and in the order of the
// changes; a handler reads the job as it is now, not as it was at the change.
// Slow file work runs on the global pool and sets the next code from the
// main thread.

#include "queue/QueueController.h"

#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/CleanupItemsController.h"
#include "postprocess/JobTempFolder.h"
#include "postprocess/RepairController.h"
#include "postprocess/RepairObject.h"
#include "queue/NZBController.h"
#include "queue/QCodeClass.h"
#include "queue/QueueFileUtils.h"
#include "queue/StatusCodes.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QRegularExpression>

namespace {

// A finished job says that its files were repaired, and how many of its
// articles were kept although they failed their CRC check (no server had a
// good copy), so that a job without a PAR2 set does not pass for intact.
QString finishedText(const QueuePtr& queue, const QString& text)
{
    const QString statusText = queue->isRepaired() ? sformat(u"%@ (repaired)", text) : text;
    const qint64 failed = queue->articlesFailedCheck();
    if (failed <= 0) return statusText;
    BLOG(1, "%ld articles of %@ failed their CRC check on every server and were kept as received.",
         long(failed), queue->title());
    return sformat(u"%@ (%ld articles failed their CRC check)", statusText, long(failed));
}

QString textOf(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

// What a job's comment says in a code that has no text of its own, until the
// step that set the code gives a reason of its own.
QString reasonForCodeWithoutText(qint64 code)
{
    switch (code) {
    case JobStatus::NeedsMoreRepairBlocks: return QStringLiteral("Fetching more repair blocks");
    case JobStatus::NZBParsed: return QStringLiteral("NZB read, waiting to be queued");
    case JobStatus::FilePartFailed:
        return QStringLiteral("A file could not be written or decoded. Click resume to try again.");
    default: return QString();
    }
}

// What a paused job's comment starts with.
const QString& pausedMark()
{
    static const QString mark = QStringLiteral("(Paused) ");
    return mark;
}

// The reason a job's comment gives, without the pause mark in front of it.
QString commentReason(const QueuePtr& queue)
{
    QString comment = queue->commentTextField();
    while (comment.startsWith(pausedMark()))
        comment.remove(0, pausedMark().size());
    return comment;
}

bool boolSetting(const char* key)
{
    return UserDefaults::standard().boolForKey(QString::fromLatin1(key));
}

} // namespace

// Every code a root job can hold, its handler, and the codes that follow it.
// "runner" is the post-processing runner, woken with rescan; "resume" is the
// user's resume (see resumeAtStatus); codes not listed are only logged.
//
//   ParsingNZB -> NZBParsed -> QueuedForDownload -> Downloading -> SavingToDisk
//     -> (parts written) AllFilesWritten
//   AllFilesWritten
//     -> [PrepareJoiningFileParts -> ReadyToJoinFileParts -> JoiningFileParts
//         -> JoiningFilePartsDone -> AllFilesWritten when pieces are joined before repair]
//     -> QueuedForRepair -> Repairing -> RepairFinished
//        (or NeedsMoreRepairBlocks -> held volumes -> QueuedForDownload ... AllFilesWritten
//         -> QueuedForRepair)
//     -> PrepareJoiningFileParts -> ReadyToJoinFileParts | JoiningFilePartsDone
//     -> QueuedForExtraction -> Extracting -> ExtractionFinished
//     -> WaitingForObfuscationCheck -> ObfuscationCheck -> ObfuscationCheckDone
//     -> MovingFromTemp -> MovingFromTempDone -> CheckingForDeepExtraction
//     -> (ReadyForDeepExtraction -> DeepExtracting -> DeepExtractionDone
//         -> WaitingForObfuscationCheck ... once per nested level)
//     -> ReversingFilenames -> CleaningUp -> MovingToFinalDestination -> Finished
const QList<QueueController::JobState>& QueueController::jobStateTable()
{
    using Q = QueueController;
    static const QList<JobState> table = {
        {JobStatus::Downloading, &Q::queueStatusToDownloading,
         "SavingToDisk (set by the job when no article is left)"},
        {JobStatus::SavingToDisk, &Q::queueStatusToDownloaded,
         "Cancelled when cancelled; else the parts being written lead to AllFilesWritten, PartialFinished or "
         "NeedsMoreRepairBlocks"},
        {JobStatus::RepairNotPossible, &Q::queueRepairError, "end"},
        {JobStatus::ExtractingNotPossible, &Q::queueExtractError,
         "end; QueuedForExtraction once a password is given"},
        {JobStatus::Finished, &Q::queueIsFinished, "end"},
        {JobStatus::QueuedForRepair, &Q::queueReadyToRepair,
         "runner: Repairing, then RepairFinished, NeedsMoreRepairBlocks or RepairNotPossible; "
         "PrepareJoiningFileParts with repair off"},
        {JobStatus::QueuedForExtraction, &Q::queueReadyToExtract,
         "runner: Extracting, then QueuedForExtraction while archives remain, ExtractionFinished, "
         "ExtractingNotPossible or CorruptFileOrWrongPassword; ObfuscationCheckDone with extraction off"},
        {JobStatus::PartialFinished, &Q::queuePartialDownloadFinished, "end"},
        {JobStatus::AllFilesWritten, &Q::queueFullDownloadFinished,
         "NothingDownloaded, QueuedForDownload, PrepareJoiningFileParts, Finished, JoiningFilePartsDone, "
         "QueuedForRepair, NeedsMoreRepairBlocks, or none (the parts side sets QueuedForRepair or "
         "PrepareJoiningFileParts)"},
        {JobStatus::RepairFinished, &Q::queueRepairFinished, "PrepareJoiningFileParts"},
        {JobStatus::ExtractionFinished, &Q::queueExtractFinished, "WaitingForObfuscationCheck"},
        {JobStatus::NeedsMoreRepairBlocks, &Q::queueNeedMoreBlocks,
         "held volumes queued (QueuedForDownload ... AllFilesWritten), PrepareJoiningFileParts with repair "
         "off, or NotEnoughRepairBlocks"},
        {JobStatus::PausedPossiblyIncomplete, &Q::queueIsIncomplete,
         "resume: QueuedForDownload with forceDownload"},
        {JobStatus::WaitingForObfuscationCheck, &Q::queueReadyForObfuscationCheck,
         "ObfuscationCheck then ObfuscationCheckDone from the name correction, or ObfuscationCheckDone"},
        {JobStatus::ObfuscationCheckDone, &Q::queueObfuscationCheckDone, "MovingFromTemp"},
        {JobStatus::NZBParsed, &Q::queueNZBParsingFinished,
         "QueuedForDownload (queued), or removed when the NZB has no files"},
        {JobStatus::CorruptFileOrWrongPassword, &Q::queueIncorrectPwd,
         "QueuedForExtraction once a password is given"},
        {JobStatus::MovingToFinalDestination, &Q::queueReadyToMoveFilesAfterDownload,
         "Finished or MoveFilesError"},
        {JobStatus::ReversingFilenames, &Q::queueReadyToReverseFiles, "CleaningUp"},
        {JobStatus::NoNewsServersConfigured, &Q::queueIsNoNewsserversConfigured, "resume: QueuedForDownload"},
        {JobStatus::NewsServerUnreachable, &Q::queueIsNetworkError, "resume: QueuedForDownload"},
        {JobStatus::NotEnoughRepairBlocks, &Q::queueRepairNotPossible, "end"},
        {JobStatus::ReadyToJoinFileParts, &Q::queueReadyToJoinFileParts,
         "runner: JoiningFileParts, then JoiningFilePartsDone or JoiningFilePartsError"},
        {JobStatus::JoiningFileParts, &Q::queueJoiningFiles,
         "runner: JoiningFilePartsDone or JoiningFilePartsError"},
        {JobStatus::JoiningFilePartsDone, &Q::queueJoiningFinished,
         "AllFilesWritten (repair after the join), QueuedForExtraction or ObfuscationCheckDone"},
        {JobStatus::JoiningFilePartsError, &Q::queueJoiningError, "end"},
        {JobStatus::PrepareJoiningFileParts, &Q::queuePrepareJoiningFileParts,
         "ReadyToJoinFileParts or JoiningFilePartsDone"},
        {JobStatus::NewsServerAuthError, &Q::queueIsNNTPAuthError, "resume: QueuedForDownload"},
        {JobStatus::CleaningUp, &Q::queueReadyToCleanUP,
         "MovingToFinalDestination, or stays while an embedded NZB is imported"},
        {JobStatus::CheckingForDeepExtraction, &Q::queueCheckForSubExtraction,
         "ReadyForDeepExtraction or ReversingFilenames"},
        {JobStatus::ReadyForDeepExtraction, &Q::queueReadyForSubExtraction,
         "runner: DeepExtracting, then ReadyForDeepExtraction while archives remain, DeepExtractionDone or "
         "DeepExtractionError; ReversingFilenames with extraction off"},
        {JobStatus::DeepExtractionDone, &Q::queueSubExtractionFinished, "WaitingForObfuscationCheck"},
        {JobStatus::DeepExtractionError, &Q::queueSubExtractingError, "ReversingFilenames"},
        {JobStatus::MovingFromTemp, &Q::queueReadyToMoveFromTemp, "MovingFromTempDone"},
        {JobStatus::MovingFromTempDone, &Q::queueMovingFromTempDone, "CheckingForDeepExtraction"},
        {JobStatus::NothingDownloaded, &Q::queueNoFilesFoundFor, "end"},
        {JobStatus::MoveFilesError, &Q::queueMoveError, "end"},
        {JobStatus::ParsingNZB, &Q::queueProcessingNZB, "NZBParsed or NZBParseError from the import"},
        {JobStatus::Cancelled, &Q::queueCancelled, "Idle, removed from the queue"},
        {JobStatus::QueuedForDownload, &Q::qStatusToQueued,
         "Downloading when the first article is handed out; NoRepairFiles (paused) without repair files"},
        // Search-service jobs completed from the service.
        {JobStatus::DownloadingFilelist, &Q::queueRootStatusToDownloadFilelist,
         "FilelistDownloaded with the file list, Idle on an error"},
        {JobStatus::FilelistDownloaded, &Q::queueRootStatusToDownloadFilelistFinished,
         "DownloadingSegments when its articles are wanted, else Idle"},
        {JobStatus::DownloadingSegments, &Q::queueRootStatusToDownloadSegments,
         "SegmentsDownloaded once every part has its articles; SegmentsDownloadError on an error"},
        {JobStatus::SegmentsDownloaded, &Q::queueRootStatusToDownloadSegmentsFinished,
         "Idle, then the checked parts are queued (QueuedForDownload)"},
        {JobStatus::SegmentsDownloadError, &Q::queueRootStatusToDownloadSegmentsError, "Idle"},
        // Uploads.
        {UploadStatus::AddingToQueue, &Q::queueAddUploadToQueue, "FinalizingForUpload"},
        {UploadStatus::Queued, &Q::queueUpQueued, "Uploading when the first article is handed out"},
        {UploadStatus::FinalizingForUpload, &Q::queueUpPrepareForUploading,
         "Queued, or UploadError when there is nothing to post"},
        {UploadStatus::Uploading, &Q::queueUploading, "Uploaded (set by the job when no article is left)"},
        {UploadStatus::Uploaded, &Q::queueUploaded, "CreatingNZB with an NZB file to write, else CleaningUp"},
        {UploadStatus::Finished, &Q::queueUpFinished, "end"},
        {UploadStatus::CleaningUp, &Q::queueUpCleanUP, "Finished"},
        {UploadStatus::NoServersAvailable, &Q::queueUpNoServersAvailable, "end"},
        {UploadStatus::CreatingNZB, &Q::queueUpMakeNZB,
         "NZBCreated or NZBCreationError from the NZB creator"},
        {UploadStatus::NZBCreated, &Q::queueUpMakeNZBFinished,
         "ReadyToUploadNZB when the NZB file is posted too, else CleaningUp"},
        {UploadStatus::NZBCreationError, &Q::queueUpMakeNZBError, "end"},
        {UploadStatus::ReadyToUploadNZB, &Q::queueUploadNZB, "FinalizingForUpload"},
        {UploadStatus::UploadError, &Q::queueUpError, "end"},
        {UploadStatus::PostingDenied, &Q::queueUpPostingDenied, "end"},
    };
    return table;
}

void QueueController::statusChangedForQueueObject(const QueuePtr& queue, qint64, qint64 toValue)
{
    if (!queue) return;
    const QString text = textOf(toValue);
    if (!text.isEmpty()) BLOG(2, "%@ %ld (%@)", queue->title(), queue->status(), text);
    static const QHash<qint64, JobHandler> handlers = [] {
        QHash<qint64, JobHandler> byCode;
        for (const JobState& state : jobStateTable())
            byCode.insert(state.code, state.handler);
        return byCode;
    }();
    if (const JobHandler handler = handlers.value(toValue, nullptr)) (this->*handler)(queue);
    // A code without a text is logged with the reason the job's comment
    // gives, which its handler (or the step that set it) has written.
    if (text.isEmpty()) {
        const QString reason = commentReason(queue);
        BLOG(2, "%@ %ld (%@)", queue->title(), toValue, reason.isEmpty() ? reasonForCodeWithoutText(toValue) : reason);
    }
    Q_EMIT jobStatusChanged(toValue);
}

// ---- Helpers ----

void QueueController::setCommentTextField(const QueuePtr& queue, const QString& text)
{
    queue->setCommentTextField(
        sformat(u"%@%@", queue->isPaused() ? pausedMark() : QString(), text));
}

void QueueController::commentWithStatusText(const QueuePtr& queue)
{
    const qint64 status = queue->status();
    QString text = textOf(status);
    if (text.isEmpty()) {
        // No text of its own: the reason given when the code was set stays.
        text = commentReason(queue);
        if (text.isEmpty()) text = reasonForCodeWithoutText(status);
    }
    setCommentTextField(queue, text);
}

bool QueueController::mayStartStep(const QueuePtr& queue)
{
    if (isTerminated_.load()) return false;
    if (noDiskSpace_.load() || queue->shouldPause()) {
        if (!queue->shouldPause()) {
            // Stopped by the full disk alone: it goes on once space is back.
            QMutexLocker locker(&arrayLock_);
            if (noDiskSpace_.load()) pausedForDiskSpace_.append(queue);
        }
        // Resuming sets the same code again, which repeats this step.
        queue->setIsPaused(true);
        return false;
    }
    return true;
}

void QueueController::inBackground(std::function<void()> work, std::function<void()> then)
{
    QPointer<QueueController> self(this);
    Dispatch::global([self, work = std::move(work), then = std::move(then)] {
        work();
        Dispatch::onMain([self, then] {
            if (self) then();
        });
    });
}

void QueueController::afterSaveState(std::function<void()> then)
{
    if (!then) return;
    if (!neighbours_.saveStateThen) {
        then();
        return;
    }
    QPointer<QueueController> self(this);
    neighbours_.saveStateThen([self, then = std::move(then)] {
        if (self) then();
    });
}

bool QueueController::isSplitPieceName(const QString& filename)
{
    static const QRegularExpression piece(QRegularExpression::anchoredPattern(QStringLiteral(".*\\.\\d+")));
    return piece.match(filename).hasMatch();
}

bool QueueController::shouldIgnoreSamples(const QueuePtr& queue) const
{
    return boolSetting("ignoreSampleFiles") && !checkIfNZBOnlyContainsSampleFiles(queue);
}

// ---- Download ----

void QueueController::queueProcessingNZB(const QueuePtr& queue)
{
    commentWithStatusText(queue);
}

void QueueController::queueNZBParsingFinished(const QueuePtr& queue)
{
    setCommentTextField(queue, reasonForCodeWithoutText(JobStatus::NZBParsed));
    if (queue->totalfiles() < 1) {
        DialogBoxes::alertBoxDefault(QStringLiteral("NZB has no files to download"), queue->title());
        deleteContentFromDiskAndCancelQueue({queue});
        return;
    }
    queue->setFilelistReceived(true);
    queue->setSegmentsReceived(true);
    addDPRootObjectToQueue(queue);
}

void QueueController::queueStatusToDownloading(const QueuePtr& queue)
{
    if (!mayStartStep(queue)) return;
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("downloadingColor"), queue);
}

void QueueController::queueStatusToDownloaded(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Downloaded);
    commentWithStatusText(queue);
    if (queue->isCancelled()) queue->setStatus(JobStatus::Cancelled);
}

void QueueController::queueFullDownloadFinished(const QueuePtr& queue)
{
    nestedExtractionPasses_.remove(queue.get());
    if (queue->pwdDectected() && queue->isPaused()) resumeQueueObject(queue);
    queue->setIsDownloaded(true);
    queue->setIsPreviouslyDownloaded(true);
    queue->setProgressBarValue(100);

    if (!checkIfFilesWereWritten(queue)) {
        queue->setStatus(JobStatus::NothingDownloaded);
        return;
    }
    if (queue->hasRepairFiles() && !checkIfAllMainRepairFilesAreValid(queue)) {
        // Queued again for the replacement main PAR2 file; when none is
        // left the job has stopped at NotEnoughRepairBlocks, and stays there.
        if (queue->status() != JobStatus::NotEnoughRepairBlocks)
            queue->setStatus(JobStatus::QueuedForDownload);
        return;
    }
    if (hasUnprovableDamage(queue)) {
        // A job with damaged files never passes for finished unless a check
        // of its files proved them intact or its set repaired them.
        BLOG(4, "Damaged files that no repair set covers :: %@", queue->title());
        setCommentTextField(queue, textOf(JobStatus::NotEnoughRepairBlocks));
        queue->setStatus(JobStatus::NotEnoughRepairBlocks);
        return;
    }
    const bool severalFiles = queue->totalfiles() >= 2;
    const RepairObjectPtr set = queue->repairObject();
    if (!queue->hasRepairFiles() && !set && severalFiles) {
        queue->setCanExtract(true);
        queue->setStatus(JobStatus::PrepareJoiningFileParts);
        return;
    }
    if (!queue->hasRepairFiles() || (!set && queue->status() != JobStatus::NotEnoughRepairBlocks)) {
        queue->setStatus(JobStatus::Finished);
        cancelDPRootQueueObject(queue);
        return;
    }
    if (!set) return;
    if (!queue->repairAfterJoin() && severalFiles && shouldJoinFilesBeforeRepair(queue)) {
        queue->setRepairAfterJoin(true);
        queue->setStatus(JobStatus::PrepareJoiningFileParts);
        return;
    }
    if (queue->repairAfterJoin() && queue->blocksRequired() <= 0) {
        queue->setRepairAfterJoin(false);
        // The joined files were counted again: repair them when they need it.
        queue->setStatus(queue->canRepair() ? JobStatus::QueuedForRepair : JobStatus::JoiningFilePartsDone);
        return;
    }
    if (queue->blocksRequired() >= 1) {
        queue->setStatus(JobStatus::NeedsMoreRepairBlocks);
        return;
    }
    // The set was complete enough when the last part finished.
    if (queue->canRepair())
        queue->setStatus(JobStatus::QueuedForRepair);
    else if (queue->canExtract())
        queue->setStatus(JobStatus::PrepareJoiningFileParts);
}

void QueueController::queuePartialDownloadFinished(const QueuePtr& queue)
{
    queue->setIsDownloaded(true);
    queue->setIsPreviouslyDownloaded(true);
    queue->setCommentTextField(finishedText(queue, textOf(queue->status())));
    cleanUpQueueAfterFinishingObject(queue);
}

bool QueueController::shouldJoinFilesBeforeRepair(const QueuePtr& queue) const
{
    if (const RepairObjectPtr set = queue->repairObject()) {
        for (const RepairObjectPtr& child : set->childs()) {
            if (isSplitPieceName(child->filename())) return false;
        }
    }
    for (const QueuePtr& part : queue->fileparts()) {
        if (isSplitPieceName(part->filename())) return true;
    }
    return false;
}

bool QueueController::checkIfAllMainRepairFilesAreValid(const QueuePtr& queue)
{
    if (queue->repairObject() || queue->isParsOnly()) return true;
    const QList<QueuePtr> candidates = QueueFileUtils::getAllRepairFiles(queue, false);
    if (!candidates.isEmpty()) {
        const QueuePtr main = candidates.first();
        BLOG(1, "Making %@ as main PAR2.", main->filename());
        main->setCheckbox(1);
        addDPFilepartToQueue(main);
        return false;
    }
    setCommentTextField(queue, QStringLiteral("All repair files are corrupt."));
    BLOG(1, "All repair files are corrupt for :: %@.", queue->title());
    queue->setStatus(JobStatus::NotEnoughRepairBlocks);
    return false;
}

void QueueController::checkboxesToOnStateForQueue(const QueuePtr& queue)
{
    queue->setCheckbox(1);
    const bool skipSamples = shouldIgnoreSamples(queue);
    const bool holdVolumes = boolSetting("enableSmartPar2Downloading") && !queue->isParsOnly();
    for (const QueuePtr& part : queue->fileparts()) {
        if (!part->delegate()) part->setDelegate(this);
        if (part->checkbox() == 1) continue;
        if (skipSamples && part->isSampleFile()) continue;
        if (holdVolumes && part->repairblocks() >= 1) {
            part->setStatus(FilePartStatus::OnHold);
            continue;
        }
        part->setCheckbox(1);
    }
}

// ---- Repair ----

void QueueController::queueReadyToRepair(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Repairing);
    if (!mayStartStep(queue)) return;
    commentWithStatusText(queue);
    queue->setProgressBarValue(0);
    changeProgressBarColor(QStringLiteral("repairColor"), queue);
    if (neighbours_.rescan) neighbours_.rescan();
}

void QueueController::queueNeedMoreBlocks(const QueuePtr& queue)
{
    // Until the volumes to fetch are chosen (or found missing).
    setCommentTextField(queue, reasonForCodeWithoutText(JobStatus::NeedsMoreRepairBlocks));
    if (isTerminated_.load()) return;
    if (!boolSetting("enableFileRepair")) {
        queue->setStatus(JobStatus::PrepareJoiningFileParts);
        resumeQueueObject(queue);
        return;
    }
    queueNeedsMoreRepairBlocks(queue);
}

void QueueController::queueNeedsMoreRepairBlocks(const QueuePtr& queue)
{
    const qint64 required = queue->blocksRequired();
    qint64 stillNeeded = required;
    qint64 blockTotal = 0;
    QList<QueuePtr> chosen;
    const bool ignoreSamples = boolSetting("ignoreSampleFiles");
    // First fit in file order, not the smallest set of volumes.
    for (const QueuePtr& part : QueueFileUtils::getVolRepairFiles(queue, false).value_or(QList<QueuePtr>())) {
        if (part->status() == FilePartStatus::Finished) continue;
        if (ignoreSamples && part->isSampleFile()) continue;
        if (part->ispar() && part->checkbox() != 1 && part->repairblocks() >= 1) {
            chosen.append(part);
            stillNeeded -= part->repairblocks();
            blockTotal += part->repairblocks();
        }
        if (stillNeeded <= 0) break;
    }
    if (stillNeeded >= 1) {
        setCommentTextField(
            queue, sformat(u"Not enough repair blocks available (Requires %ld more blocks)", required));
        queue->setStatus(JobStatus::NotEnoughRepairBlocks);
        return;
    }
    queue->setBlocksRequired(stillNeeded);
    setCommentTextField(queue, sformat(u"Downloading %ld more repair blocks", blockTotal));
    if (blockTotal >= 1) {
        const RepairObjectPtr set = queue->repairObject();
        const QueuePtr main = set ? set->filepart() : nullptr;
        BLOG(1, "Downloading %ld more repair blocks for %@", blockTotal, main ? main->filename() : QString());
    }
    for (const QueuePtr& part : chosen) {
        part->setCheckbox(1);
        addDPFilepartToQueue(part);
    }
}

void QueueController::queueRepairFinished(const QueuePtr& queue)
{
    queue->setIsRepaired(true);
    queue->setProgressBarValue(100);
    QueueFileUtils::deleteTempRepareFilesForQueue(queue);
    queue->setStatus(JobStatus::PrepareJoiningFileParts);
}

void QueueController::queueRepairError(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Error);
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    BLOG(4, "Repair error for %@", queue->title());
}

void QueueController::queueRepairNotPossible(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Error);
    if (queue->isRestored()) commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
}

// ---- Joining ----

void QueueController::queuePrepareJoiningFileParts(const QueuePtr& queue)
{
    if (!mayStartStep(queue)) return;
    commentWithStatusText(queue);
    queue->setProgressBarValue(0);
    bool pieces = false;
    if (const RepairObjectPtr set = queue->repairObject()) {
        for (const RepairObjectPtr& child : set->childs())
            pieces = pieces || isSplitPieceName(child->filename());
    }
    for (const QueuePtr& part : queue->fileparts())
        pieces = pieces || isSplitPieceName(part->filename());
    queue->setStatus(pieces ? JobStatus::ReadyToJoinFileParts : JobStatus::JoiningFilePartsDone);
}

void QueueController::queueReadyToJoinFileParts(const QueuePtr& queue)
{
    if (!mayStartStep(queue)) return;
    changeProgressBarColor(QStringLiteral("joinColor"), queue);
    if (neighbours_.rescan) neighbours_.rescan();
}

void QueueController::queueJoiningFiles(const QueuePtr& queue)
{
    if (!isTerminated_.load()) commentWithStatusText(queue);
}

void QueueController::queueJoiningFinished(const QueuePtr& queue)
{
    queue->setProgressBarValue(100);
    if (queue->repairAfterJoin()) {
        const RepairObjectPtr set = queue->repairObject();
        const QPointer<RepairController> repair(repairController_);
        inBackground(
            [repair, set] {
                if (repair && set) repair->crc32CheckFodsInRepairParent(set, true);
            },
            [queue] { queue->setStatus(JobStatus::AllFilesWritten); });
        return;
    }
    QueueFileUtils::filterFilesToExtract(queue);
    const bool archives =
        !queue->rarfiles().isEmpty() || !queue->zipfiles().isEmpty() || !queue->z7files().isEmpty();
    queue->setStatus(archives ? JobStatus::QueuedForExtraction : JobStatus::ObfuscationCheckDone);
}

void QueueController::joinedPiecesMayGo(const QueuePtr& queue, std::function<void()> deletePieces)
{
    if (!queue || !deletePieces) return;
    // Joined before the repair, the set describes the joined files, which
    // are checked again from the download's restore point.
    if (queue->repairAfterJoin()) {
        deletePieces();
        return;
    }
    queue->setRestorePoint(RestorePoint::Joined);
    afterSaveState(std::move(deletePieces));
}

void QueueController::queueJoiningError(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Error);
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    BLOG(4, "Join error for %@", queue->title());
}

// ---- Extraction ----

void QueueController::queueReadyToExtract(const QueuePtr& queue)
{
    if (!mayStartStep(queue)) return;
    commentWithStatusText(queue);
    queue->setProgressBarValue(0);
    changeProgressBarColor(QStringLiteral("extractColor"), queue);
    if (neighbours_.rescan) neighbours_.rescan();
}

void QueueController::queueExtractFinished(const QueuePtr& queue)
{
    queue->setProgressBarValue(100);
    queue->setStatus(JobStatus::WaitingForObfuscationCheck);
}

void QueueController::queueExtractError(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Error);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    BLOG(4, "Extract error for %@", queue->title());
}

void QueueController::queueIncorrectPwd(const QueuePtr& queue)
{
    BLOG(1, "Corrupt file or wrong password for: %@", queue->title());
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    queue->setHasPassword(true);
}

// ---- Name correction and the move out of the temporary folder ----

void QueueController::queueReadyForObfuscationCheck(const QueuePtr& queue)
{
    if (isTerminated_.load()) {
        queue->setStatus(JobStatus::ObfuscationCheckDone);
        return;
    }
    commentWithStatusText(queue);
    if (boolSetting("enableFileObfuscationCorrection") && neighbours_.addObfuscatedControllerOperation)
        neighbours_.addObfuscatedControllerOperation(queue);
    else
        queue->setStatus(JobStatus::ObfuscationCheckDone);
}

void QueueController::queueObfuscationCheckDone(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    queue->setStatus(JobStatus::MovingFromTemp);
}

void QueueController::queueReadyToMoveFromTemp(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    const QString tempFolder =
        QDir(queue->downloadUrl())
            .filePath(UserDefaults::standard().stringForKey(QStringLiteral("tempFolder")));
    // The archives go only once the save state has the job in this step: a
    // restart from an older save would check and extract archives that are
    // no longer there.
    afterSaveState([this, queue, tempFolder] {
        inBackground(
            [queue, tempFolder] {
                if (queue->didExtractFiles()) QueueFileUtils::deleteArchiveFilesForQueue(queue);
                // What an extraction cut short left is no extracted file.
                JobTempFolder::removeStagingFolders(tempFolder);
                // A failed move keeps the temporary folder; the chain goes on.
                if (FileUtils::doesFolderExists(tempFolder) &&
                    FileUtils::moveFilesFromSourceFolder(tempFolder, queue->downloadUrl()))
                    FileUtils::deleteFolderAndContents(tempFolder);
            },
            [queue] { queue->setStatus(JobStatus::MovingFromTempDone); });
    });
}

void QueueController::queueMovingFromTempDone(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    queue->setStatus(JobStatus::CheckingForDeepExtraction);
}

// ---- Nested archives ----

void QueueController::queueCheckForSubExtraction(const QueuePtr& queue)
{
    QueueFileUtils::searchSubArchivesForQueue(queue);
    const bool archives =
        !queue->rarfiles().isEmpty() || !queue->zipfiles().isEmpty() || !queue->z7files().isEmpty();
    if (!archives) {
        queue->setStatus(JobStatus::ReversingFilenames);
        return;
    }
    if (++nestedExtractionPasses_[queue.get()] > kMaxNestedExtractionPasses) {
        queue->setRarfiles({});
        queue->setZipfiles({});
        queue->setZ7files({});
        queue->setStatus(JobStatus::DeepExtractionError);
        return;
    }
    queue->setStatus(JobStatus::ReadyForDeepExtraction);
}

void QueueController::queueReadyForSubExtraction(const QueuePtr& queue)
{
    if (!mayStartStep(queue)) return;
    queue->setDidExtractFiles(false);
    commentWithStatusText(queue);
    queue->setProgressBarValue(0);
    changeProgressBarColor(QStringLiteral("extractColor"), queue);
    if (neighbours_.rescan) neighbours_.rescan();
}

void QueueController::queueSubExtractionFinished(const QueuePtr& queue)
{
    queue->setProgressBarValue(100);
    queue->setStatus(JobStatus::WaitingForObfuscationCheck);
}

void QueueController::queueSubExtractingError(const QueuePtr& queue)
{
    BLOG(4, "Sub-extracting error for %@", queue->title());
    queue->setStatus(JobStatus::ReversingFilenames);
}

// ---- Names, clean-up and the final folder ----

void QueueController::queueReadyToReverseFiles(const QueuePtr& queue)
{
    if (isTerminated_.load()) return;
    commentWithStatusText(queue);
    if (!boolSetting("enableFileReverseCorrection")) {
        queue->setStatus(JobStatus::CleaningUp);
        return;
    }
    inBackground([queue] { QueueFileUtils::reverseFilenames(queue); },
                 [queue] { queue->setStatus(JobStatus::CleaningUp); });
}

void QueueController::queueReadyToCleanUP(const QueuePtr& queue)
{
    if (queue->hasEmbeddedNZB() && processEmbeddedNZB(queue)) return;
    if (queue->isParsOnly() && !queue->canRepair() && !queue->canExtract()) {
        queue->setStatus(JobStatus::MovingToFinalDestination);
        return;
    }
    const bool deleteFiles = boolSetting("deleteUserDefinedFiles");
    const bool deleteFolders = boolSetting("deleteEmptyFolders");
    if (!boolSetting("enableFileRepair") && !deleteFiles && !deleteFolders) {
        queue->setStatus(JobStatus::MovingToFinalDestination);
        return;
    }
    BLOG(1, "Cleaning up the download folder :: %@", queue->downloadUrl());
    QList<CleanupItem> patterns;
    if (deleteFiles && cleanupItemsController_) patterns = cleanupItemsController_->arrayCleanupItems();
    inBackground(
        [queue, patterns, deleteFiles, deleteFolders] {
            if (deleteFiles) QueueFileUtils::deleteUserDefinedFilesFromArray(patterns, queue);
            if (deleteFolders) QueueFileUtils::deleteEmptyFoldersForQueue(queue);
        },
        [queue] { queue->setStatus(JobStatus::MovingToFinalDestination); });
}

bool QueueController::processEmbeddedNZB(const QueuePtr& queue)
{
    const QList<QueuePtr> parts = queue->fileparts();
    if (parts.isEmpty() || !nzbController_) return false;
    const QString filename = parts.first()->filename();
    if (QFileInfo(filename).suffix() != QLatin1String("nzb")) return false;
    // Only a file inside the job's folder is read as the job's NZB.
    if (filename.contains(QLatin1Char('/')) || filename.startsWith(QLatin1Char('.'))) return false;
    const QString path = QDir(queue->downloadUrl()).filePath(filename);
    BLOG(1, "Parsing embedded NZB file :: %@", path);
    nzbController_->parseEmbeddedNZBFileUrl(path, queue);
    return true;
}

void QueueController::queueReadyToMoveFilesAfterDownload(const QueuePtr& queue)
{
    if (isTerminated_.load()) return;
    commentWithStatusText(queue);
    if (!boolSetting("moveAfterDownload")) {
        queue->setStatus(JobStatus::Finished);
        return;
    }
    const QString source = queue->downloadUrl();
    const QString destination =
        FileUtils::getMoveAfterDownloadFolder(QFileInfo(source).fileName(), queue->groups());
    if (destination.isEmpty()) {
        BLOG(3, "Can not move files to final destination folder");
        queue->setStatus(JobStatus::Finished);
        return;
    }
    auto moved = std::make_shared<bool>(false);
    inBackground(
        [source, destination, moved] {
            BLOG(1, "Moving files :: %@ => %@", source, destination);
            *moved = FileUtils::moveFilesFromSourceFolder(source, destination);
            if (*moved) FileUtils::deleteFolderAndContents(source);
        },
        [queue, destination, moved] {
            if (*moved) {
                queue->setDownloadUrl(destination);
                queue->setStatus(JobStatus::Finished);
            } else {
                queue->setStatus(JobStatus::MoveFilesError);
            }
        });
}

void QueueController::queueIsFinished(const QueuePtr& queue)
{
    nestedExtractionPasses_.remove(queue.get());
    BLOG(2, "Queue Finished %@", queue->title());
    if (queue->titleWillChange() && neighbours_.renameTitleForQueue) neighbours_.renameTitleForQueue(queue);
    queue->setRestorePoint(RestorePoint::Finished);
    setCommentTextField(queue, finishedText(queue, textOf(queue->status())));
    changeProgressBarColor(QStringLiteral("finishedColor"), queue);
    cleanUpQueueAfterFinishingObject(queue);
    queue->setIsPreviouslyDownloaded(true);
}

void QueueController::queueMoveError(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    queue->setHasPassword(true);
}

// ---- Stops that wait for the user ----

void QueueController::queueIsIncomplete(const QueuePtr& queue)
{
    queue->setRestorePoint(RestorePoint::Error);
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    queue->setIsPaused(true);
}

void QueueController::queueIsNetworkError(const QueuePtr& queue)
{
    queue->setIsPaused(true);
}

void QueueController::queueIsNoNewsserversConfigured(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    queue->setIsPaused(true);
}

void QueueController::queueIsNNTPAuthError(const QueuePtr& queue)
{
    queue->setIsPaused(true);
}

void QueueController::queueNoFilesFoundFor(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
}

// ---- The runner's query and the end of special jobs ----

QueuePtr QueueController::getFirstRepairOrExtractObject() const
{
    QMutexLocker locker(&arrayLock_);
    for (const QueuePtr& q : queueArray_) {
        const qint64 status = q->status();
        if ((status == JobStatus::QueuedForRepair || status == JobStatus::QueuedForExtraction ||
             status == JobStatus::ReadyToJoinFileParts || status == JobStatus::ReadyForDeepExtraction) &&
            !q->isPaused() && !q->isCancelled())
            return q;
    }
    return nullptr;
}

void QueueController::newsgroupsRequestFinished(const QueuePtr&)
{
    NotificationHub::defaultCenter().post(QStringLiteral("NewsgroupListDownloadResult"), this,
                                          {{QStringLiteral("status"), QStringLiteral("ok")}});
}

void QueueController::replyObjectFinished(const QueuePtr& filepart)
{
    if (filepart->isHeaderRequest())
        NotificationHub::defaultCenter().post(
            QStringLiteral("MSGIDDownloadedForReplyPost"), this,
            {{QStringLiteral("queueobject"), QVariant::fromValue(filepart)}});
    else
        NotificationHub::defaultCenter().post(
            QStringLiteral("BodyDownloadedForReplyPost"), this,
            {{QStringLiteral("filepart_object"), QVariant::fromValue(filepart)}});
}
