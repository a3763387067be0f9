#pragma once

#include "queue/QueueController.h"

#include <QHash>
#include <QList>

// The real scheduler, also noting every job code it is told of, so that a
// test can see the status a job entered even after the state machine has
// moved it on.
class StatusRecordingQueueController : public QueueController
{
public:
    void statusChangedForQueueObject(const QueuePtr& queue, qint64 fromValue, qint64 toValue) override
    {
        if (queue) seen_[queue->title()].append(toValue);
        QueueController::statusChangedForQueueObject(queue, fromValue, toValue);
    }

    // Codes in the order they were reported, for the job of `title`.
    QList<qint64> statusesOf(const QString& title) const { return seen_.value(title); }

private:
    QHash<QString, QList<qint64>> seen_;
};
