#include "search/DeepLookupTransfer.h"

#include "core/StringFormat.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupSocket.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QThread>

#include <zlib.h>

namespace {

// One manager per thread for every transfer of that thread: a client may then
// be destroyed inside its own delegate calls, while the manager and the
// reply that is still reporting live on.
QNetworkAccessManager& networkManager()
{
    thread_local QNetworkAccessManager* manager = nullptr;
    if (!manager) {
        manager = new QNetworkAccessManager;
        QThread* thread = QThread::currentThread();
        if (QCoreApplication::instance() && thread != QCoreApplication::instance()->thread())
            QObject::connect(thread, &QThread::finished, manager, &QObject::deleteLater);
    }
    return *manager;
}

// Errors of the network itself: nothing, or only part of a reply, arrived.
// The others (404, 500, ...) come with a reply whose body decides.
bool isConnectionError(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code >= 1 && code < 200) || (code >= 300 && code < 400) ||
           code == QNetworkReply::UnknownNetworkError;
}

} // namespace

// A gzip stream inflated as it arrives, so that a large reply is never held
// twice.
struct DeepLookupTransfer::Inflater
{
    z_stream stream{};
    bool ok = false;
    bool ended = false;

    Inflater() { ok = inflateInit2(&stream, 16 + MAX_WBITS) == Z_OK; }
    ~Inflater()
    {
        if (ok || ended) inflateEnd(&stream);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // False when the data is not gzip.
    bool feed(const QByteArray& in, QByteArray& out)
    {
        if (!ok) return false;
        if (ended) return true; // trailing bytes after the stream are ignored
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
        stream.avail_in = uInt(in.size());
        char buffer[16384];
        while (stream.avail_in > 0 || stream.avail_out == 0) {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            const int rc = inflate(&stream, Z_NO_FLUSH);
            out.append(buffer, qsizetype(sizeof buffer - stream.avail_out));
            if (rc == Z_STREAM_END) {
                ended = true;
                return true;
            }
            if (rc == Z_BUF_ERROR && stream.avail_in == 0) return true;
            if (rc != Z_OK) {
                ok = false;
                inflateEnd(&stream);
                return false;
            }
        }
        return true;
    }
};

DeepLookupTransfer::DeepLookupTransfer(QObject* parent) : QObject(parent)
{}

DeepLookupTransfer::~DeepLookupTransfer()
{
    dropReply();
}

void DeepLookupTransfer::start(const QUrl& url, const QByteArray& body, int timeoutMs)
{
    dropReply();
    responseData_.reset();
    inflater_.reset();
    bodyUnreadable_ = false;

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    // Asked for by hand, so the manager leaves the gzip body to us.
    request.setRawHeader(QByteArrayLiteral("Accept-Encoding"), QByteArrayLiteral("gzip"));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setTransferTimeout(timeoutMs);

    QNetworkReply* reply = networkManager().post(request, body);
    reply_ = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &DeepLookupTransfer::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &DeepLookupTransfer::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &DeepLookupTransfer::onFinished);
}

void DeepLookupTransfer::cancel()
{
    dropReply();
}

void DeepLookupTransfer::dropReply()
{
    if (QNetworkReply* reply = reply_.data()) {
        reply_.clear();
        disconnect(reply, nullptr, this, nullptr);
        if (reply->isRunning()) reply->abort();
        reply->deleteLater();
    }
}

void DeepLookupTransfer::onMetaDataChanged()
{
    QNetworkReply* reply = reply_.data();
    if (!reply) return;
    // A new response: whatever an earlier one brought is dropped.
    responseData_ = QByteArray();
    bodyUnreadable_ = false;
    const QByteArray encoding = reply->rawHeader(QByteArrayLiteral("Content-Encoding")).trimmed().toLower();
    if (encoding == "gzip" || encoding == "x-gzip")
        inflater_ = std::make_unique<Inflater>();
    else
        inflater_.reset();
}

void DeepLookupTransfer::onReadyRead()
{
    QNetworkReply* reply = reply_.data();
    if (reply && reply->isOpen()) appendBody(reply->readAll());
}

void DeepLookupTransfer::appendBody(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    if (!responseData_) responseData_ = QByteArray();
    if (!inflater_) {
        responseData_->append(bytes);
        return;
    }
    if (!bodyUnreadable_ && !inflater_->feed(bytes, *responseData_)) bodyUnreadable_ = true;
}

void DeepLookupTransfer::onFinished()
{
    QNetworkReply* reply = reply_.data();
    if (!reply) return;
    if (reply->isOpen()) appendBody(reply->readAll());
    Outcome outcome;
    outcome.error = reply->error();
    const bool hasStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    outcome.description = reply->errorString();
    // The connection is released before anyone hears of the outcome.
    dropReply();

    if (outcome.error != QNetworkReply::NoError && (isConnectionError(outcome.error) || !hasStatus)) {
        outcome.connectionFailed = true;
        // The transfer time-out aborts the reply, which then reads as
        // cancelled; a cancel of ours never gets here.
        outcome.timedOut = outcome.error == QNetworkReply::OperationCanceledError ||
                           outcome.error == QNetworkReply::TimeoutError;
    } else {
        if (inflater_ && !inflater_->ended) bodyUnreadable_ = true; // a gzip stream cut short
        if (responseData_ && !bodyUnreadable_)
            outcome.text = DeepLookupSocket::decodeReplyText(*responseData_);
        outcome.hadBody = responseData_.has_value();
    }
    responseData_.reset();
    inflater_.reset();
    // A copy: the handler may destroy this transfer, and itself with it.
    const FinishedHandler handler = finished_;
    if (handler) handler(outcome);
}
