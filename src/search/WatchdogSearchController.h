#pragma once

#include "platform/WeakDelegate.h"
#include "search/DeepLookupSocketDelegate.h"
#include "search/WatchdogControllerDelegate.h"

#include <memory>

class DeepLookupSocket;
class Watchdog;

// Runs the search of one Watchdog entry at a time on a fresh DeepLookupSocket
// and has its reply parsed on the global pool into complete jobs, which go
// back to the main thread for the delegate. A failed or cancelled search
// ends with that report alone: the socket is released before it is passed
// on, so no parse follows a failure. Main thread.
class WatchdogSearchController : public DeepLookupSocketDelegate
{
public:
    WatchdogSearchController();
    ~WatchdogSearchController() override;

    void setDelegate(WatchdogControllerDelegate* delegate) { delegate_.reset(delegate); }
    WatchdogControllerDelegate* delegate() const { return delegate_.get(); }

    // False when the request could not go out.
    bool searchFor(const std::shared_ptr<Watchdog>& entry);
    void cancelSearch();
    bool isRunning() const;

    // DeepLookupSocketDelegate
    void watchdogSearchResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                               const std::shared_ptr<Watchdog>& entry) override;
    void searchFailed(DeepLookupSocket& socket, const QString& title, const QString& subtitle,
                      const QueuePtr& obj) override;
    void searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr& obj) override;

private:
    void releaseSocket();

    WeakDelegate<WatchdogControllerDelegate> delegate_;
    std::unique_ptr<DeepLookupSocket> socket_;
    // The entry whose reply is being parsed.
    std::shared_ptr<Watchdog> parsingEntry_;
};
