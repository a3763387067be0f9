#include "support/CancellingQueueController.h"

#include "queue/StatusCodes.h"

void CancellingQueueController::statusChangedForFilepart(const QueuePtr& filepart, qint64, qint64 toValue)
{
    if (toValue == FilePartStatus::Cancelled) fStatusToCancelled(filepart);
}

void CancellingQueueController::statusChangedForQueueObject(const QueuePtr& queue, qint64, qint64 toValue)
{
    if (toValue == JobStatus::Cancelled) queueCancelled(queue);
}
