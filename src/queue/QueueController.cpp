#include "queue/QueueController.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "posting/YencEncodeController.h"
#include "postprocess/CleanupItemsController.h"
#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/NZBController.h"
#include "queue/StatusCodes.h"

#include <QMutexLocker>

QueueController::QueueController(QObject* parent)
    : QObject(parent), yencEncodeController_(std::make_unique<YencEncodeController>())
{
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { applicationWillTerminate(); });
    yencEncodeController_->setQueuecontroller(this);
}

QueueController::~QueueController() = default;

NZBController* QueueController::nzbController() const
{
    return nzbController_;
}

void QueueController::setNzbController(NZBController* controller)
{
    nzbController_ = controller;
}

RepairController* QueueController::repairController() const
{
    return repairController_;
}

void QueueController::setRepairController(RepairController* controller)
{
    repairController_ = controller;
}

CleanupItemsController* QueueController::cleanupItemsController() const
{
    return cleanupItemsController_;
}

void QueueController::setCleanupItemsController(CleanupItemsController* controller)
{
    cleanupItemsController_ = controller;
}

FODController* QueueController::fodController() const
{
    return fodController_;
}

void QueueController::setFodController(FODController* controller)
{
    fodController_ = controller;
}

QList<QueuePtr> QueueController::queueArray() const
{
    QMutexLocker locker(&arrayLock_);
    return queueArray_;
}

QList<QueuePtr> QueueController::priorityQueueArray() const
{
    QMutexLocker locker(&arrayLock_);
    return priorityQueueArray_;
}

bool QueueController::addNZBRootObjectToQueue(const QueuePtr& root)
{
    if (!root) return false;
    if (!root->delegate()) root->setDelegate(this);
    if (isQueueObjectQueued(root)) return false;
    addRootQueueObjectToQueueArray(root);
    root->setShouldSelectAllFileparts(true);
    root->setShouldDownloadSegments(false);
    return true;
}

bool QueueController::addNewsgroupsListingRequestToQueue(const QueuePtr& root)
{
    if (!root) return false;
    const QList<QueuePtr> parts = root->fileparts();
    if (!parts.isEmpty() && !parts.first()->delegate()) parts.first()->setDelegate(this);
    // The duplicate test knows the request apart from NZB jobs.
    return addNZBRootObjectToQueue(root);
}

void QueueController::addWatchdogObjectToQueue(const QueuePtr& root)
{
    if (!root) return;
    if (isQueueObjectQueued(root)) {
        root->setFileparts({});
        return;
    }
    addDPRootObjectToQueue(root);
}

void QueueController::addDPRootObjectToQueue(const QueuePtr& root)
{
    if (!root) return;
    if (!root->filelistReceived()) {
        if (!root->delegate()) root->setDelegate(this);
        if (!isQueueObjectQueued(root)) addRootQueueObjectToQueueArray(root);
        root->setShouldSelectAllFileparts(true);
        root->setShouldDownloadSegments(true);
        root->setStatus(JobStatus::DownloadingFilelist);
        return;
    }
    checkboxesToOnStateForQueue(root);
    const QList<QueuePtr> parts = root->fileparts();
    const auto inQueue = [this, root] {
        QMutexLocker locker(&arrayLock_);
        return queueArray_.contains(root);
    };
    // A job not in the queue yet is admitted by its first part.
    bool admitted = inQueue();
    // A job ticked again while its removal is under way is queued anew; only
    // a cancel that comes while its parts are queued stops them.
    const bool cancelledBefore = root->isCancelled();
    qsizetype next = 0;
    partQueuing_.run([this, root, parts, next, admitted, inQueue, cancelledBefore]() mutable {
        const bool cancelled = !cancelledBefore && root->isCancelled();
        if (next >= parts.size() || cancelled || (admitted && !inQueue())) return false;
        const QueuePtr& part = parts[next++];
        if (!part->isDownloaded() && part->checkbox() == 1) addDPFilepartToQueue(part);
        if (!admitted) admitted = inQueue();
        return next < parts.size();
    });
}

void QueueController::dpRootQueueObjectCheckBoxClicked(const QueuePtr& root)
{
    if (!root) return;
    if (root->checkbox() == 1) {
        addDPRootObjectToQueue(root);
    } else {
        root->setCheckboxDisabled(true);
        prepareRemovingObjectsInArray({root});
    }
}

void QueueController::dpFilepartObjectCheckBoxClicked(const QueuePtr& filepart)
{
    if (!filepart) return;
    if (filepart->checkbox() == 1)
        addDPFilepartToQueue(filepart);
    else
        cancelDPFilepart(filepart);
}

void QueueController::startDownloading()
{
    if (neighbours_.connectAll) neighbours_.connectAll();
}

void QueueController::startUploading(const QueuePtr& upload)
{
    if (upload && neighbours_.connectServerID) neighbours_.connectServerID(upload->serverID());
}

void QueueController::startRefreshingNewsgroupsListing(const QueuePtr& request)
{
    if (request && neighbours_.openConnections) neighbours_.openConnections(1, request->serverID());
}

void QueueController::moveObject(const QueuePtr& root, qsizetype index)
{
    QMutexLocker locker(&arrayLock_);
    const qsizetype from = root ? queueArray_.indexOf(root) : -1;
    if (from < 0) return;
    moveObjectFromIndex(from, index);
}

void QueueController::moveObjectFromIndex(qsizetype fromIndex, qsizetype toIndex)
{
    QMutexLocker locker(&arrayLock_);
    const qsizetype count = queueArray_.size();
    if (fromIndex < 0 || fromIndex >= count || toIndex < 0 || toIndex >= count) return;
    Q_EMIT queueArrayWillChange();
    queueArray_.move(fromIndex, toIndex);
    Q_EMIT queueArrayDidChange();
}

void QueueController::removeObjectFromQueue(const QueuePtr& root)
{
    if (!root) return;
    {
        QMutexLocker locker(&arrayLock_);
        if (!queueArray_.contains(root)) return;
        Q_EMIT queueArrayWillChange();
        queueArray_.removeAll(root);
        priorityQueueArray_.removeAll(root);
        Q_EMIT queueArrayDidChange();
    }
    NotificationHub::defaultCenter().post(QStringLiteral("ObjectInTableViewQueueRemoved"), this,
                                          {{QStringLiteral("queueobject"), QVariant::fromValue(root)}});
}

QueuePtr QueueController::getObjectForQidnr(qint64 qidnr) const
{
    QMutexLocker locker(&arrayLock_);
    for (const QueuePtr& q : queueArray_) {
        if (q->qidnr() == qidnr) return q;
    }
    return nullptr;
}

bool QueueController::checkIfAllQueuedObjectsAreFinished() const
{
    QMutexLocker locker(&arrayLock_);
    for (const QueuePtr& q : queueArray_) {
        const qint64 status = q->status();
        if (status == JobStatus::QueuedForDownload || status == JobStatus::Downloading) return false;
    }
    return true;
}

void QueueController::addRootQueueObjectToQueueArray(const QueuePtr& root)
{
    if (!root) {
        Logger::shared()->writeToConsole(
            sformat(u"%s Queue object is empty and can't be added to the Queue.\n",
                    "-[QueueController addRootQueueObjectToQueueArray:]"));
        return;
    }
    QMutexLocker locker(&arrayLock_);
    const qint64 cleaningTag = UserDefaults::standard().integerForKey(QStringLiteral("queueCleaningTag"));
    Q_EMIT queueArrayWillChange();
    if (root->downloadFirst()) {
        queueArray_.insert(0, root);
        root->setDownloadFirst(false);
    } else if (cleaningTag == 1 || cleaningTag == 2) {
        queueArray_.append(root);
    } else {
        queueArray_.insert(getPositionOfFirstFinishedObject(), root);
    }
    Q_EMIT queueArrayDidChange();
    root->setTotalBytesTextField(Utils::formatBytes(root->bytes()));
}

QueuePtr QueueController::isQueueObjectQueued(const QueuePtr& root) const
{
    if (!root) return nullptr;
    const QList<QueuePtr> queued = queueArray();
    auto first = [&queued](const auto& same) -> QueuePtr {
        for (const QueuePtr& q : queued) {
            if (q && same(*q)) return q;
        }
        return nullptr;
    };
    if (root->isNZB()) {
        const QString title = root->title();
        return first([&title](const Queue& q) { return q.title() == title; });
    }
    if (root->isWatchdog()) {
        const QString qid = root->qid();
        return first([&qid](const Queue& q) { return q.qid() == qid; });
    }
    if (root->isNewsgroupsRequest()) return first([](const Queue& q) { return q.isNewsgroupsRequest(); });
    return queued.contains(root) ? root : nullptr;
}

qsizetype QueueController::getPositionOfFirstFinishedObject() const
{
    QMutexLocker locker(&arrayLock_);
    for (qsizetype i = 0; i < queueArray_.size(); ++i) {
        const qint64 status = queueArray_[i]->status();
        if (status == JobStatus::Finished || status == UploadStatus::Finished ||
            status == JobStatus::PartialFinished)
            return i;
    }
    return queueArray_.size();
}
