#include "search/WatchdogSearchController.h"

#include "platform/Dispatch.h"
#include "search/DeepLookupSocket.h"
#include "search/Watchdog.h"

WatchdogSearchController::WatchdogSearchController() = default;

WatchdogSearchController::~WatchdogSearchController()
{
    releaseSocket();
}

bool WatchdogSearchController::searchFor(const std::shared_ptr<Watchdog>& entry)
{
    if (!entry) return false;
    releaseSocket();
    socket_ = std::make_unique<DeepLookupSocket>();
    socket_->setDelegate(this);
    if (!socket_->startWatchdogSearchFor(entry)) {
        releaseSocket();
        return false;
    }
    return true;
}

void WatchdogSearchController::cancelSearch()
{
    if (socket_) socket_->cancelSearch();
}

bool WatchdogSearchController::isRunning() const
{
    return socket_ && socket_->isRunning();
}

void WatchdogSearchController::releaseSocket()
{
    if (!socket_) return;
    socket_->setDelegate(nullptr);
    // Released from inside the socket's own report: it goes once that
    // report has returned.
    socket_.release()->deleteLater();
}

void WatchdogSearchController::watchdogSearchResults(DeepLookupSocket&, const std::optional<QString>& text,
                                                     const std::shared_ptr<Watchdog>& entry)
{
    releaseSocket();
    parsingEntry_ = entry;
    // The parse runs off the main thread on its own objects only: the entry
    // stays here (a QObject must not even be released there), and the
    // result comes back to the main thread, where it is delivered only if
    // this controller still lives.
    const std::weak_ptr<const void> token = lifetimeToken();
    Dispatch::global([text, token, this] {
        auto result = std::make_shared<WatchdogSearchContentParser::Result>(
            WatchdogSearchContentParser().parseSearchResult(text));
        Dispatch::onMain([result, token, this] {
            if (token.expired()) return;
            const std::shared_ptr<Watchdog> parsed = std::move(parsingEntry_);
            parsingEntry_.reset();
            if (WatchdogControllerDelegate* d = delegate()) d->searchResults(*result, parsed);
        });
    });
}

void WatchdogSearchController::searchFailed(DeepLookupSocket& socket, const QString& title,
                                            const QString& subtitle, const QueuePtr&)
{
    const std::shared_ptr<Watchdog> entry = socket.currentWatchdogObject();
    releaseSocket();
    if (WatchdogControllerDelegate* d = delegate()) d->searchFailed(title, subtitle, entry);
}

void WatchdogSearchController::searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr&)
{
    const std::shared_ptr<Watchdog> entry = socket.currentWatchdogObject();
    releaseSocket();
    if (WatchdogControllerDelegate* d = delegate()) d->searchCancelledForObj(entry);
}
