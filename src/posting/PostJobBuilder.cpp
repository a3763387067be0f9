#include "posting/PostJobBuilder.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "nntp/NNTPServerObject.h"
#include "platform/UserDefaults.h"
#include "queue/StatusCodes.h"

#include <QDir>

#include <algorithm>

double PostJobBuilder::Jobs::totalBytes() const
{
    return (textJob ? textJob->bytes() : 0.0) + (fileJob ? fileJob->bytes() : 0.0);
}

PostJobBuilder::Jobs PostJobBuilder::makeJobs(const PostForm& form)
{
    Jobs jobs;
    jobs.fileJob = createFilesQueueObject(form);
    if (!jobs.fileJob || !form.body.isEmpty()) jobs.textJob = createTextQueueObject(form);
    return jobs;
}

bool PostJobBuilder::hasJobToConfirm(const Jobs& jobs)
{
    if (jobs.primary()) return true;
    BLOG(4, "Queue is nil. Abort launching 'Upload Confirmation Window'");
    return false;
}

QueuePtr PostJobBuilder::createCommon(const PostForm& form, double bytes)
{
    const QueuePtr q = Queue::create();
    q->setIsUploadObject(true);
    q->setTitle(form.subject);
    q->setPoster(sformat(u"%@ (%@)", form.posterEmail, form.posterName));
    q->setGroups(form.groups.join(QLatin1Char(',')));
    q->setServerID(form.serverID);
    q->setBytes(bytes);
    q->setMaxArticleSize(UserDefaults::standard().doubleForKey(QStringLiteral("yencMaxArticleSize")));
    if (!form.msgid.isEmpty()) q->setReferences(form.msgid);
    return q;
}

QueuePtr PostJobBuilder::createTextQueueObject(const PostForm& form)
{
    const QueuePtr q = createCommon(form, calculateTextArticleSize(form));
    q->setTextBody(form.body);
    q->setIsBinaryUpload(false);
    return q;
}

QueuePtr PostJobBuilder::createFilesQueueObject(const PostForm& form)
{
    if (form.fileUrls.isEmpty()) return {};
    const QueuePtr q = createCommon(form, calculateFilesArticleSize(form));
    q->setMakeNZB(form.makeNZB);
    q->setUploadNZB(form.uploadNZB);
    q->setNzbExportUrl(makeNZBExportUrlForTitle(form.subject));
    q->setIsBinaryUpload(true);
    q->setRawUrls(sortAbsoluteFileUrls(form.fileUrls));
    return q;
}

QStringList PostJobBuilder::sortAbsoluteFileUrls(const QStringList& urls)
{
    QStringList mains, data, volumes;
    for (const QString& url : urls) {
        if (!url.contains(QLatin1String(".par2"), Qt::CaseInsensitive)) {
            data.append(url);
            continue;
        }
        // "*.vol*.par2*": a ".vol" somewhere before a later ".par2".
        const qsizetype vol = url.indexOf(QLatin1String(".vol"), 0, Qt::CaseInsensitive);
        const bool isVolume = vol >= 0 && url.indexOf(QLatin1String(".par2"), vol + 4, Qt::CaseInsensitive) >= 0;
        (isVolume ? volumes : mains).append(url);
    }
    std::sort(mains.begin(), mains.end());
    std::sort(data.begin(), data.end());
    std::sort(volumes.begin(), volumes.end());
    return mains + data + volumes;
}

QString PostJobBuilder::makeNZBExportUrlForTitle(const QString& title)
{
    QString name = FileUtils::makeUTF8Filename(title);
    if (name.isEmpty()) {
        BLOG(4, "Cannot create a clean path component from :: %@", title);
        name = QStringLiteral("invalid_filename");
    }
    const QString folder = UserDefaults::standard().stringForKey(QStringLiteral("uploadNZBExportPath"));
    const QString url = QDir(folder).filePath(name + QStringLiteral(".nzb"));
    if (!FileUtils::doesFileExists(url)) return url;
    // Every numbered name taken: keep the plain one; the NZB writer looks
    // again when it writes and never replaces a file.
    const QString alternative = FileUtils::createAlternativeFilenameFor(url);
    return alternative.isEmpty() ? url : alternative;
}

QString PostJobBuilder::addCarriageReturnsToText(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return out;
}

QString PostJobBuilder::finishedTextBody(const QString& body, bool signatureEnabled, const QString& signature)
{
    QString text = body;
    if (signatureEnabled) text += sformat(u"\n\n%@", signature);
    return addCarriageReturnsToText(text) + QStringLiteral("\r\n");
}

double PostJobBuilder::calculateTextArticleSize(const PostForm& form)
{
    return double(form.body.toUtf8().size() + 2 * form.subject.toUtf8().size() +
                  form.userSignature.toUtf8().size() + 200);
}

double PostJobBuilder::calculateFilesArticleSize(const PostForm& form)
{
    return form.totalBytes + double(form.body.toUtf8().size() + 2 * form.subject.toUtf8().size() + 200);
}

QString PostJobBuilder::postingServerID(const NNTPServerObject& server)
{
    return server.uploadIsDownloadServer() ? server.serverID() : server.upServerID();
}

void PostJobBuilder::handOver(const Jobs& jobs, const QString& postingID, QueueObjectDelegate* delegate,
                              bool signatureEnabled, const QString& signature)
{
    if (const QueuePtr& f = jobs.fileJob) {
        f->setServerID(postingID);
        f->setDelegate(delegate);
        f->setStatus(UploadStatus::AddingToQueue);
    }
    if (const QueuePtr& t = jobs.textJob) {
        t->setTextBody(finishedTextBody(t->textBody(), signatureEnabled, signature));
        t->setServerID(postingID);
        t->setDelegate(delegate);
        t->setStatus(UploadStatus::AddingToQueue);
    }
}

QString PostJobBuilder::lossyAscii(const QString& text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_KD)) {
        if (c.unicode() < 0x80) out.append(c);
    }
    return out;
}

QString PostJobBuilder::cleanPosterName(const QString& name)
{
    QString out = lossyAscii(name);
    for (const char* c : {"(", ")", "<", ">", "@"})
        out.remove(QLatin1String(c));
    return out;
}

QString PostJobBuilder::cleanPosterEmail(const QString& email)
{
    QString out = lossyAscii(email);
    for (const char* c : {"(", ")", "<", ">", " "})
        out.remove(QLatin1String(c));
    return out.toLower();
}
