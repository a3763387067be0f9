#pragma once

#include "queue/Queue.h"

#include <QString>
#include <QStringList>

// The texts of a reply: its subject, and the quote of the original article
// read from the file its download wrote. No widgets. Main thread.
class ReplyQuote
{
public:
    // At most this much of the article file is read for a quote: a file of
    // a multi-file job can be large, and a quote never needs more.
    static constexpr qint64 kMaxQuoteFileBytes = 64 * 1024;

    // "Re: title", unless the title already begins with "re:" (any case) or
    // is shorter than three characters.
    static QString makeSubject(const QString& title);
    // "On <date>, \"<poster>\" wrote:\n\n" and the quoted lines; empty
    // without a file part.
    static QString buildQuoteTextForQueue(const QueuePtr& filepart);
    // The quoted lines of the part's file: "> line\n" each and a final "\n".
    static QString formatQuoteTextForQueue(const QueuePtr& filepart);
    // `lines` as quoted lines: runs of empty lines made one, leading and
    // trailing empty lines dropped.
    static QString quoteLines(QStringList lines);
    // Seconds since 1970 as "Thu, 01 Jan 1970 00:00:00 GMT".
    static QString formatDate(qint64 seconds);
    // The poster without an address in angle brackets, unless that leaves
    // less than two characters.
    static QString formatPosterStringForQueue(const QueuePtr& object);
    // The Message-ID of the first article of the file part (of the job's
    // first file part for a job), or empty.
    static QString extractMsgIdFromQueueObject(const QueuePtr& object);
    // The file the download of `filepart` wrote; empty without one.
    static QString bodyFilePath(const QueuePtr& filepart);
};
