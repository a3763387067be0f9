#include "support/FakeNewsgroupListQueue.h"

#include "queue/Queue.h"

void FakeNewsgroupListQueue::dpRootQueueObjectCheckBoxClicked(const QueuePtr& queue)
{
    calls_.append({queue, queue ? queue->checkbox() : 0});
    if (queue && queue->checkbox() == 1 && onQueued) onQueued(queue);
}

QList<QueuePtr> FakeNewsgroupListQueue::queued() const
{
    QList<QueuePtr> jobs;
    for (const Call& call : calls_) {
        if (call.checkbox == 1 && !jobs.contains(call.queue))
            jobs.append(call.queue);
        else if (call.checkbox == 0)
            jobs.removeAll(call.queue);
    }
    return jobs;
}
