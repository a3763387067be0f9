#include "search/DeepLookupController.h"

#include "core/Logger.h"
#include "platform/Dispatch.h"
#include "queue/DownloadHistoryController.h"
#include "queue/Queue.h"
#include "queue/QueueController.h"
#include "search/DeepLookupControllerDelegate.h"
#include "search/DeepLookupMidsParser.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocket.h"

DeepLookupController::DeepLookupController(QObject* parent) : QObject(parent)
{}

DeepLookupController::~DeepLookupController()
{
    release(socket_);
    release(fidSocket_);
    release(midsSocket_);
}

DeepLookupControllerDelegate* DeepLookupController::delegate() const
{
    return liveDelegate();
}

void DeepLookupController::setDelegate(DeepLookupControllerDelegate* delegate)
{
    delegate_ = delegate;
    delegateToken_ = delegate ? delegate->lifetimeToken() : std::weak_ptr<const void>();
}

DeepLookupControllerDelegate* DeepLookupController::liveDelegate() const
{
    return delegateToken_.expired() ? nullptr : delegate_;
}

QueueController* DeepLookupController::queueController() const
{
    return queueController_.data();
}

void DeepLookupController::setQueueController(QueueController* controller)
{
    queueController_ = controller;
}

DeepLookupSocket* DeepLookupController::makeSocket()
{
    auto* socket = new DeepLookupSocket(this);
    socket->setDelegate(this);
    return socket;
}

void DeepLookupController::release(QPointer<DeepLookupSocket>& socket)
{
    if (!socket) return;
    // Possibly inside one of its own calls: it goes once that has returned.
    socket->setDelegate(nullptr);
    socket->deleteLater();
    socket = nullptr;
}

void DeepLookupController::releaseSocket()
{
    release(socket_);
}

DownloadHistoryContains DeepLookupController::historyContains() const
{
    DownloadHistoryController* history =
        queueController_ ? queueController_->downloadHistoryController() : nullptr;
    if (!history) return {};
    return [history](const QString& id) { return history->containsFid(id); };
}

// ---- Search

void DeepLookupController::searchFor(const DeepLookupObject& query)
{
    releaseSocket();
    socket_ = makeSocket();
    if (!socket_->startDeepLookupFor(query)) {
        releaseSocket();
        // A new socket always sends; should it not, the search still ends.
        searchFailedDelegate(QStringLiteral("No valid response from server (101)"),
                             DeepLookupSocket::kPleaseTryAgain);
    }
}

void DeepLookupController::cancelSearch()
{
    if (socket_) socket_->cancelSearch();
}

void DeepLookupController::searchResults(DeepLookupSocket& socket, const std::optional<QString>& text)
{
    if (&socket != socket_) return;
    releaseSocket();
    DeepLookupContentParser parser;
    const DownloadHistoryContains contains = historyContains();
    parser.setDownloadHistoryContainsQid(contains);
    parser.setDownloadHistoryContainsFid(contains);
    if (queueController_) parser.setQueuedJobs(queueController_->queueArray());
    parser.setLastSearchDate(lastSearchDate_);
    parser.setDelegate(this);
    parser.parseSearchResult(text);
    parser.setDelegate(nullptr);
}

void DeepLookupController::parsingFinished(const DeepLookupContentParser::Result& result)
{
    searchResultDelegate(result);
}

void DeepLookupController::searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr&)
{
    if (&socket != socket_) return;
    releaseSocket();
    searchCancelledDelegate();
}

void DeepLookupController::searchFailed(DeepLookupSocket& socket, const QString& title,
                                        const QString& subtitle, const QueuePtr&)
{
    if (&socket == socket_) {
        releaseSocket();
        searchFailedDelegate(title, subtitle);
        return;
    }
    // The page learns of a failed list request only while it is not waiting
    // for a search of its own, whose end this must not look like.
    if (!socket_) searchFailedDelegate(title, subtitle);
    // After a reply the result call follows and ends the step; after a
    // failed connection nothing follows, so the step ends here.
    if (!socket.connectionFailed()) return;
    if (&socket == fidSocket_) {
        const QueuePtr job = socket.currentQueueObject();
        release(fidSocket_);
        childParsingFinished(DeepLookupChildsParser::failedRequest(title), job);
    } else if (&socket == midsSocket_) {
        release(midsSocket_);
        midsRequestParsed();
    }
}

// ---- File lists

void DeepLookupController::getFidsFor(const QueuePtr& job)
{
    if (!job) return;
    fidDownloadQueue_.append(job);
    startDownloadingFids();
}

void DeepLookupController::startDownloadingFids()
{
    if (isDownloadingFids_ || fidDownloadQueue_.isEmpty()) return;
    isDownloadingFids_ = true;
    const QueuePtr job = fidDownloadQueue_.first();
    fidSocket_ = makeSocket();
    if (!fidSocket_->getChildFilesFor(job)) {
        release(fidSocket_);
        childParsingFinished(
            DeepLookupChildsParser::failedRequest(QStringLiteral("No valid response from server (101)")),
            job);
    }
}

void DeepLookupController::childFilesQueryResults(DeepLookupSocket& socket,
                                                  const std::optional<QString>& text, const QueuePtr& obj)
{
    if (&socket != fidSocket_) return;
    std::optional<QString> requestFailure;
    if (socket.failure()) requestFailure = socket.failure()->title;
    release(fidSocket_);

    DeepLookupChildsParser parser;
    parser.setDownloadHistoryContainsFid(historyContains());
    parser.setLastSearchDate(lastSearchDate_);
    QPointer<DeepLookupController> self(this);
    Dispatch::global([self, parser, text, obj, requestFailure] {
        DeepLookupChildsParser::Result result = parser.parseQueryResult(text, obj, requestFailure);
        Dispatch::onMain([self, result = std::move(result), obj] {
            if (self) self->childParsingFinished(result, obj);
        });
    });
}

void DeepLookupController::childParsingFinished(const DeepLookupChildsParser::Result& result,
                                                const QueuePtr& job)
{
    fidDownloadQueue_.removeAll(job);
    if (queueController_ && job) queueController_->childQueryResults(result, job);
    isDownloadingFids_ = false;
    startDownloadingFids();
}

// ---- Article lists

void DeepLookupController::startDownloadingMids()
{
    if (isDownloadingMids_) return;
    getNextObjects();
}

void DeepLookupController::getNextObjects()
{
    isDownloadingMids_ = true;
    midsDownloadQueue_ = queueController_ ? queueController_->getNextObjectsForDownloadingMids(kFidsPerBatch)
                                          : FilepartsByFid();
    if (midsDownloadQueue_.isEmpty()) {
        isDownloadingMids_ = false;
        return;
    }
    // One request carries one content flag: a mixed batch goes out as two.
    midsRequests_ = DeepLookupSocket::makeMidsBatches(midsDownloadQueue_, kFidsPerBatch);
    downloadMids();
}

void DeepLookupController::downloadMids()
{
    if (midsRequests_.isEmpty()) {
        midsParsingFinished(midsDownloadQueue_);
        return;
    }
    midsRequestInFlight_ = midsRequests_.takeFirst();
    midsSocket_ = makeSocket();
    if (!midsSocket_->getMidsForObjects(midsRequestInFlight_)) {
        release(midsSocket_);
        midsRequestParsed();
    }
}

void DeepLookupController::midsQueryResults(DeepLookupSocket& socket, const std::optional<QString>& text)
{
    if (&socket != midsSocket_) return;
    release(midsSocket_);
    QPointer<DeepLookupController> self(this);
    Dispatch::global([self, text, parts = midsRequestInFlight_]() mutable {
        DeepLookupMidsParser().parseQueryResult(text, parts);
        parts.clear();
        Dispatch::onMain([self] {
            if (self) self->midsRequestParsed();
        });
    });
}

void DeepLookupController::midsRequestParsed()
{
    midsRequestInFlight_.clear();
    downloadMids();
}

void DeepLookupController::midsParsingFinished(const FilepartsByFid& batch)
{
    // `batch` may be midsDownloadQueue_ itself.
    const FilepartsByFid parts = batch;
    midsDownloadQueue_.clear();
    midsRequests_.clear();
    // Every part is looked at: one without articles ends its own job's
    // completion and no other.
    const DeepLookupMidsParser::BatchOutcome outcome = DeepLookupMidsParser::checkBatch(parts);
    DeepLookupMidsParser::markPartsWithoutSegments(outcome.withoutSegments);
    if (queueController_) queueController_->midsQueryResults(outcome.received);
    isDownloadingMids_ = false;
    startDownloadingMids();
}

// ---- The page

void DeepLookupController::searchResultDelegate(const DeepLookupContentParser::Result& result)
{
    if (DeepLookupControllerDelegate* d = liveDelegate()) d->searchResults(result);
}

void DeepLookupController::searchFailedDelegate(const QString& title, const QString& subtitle)
{
    // The page shows it in a message; the log keeps it after the message is gone.
    BLOG(3, "DeepLookup search failed :: %@ (%@)", title, subtitle);
    if (DeepLookupControllerDelegate* d = liveDelegate()) d->searchFailed(title, subtitle);
}

void DeepLookupController::searchCancelledDelegate()
{
    if (DeepLookupControllerDelegate* d = liveDelegate()) d->searchCancelled();
}
