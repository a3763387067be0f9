#include "search/DeepLookupSocket.h"

#include "core/StringFormat.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocketDelegate.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QMutex>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QThread>

#include <zlib.h>

#include <atomic>

namespace {

// The maker's service. Tests replace it with their own server.
const QUrl kServiceURL(QStringLiteral("https://deeplookup.binorama.app"));

QMutex& overrideMutex()
{
    static QMutex mutex;
    return mutex;
}

QUrl& serviceURLOverride()
{
    static QUrl url;
    return url;
}

std::atomic<int> timeoutOverrideMs{0};

// One manager per thread for every socket of that thread: a socket may then
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

void appendPair(QString& body, QLatin1String key, const std::optional<QString>& value)
{
    if (!value) return;
    body += sformat(u"%@=%@&", key, DeepLookupSocket::urlEncodeString(*value));
}

void appendFixedPair(QString& body, QLatin1String key, QLatin1String value)
{
    body += sformat(u"%@=%@&", key, value);
}

} // namespace

const QString DeepLookupSocket::kSearchPath = QStringLiteral("/search/search_v1.html");
const QString DeepLookupSocket::kChildFilesPath = QStringLiteral("/search/getfids_v1.html");
const QString DeepLookupSocket::kMidsPath = QStringLiteral("/search/getmids_v1.html");
const QString DeepLookupSocket::kWatchdogSearchPath = QStringLiteral("/search/watchdogsearch_v1.html");
const QString DeepLookupSocket::kNZBExportPath = QStringLiteral("/search/nzbexport_v1.html");
const QString DeepLookupSocket::kPleaseTryAgain = QStringLiteral("Please try again or contact support.");

// A gzip stream inflated as it arrives, so that a large reply is never held
// twice.
struct DeepLookupSocket::Inflater
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

// ---- Service address

QUrl DeepLookupSocket::serviceURL()
{
    QMutexLocker locker(&overrideMutex());
    return serviceURLOverride().isEmpty() ? kServiceURL : serviceURLOverride();
}

bool DeepLookupSocket::setServiceURLForTesting(const QUrl& url)
{
    if (!url.isEmpty()) {
        if (!url.isValid() || url.host().isEmpty()) return false;
        const QString scheme = url.scheme().toLower();
        const bool loopback = QHostAddress(url.host()).isLoopback();
        if (scheme != QLatin1String("https") && !(scheme == QLatin1String("http") && loopback)) return false;
    }
    QMutexLocker locker(&overrideMutex());
    serviceURLOverride() = url;
    return true;
}

void DeepLookupSocket::setTimeoutForTesting(int ms)
{
    timeoutOverrideMs.store(ms > 0 ? ms : 0);
}

// ---- Life

DeepLookupSocket::DeepLookupSocket(QObject* parent) : QObject(parent)
{}

DeepLookupSocket::~DeepLookupSocket()
{
    dropReply();
}

DeepLookupSocketDelegate* DeepLookupSocket::delegate() const
{
    return liveDelegate();
}

void DeepLookupSocket::setDelegate(DeepLookupSocketDelegate* delegate)
{
    delegate_ = delegate;
    delegateToken_ = delegate ? delegate->lifetimeToken() : std::weak_ptr<const void>();
}

DeepLookupSocketDelegate* DeepLookupSocket::liveDelegate() const
{
    return delegate_ && !delegateToken_.expired() ? delegate_ : nullptr;
}

// ---- Start operations

bool DeepLookupSocket::startDeepLookupFor(const DeepLookupObject& query)
{
    return begin(QuerySearch, nullptr, kSearchPath, searchQueryBody(query));
}

bool DeepLookupSocket::getChildFilesFor(const QueuePtr& job)
{
    if (!job) return false;
    return begin(QueryChildFiles, job, kChildFilesPath, childFilesBody(*job));
}

bool DeepLookupSocket::getMidsForObjects(const FilepartsByFid& parts)
{
    const std::optional<QByteArray> body = midsBody(parts);
    if (!body) return false;
    return begin(QueryMids, nullptr, kMidsPath, *body);
}

bool DeepLookupSocket::startNZBExportSearchFor(const QueuePtr& job)
{
    if (!job) return false;
    return begin(QueryNZBExport, job, kNZBExportPath, nzbExportBody(*job));
}

bool DeepLookupSocket::begin(qint64 queryType, const QueuePtr& object, const QString& path,
                             const QByteArray& body)
{
    if (isRunning()) {
        deepLookupConsole(u"[DeepLookupSocket begin] a request is running; kind %ld not sent", queryType);
        return false;
    }
    queryType_ = queryType;
    currentQueueObject_ = object;
    QUrl url = serviceURL();
    url.setPath(path);
    getAsyncContentForURL(url, body);
    return true;
}

void DeepLookupSocket::getAsyncContentForURL(const QUrl& url, const QByteArray& body)
{
    dropReply();
    failure_.reset();
    connectionFailed_ = false;
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
    const int override = timeoutOverrideMs.load();
    request.setTransferTimeout(override > 0 ? override : kTimeoutMs);

    QNetworkReply* reply = networkManager().post(request, body);
    reply_ = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &DeepLookupSocket::onMetaDataChanged);
    connect(reply, &QNetworkReply::readyRead, this, &DeepLookupSocket::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &DeepLookupSocket::onFinished);
}

void DeepLookupSocket::cancelSearch()
{
    if (!isRunning()) return;
    dropReply();
    const QueuePtr object = currentQueueObject_;
    if (DeepLookupSocketDelegate* delegate = liveDelegate()) delegate->searchCancelledForObj(*this, object);
}

void DeepLookupSocket::dropReply()
{
    if (QNetworkReply* reply = reply_.data()) {
        reply_.clear();
        disconnect(reply, nullptr, this, nullptr);
        if (reply->isRunning()) reply->abort();
        reply->deleteLater();
    }
}

// ---- Receiving

void DeepLookupSocket::onMetaDataChanged()
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

void DeepLookupSocket::onReadyRead()
{
    QNetworkReply* reply = reply_.data();
    if (reply && reply->isOpen()) appendBody(reply->readAll());
}

void DeepLookupSocket::appendBody(const QByteArray& bytes)
{
    if (bytes.isEmpty()) return;
    if (!responseData_) responseData_ = QByteArray();
    if (!inflater_) {
        responseData_->append(bytes);
        return;
    }
    if (!bodyUnreadable_ && !inflater_->feed(bytes, *responseData_)) bodyUnreadable_ = true;
}

void DeepLookupSocket::onFinished()
{
    QNetworkReply* reply = reply_.data();
    if (!reply) return;
    if (reply->isOpen()) appendBody(reply->readAll());
    const QNetworkReply::NetworkError error = reply->error();
    const bool hasStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    const QString description = reply->errorString();
    // The connection is released before anyone hears of the outcome.
    dropReply();

    if (error != QNetworkReply::NoError && (isConnectionError(error) || !hasStatus)) {
        // The transfer time-out aborts the reply, which then reads as
        // cancelled; a cancel of ours never gets here.
        const bool timedOut =
            error == QNetworkReply::OperationCanceledError || error == QNetworkReply::TimeoutError;
        deepLookupConsole(u"%s %@", "[DeepLookupSocket connectionDidFail]",
                          sformat(u"%@ (%d)", description, int(error)));
        connectionFailed_ = true;
        deliverFailure({connectionFailureTitle(error, timedOut, description), kPleaseTryAgain});
        return;
    }

    if (inflater_ && !inflater_->ended) bodyUnreadable_ = true; // a gzip stream cut short
    std::optional<QString> text;
    if (responseData_ && !bodyUnreadable_) text = decodeReplyText(*responseData_);
    const bool hadBody = responseData_.has_value();
    responseData_.reset();
    inflater_.reset();

    const Judgement judgement = judgeReply(hadBody, text);
    QPointer<DeepLookupSocket> alive(this);
    if (judgement.failure) {
        deliverFailure(*judgement.failure);
        if (!alive) return;
    }
    deliverResult(judgement.resultText);
}

void DeepLookupSocket::deliverFailure(const Failure& failure)
{
    failure_ = failure;
    const QueuePtr object = currentQueueObject_;
    if (DeepLookupSocketDelegate* delegate = liveDelegate())
        delegate->searchFailed(*this, failure.title, failure.subtitle, object);
}

void DeepLookupSocket::deliverResult(const std::optional<QString>& text)
{
    DeepLookupSocketDelegate* delegate = liveDelegate();
    if (!delegate) return;
    const QueuePtr object = currentQueueObject_;
    switch (queryType_) {
    case QuerySearch:
        delegate->searchResults(*this, text);
        break;
    case QueryChildFiles:
        delegate->childFilesQueryResults(*this, text, object);
        break;
    case QueryMids:
        delegate->midsQueryResults(*this, text);
        break;
    case QueryNZBExport:
        delegate->nzbExportSearchResults(*this, text, object);
        break;
    default:
        break;
    }
}

// ---- Bodies

QString DeepLookupSocket::urlEncodeString(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, QByteArrayLiteral("!$'()*,/:;@")));
}

QByteArray DeepLookupSocket::searchQueryBody(const DeepLookupObject& query)
{
    const UserDefaults& defaults = UserDefaults::standard();
    QString body;
    appendPair(body, QLatin1String("query"), query.title());
    appendPair(body, QLatin1String("startdate"), query.startdate());
    appendPair(body, QLatin1String("enddate"), query.enddate());
    appendPair(body, QLatin1String("ero"), query.ero());
    appendPair(body, QLatin1String("minsize"), query.minsize());
    appendPair(body, QLatin1String("maxsize"), query.maxsize());
    appendPair(body, QLatin1String("poster"), query.poster());
    appendPair(body, QLatin1String("group"), query.group());
    if (defaults.boolForKey(QStringLiteral("dpHideObfuscation")))
        appendFixedPair(body, QLatin1String("hideobfuscated"), QLatin1String("1"));
    if (defaults.boolForKey(QStringLiteral("dpHidePwdEntries")))
        appendFixedPair(body, QLatin1String("hidepwd"), QLatin1String("1"));
    appendPair(body, QLatin1String("offset"), query.offset());
    appendPair(body, QLatin1String("limit"), query.limit());
    if (query.searchInFilenames())
        appendFixedPair(body, QLatin1String("filenamesincluded"), QLatin1String("1"));
    return body.toUtf8();
}

QByteArray DeepLookupSocket::watchdogSearchBody(const DeepLookupObject& query, qint64 lastsearch,
                                                bool excludePwdFiles, const std::optional<QString>& oldqids)
{
    QString body;
    appendPair(body, QLatin1String("query"), query.title());
    if (lastsearch != 0) appendPair(body, QLatin1String("startdate"), sformat(u"%ld", lastsearch));
    appendPair(body, QLatin1String("ero"), query.ero());
    appendPair(body, QLatin1String("minsize"), query.minsize());
    appendPair(body, QLatin1String("maxsize"), query.maxsize());
    appendPair(body, QLatin1String("poster"), query.poster());
    appendPair(body, QLatin1String("group"), query.group());
    if (excludePwdFiles) appendFixedPair(body, QLatin1String("hidepwd"), QLatin1String("1"));
    appendPair(body, QLatin1String("offset"), query.offset());
    appendPair(body, QLatin1String("limit"), query.limit());
    appendPair(body, QLatin1String("oldqids"), oldqids);
    return body.toUtf8();
}

std::optional<QString> DeepLookupSocket::makeOldQidsString(const QList<std::pair<QString, qint64>>& history,
                                                           qint64 now)
{
    if (history.isEmpty()) return std::nullopt;
    constexpr qint64 kTwelveHours = 43200;
    constexpr qsizetype kMostRows = 100;
    const qint64 cutoff = now - kTwelveHours;
    QString list;
    for (qsizetype i = 0; i < history.size() && i < kMostRows; ++i) {
        if (history.at(i).second > cutoff) list += history.at(i).first + QLatin1Char(',');
    }
    if (!list.isEmpty()) list.chop(1);
    return list;
}

QByteArray DeepLookupSocket::childFilesBody(const Queue& job)
{
    return sformat(u"qid=%@&e=%hhd", job.qid(), job.ero() ? 1 : 0).toUtf8();
}

QByteArray DeepLookupSocket::nzbExportBody(const Queue& job)
{
    QString body;
    appendPair(body, QLatin1String("qid"), job.qid());
    if (job.ero()) appendFixedPair(body, QLatin1String("ero"), QLatin1String("1"));
    return body.toUtf8();
}

QString DeepLookupSocket::buildMidsQueryString(const FilepartsByFid& parts, bool ero)
{
    QString list;
    for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
        const QueuePtr job = it.value() ? it.value()->queue() : nullptr;
        if (job && job->ero() == ero) list += it.key() + QLatin1Char(',');
    }
    if (!list.isEmpty()) list.chop(1);
    return list;
}

std::optional<QByteArray> DeepLookupSocket::midsBody(const FilepartsByFid& parts)
{
    for (const bool ero : {false, true}) {
        const QString list = buildMidsQueryString(parts, ero);
        if (!list.isEmpty()) return sformat(u"fids=%@&ero=%d", list, ero ? 1 : 0).toUtf8();
    }
    return std::nullopt;
}

QList<FilepartsByFid> DeepLookupSocket::makeMidsBatches(const FilepartsByFid& parts,
                                                        qsizetype maxPartsPerRequest)
{
    const qsizetype most = std::max<qsizetype>(1, maxPartsPerRequest);
    QList<FilepartsByFid> batches;
    for (const bool ero : {false, true}) {
        FilepartsByFid batch;
        for (auto it = parts.cbegin(); it != parts.cend(); ++it) {
            const QueuePtr job = it.value() ? it.value()->queue() : nullptr;
            if (!job || job->ero() != ero) continue;
            batch.insert(it.key(), it.value());
            if (batch.size() == most) {
                batches.append(batch);
                batch.clear();
            }
        }
        if (!batch.isEmpty()) batches.append(batch);
    }
    return batches;
}

// ---- Replies

QString DeepLookupSocket::decodeReplyText(const QByteArray& body)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(body);
}

DeepLookupSocket::Judgement DeepLookupSocket::judgeReply(bool hadBody, const std::optional<QString>& text,
                                                         const QStringList& recordKinds)
{
    if (!hadBody)
        return {Failure{QStringLiteral("No valid response from server (101)"), kPleaseTryAgain},
                std::nullopt};
    if (!text)
        return {Failure{QStringLiteral("No valid response from server (102)"), kPleaseTryAgain},
                std::nullopt};

    static const QRegularExpression envelope(QStringLiteral("\\[START\\]\\t(.*?)\\t\\[END\\]"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = envelope.match(*text);
    if (match.hasMatch()) {
        const QString inner = match.captured(1);
        const QStringList fields = inner.split(QLatin1Char('\t'));
        if (fields.size() < 3)
            return {Failure{QStringLiteral("No valid response from server (103)"), kPleaseTryAgain}, inner};
        return {Failure{fields.at(1), fields.at(2)}, inner};
    }
    if (text->size() <= 3)
        return {Failure{QStringLiteral("No valid response from server (104)"), kPleaseTryAgain}, *text};
    if (!recordKinds.contains(text->left(4)))
        return {Failure{QStringLiteral("No data received from server"), kPleaseTryAgain}, *text};
    return {std::nullopt, *text};
}

QString DeepLookupSocket::connectionFailureTitle(QNetworkReply::NetworkError error, bool timedOut,
                                                 const QString& description)
{
    if (timedOut) return QStringLiteral("No response from the DeepLookup server.");
    if (error == QNetworkReply::ConnectionRefusedError)
        return QStringLiteral("Could not connect to DeepLookup server.");
    return description;
}
