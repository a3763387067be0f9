#include "queue/QueueController.h"

#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "queue/QCodeClass.h"
#include "queue/QueueFileUtils.h"
#include "queue/StatusCodes.h"
#include "search/DeepLookupController.h"

#include <QHash>
#include <QMutexLocker>
#include <QVariantMap>

namespace {

QString statusText(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

} // namespace

DeepLookupController* QueueController::deepLookupController() const
{
    return deepLookupController_.data();
}

void QueueController::setDeepLookupController(DeepLookupController* controller)
{
    deepLookupController_ = controller;
}

void QueueController::queueRootStatusToDownloadFilelist(const QueuePtr& queue)
{
    if (!queue) return;
    setCommentTextField(queue, statusText(JobStatus::DownloadingFilelist));
    getFilelistForDPQueue(queue);
}

void QueueController::getFilelistForDPQueue(const QueuePtr& queue)
{
    if (!queue) return;
    if (!queue->delegate()) queue->setDelegate(this);
    if (deepLookupController_) deepLookupController_->getFidsFor(queue);
}

void QueueController::childQueryResults(const DeepLookupChildsParser::Result& result, const QueuePtr& queue)
{
    if (!queue) return;
    if (result.failed()) {
        DialogBoxes::alertBoxDefault(*result.error, QStringLiteral("Please try again."));
        // The job keeps no list, so queueing it again asks for the list
        // again; it must not rest at DownloadingFilelist as if a request were running.
        queue->setStatus(JobStatus::Idle);
        queue->setCheckboxDisabled(false);
        return;
    }
    addFileparts(result.contentArray, queue);
    fileListReceived(queue);
    NotificationHub::defaultCenter().post(QStringLiteral("NewFilepartsReceived"), this,
                                          {{QStringLiteral("queue"), QVariant::fromValue(queue)}});
}

void QueueController::addFileparts(const QList<QueuePtr>& fileparts, const QueuePtr& queue)
{
    if (!queue) return;
    {
        // Connection threads walk the parts of queued jobs.
        QMutexLocker locker(&arrayLock_);
        for (const QueuePtr& part : fileparts) {
            if (!part) continue;
            part->setQueue(queue);
            part->setDelegate(this);
            queue->appendFilepart(part);
        }
    }
    if (queue->hasRepairFiles()) queue->setIsParsOnly(QueueFileUtils::checkIfSetOnlyContainsRepairFiles(queue));
}

void QueueController::fileListReceived(const QueuePtr& queue)
{
    if (!queue) return;
    queue->setFilelistReceived(true);
    queue->setStatus(JobStatus::FilelistDownloaded);
}

void QueueController::queueRootStatusToDownloadFilelistFinished(const QueuePtr& queue)
{
    if (!queue) return;
    queue->setStatus(JobStatus::Idle);
    if (queue->shouldDownloadSegments()) queue->setStatus(JobStatus::DownloadingSegments);
}

void QueueController::queueRootStatusToDownloadSegments(const QueuePtr& queue)
{
    if (!queue) return;
    setCommentTextField(queue, statusText(JobStatus::DownloadingSegments));
    queue->setCheckboxDisabled(true);
    getSegments();
}

void QueueController::getSegments()
{
    if (deepLookupController_) deepLookupController_->startDownloadingMids();
}

FilepartsByFid QueueController::getNextObjectsForDownloadingMids(qsizetype limit) const
{
    FilepartsByFid parts;
    if (limit <= 0) return parts;
    QMutexLocker locker(&arrayLock_);
    for (const QueuePtr& root : queueArray_) {
        if (root->isNZB() || root->segmentsReceived() || root->status() != JobStatus::DownloadingSegments)
            continue;
        for (const QueuePtr& part : root->fileparts()) {
            if (part->segmentCount() > 0) continue;
            const QString fid = part->fid();
            if (fid.isEmpty()) continue;
            parts.insert(fid, part);
            if (parts.size() >= limit) return parts;
        }
    }
    return parts;
}

void QueueController::midsQueryResults(const QList<QueuePtr>& fileparts)
{
    if (fileparts.isEmpty()) {
        DialogBoxes::alertBoxDefault(QStringLiteral("No articles received."),
                                     QStringLiteral("The file does not exists on the server."));
        return;
    }
    // By job, in the order the jobs first appear.
    QList<QueuePtr> roots;
    QHash<const Queue*, QList<QueuePtr>> partsOf;
    for (const QueuePtr& part : fileparts) {
        const QueuePtr root = part ? part->queue() : nullptr;
        if (!root) continue;
        auto it = partsOf.find(root.get());
        if (it == partsOf.end()) {
            roots.append(root);
            it = partsOf.insert(root.get(), {});
        }
        it->append(part);
    }
    for (const QueuePtr& root : roots) {
        if (checkIfAllSegmentsReceivedForQueue(root)) {
            root->setSegmentsReceived(true);
            allSegmentReceivedForQueue(root);
            continue;
        }
        for (const QueuePtr& part : root->fileparts()) {
            if (part->segmentCount() > 0) part->setStatus(JobStatus::Idle);
        }
    }
}

bool QueueController::checkIfAllSegmentsReceivedForQueue(const QueuePtr& queue) const
{
    if (!queue) return false;
    for (const QueuePtr& part : queue->fileparts()) {
        if (part->segmentCount() == 0) return false;
    }
    return true;
}

void QueueController::allSegmentReceivedForQueue(const QueuePtr& queue)
{
    if (queue) queue->setStatus(JobStatus::SegmentsDownloaded);
}

void QueueController::queueRootStatusToDownloadSegmentsFinished(const QueuePtr& queue)
{
    if (!queue) return;
    if (queue->isHeaderRequest()) {
        replyObjectFinished(queue);
        return;
    }
    queue->setSegmentsReceived(true);
    queue->setShouldDownloadSegments(false);
    queue->setStatus(JobStatus::Idle);
    queue->setCheckboxDisabled(false);
    if (queue->shouldSelectAllFileparts()) {
        queue->setShouldSelectAllFileparts(false);
        checkboxesToOnStateForQueue(queue);
    }
    for (const QueuePtr& part : queue->fileparts()) {
        if (part->checkbox() == 1) addDPFilepartToQueue(part);
    }
}

void QueueController::queueRootStatusToDownloadSegmentsError(const QueuePtr& queue)
{
    if (!queue) return;
    queue->setSegmentsReceived(false);
    queue->setShouldDownloadSegments(false);
    queue->setStatus(JobStatus::Idle);
    queue->setCheckboxDisabled(false);
    cancelDPRootQueueObject(queue);
    const bool isReplyPost = queue->isReplyPost();
    for (const QueuePtr& part : queue->fileparts()) {
        part->setCheckbox(0);
        if (isReplyPost)
            NotificationHub::defaultCenter().post(QStringLiteral("BodyDownloadedErrorForReplyPost"), this);
    }
}
