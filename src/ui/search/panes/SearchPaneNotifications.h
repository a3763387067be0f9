#pragma once

#include "search/DeepLookupObject.h"

#include <QString>

class QObject;

// What the search page's left panes announce about one stored search.
namespace SearchPaneNotifications {

// Run this search (the search page listens).
inline QString requestForDeepLookup() { return QStringLiteral("RequestForDeepLookup"); }
// Make a Watchdog entry of this search (the Watchdog engine listens).
inline QString makeWatchdogFromDeepLookupObject()
{
    return QStringLiteral("MakeWatchdogFromDeepLookupObjectNotification");
}
// The key of the search in both.
inline QString deepLookupObjectKey() { return QStringLiteral("deeplookupobject"); }

// Posts `name` from `sender` with the search under its key.
void post(const QString& name, QObject* sender, const DeepLookupObjectPtr& query);

} // namespace SearchPaneNotifications
