#include "search/NZBExportController.h"

#include "platform/Dispatch.h"
#include "queue/Queue.h"
#include "search/DeepLookupSocket.h"
#include "search/NZBExportWriter.h"

NZBExportController::NZBExportController(QObject* parent) : QObject(parent)
{}

NZBExportController::~NZBExportController()
{
    releaseSocket();
}

bool NZBExportController::downloadContentForQueue(const QueuePtr& job)
{
    if (!job) return false;
    releaseSocket();
    socket_ = new DeepLookupSocket(this);
    socket_->setDelegate(this);
    return socket_->startNZBExportSearchFor(job);
}

void NZBExportController::releaseSocket()
{
    if (!socket_) return;
    // Possibly inside one of its own calls: it goes once that has returned,
    // and whatever it would still say reaches no one.
    socket_->setDelegate(nullptr);
    socket_->deleteLater();
    socket_ = nullptr;
}

void NZBExportController::nzbExportSearchResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                                                 const QueuePtr& obj)
{
    if (&socket != socket_) return;
    releaseSocket();
    parseSearchResult(text, obj);
}

void NZBExportController::parseSearchResult(const std::optional<QString>& text, const QueuePtr& job)
{
    QPointer<NZBExportController> self(this);
    Dispatch::global([self, text, job] {
        NZBExportParser::Result result = NZBExportParser().parseSearchResult(text);
        Dispatch::onMain([self, result = std::move(result), job] {
            if (self) self->parsingFinished(result, job);
        });
    });
}

void NZBExportController::parsingFinished(const NZBExportParser::Result& result, const QueuePtr& job)
{
    if (NZBExportControllerDelegate* d = delegate_.get()) d->searchResults(result, job);
}

void NZBExportController::searchFailed(DeepLookupSocket& socket, const QString& title,
                                       const QString& subtitle, const QueuePtr& obj)
{
    if (&socket != socket_) return;
    // Cleared before the socket goes on to its result call: a failure is
    // reported once, and no parse follows it.
    releaseSocket();
    if (NZBExportControllerDelegate* d = delegate_.get()) d->searchFailed(title, subtitle, obj);
}

void NZBExportController::searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr& obj)
{
    if (&socket != socket_) return;
    releaseSocket();
    if (NZBExportControllerDelegate* d = delegate_.get()) d->searchCancelledForObj(obj);
}

void NZBExportController::exportNZBForQueue(const QueuePtr& root, const QString& path, bool merge)
{
    if (root) root->setNzbExportUrl(path);
    NZBExportWriter writer;
    writer.setDelegate(this);
    if (clock_) writer.setClock(clock_);
    nzbExportWriter_ = &writer;
    writer.createdNZBForQueue(root, merge);
    nzbExportWriter_ = nullptr;
}

void NZBExportController::releaseWriter()
{
    // Before the report goes on: a cancel asked for inside it finds no
    // writer, so the write is reported once.
    if (!nzbExportWriter_) return;
    nzbExportWriter_->setDelegate(nullptr);
    nzbExportWriter_ = nullptr;
}

void NZBExportController::nzbWriteFinishedForQueue(const QueuePtr& job)
{
    releaseWriter();
    if (NZBExportControllerDelegate* d = delegate_.get()) d->nzbWriteFinishedForQueue(job);
}

void NZBExportController::nzbWriteFailed(const QString& title, const QString& subtitle, const QueuePtr& job)
{
    releaseWriter();
    if (NZBExportControllerDelegate* d = delegate_.get()) d->nzbWriteFailed(title, subtitle, job);
}

void NZBExportController::cancelSearch()
{
    if (socket_) socket_->cancelSearch();
    if (nzbExportWriter_) nzbExportWriter_->cancelWriting();
}
