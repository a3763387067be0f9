#include "queue/QueueController.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"
#include "queue/NZBController.h"

#include <QMutexLocker>

QueueController::QueueController(QObject* parent) : QObject(parent)
{}

QueueController::~QueueController() = default;

NZBController* QueueController::nzbController() const
{
    return nzbController_;
}

void QueueController::setNzbController(NZBController* controller)
{
    nzbController_ = controller;
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
        if (status == 10 || status == 205 || status == 16) return i;
    }
    return queueArray_.size();
}
