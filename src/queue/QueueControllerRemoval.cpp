// Removal, cancellation and clean-up of jobs; the resets that free a job's
// parts and articles; passwords, titles and opening a finished file.

#include "queue/QueueController.h"

#include "core/DialogBoxes.h"
#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "postprocess/RepairController.h"
#include "queue/QCodeClass.h"
#include "queue/RenameTitleController.h"
#include "queue/StatusCodes.h"

#include <QMutexLocker>
#include <QVariantMap>

#include <algorithm>

namespace {

qint64 cleaningTag()
{
    return UserDefaults::standard().integerForKey(QStringLiteral("queueCleaningTag"));
}

// Finished, upload finished, or partly finished without repair files.
bool isFinishedForCleaning(const Queue& q)
{
    const qint64 s = q.status();
    return s == JobStatus::Finished || s == UploadStatus::Finished ||
           (s == JobStatus::PartialFinished && !q.hasRepairFiles());
}

// A part that has started downloading or has been written: its data would
// be lost with the folder. Parts never queued (Idle), waiting to be queued or
// queued but not begun, cancelled, or held back as spare recovery volumes (the
// list below) have nothing from this download.
bool hasDownloadedData(const Queue& root)
{
    static const QList<qint64> nothingYet{JobStatus::Idle,
                                          FilePartStatus::Queued,
                                          FilePartStatus::AddingToDeepLookupQueue,
                                          FilePartStatus::AddingToQueue,
                                          FilePartStatus::Cancelled,
                                          FilePartStatus::OnHold,
                                          FilePartStatus::WaitingForSegments};
    const QList<QueuePtr> parts = root.fileparts();
    for (const QueuePtr& part : parts) {
        if (part->isDownloaded() || !nothingYet.contains(part->status())) return true;
    }
    return false;
}

enum class RemovalGroup { NotStarted, NothingToLose, Unfinished };

RemovalGroup removalGroupOf(const Queue& q)
{
    const qint64 s = q.status();
    // QueuedForDownload is also the status of a job with parts queued after others were
    // written (a restored job, a priority part finished, more repair volumes
    // queued): such a job counts as unfinished.
    if ((s == JobStatus::Idle || s == JobStatus::QueuedForDownload || s == JobStatus::ParsingNZB ||
         s == JobStatus::NZBParseError) &&
        !hasDownloadedData(q))
        return RemovalGroup::NotStarted;
    if (s == JobStatus::Finished || s == UploadStatus::Finished || s == JobStatus::MoveFilesError ||
        s == UploadStatus::UploadError || !q.segmentsReceived() || s == JobStatus::PartialFinished ||
        q.isNewsgroupsRequest() || q.isReplyPost())
        return RemovalGroup::NothingToLose;
    return RemovalGroup::Unfinished;
}

} // namespace

RenameTitleController* QueueController::renameTitleController() const
{
    return renameTitleController_;
}

void QueueController::setRenameTitleController(RenameTitleController* controller)
{
    renameTitleController_ = controller;
}

void QueueController::prepareRemovingObjectsInArray(const QList<QueuePtr>& roots)
{
    if (roots.isEmpty()) return;
    QList<QueuePtr> notStarted, nothingToLose, unfinished;
    for (const QueuePtr& q : roots) {
        if (!q) continue;
        switch (removalGroupOf(*q)) {
        case RemovalGroup::NotStarted:
            notStarted.append(q);
            break;
        case RemovalGroup::NothingToLose:
            nothingToLose.append(q);
            break;
        case RemovalGroup::Unfinished:
            unfinished.append(q);
            break;
        }
    }
    if (!unfinished.isEmpty()) {
        const QString title =
            unfinished.size() == 1
                ? QStringLiteral("The selected file is not completed yet.")
                : sformat(u"Not all (%ld) of the selected files are completed yet.", long(unfinished.size()));
        const int answer =
            DialogBoxes::alertBoxRemoveFiles(title, QStringLiteral("Are you sure you want to cancel it?"));
        if (answer == 2) {
            deleteContentFromDiskAndCancelQueue(unfinished);
        } else if (answer == 1) {
            for (const QueuePtr& q : unfinished)
                cancelDPRootQueueObject(q);
        } else {
            for (const QueuePtr& q : roots) {
                if (!q) continue;
                q->setCheckbox(1);
                q->setCheckboxDisabled(false);
            }
            return;
        }
    }
    for (const QueuePtr& q : nothingToLose)
        cancelDPRootQueueObject(q);
    deleteContentFromDiskAndCancelQueue(notStarted);
}

void QueueController::deleteContentFromDiskAndCancelQueue(const QList<QueuePtr>& roots)
{
    for (const QueuePtr& q : roots) {
        if (!q) continue;
        FileUtils::deleteFolderAndContents(q->downloadUrl(), q->groups());
        // A named const list: looping over the returned copy itself would
        // detach it and copy every pointer.
        const QList<QueuePtr> jobParts = q->fileparts();
        for (const QueuePtr& part : jobParts)
            part->setIsPreviouslyDownloaded(false);
        cancelDPRootQueueObject(q);
    }
}

void QueueController::cancelDPRootQueueObject(const QueuePtr& root)
{
    if (!root) return;
    root->setIsCancelled(true);
    if (root->isUploadObject() || !root->segmentsReceived()) {
        queueCancelled(root);
        return;
    }
    bool anyPartCancelling = false;
    const QList<QueuePtr> rootParts = root->fileparts();
    for (const QueuePtr& part : rootParts) {
        if (part->status() == JobStatus::Idle) continue;
        cancelDPFilepart(part);
        anyPartCancelling = true;
    }
    // No part was queued, so none will report FilePartStatus::Cancelled: the job ends now
    // instead of staying in the queue, cancelled, for ever.
    if (!anyPartCancelling) root->setStatus(JobStatus::Cancelled);
}

void QueueController::cancelDPFilepart(const QueuePtr& filepart)
{
    if (!filepart || filepart->status() == JobStatus::Idle) return;
    QMutexLocker locker(&arrayLock_);
    filepart->setIsCancelled(true);
    filepart->setCheckboxDisabled(true);
    if (filepart->status() == FilePartStatus::Writing) {
        BLOG(1, "Suspending cancellation. Files are still being written.");
        return;
    }
    filepart->setStatus(FilePartStatus::Cancelled);
}

void QueueController::fStatusToCancelled(const QueuePtr& filepart)
{
    if (!filepart) return;
    countWriteOutcome(filepart);
    resetValuesForDPFilepart(filepart);
    clearDPFilepart(filepart);
    filepart->setCheckbox(0);
    filepart->setCheckboxDisabled(false);
    filepart->setStatus(JobStatus::Idle);
    filepart->setRepairObject(nullptr);
    const QueuePtr root = filepart->queue();
    if (root && checkIfallFilePartsAreCancelledForQueue(root)) root->setStatus(JobStatus::Cancelled);
}

void QueueController::queueCancelled(const QueuePtr& root)
{
    if (!root) return;
    root->setRestorePoint(RestorePoint::Cancelled);
    if (root->isNZB()) {
        root->setCommentTextField(QCodeClass::code2Text(JobStatus::Cancelled).value_or(QString()));
        clearQueueObject(root);
    }
    if (root->hasRepairFiles()) {
        if (RepairController* repair = repairController(); repair && root->repairObject())
            repair->removeRepairObject(root->repairObject());
        root->setRepairObject(nullptr);
    }
    root->setStatus(JobStatus::Idle);
    removeObjectFromQueue(root);
    resetDPRootQueue(root);
    root->setCheckboxDisabled(false);
    root->setCheckbox(0);
    root->setDelegate(nullptr);
}

bool QueueController::checkIfallFilePartsAreCancelledForQueue(const QueuePtr& root) const
{
    if (!root) return true;
    // From the last part: a job's parts are cancelled in list order, and
    // this runs once per cancelled part, so a part still selected is found
    // at once instead of after every part already cancelled.
    const QList<QueuePtr> rootParts = root->fileparts();
    return std::none_of(rootParts.crbegin(), rootParts.crend(),
                        [](const QueuePtr& part) { return part->checkbox() == 1; });
}

void QueueController::cleanUpQueueForced(bool /*forced*/)
{
    QMutexLocker locker(&arrayLock_);
    QList<QueuePtr> finished;
    for (const QueuePtr& q : queueArray_) {
        if (isFinishedForCleaning(*q)) finished.append(q);
    }
    for (const QueuePtr& q : finished)
        cancelDPRootQueueObject(q);
}

void QueueController::cleanUpQueueAfterFinishingObject(const QueuePtr& root)
{
    if (!root) return;
    if (root->isReplyPost()) cleanUpQueueForced(true);
    const qint64 tag = cleaningTag();
    if (tag == 3)
        moveFinishedQueueObjectToBottom(root);
    else if (tag == 2)
        cleanUpQueueForced(true);
}

void QueueController::moveFinishedQueueObjectToBottom(const QueuePtr& root)
{
    QMutexLocker locker(&arrayLock_);
    const qsizetype index = queueArray_.indexOf(root);
    if (index < 0) return;
    NotificationHub::defaultCenter().post(QStringLiteral("MoveObjectToTableViewQueueBottom"), this,
                                          {{QStringLiteral("row"), qint64(index)}});
}

void QueueController::cleanUpQueueAfterUserChangedAutoMethod()
{
    const qint64 tag = cleaningTag();
    if (tag == 3) {
        for (const QueuePtr& q : queueArray()) {
            if (isFinishedForCleaning(*q)) moveFinishedQueueObjectToBottom(q);
        }
    } else if (tag == 2) {
        cleanUpQueueForced(true);
    }
}

void QueueController::resetFilepartObject(const QueuePtr& filepart)
{
    if (!filepart) return;
    if (filepart->segmentCount() > 0) {
        filepart->setIsDecodedAlready(false);
        filepart->setDecodedFileData(QByteArray());
        const QList<SegmentPtr> partSegments = filepart->segments();
        for (const SegmentPtr& s : partSegments) {
            s->setStatus(ArticleStatus::Queued);
            s->setSpooled(false);
            s->removeAllUsedServerIDs();
        }
    }
    // A part reset without being written (a decode error, its job cleared)
    // leaves no spool behind.
    fileWriteController_.discardSpool(filepart);
    // An NZB job keeps no article lists of written parts in memory; a
    // search-service job keeps them to fetch again.
    const QueuePtr root = filepart->queue();
    if (root && root->isNZB()) clearSegmentsFromFilepart(filepart);
}

void QueueController::clearSegmentsFromFilepart(const QueuePtr& filepart)
{
    if (filepart) filepart->removeAllSegments();
}

void QueueController::clearQueueObject(const QueuePtr& root)
{
    if (!root) return;
    const QList<QueuePtr> parts = root->fileparts();
    for (const QueuePtr& part : parts)
        resetFilepartObject(part);
    if (root->isNZB()) {
        for (const QueuePtr& part : parts)
            part->setDelegate(nullptr);
        root->setFileparts({});
    }
}

void QueueController::passwordsWereUpdatedForQueueArray(const QList<QueuePtr>& roots)
{
    for (const QueuePtr& q : roots) {
        if (!q) continue;
        BLOG(1, "Password set for: %@", q->title());
        q->setHasPassword(true);
        if (q->isPaused()) resumeQueueObject(q);
        if (q->status() == JobStatus::ExtractingNotPossible ||
            q->status() == JobStatus::CorruptFileOrWrongPassword)
            q->setStatus(JobStatus::QueuedForExtraction);
    }
    NotificationHub::defaultCenter().post(QStringLiteral("ReloadDeepLookupOutlineViewItemsInArray"), this,
                                          {{QStringLiteral("queuearray"), QVariant::fromValue(roots)}});
}

void QueueController::renameQueue(const QueuePtr& root, const QString& newTitle)
{
    if (!root || newTitle.isEmpty()) return;
    root->setNewtitle(newTitle);
    if (root->status() == JobStatus::Finished && renameTitleController_)
        renameTitleController_->renameTitleForQueue(root);
}

void QueueController::execute(const QueuePtr& filepart)
{
    if (!filepart) return;
    const QueuePtr root = filepart->queue();
    if (!root || root->isMissing()) return;
    Utils::executeFile(root->downloadUrl(), filepart->filename(), QVariant::fromValue(filepart));
}
