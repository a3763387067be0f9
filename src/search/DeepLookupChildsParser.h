#pragma once

#include "queue/QueueObjectDelegate.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class DeepLookupRecord;

// Whether the download history holds an identifier (a result's qid or a
// file's fid). It may be asked from a background thread.
using DownloadHistoryContains = std::function<bool(const QString& id)>;

// Reads the file list of one search result (the reply to a file-list
// request) and makes one file part per file; it also makes the single file
// part of a one-file search result. One parser serves one reply; it touches
// only the job it is given and may run on any thread.
class DeepLookupChildsParser
{
public:
    // What a file-list reply gave. A failed request, or a reply that
    // reported an error, is an error (the job may ask again), never an empty
    // list received.
    struct Result
    {
        // The file parts in reply order; empty on an error.
        QList<QueuePtr> contentArray;
        std::optional<QString> error;

        bool failed() const { return error.has_value(); }
    };

    // The download history, asked for file ids when the setting
    // enableDownloadHistory is on; may be left empty.
    void setDownloadHistoryContainsFid(DownloadHistoryContains containsFid)
    {
        containsFid_ = std::move(containsFid);
    }
    // Files dated after it count as new.
    void setLastSearchDate(qint64 date) { lastSearchDate_ = date; }
    qint64 lastSearchDate() const { return lastSearchDate_; }

    // The file list of `job` from a reply text (absent when the reply had no
    // readable body). `requestFailure` is the failure the socket reported
    // for this reply, if any: the reply then counts as an error, whose text
    // is the reply's own error when it has one, else the failure's.
    Result parseQueryResult(const std::optional<QString>& text, const QueuePtr& job,
                            const std::optional<QString>& requestFailure = std::nullopt) const;
    // The error result of a request that got no reply at all.
    static Result failedRequest(const QString& failureTitle);

    // A new file part from the fields of a FILE record (subject, fid,
    // expected and available articles, PAR2 flag, bytes, date, content
    // flag); not yet attached to a job.
    QueuePtr makeFilepartFromContentArray(const DeepLookupRecord& record) const;

    // The name of the file a subject announces, as one safe path component:
    // the text between its first pair of double quotes, else the subject
    // without the characters no file name may hold. Never empty.
    static QString getFilename(const QString& subject);
    static std::optional<QString> filterFilenameBetweenQuotes(const QString& subject);
    // Without / \ ? % * | " < >.
    static QString makeCleanFilename(const QString& text);
    // Without line feeds, carriage returns, next-line and line and paragraph
    // separators.
    static QString removeLineBreaksFromTitle(const QString& title);

private:
    DownloadHistoryContains containsFid_;
    qint64 lastSearchDate_ = 0;
};
