#pragma once

#include "queue/QueueController.h"

// The scheduler with the two status handlers cancellation goes through
// wired in, as the status dispatchers do it: a part set to Cancelled is
// taken out, a job set to Cancelled leaves the queue.
class CancellingQueueController : public QueueController
{
public:
    void statusChangedForFilepart(const QueuePtr& filepart, qint64 fromValue, qint64 toValue) override;
    void statusChangedForQueueObject(const QueuePtr& queue, qint64 fromValue, qint64 toValue) override;
};
