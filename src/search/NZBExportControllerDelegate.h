#pragma once

#include "platform/DelegateLifetime.h"
#include "queue/QueueObjectDelegate.h"
#include "search/NZBExportParser.h"

#include <QString>

// The NZB export window as the NZBExportController sees it. Every call is
// made on the main thread; every method is optional (the defaults do
// nothing). Held weakly: once destroyed it is no longer called.
//
// A request ends with exactly one of searchResults() (also when the reply
// holds the service's "error"), searchFailed() or searchCancelledForObj();
// a write with exactly one of nzbWriteFinishedForQueue() or
// nzbWriteFailed().
class NZBExportControllerDelegate : public DelegateLifetime
{
public:
    // `job` is the result the request was made for (not a parsed root).
    virtual void searchResults(const NZBExportParser::Result&, const QueuePtr&) {}
    virtual void searchFailed(const QString&, const QString&, const QueuePtr&) {}
    virtual void searchCancelledForObj(const QueuePtr&) {}
    virtual void nzbWriteFinishedForQueue(const QueuePtr&) {}
    virtual void nzbWriteFailed(const QString&, const QString&, const QueuePtr&) {}
};
