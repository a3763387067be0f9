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
    void statusChangedForFilepart(const QueuePtr& filepart, qint64 fromValue, qint64 toValue) override
    {
        if (filepart) partsSeen_[filepart.get()].append(toValue);
        QueueController::statusChangedForFilepart(filepart, fromValue, toValue);
    }

    // Codes in the order they were reported, for the job of `title`.
    QList<qint64> statusesOf(const QString& title) const { return seen_.value(title); }
    // Codes in the order they were reported, for the file part `filepart`.
    QList<qint64> statusesOfFilepart(const QueuePtr& filepart) const { return partsSeen_.value(filepart.get()); }

private:
    QHash<QString, QList<qint64>> seen_;
    QHash<const Queue*, QList<qint64>> partsSeen_;
};
