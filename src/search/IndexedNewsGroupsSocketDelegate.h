#pragma once

#include "platform/DelegateLifetime.h"

#include <QString>

// Told by an IndexedNewsgroupSocket how its request ended, on the main
// thread. Every method is optional. Held weakly.
class IndexedNewsGroupsSocketDelegate : public DelegateLifetime
{
public:
    // The whole reply text (see IndexedNewsgroupSocket::newsgroupsFromList).
    virtual void newsgroupsDownloaded(const QString&) {}
    virtual void downloadFailed(const QString&, const QString&) {}
};
