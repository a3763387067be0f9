#pragma once

#include "queue/QueueObjectDelegate.h"
#include "search/DeepLookupTransfer.h"
#include "search/FilepartsByFid.h"

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>

class DeepLookupObject;
class DeepLookupSocketDelegate;
class Watchdog;

// The client of the DeepLookup search service for the requests that carry
// search data: a search, the file list of one result, the article lists of a
// batch of file parts, a Watchdog search and an NZB export. One socket serves one request at a
// time: its owner makes it, sets itself as delegate, calls one start
// operation and learns the outcome through DeepLookupSocketDelegate (which
// says how every request ends). The socket never retries.
//
// Every request is an HTTPS POST of a form-encoded body to a fixed path of
// the service, asking for gzip (the frame of DeepLookupTransfer, which the
// newsgroup requests share); the reply body alone decides (the HTTP status
// is not looked at). A reply is text in lines of TAB-separated fields; a
// service failure comes as "[START]\t...\ttitle\tsubtitle\t[END]".
//
// Lives on the thread that uses it (the main thread); every delegate call
// runs there.
class DeepLookupSocket : public QObject
{
    Q_OBJECT

public:
    // The request kinds; the kind selects the result call.
    enum QueryType : qint64 {
        QueryNone = 0,
        QuerySearch = 1,
        QueryChildFiles = 2,
        QueryMids = 3,
        QueryWatchdog = 4,
        QueryNZBExport = 5,
    };

    struct Failure
    {
        QString title;
        QString subtitle;
    };

    // What a finished reply amounts to: its verdict, a failure to report
    // (or none), and the text for the result call.
    enum class Verdict {
        Good,
        NoBody,     // (101)
        Unreadable, // (102)
        Envelope,   // the service's own failure, or (103)
        TooShort,   // (104)
        NoRecords,  // "No data received from server"
    };
    struct Judgement
    {
        Verdict verdict = Verdict::Good;
        std::optional<Failure> failure;
        std::optional<QString> resultText;
    };

    // The service's address; tests point it at their own server.
    static QUrl serviceURL();
    // Only https, except http on a loopback address (a test's own server).
    // False, and nothing changed, for any other address; an empty URL goes
    // back to the service.
    static bool setServiceURLForTesting(const QUrl& url);
    // How long a request may stay idle before it fails as timed out.
    static constexpr int kTimeoutMs = 30000;
    // 0 goes back to kTimeoutMs.
    static void setTimeoutForTesting(int ms);
    // The time-out in force (every client of the service uses it).
    static int timeoutMs();

    // The paths of the requests.
    static const QString kSearchPath;
    static const QString kChildFilesPath;
    static const QString kMidsPath;
    static const QString kWatchdogSearchPath;
    static const QString kNZBExportPath;

    explicit DeepLookupSocket(QObject* parent = nullptr);
    ~DeepLookupSocket() override; // a running request is dropped without a report

    DeepLookupSocketDelegate* delegate() const;
    void setDelegate(DeepLookupSocketDelegate* delegate);

    // ---- Start operations. Each returns whether a request went out; none
    // goes out while another one of this socket is running.
    bool startDeepLookupFor(const DeepLookupObject& query);
    // `job` is a search-service result job; remembered as currentQueueObject.
    bool getChildFilesFor(const QueuePtr& job);
    // Sends one request for the parts of one content flag (see midsBody());
    // nothing is sent, and nothing reported, when the batch names no part.
    // The owner splits its batches with makeMidsBatches() first, so that no
    // part is left out.
    bool getMidsForObjects(const FilepartsByFid& parts);
    bool startNZBExportSearchFor(const QueuePtr& job);
    // A Watchdog search for `entry` (remembered as currentWatchdogObject):
    // its query, its last search as the lower date bound, and the results
    // of its history younger than 12 hours as already seen.
    bool startWatchdogSearchFor(const std::shared_ptr<Watchdog>& entry);
    // Drops the running request (it reports nothing more) and reports the
    // cancel at once. Nothing happens when no request runs.
    void cancelSearch();
    // Starts the request frame with `body` (any path of the service).
    void getAsyncContentForURL(const QUrl& url, const QByteArray& body);

    // ---- State
    qint64 queryType() const { return queryType_; }
    QueuePtr currentQueueObject() const { return currentQueueObject_; }
    std::shared_ptr<Watchdog> currentWatchdogObject() const { return currentWatchdogObject_; }
    bool isRunning() const;
    // The failure reported for the last request, if any.
    const std::optional<Failure>& failure() const { return failure_; }
    // The last request ended because the connection failed: no result call
    // followed its failure.
    bool connectionFailed() const { return connectionFailed_; }

    // ---- Request bodies (pairs "key=value&", the last "&" kept)
    // Percent-encodes every UTF-8 byte outside the letters, digits and
    // ! $ ' ( ) * , - . / : ; @ _ ~ (so & = ? + and blanks always are).
    static QString urlEncodeString(const QString& text);
    // A search, from the query and the settings dpHideObfuscation and
    // dpHidePwdEntries.
    static QByteArray searchQueryBody(const DeepLookupObject& query);
    // A Watchdog search: its query, the time of its last search (0: never),
    // whether it leaves out password-protected results, and its list of
    // results already seen (see makeOldQidsString()).
    static QByteArray watchdogSearchBody(const DeepLookupObject& query, qint64 lastsearch,
                                         bool excludePwdFiles, const std::optional<QString>& oldqids);
    // From a Watchdog's history (qid and date of each match, newest first):
    // the qids of the rows younger than 12 hours at `now`, among the first
    // 100 rows, joined by ","; none for an empty history.
    static std::optional<QString> makeOldQidsString(const QList<std::pair<QString, qint64>>& history,
                                                    qint64 now);
    // The whole body of a Watchdog search for `entry` at `now`.
    static QByteArray watchdogSearchBodyFor(const Watchdog& entry, qint64 now);
    static QByteArray childFilesBody(const Queue& job);
    static QByteArray nzbExportBody(const Queue& job);
    // The fids of the parts whose job has the content flag `ero`, joined by
    // ",".
    static QString buildMidsQueryString(const FilepartsByFid& parts, bool ero);
    // "fids=...&ero=0" for the parts of jobs without the content flag, else
    // "fids=...&ero=1" for the others; none when the batch names no part.
    static std::optional<QByteArray> midsBody(const FilepartsByFid& parts);
    // A batch split into requests that each carry one content flag (those
    // without the flag first) and at most `maxPartsPerRequest` parts, so
    // that every part of the batch is asked for. Parts whose job is gone are
    // left out.
    static QList<FilepartsByFid> makeMidsBatches(const FilepartsByFid& parts, qsizetype maxPartsPerRequest);

    // ---- Replies
    // The body as text: UTF-8 when it is valid UTF-8, else Latin-1, so that
    // a stray byte never fails a whole reply.
    static QString decodeReplyText(const QByteArray& body);
    // Judges a finished reply: no body at all (`hadBody` false), a body that
    // could not be read (`text` absent), a service envelope, a too short
    // text, or a text that does not start with one of `recordKinds`.
    static Judgement judgeReply(bool hadBody, const std::optional<QString>& text,
                                const QStringList& recordKinds = {
                                    QStringLiteral("INFO"), QStringLiteral("FILE"), QStringLiteral("DATA")});
    // The title of a failed connection: the search requests name the
    // service, the newsgroup requests do not.
    enum class FailureWording { NamesService, Plain };
    static QString connectionFailureTitle(QNetworkReply::NetworkError error, bool timedOut,
                                          const QString& description,
                                          FailureWording wording = FailureWording::NamesService);
    static const QString kPleaseTryAgain;

private:
    bool begin(qint64 queryType, const QueuePtr& object, const QString& path, const QByteArray& body);
    void onFinished(const DeepLookupTransfer::Outcome& outcome);
    void deliverFailure(const Failure& failure);
    void deliverResult(const std::optional<QString>& text);
    DeepLookupSocketDelegate* liveDelegate() const;

    DeepLookupSocketDelegate* delegate_ = nullptr;
    std::weak_ptr<const void> delegateToken_;

    qint64 queryType_ = QueryNone;
    QueuePtr currentQueueObject_;
    std::shared_ptr<Watchdog> currentWatchdogObject_;
    std::optional<Failure> failure_;
    bool connectionFailed_ = false;

    DeepLookupTransfer* transfer_; // a child
};
