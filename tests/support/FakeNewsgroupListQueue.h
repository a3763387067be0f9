#pragma once

#include "nntp/NewsgroupListQueueInterface.h"

#include <QList>

#include <functional>

// A download queue for tests of the newsgroup-list request: it records every
// job handed in or out, with the job's checkbox at that moment, and queues
// nothing. Main thread.
class FakeNewsgroupListQueue : public NewsgroupListQueueInterface
{
public:
    struct Call
    {
        QueuePtr queue;
        qint64 checkbox = 0;
    };

    void dpRootQueueObjectCheckBoxClicked(const QueuePtr& queue) override;

    std::function<void(const QueuePtr&)> onQueued;

    const QList<Call>& calls() const { return calls_; }
    // The jobs currently taken in (checkbox 1, not yet taken out).
    QList<QueuePtr> queued() const;

private:
    QList<Call> calls_;
};
