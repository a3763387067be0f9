#include "search/DeepLookupSocket.h"

#include "core/StringFormat.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupObject.h"
#include "search/DeepLookupSocketDelegate.h"
#include "search/Watchdog.h"

#include <QHostAddress>
#include <QMutex>
#include <QRegularExpression>

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

DeepLookupSocket::DeepLookupSocket(QObject* parent) : QObject(parent), transfer_(new DeepLookupTransfer(this))
{
    transfer_->setFinishedHandler(
        [this](const DeepLookupTransfer::Outcome& outcome) { onFinished(outcome); });
}

DeepLookupSocket::~DeepLookupSocket() = default;

int DeepLookupSocket::timeoutMs()
{
    const int override = timeoutOverrideMs.load();
    return override > 0 ? override : kTimeoutMs;
}

bool DeepLookupSocket::isRunning() const
{
    return transfer_->isRunning();
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

bool DeepLookupSocket::startWatchdogSearchFor(const std::shared_ptr<Watchdog>& entry)
{
    if (!entry) return false;
    if (!begin(QueryWatchdog, nullptr, kWatchdogSearchPath, watchdogSearchBodyFor(*entry, entry->now())))
        return false;
    currentWatchdogObject_ = entry;
    return true;
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
    currentWatchdogObject_.reset();
    QUrl url = serviceURL();
    url.setPath(path);
    getAsyncContentForURL(url, body);
    return true;
}

void DeepLookupSocket::getAsyncContentForURL(const QUrl& url, const QByteArray& body)
{
    failure_.reset();
    connectionFailed_ = false;
    transfer_->start(url, body, timeoutMs());
}

void DeepLookupSocket::cancelSearch()
{
    if (!isRunning()) return;
    transfer_->cancel();
    const QueuePtr object = currentQueueObject_;
    if (DeepLookupSocketDelegate* delegate = liveDelegate()) delegate->searchCancelledForObj(*this, object);
}

// ---- Receiving

void DeepLookupSocket::onFinished(const DeepLookupTransfer::Outcome& outcome)
{
    if (outcome.connectionFailed) {
        deepLookupConsole(u"%s %@", "[DeepLookupSocket connectionDidFail]",
                          sformat(u"%@ (%d)", outcome.description, int(outcome.error)));
        connectionFailed_ = true;
        deliverFailure(
            {connectionFailureTitle(outcome.error, outcome.timedOut, outcome.description), kPleaseTryAgain});
        return;
    }
    const Judgement judgement = judgeReply(outcome.hadBody, outcome.text);
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
    case QueryWatchdog:
        delegate->watchdogSearchResults(*this, text, currentWatchdogObject_);
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

QByteArray DeepLookupSocket::watchdogSearchBodyFor(const Watchdog& entry, qint64 now)
{
    QList<std::pair<QString, qint64>> history;
    history.reserve(entry.history().size());
    for (const WatchdogHistoryObj& row : entry.history()) history.append({row.qid, row.date});
    return watchdogSearchBody(*entry.dpobject(), entry.lastsearch(), entry.excludePwdFiles(),
                              makeOldQidsString(history, now));
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
    return Utils::textFromUtf8OrLatin1(body);
}

DeepLookupSocket::Judgement DeepLookupSocket::judgeReply(bool hadBody, const std::optional<QString>& text,
                                                         const QStringList& recordKinds)
{
    if (!hadBody)
        return {Verdict::NoBody,
                Failure{QStringLiteral("No valid response from server (101)"), kPleaseTryAgain},
                std::nullopt};
    if (!text)
        return {Verdict::Unreadable,
                Failure{QStringLiteral("No valid response from server (102)"), kPleaseTryAgain},
                std::nullopt};

    static const QRegularExpression envelope(QStringLiteral("\\[START\\]\\t(.*?)\\t\\[END\\]"),
                                             QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = envelope.match(*text);
    if (match.hasMatch()) {
        const QString inner = match.captured(1);
        const QStringList fields = inner.split(QLatin1Char('\t'));
        if (fields.size() < 3)
            return {Verdict::Envelope,
                    Failure{QStringLiteral("No valid response from server (103)"), kPleaseTryAgain}, inner};
        return {Verdict::Envelope, Failure{fields.at(1), fields.at(2)}, inner};
    }
    if (text->size() <= 3)
        return {Verdict::TooShort,
                Failure{QStringLiteral("No valid response from server (104)"), kPleaseTryAgain}, *text};
    if (!recordKinds.contains(text->left(4)))
        return {Verdict::NoRecords, Failure{QStringLiteral("No data received from server"), kPleaseTryAgain},
                *text};
    return {Verdict::Good, std::nullopt, *text};
}

QString DeepLookupSocket::connectionFailureTitle(QNetworkReply::NetworkError error, bool timedOut,
                                                 const QString& description, FailureWording wording)
{
    const bool named = wording == FailureWording::NamesService;
    if (timedOut)
        return named ? QStringLiteral("No response from the DeepLookup server.")
                     : QStringLiteral("No response from server.");
    if (error == QNetworkReply::ConnectionRefusedError)
        return named ? QStringLiteral("Could not connect to DeepLookup server.")
                     : QStringLiteral("Could not connect to server.");
    return description;
}
