#include "core/QueueControllerFlags.h"

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
