#include "support/StatusRecordingJobList.h"

QueuePtr StatusRecordingJobList::addJob(const QString& title, const QString& downloadUrl, qint64 status)
{
    QueuePtr job = Queue::create();
    job->setTitle(title);
    job->setDownloadUrl(downloadUrl);
    job->setDelegate(this);
    job->setStatus(status);
    jobs_.append(job);
    return job;
}

QueuePtr StatusRecordingJobList::firstWaitingJob() const
{
    for (const QueuePtr& job : jobs_) {
        const qint64 s = job->status();
        if ((s == 14 || s == 15 || s == 43 || s == 54) && !job->isPaused() && !job->isCancelled()) return job;
    }
    return nullptr;
}

void StatusRecordingJobList::statusChangedForQueueObject(const QueuePtr& queue, qint64, qint64 toValue)
{
    statuses_[queue.get()].append(toValue);
}
