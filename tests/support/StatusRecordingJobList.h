#pragma once

#include "queue/Queue.h"
#include "queue/QueueObjectDelegate.h"

#include <QHash>
#include <QList>

// Stands in for the scheduler's side of the post-processing runner: a job
// list in queue order whose first job waiting for a step (14, 15, 43 or 54,
// neither paused nor cancelled) is what jobSource() answers, and the
// delegate of its jobs, recording every status each job reported.
class StatusRecordingJobList : public QueueObjectDelegate
{
public:
    // A root job titled `title` with the folder `downloadUrl`, at `status`,
    // appended to the list.
    QueuePtr addJob(const QString& title, const QString& downloadUrl, qint64 status);

    QueuePtr firstWaitingJob() const;

    // The statuses `job` reported, in order (the initial one included once
    // the event loop has run).
    QList<qint64> statuses(const QueuePtr& job) const { return statuses_.value(job.get()); }

    void statusChangedForQueueObject(const QueuePtr& queue, qint64 fromValue, qint64 toValue) override;

private:
    QList<QueuePtr> jobs_;
    QHash<const Queue*, QList<qint64>> statuses_;
};
