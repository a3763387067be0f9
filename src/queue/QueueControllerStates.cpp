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
#include "postprocess/RepairController.h"
#include "postprocess/RepairObject.h"
#include "queue/NZBController.h"
#include "queue/QCodeClass.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutexLocker>
#include <QRegularExpression>

namespace {

QString textOf(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
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
//   99 -> 34 -> 105 -> 1 -> 2 -> (parts written) 17
//   17 -> [47 -> 43 -> 44 -> 45 -> 17 when pieces are joined before repair]
//      -> 14 -> 3 -> 20 (or 22 -> held volumes -> 105 ... 17 -> 14)
//      -> 47 -> 43 | 45 -> 15 -> 5 -> 21 -> 30 -> 31 -> 32 -> 58 -> 59 -> 53
//      -> (54 -> 55 -> 56 -> 30 ... once per nested level) -> 38 -> 52 -> 37 -> 10
const QList<QueueController::JobState>& QueueController::jobStateTable()
{
    using Q = QueueController;
    static const QList<JobState> table = {
        {1, &Q::queueStatusToDownloading, "2 (set by the job when no article is left)"},
        {2, &Q::queueStatusToDownloaded,
         "103 when cancelled; else the parts being written lead to 17, 16 or 22"},
        {8, &Q::queueRepairError, "end"},
        {9, &Q::queueExtractError, "end; 15 once a password is given"},
        {10, &Q::queueIsFinished, "end"},
        {14, &Q::queueReadyToRepair, "runner: 3, then 20, 22 or 8; 47 with repair off"},
        {15, &Q::queueReadyToExtract,
         "runner: 5, then 15 while archives remain, 21, 9 or 36; 32 with extraction off"},
        {16, &Q::queuePartialDownloadFinished, "end"},
        {17, &Q::queueFullDownloadFinished,
         "60, 105, 47, 10, 45, 14, 22, or none (the parts side sets 14 or 47)"},
        {20, &Q::queueRepairFinished, "47"},
        {21, &Q::queueExtractFinished, "30"},
        {22, &Q::queueNeedMoreBlocks, "held volumes queued (105 ... 17), 47 with repair off, or 42"},
        {27, &Q::queueIsIncomplete, "resume: 105 with forceDownload"},
        {30, &Q::queueReadyForObfuscationCheck, "31 then 32 from the name correction, or 32"},
        {32, &Q::queueObfuscationCheckDone, "58"},
        {34, &Q::queueNZBParsingFinished, "105 (queued), or removed when the NZB has no files"},
        {36, &Q::queueIncorrectPwd, "15 once a password is given"},
        {37, &Q::queueReadyToMoveFilesAfterDownload, "10 or 61"},
        {38, &Q::queueReadyToReverseFiles, "52"},
        {39, &Q::queueIsNoNewsserversConfigured, "resume: 105"},
        {41, &Q::queueIsNetworkError, "resume: 105"},
        {42, &Q::queueRepairNotPossible, "end"},
        {43, &Q::queueReadyToJoinFileParts, "runner: 44, then 45 or 46"},
        {44, &Q::queueJoiningFiles, "runner: 45 or 46"},
        {45, &Q::queueJoiningFinished, "17 (repair after the join), 15 or 32"},
        {46, &Q::queueJoiningError, "end"},
        {47, &Q::queuePrepareJoiningFileParts, "43 or 45"},
        {51, &Q::queueIsNNTPAuthError, "resume: 105"},
        {52, &Q::queueReadyToCleanUP, "37, or stays while an embedded NZB is imported"},
        {53, &Q::queueCheckForSubExtraction, "54 or 38"},
        {54, &Q::queueReadyForSubExtraction,
         "runner: 55, then 54 while archives remain, 56 or 57; 38 with extraction off"},
        {56, &Q::queueSubExtractionFinished, "30"},
        {57, &Q::queueSubExtractingError, "38"},
        {58, &Q::queueReadyToMoveFromTemp, "59"},
        {59, &Q::queueMovingFromTempDone, "53"},
        {60, &Q::queueNoFilesFoundFor, "end"},
        {61, &Q::queueMoveError, "end"},
        {99, &Q::queueProcessingNZB, "34 or 28 from the import"},
        {103, &Q::queueCancelled, "0, removed from the queue"},
        {105, &Q::qStatusToQueued,
         "1 when the first article is handed out; 40 (paused) without repair files"},
        // Search-service jobs completed from the service.
        {106, &Q::queueRootStatusToDownloadFilelist, "107 with the file list, 0 on an error"},
        {107, &Q::queueRootStatusToDownloadFilelistFinished, "108 when its articles are wanted, else 0"},
        {108, &Q::queueRootStatusToDownloadSegments, "109 once every part has its articles; 110 on an error"},
        {109, &Q::queueRootStatusToDownloadSegmentsFinished, "0, then the checked parts are queued (105)"},
        {110, &Q::queueRootStatusToDownloadSegmentsError, "0"},
        // Uploads (207 to 209 have no handler).
        {200, &Q::queueAddUploadToQueue, "202"},
        {201, &Q::queueUpQueued, "203 when the first article is handed out"},
        {202, &Q::queueUpPrepareForUploading, "201, or 249 when there is nothing to post"},
        {203, &Q::queueUploading, "204 (set by the job when no article is left)"},
        {204, &Q::queueUploaded, "245 with an NZB file to write, else 206"},
        {205, &Q::queueUpFinished, "end"},
        {206, &Q::queueUpCleanUP, "205"},
        {210, &Q::queueUpNoServersAvailable, "end"},
        {245, &Q::queueUpMakeNZB, "246 or 247 from the NZB creator"},
        {246, &Q::queueUpMakeNZBFinished, "248 when the NZB file is posted too, else 206"},
        {247, &Q::queueUpMakeNZBError, "end"},
        {248, &Q::queueUploadNZB, "202"},
        {249, &Q::queueUpError, "end"},
        {300, &Q::queueUpPostingDenied, "end"},
    };
    return table;
}

void QueueController::statusChangedForQueueObject(const QueuePtr& queue, qint64, qint64 toValue)
{
    if (!queue) return;
    BLOG(2, "%@ %ld (%@)", queue->title(), queue->status(), textOf(toValue));
    static const QHash<qint64, JobHandler> handlers = [] {
        QHash<qint64, JobHandler> byCode;
        for (const JobState& state : jobStateTable())
            byCode.insert(state.code, state.handler);
        return byCode;
    }();
    if (const JobHandler handler = handlers.value(toValue, nullptr)) (this->*handler)(queue);
    Q_EMIT jobStatusChanged(toValue);
}

// ---- Helpers ----

void QueueController::setCommentTextField(const QueuePtr& queue, const QString& text)
{
    queue->setCommentTextField(
        sformat(u"%@%@", queue->isPaused() ? QStringLiteral("(Paused) ") : QString(), text));
}

void QueueController::commentWithStatusText(const QueuePtr& queue)
{
    setCommentTextField(queue, textOf(queue->status()));
}

bool QueueController::mayStartStep(const QueuePtr& queue)
{
    if (isTerminated_.load()) return false;
    if (noDiskSpace_.load() || queue->shouldPause()) {
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
    queue->setRestorePoint(2);
    commentWithStatusText(queue);
    if (queue->isCancelled()) queue->setStatus(103);
}

void QueueController::queueFullDownloadFinished(const QueuePtr& queue)
{
    nestedExtractionPasses_.remove(queue.get());
    if (queue->pwdDectected() && queue->isPaused()) resumeQueueObject(queue);
    queue->setIsDownloaded(true);
    queue->setIsPreviouslyDownloaded(true);
    queue->setProgressBarValue(100);

    if (!checkIfFilesWereWritten(queue)) {
        queue->setStatus(60);
        return;
    }
    if (queue->hasRepairFiles() && !checkIfAllMainRepairFilesAreValid(queue)) {
        // Queued again for the replacement main PAR2 file; when none is
        // left the job has stopped at 42, and stays there.
        if (queue->status() != 42) queue->setStatus(105);
        return;
    }
    const bool severalFiles = queue->totalfiles() >= 2;
    const RepairObjectPtr set = queue->repairObject();
    if (!queue->hasRepairFiles() && !set && severalFiles) {
        queue->setCanExtract(true);
        queue->setStatus(47);
        return;
    }
    if (!queue->hasRepairFiles() || (!set && queue->status() != 42)) {
        queue->setStatus(10);
        cancelDPRootQueueObject(queue);
        return;
    }
    if (!set) return;
    if (!queue->repairAfterJoin() && severalFiles && shouldJoinFilesBeforeRepair(queue)) {
        queue->setRepairAfterJoin(true);
        queue->setStatus(47);
        return;
    }
    if (queue->repairAfterJoin() && queue->blocksRequired() <= 0) {
        queue->setRepairAfterJoin(false);
        // The joined files were counted again: repair them when they need it.
        queue->setStatus(queue->canRepair() ? 14 : 45);
        return;
    }
    if (queue->blocksRequired() >= 1) {
        queue->setStatus(22);
        return;
    }
    // The set was complete enough when the last part finished.
    if (queue->canRepair())
        queue->setStatus(14);
    else if (queue->canExtract())
        queue->setStatus(47);
}

void QueueController::queuePartialDownloadFinished(const QueuePtr& queue)
{
    queue->setIsDownloaded(true);
    queue->setIsPreviouslyDownloaded(true);
    queue->setCommentTextField(textOf(queue->status()));
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
    const QList<QueuePtr> candidates = FileUtils::getAllRepairFiles(queue, false);
    if (!candidates.isEmpty()) {
        const QueuePtr main = candidates.first();
        BLOG(1, "Making %@ as main PAR2.", main->filename());
        main->setCheckbox(1);
        addDPFilepartToQueue(main);
        return false;
    }
    setCommentTextField(queue, QStringLiteral("All repair files are corrupt."));
    BLOG(1, "All repair files are corrupt for :: %@.", queue->title());
    queue->setStatus(42);
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
            part->setStatus(1104);
            continue;
        }
        part->setCheckbox(1);
    }
}

// ---- Repair ----

void QueueController::queueReadyToRepair(const QueuePtr& queue)
{
    queue->setRestorePoint(3);
    if (!mayStartStep(queue)) return;
    commentWithStatusText(queue);
    queue->setProgressBarValue(0);
    changeProgressBarColor(QStringLiteral("repairColor"), queue);
    if (neighbours_.rescan) neighbours_.rescan();
}

void QueueController::queueNeedMoreBlocks(const QueuePtr& queue)
{
    if (isTerminated_.load()) return;
    if (!boolSetting("enableFileRepair")) {
        queue->setStatus(47);
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
    for (const QueuePtr& part : FileUtils::getVolRepairFiles(queue, false).value_or(QList<QueuePtr>())) {
        if (part->status() == 1010) continue;
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
        queue->setStatus(42);
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
    queue->setProgressBarValue(100);
    FileUtils::deleteTempRepareFilesForQueue(queue);
    queue->setStatus(47);
}

void QueueController::queueRepairError(const QueuePtr& queue)
{
    queue->setRestorePoint(6);
    commentWithStatusText(queue);
    changeProgressBarColor(QStringLiteral("errorColor"), queue);
    BLOG(4, "Repair error for %@", queue->title());
}

void QueueController::queueRepairNotPossible(const QueuePtr& queue)
{
    queue->setRestorePoint(6);
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
    queue->setStatus(pieces ? 43 : 45);
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
            [queue] { queue->setStatus(17); });
        return;
    }
    FileUtils::filterFilesToExtract(queue);
    const bool archives =
        !queue->rarfiles().isEmpty() || !queue->zipfiles().isEmpty() || !queue->z7files().isEmpty();
    queue->setStatus(archives ? 15 : 32);
}

void QueueController::queueJoiningError(const QueuePtr& queue)
{
    queue->setRestorePoint(6);
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
    queue->setStatus(30);
}

void QueueController::queueExtractError(const QueuePtr& queue)
{
    queue->setRestorePoint(6);
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
        queue->setStatus(32);
        return;
    }
    commentWithStatusText(queue);
    if (boolSetting("enableFileObfuscationCorrection") && neighbours_.addObfuscatedControllerOperation)
        neighbours_.addObfuscatedControllerOperation(queue);
    else
        queue->setStatus(32);
}

void QueueController::queueObfuscationCheckDone(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    queue->setStatus(58);
}

void QueueController::queueReadyToMoveFromTemp(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    const QString tempFolder =
        QDir(queue->downloadUrl())
            .filePath(UserDefaults::standard().stringForKey(QStringLiteral("tempFolder")));
    inBackground(
        [queue, tempFolder] {
            if (queue->didExtractFiles()) FileUtils::deleteArchiveFilesForQueue(queue);
            // A failed move keeps the temporary folder; the chain goes on.
            if (FileUtils::doesFolderExists(tempFolder) &&
                FileUtils::moveFilesFromSourceFolder(tempFolder, queue->downloadUrl()))
                FileUtils::deleteFolderAndContents(tempFolder);
        },
        [queue] { queue->setStatus(59); });
}

void QueueController::queueMovingFromTempDone(const QueuePtr& queue)
{
    commentWithStatusText(queue);
    queue->setStatus(53);
}

// ---- Nested archives ----

void QueueController::queueCheckForSubExtraction(const QueuePtr& queue)
{
    FileUtils::searchSubArchivesForQueue(queue);
    const bool archives =
        !queue->rarfiles().isEmpty() || !queue->zipfiles().isEmpty() || !queue->z7files().isEmpty();
    if (!archives) {
        queue->setStatus(38);
        return;
    }
    if (++nestedExtractionPasses_[queue.get()] > kMaxNestedExtractionPasses) {
        queue->setRarfiles({});
        queue->setZipfiles({});
        queue->setZ7files({});
        queue->setStatus(57);
        return;
    }
    queue->setStatus(54);
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
    queue->setStatus(30);
}

void QueueController::queueSubExtractingError(const QueuePtr& queue)
{
    BLOG(4, "Sub-extracting error for %@", queue->title());
    queue->setStatus(38);
}

// ---- Names, clean-up and the final folder ----

void QueueController::queueReadyToReverseFiles(const QueuePtr& queue)
{
    if (isTerminated_.load()) return;
    commentWithStatusText(queue);
    if (!boolSetting("enableFileReverseCorrection")) {
        queue->setStatus(52);
        return;
    }
    inBackground([queue] { FileUtils::reverseFilenames(queue); }, [queue] { queue->setStatus(52); });
}

void QueueController::queueReadyToCleanUP(const QueuePtr& queue)
{
    if (queue->hasEmbeddedNZB() && processEmbeddedNZB(queue)) return;
    if (queue->isParsOnly() && !queue->canRepair() && !queue->canExtract()) {
        queue->setStatus(37);
        return;
    }
    const bool deleteFiles = boolSetting("deleteUserDefinedFiles");
    const bool deleteFolders = boolSetting("deleteEmptyFolders");
    if (!boolSetting("enableFileRepair") && !deleteFiles && !deleteFolders) {
        queue->setStatus(37);
        return;
    }
    BLOG(1, "Cleaning up the download folder :: %@", queue->downloadUrl());
    QList<CleanupItem> patterns;
    if (deleteFiles && cleanupItemsController_) patterns = cleanupItemsController_->arrayCleanupItems();
    inBackground(
        [queue, patterns, deleteFiles, deleteFolders] {
            if (deleteFiles) FileUtils::deleteUserDefinedFilesFromArray(patterns, queue);
            if (deleteFolders) FileUtils::deleteEmptyFoldersForQueue(queue);
        },
        [queue] { queue->setStatus(37); });
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
        queue->setStatus(10);
        return;
    }
    const QString source = queue->downloadUrl();
    const QString destination =
        FileUtils::getMoveAfterDownloadFolder(QFileInfo(source).fileName(), queue->groups());
    if (destination.isEmpty()) {
        BLOG(3, "Can not move files to final destination folder");
        queue->setStatus(10);
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
                queue->setStatus(10);
            } else {
                queue->setStatus(61);
            }
        });
}

void QueueController::queueIsFinished(const QueuePtr& queue)
{
    nestedExtractionPasses_.remove(queue.get());
    BLOG(2, "Queue Finished %@", queue->title());
    if (queue->titleWillChange() && neighbours_.renameTitleForQueue) neighbours_.renameTitleForQueue(queue);
    queue->setRestorePoint(4);
    commentWithStatusText(queue);
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
    queue->setRestorePoint(6);
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
        if ((status == 14 || status == 15 || status == 43 || status == 54) && !q->isPaused() &&
            !q->isCancelled())
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
