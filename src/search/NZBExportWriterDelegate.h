#pragma once

#include "platform/DelegateLifetime.h"
#include "queue/QueueObjectDelegate.h"

#include <QString>

// Told by an NZBExportWriter how its write ended, on the thread that called
// it. Every method is optional: the defaults do nothing. Held weakly.
class NZBExportWriterDelegate : public DelegateLifetime
{
public:
    virtual void nzbWriteFinishedForQueue(const QueuePtr&) {}
    // `obj` is the job, or null when there was none or the write was
    // cancelled.
    virtual void nzbWriteFailed(const QString&, const QString&, const QueuePtr&) {}
};
