#pragma once

#include "platform/WeakDelegate.h"
#include "queue/QueueObjectDelegate.h"
#include "search/DeepLookupSocketDelegate.h"
#include "search/NZBExportControllerDelegate.h"
#include "search/NZBExportParser.h"
#include "search/NZBExportWriterDelegate.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class DeepLookupSocket;
class NZBExportWriter;

// Saves search results as NZB files without queuing them, for the NZB
// export window: asks the service for a result's complete file and article
// list (one request at a time), has the reply parsed off the main thread
// into new root jobs, and on request writes one of them as an NZB file, on
// its own or merged into the file of the results before it.
//
// Main thread; the parse runs on the global pool and comes back to the main
// thread before it is reported.
class NZBExportController : public QObject, private DeepLookupSocketDelegate, private NZBExportWriterDelegate
{
    Q_OBJECT
public:
    explicit NZBExportController(QObject* parent = nullptr);
    ~NZBExportController() override;

    NZBExportControllerDelegate* delegate() const { return delegate_.get(); }
    void setDelegate(NZBExportControllerDelegate* delegate) { delegate_.reset(delegate); }
    // Seconds since 1970 for the date attribute of the files written.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

    // Asks for the content of `job` (its qid and content flag), dropping a
    // request that still runs. False, and nothing reported, without a job.
    bool downloadContentForQueue(const QueuePtr& job);
    // Sets the root's nzbExportUrl to `path` and writes it there; reported
    // before it returns.
    void exportNZBForQueue(const QueuePtr& root, const QString& path, bool merge);
    // Cancels the running request (reported once) and any write. Nothing
    // happens while idle.
    void cancelSearch();

    DeepLookupSocket* socket() const { return socket_.data(); }
    bool isWriting() const { return nzbExportWriter_ != nullptr; }

private:
    // DeepLookupSocketDelegate
    void nzbExportSearchResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                                const QueuePtr& obj) override;
    void searchFailed(DeepLookupSocket& socket, const QString& title, const QString& subtitle,
                      const QueuePtr& obj) override;
    void searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr& obj) override;
    // NZBExportWriterDelegate
    void nzbWriteFinishedForQueue(const QueuePtr& job) override;
    void nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr& job) override;

    void releaseSocket();
    void releaseWriter();
    void parseSearchResult(const std::optional<QString>& text, const QueuePtr& job);
    void parsingFinished(const NZBExportParser::Result& result, const QueuePtr& job);

    WeakDelegate<NZBExportControllerDelegate> delegate_;
    std::function<double()> clock_;
    QPointer<DeepLookupSocket> socket_;
    // The writer while it writes (it lives in exportNZBForQueue()).
    NZBExportWriter* nzbExportWriter_ = nullptr;
};
