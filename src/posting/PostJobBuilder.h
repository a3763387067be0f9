#pragma once

#include "posting/PostForm.h"
#include "queue/Queue.h"

#include <QString>
#include <QStringList>

class NNTPServerObject;
class QueueObjectDelegate;

// Turns a submitted compose form into at most two upload jobs (a text post
// and a file upload) and hands them to the queue engine. No widgets: the
// compose window and the tests use it alike. Main thread.
class PostJobBuilder
{
public:
    struct Jobs
    {
        QueuePtr textJob;
        QueuePtr fileJob;
        // The job the confirmation shows: the file job when there is one.
        QueuePtr primary() const { return fileJob ? fileJob : textJob; }
        double totalBytes() const;
    };

    // Files and an empty body give a file job only, files and a body both,
    // no files a text job only.
    static Jobs makeJobs(const PostForm& form);
    // Whether there is a job to confirm; without one a level-4 line is
    // logged and nothing may be shown or queued.
    static bool hasJobToConfirm(const Jobs& jobs);
    static QueuePtr createTextQueueObject(const PostForm& form);
    // None without files.
    static QueuePtr createFilesQueueObject(const PostForm& form);

    // Main recovery files first, then the data files, then the recovery
    // volumes; each group by plain path order. ".par2" anywhere in the path
    // makes a recovery file.
    static QStringList sortAbsoluteFileUrls(const QStringList& urls);
    // The NZB file for an upload titled `title` in the folder of the setting
    // uploadNZBExportPath: never a file that already exists when one is free.
    static QString makeNZBExportUrlForTitle(const QString& title);
    static QString addCarriageReturnsToText(const QString& text);
    // The body as posted: the signature block when enabled, CR LF line ends
    // and a final CR LF.
    static QString finishedTextBody(const QString& body, bool signatureEnabled, const QString& signature);

    // Estimates in bytes of UTF-8, as the article size limit is in bytes.
    static double calculateTextArticleSize(const PostForm& form);
    static double calculateFilesArticleSize(const PostForm& form);

    // The id a server posts through: its own when uploads use the download
    // endpoint, else its upload endpoint's.
    static QString postingServerID(const NNTPServerObject& server);

    // Sets the posting server, the delegate and the final text body, then
    // UploadStatus::AddingToQueue as the very last field, file job first.
    static void handOver(const Jobs& jobs, const QString& postingID, QueueObjectDelegate* delegate,
                         bool signatureEnabled, const QString& signature);

    // The poster fields in what a news header can carry: lossy ASCII (accents
    // dropped, other characters left out); the name without ( ) < > @, the
    // address without ( ) < > and blanks, lower-cased.
    static QString lossyAscii(const QString& text);
    static QString cleanPosterName(const QString& name);
    static QString cleanPosterEmail(const QString& email);

private:
    static QueuePtr createCommon(const PostForm& form, double bytes);
};
