#pragma once

#include "queue/QueueObjectDelegate.h"
#include "search/DeepLookupChildsParser.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class DeepLookupParserDelegate;
class DeepLookupRecord;

// Turns the reply of a search into the result list of the search page. Each
// result is a root job that is not queued yet (its service id `qid`, title,
// size, date, groups, poster, flags and status text; a one-file result
// already holds its one file part), or, for a result already in the download
// queue, the queued job itself with the reply's date, poster and groups. One
// parser serves one reply, on the main thread.
class DeepLookupContentParser
{
public:
    struct Result
    {
        // The results in reply order; absent when the reply made none.
        std::optional<QList<QueuePtr>> contentArray;
        // The newest date among the results not already queued (0 when all
        // were); set together with contentArray.
        qint64 newestTimestamp = 0;
        // The parts of the reply's INFO record, when it had 3 or more.
        std::optional<QStringList> info;
        // The text of the reply's ERROR record.
        std::optional<QString> error;
    };

    void setDelegate(DeepLookupParserDelegate* delegate);
    DeepLookupParserDelegate* delegate() const;
    // The download history, asked for result ids and file ids when the
    // setting enableDownloadHistory is on; may be left empty.
    void setDownloadHistoryContainsQid(DownloadHistoryContains containsQid)
    {
        containsQid_ = std::move(containsQid);
    }
    void setDownloadHistoryContainsFid(DownloadHistoryContains containsFid)
    {
        containsFid_ = std::move(containsFid);
    }
    // A copy of the download queue's root jobs.
    void setQueuedJobs(const QList<QueuePtr>& jobs) { queuedJobs_ = jobs; }
    // Results dated after it count as new.
    void setLastSearchDate(qint64 date) { lastSearchDate_ = date; }

    // Parses a reply text (absent when the reply had none), tells the
    // delegate before it returns, and returns the same result.
    Result parseSearchResult(const std::optional<QString>& text) const;

    // The queued jobs by qid, without NZB jobs, uploads and jobs without one.
    static QHash<QString, QueuePtr> buildDownloadQueueDictionary(const QList<QueuePtr>& jobs);
    // Every "alt.binaries." as "a.b.".
    static QString formatNewsGroups(const QString& groups);
    // Whether a result misses more than it may: with PAR2 files a share of
    // missing articles (`incompleteLimit`, the setting
    // dpIncompletePercentageThreshold, in per cent) can be repaired;
    // without them every article is needed. An expected count of 0 never
    // divides.
    static bool isIncomplete(qint64 expected, qint64 available, qint64 par2Files, qint64 incompleteLimit);

private:
    QueuePtr makeResult(const DeepLookupRecord& record, qint64 incompleteLimit, bool tagNewArticles,
                        bool useHistory, const DeepLookupChildsParser& childs) const;

    DeepLookupParserDelegate* delegate_ = nullptr;
    std::weak_ptr<const void> delegateToken_;
    DownloadHistoryContains containsQid_;
    DownloadHistoryContains containsFid_;
    QList<QueuePtr> queuedJobs_;
    qint64 lastSearchDate_ = 0;
};

// Told by a DeepLookupContentParser when it has parsed a reply. Weak: once
// destroyed it is no longer called.
class DeepLookupParserDelegate
{
public:
    DeepLookupParserDelegate();
    virtual ~DeepLookupParserDelegate();
    DeepLookupParserDelegate(const DeepLookupParserDelegate&) = delete;
    DeepLookupParserDelegate& operator=(const DeepLookupParserDelegate&) = delete;

    virtual void parsingFinished(const DeepLookupContentParser::Result& result);

    std::weak_ptr<const void> lifetimeToken() const { return token_; }

private:
    std::shared_ptr<const void> token_;
};
