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
