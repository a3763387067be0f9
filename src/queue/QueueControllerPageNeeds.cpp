// What the queue page calls on the scheduler that its owners have not
// delivered yet: each is the smallest behaviour the page relies on.

#include "queue/QueueController.h"

#include <QMutexLocker>

namespace {

// A job still waiting for, or in the middle of, its transfer.
bool isStillToTransfer(qint64 status)
{
    switch (status) {
    case 0:
    case 1:
    case 99:
    case 105:
    case 106:
    case 201:
    case 202:
    case 203:
        return true;
    default:
        return false;
    }
}

} // namespace

// ---- owned by queueing of jobs, pause and resume; minimal here ----

void QueueController::pauseQueueObject(const QueuePtr& root)
{
    if (!root) return;
    switch (root->status()) {
    case 8:
    case 9:
    case 10:
    case 42:
    case 52:
    case 205:
    case 206:
        return;
    default:
        root->setShouldPause(true);
    }
}

QueuePtr QueueController::getObjectForQidnr(qint64 qidnr) const
{
    QMutexLocker locker(&arrayLock_);
    for (const QueuePtr& q : queueArray_) {
        if (q->qidnr() == qidnr) return q;
    }
    return nullptr;
}

void QueueController::moveObjectFromIndex(qsizetype fromIndex, qsizetype toIndex)
{
    QMutexLocker locker(&arrayLock_);
    const qsizetype n = queueArray_.size();
    if (fromIndex < 0 || fromIndex >= n || toIndex < 0 || toIndex >= n) return;
    queueArray_.move(fromIndex, toIndex);
}

// ---- owned by the article hand-out; minimal here ----

qint64 QueueController::getTotalFilesInQueue()
{
    double downloadBytes = 0, uploadBytes = 0;
    qint64 downloads = 0, uploads = 0;
    {
        QMutexLocker locker(&arrayLock_);
        for (const QueuePtr& root : std::as_const(queueArray_)) {
            if (!isStillToTransfer(root->status())) continue;
            if (root->isUploadObject()) {
                uploadBytes += root->totalBytesLeft();
                ++uploads;
            } else {
                downloadBytes += root->totalBytesLeft();
                ++downloads;
            }
        }
    }
    pageFilesInQueue_ = double(downloads + uploads);
    pageFilesLeftToDownload_ = double(downloads);
    pageFilesLeftToUpload_ = double(uploads);
    pageBytesLeftToDownload_ = downloadBytes;
    pageBytesLeftToUpload_ = uploadBytes;
    return downloads + uploads;
}

double QueueController::filesInQueue() const
{
    return pageFilesInQueue_.load();
}
double QueueController::filesLeftToDownload() const
{
    return pageFilesLeftToDownload_.load();
}
double QueueController::filesLeftToUpload() const
{
    return pageFilesLeftToUpload_.load();
}
double QueueController::bytesLeftToDownload() const
{
    return pageBytesLeftToDownload_.load();
}
double QueueController::bytesLeftToUpload() const
{
    return pageBytesLeftToUpload_.load();
}
