#include "engine/QueueControllerFlags.h"

#include "queue/QueueController.h"

QueueControllerFlags::QueueControllerFlags(QueueController* queueController) : queueController_(queueController) {}

QueueControllerFlags::~QueueControllerFlags() = default;

bool QueueControllerFlags::noDiskSpace() const
{
    return queueController_ && queueController_->noDiskSpace();
}

void QueueControllerFlags::outOfDiskSpace(bool outOfSpace)
{
    if (queueController_) queueController_->outOfDiskSpace(outOfSpace);
}

bool QueueControllerFlags::pausedDueFullWriteQueue() const
{
    return queueController_ && queueController_->pausedDueFullWriteQueue();
}

void QueueControllerFlags::setPausedDueFullWriteQueue(bool paused)
{
    if (queueController_) queueController_->setPausedDueFullWriteQueue(paused);
}

qint64 QueueControllerFlags::filesInWriteQueue() const
{
    return queueController_ ? queueController_->filesInWriteQueue() : 0;
}

double QueueControllerFlags::getAverageBandwidthUsedPerSecond()
{
    return queueController_ ? queueController_->getAverageBandwidthUsedPerSecond() : 0.0;
}

double QueueControllerFlags::bytesLeftToDownload() const
{
    return queueController_ ? queueController_->bytesLeftToDownload() : 0.0;
}

double QueueControllerFlags::bytesLeftToUpload() const
{
    return queueController_ ? queueController_->bytesLeftToUpload() : 0.0;
}

qint64 QueueControllerFlags::getTotalFilesInQueue()
{
    return queueController_ ? queueController_->getTotalFilesInQueue() : 0;
}

double QueueControllerFlags::filesInQueue() const
{
    return queueController_ ? queueController_->filesInQueue() : 0.0;
}

double QueueControllerFlags::segmentsInQueue() const
{
    return queueController_ ? queueController_->segmentsInQueue() : 0.0;
}

double QueueControllerFlags::segmentsInQueueLeft() const
{
    return queueController_ ? queueController_->segmentsInQueueLeft() : 0.0;
}
