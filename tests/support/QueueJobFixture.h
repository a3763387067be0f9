#pragma once

#include "queue/Queue.h"

#include <QString>

// A job as the pages list it: titled, numbered, an NZB download (or an
// upload) at `status`, without parts.
inline QueuePtr makeListedJob(const QString& title, qint64 status = 0, bool upload = false)
{
    QueuePtr job = Queue::create();
    job->setTitle(title);
    job->setQidnr(Queue::makeQidnr());
    job->setIsNZB(!upload);
    job->setIsUploadObject(upload);
    job->setStatus(status);
    return job;
}
