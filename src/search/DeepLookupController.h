#pragma once

#include "queue/QueueObjectDelegate.h"
#include "search/DeepLookupChildsParser.h"
#include "search/DeepLookupContentParser.h"
#include "search/DeepLookupSocket.h"
#include "search/DeepLookupSocketDelegate.h"
#include "search/FilepartsByFid.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class DeepLookupControllerDelegate;
class DeepLookupObject;
class QueueController;

// Drives every search-service request: the one search of the search page,
// and for the queue the file lists of result jobs (one request at a time,
// first asked, first served) and the article lists of their file parts (in
// batches of up to fidsPerBatch() parts, whatever jobs they belong to). The
// three activities are independent, each with at most one request in flight
// on a socket of its own.
//
// Every step ends, whatever the service does: a request whose connection
// failed closes its step as a reply without data would (a file list as an
// error, article lists as none), so that later requests are never held back.
// A failure of a file-list or article-list request is never reported as the
// end of a running search.
//
// Main thread; replies of file and article lists are parsed on the global
// pool and handed back to the main thread before the step ends.
class DeepLookupController : public QObject,
                             private DeepLookupSocketDelegate,
                             private DeepLookupParserDelegate
{
    Q_OBJECT
public:
    static constexpr qsizetype kFidsPerBatch = 200;

    explicit DeepLookupController(QObject* parent = nullptr);
    ~DeepLookupController() override;

    // Weak.
    DeepLookupControllerDelegate* delegate() const;
    void setDelegate(DeepLookupControllerDelegate* delegate);
    // Weak; set once at start-up.
    QueueController* queueController() const;
    void setQueueController(QueueController* controller);

    // The result list of the current search, kept for the search page.
    const QList<QueuePtr>& dpcontentArray() const { return dpcontentArray_; }
    void setDpcontentArray(const QList<QueuePtr>& results) { dpcontentArray_ = results; }
    // Set by the search page before each search; handed to every parser.
    qint64 lastSearchDate() const { return lastSearchDate_; }
    void setLastSearchDate(qint64 date) { lastSearchDate_ = date; }

    // --- the search page
    // Starts a search, dropping one that runs.
    void searchFor(const DeepLookupObject& query);
    // Without a running search nothing happens.
    void cancelSearch();

    // --- the queue
    // Queues a request for the job's file list (a job asked for twice is
    // queued twice; its first finished request removes both).
    void getFidsFor(const QueuePtr& job);
    // Unless a batch runs, fetches the article lists of the queue's parts
    // without them, batch after batch, until none is left.
    void startDownloadingMids();

    // --- state
    DeepLookupSocket* socket() const { return socket_.data(); }
    const QList<QueuePtr>& fidDownloadQueue() const { return fidDownloadQueue_; }
    const FilepartsByFid& midsDownloadQueue() const { return midsDownloadQueue_; }
    bool isDownloadingFids() const { return isDownloadingFids_; }
    bool isDownloadingMids() const { return isDownloadingMids_; }
    qsizetype fidsPerBatch() const { return kFidsPerBatch; }

private:
    // DeepLookupSocketDelegate
    void searchResults(DeepLookupSocket& socket, const std::optional<QString>& text) override;
    void childFilesQueryResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                                const QueuePtr& obj) override;
    void midsQueryResults(DeepLookupSocket& socket, const std::optional<QString>& text) override;
    void searchFailed(DeepLookupSocket& socket, const QString& title, const QString& subtitle,
                      const QueuePtr& obj) override;
    void searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr& obj) override;
    // DeepLookupParserDelegate
    void parsingFinished(const DeepLookupContentParser::Result& result) override;

    DeepLookupSocket* makeSocket();
    static void release(QPointer<DeepLookupSocket>& socket);
    void releaseSocket();
    DownloadHistoryContains historyContains() const;

    void startDownloadingFids();
    void childParsingFinished(const DeepLookupChildsParser::Result& result, const QueuePtr& job);

    void getNextObjects();
    // Sends the next request of the running batch, or ends the batch.
    void downloadMids();
    void midsRequestParsed();
    void midsParsingFinished(const FilepartsByFid& batch);

    void searchResultDelegate(const DeepLookupContentParser::Result& result);
    void searchFailedDelegate(const QString& title, const QString& subtitle);
    void searchCancelledDelegate();
    DeepLookupControllerDelegate* liveDelegate() const;

    DeepLookupControllerDelegate* delegate_ = nullptr;
    std::weak_ptr<const void> delegateToken_;
    QPointer<QueueController> queueController_;
    QList<QueuePtr> dpcontentArray_;
    qint64 lastSearchDate_ = 0;

    QPointer<DeepLookupSocket> socket_;
    QPointer<DeepLookupSocket> fidSocket_;
    QPointer<DeepLookupSocket> midsSocket_;

    QList<QueuePtr> fidDownloadQueue_;
    bool isDownloadingFids_ = false;

    FilepartsByFid midsDownloadQueue_;
    // The requests of the running batch still to send (one content flag
    // each), and the one in flight.
    QList<FilepartsByFid> midsRequests_;
    FilepartsByFid midsRequestInFlight_;
    bool isDownloadingMids_ = false;
};
