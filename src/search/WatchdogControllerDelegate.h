#pragma once

#include "platform/DelegateLifetime.h"
#include "search/WatchdogSearchContentParser.h"

#include <QString>

#include <memory>

class Watchdog;

// What a WatchdogSearchController reports about the search of one entry, on
// the main thread. Every method is optional; held weakly.
class WatchdogControllerDelegate : public DelegateLifetime
{
public:
    virtual void searchResults(const WatchdogSearchContentParser::Result& result,
                               const std::shared_ptr<Watchdog>& entry)
    {
        (void)result;
        (void)entry;
    }
    virtual void searchFailed(const QString& title, const QString& subtitle, const std::shared_ptr<Watchdog>& entry)
    {
        (void)title;
        (void)subtitle;
        (void)entry;
    }
    virtual void searchCancelledForObj(const std::shared_ptr<Watchdog>& entry) { (void)entry; }
};
