#include "queue/QueueController.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/Utils.h"
#include "platform/UserDefaults.h"
#include "posting/NZBCreator.h"
#include "queue/QCodeClass.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"

#include <QFileInfo>

#include <cmath>

namespace {

QString codeText(qint64 code)
{
    return QCodeClass::code2Text(code).value_or(QString());
}

// Articles needed for `bytes` of file at `perArticle` bytes each; none when
// the job has no article size (rather than a division by zero).
qint64 articlesFor(double bytes, double perArticle)
{
    if (perArticle <= 0 || bytes <= 0) return 0;
    return qint64(std::ceil(bytes / perArticle));
}

} // namespace

void QueueController::makeFilePartObjectsFromUploadObject(const QueuePtr& upload)
{
    QList<QueuePtr> parts;
    if (upload->isBinaryUpload()) {
        upload->setBytes(0);
        upload->setTotalSegments(0);
        for (const QString& url : upload->rawUrls()) {
            const double bytes = double(qMax<qint64>(0, FileUtils::getFileSizeForFile(url)));
            // An empty or vanished file would be a part no article ever
            // completes; it is left out and said so.
            if (articlesFor(bytes, upload->maxArticleSize()) == 0) {
                BLOG(1, "Nothing to post in file :: %@", url);
                continue;
            }
            const QueuePtr part = Queue::create();
            part->setIsFilepart(true);
            part->setQueue(upload);
            part->setCheckbox(1);
            part->setCheckboxDisabled(true);
            part->setFilename(QFileInfo(url).fileName());
            part->setFileUrl(url);
            part->setBytes(bytes);
            part->setTotalBytesLeft(part->bytes());
            part->setTotalSegments(articlesFor(part->bytes(), upload->maxArticleSize()));
            part->setTotalSegmentsLeftToDownload(part->totalSegments());
            upload->addToBytes(part->bytes());
            upload->setTotalBytesLeft(upload->bytes());
            upload->addToTotalSegments(part->totalSegments());
            upload->setTotalSegmentsLeftToDownload(upload->totalSegments());
            part->setStatus(FilePartStatus::QueuedForUpload);
            part->setDelegate(this);
            makeSegmentsForUploadFilepart(part);
            parts.append(part);
        }
    } else {
        const QueuePtr part = Queue::create();
        part->setIsFilepart(true);
        part->setQueue(upload);
        part->setCheckbox(1);
        part->setCheckboxDisabled(true);
        part->setTitle(upload->title());
        part->setFilename(upload->title());
        part->setBytes(upload->bytes());
        part->setTotalBytesLeft(upload->bytes());
        part->setTotalSegments(1);
        part->setTotalSegmentsLeftToDownload(1);
        upload->setTotalBytesLeft(part->bytes());
        upload->setTotalSegments(part->totalSegments());
        upload->setTotalSegmentsLeftToDownload(part->totalSegments());
        part->setStatus(FilePartStatus::QueuedForUpload);
        part->setDelegate(this);
        makeSegmentsForUploadFilepart(part);
        parts.append(part);
    }
    upload->setFileparts(parts);
}

void QueueController::makeSegmentsForUploadFilepart(const QueuePtr& filepart)
{
    const QueuePtr upload = filepart->queue();
    const qint64 total = filepart->totalSegments();
    for (qint64 n = 1; n <= total; ++n) {
        const SegmentPtr segment = Segment::create();
        segment->setQueue(upload);
        segment->setFilepart(filepart);
        segment->setSegnr(n);
        segment->setSegtotal(total);
        segment->setStatus(ArticleStatus::Queued);
        filepart->appendSegment(segment);
    }
}

// ---- Upload states (main thread, called by the root dispatcher) ----

void QueueController::queueAddUploadToQueue(const QueuePtr& queue)
{
    if (queue->delegate() != this) queue->setDelegate(this);
    setCommentTextField(queue, codeText(queue->status()));
    addRootQueueObjectToQueueArray(queue);
    queue->setStatus(UploadStatus::FinalizingForUpload);
}

void QueueController::queueUpPrepareForUploading(const QueuePtr& queue)
{
    makeFilePartObjectsFromUploadObject(queue);
    // A job with nothing to cut would wait at "Queued" for an article that
    // never comes: stop it with an error the user can see instead.
    if (queue->totalSegments() <= 0) {
        BLOG(1, "Nothing to upload :: %@", queue->title());
        queue->setStatus(UploadStatus::UploadError);
        return;
    }
    queue->setStatus(UploadStatus::Queued);
}

void QueueController::queueUpQueued(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
    BLOG(1, "Queued for uploading :: %@", queue->title());
    startUploading(queue);
}

void QueueController::queueUploading(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
    changeProgressBarColor(QStringLiteral("uploadingColor"), queue);
}

void QueueController::queueUploaded(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
    queue->setStatus(queue->makeNZB() ? UploadStatus::CreatingNZB : UploadStatus::CleaningUp);
}

void QueueController::queueUpMakeNZB(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
    makeNZBFromUploadedQueue(queue);
}

void QueueController::queueUpMakeNZBFinished(const QueuePtr& queue)
{
    queue->setStatus(queue->uploadNZB() ? UploadStatus::ReadyToUploadNZB : UploadStatus::CleaningUp);
}

void QueueController::queueUpMakeNZBError(const QueuePtr& queue)
{
    queue->setCommentTextField(sformat(u"Upload finished... %@", codeText(queue->status())));
}

void QueueController::queueUploadNZB(const QueuePtr& queue)
{
    BLOG(1, "Preparing to upload the NZB file :: %@", QFileInfo(queue->nzbExportUrl()).fileName());
    prepairNZBToUpload(queue);
}

void QueueController::queueUpCleanUP(const QueuePtr& queue)
{
    queue->setStatus(UploadStatus::Finished);
}

void QueueController::queueUpFinished(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
    clearQueueObject(queue);
    cleanUpQueueAfterFinishingObject(queue);
}

void QueueController::queueUpNoServersAvailable(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
}

void QueueController::queueUpError(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
}

void QueueController::queueUpPostingDenied(const QueuePtr& queue)
{
    queue->setCommentTextField(codeText(queue->status()));
    // An NZB would list articles the server does not hold.
    if (queue->makeNZB())
        BLOG(4, "No NZB written for %@: the news server did not accept every article of it", queue->title());
}

// ---- The NZB of an upload ----

void QueueController::makeNZBFromUploadedQueue(const QueuePtr& queue)
{
    auto creator = std::make_shared<NZBCreator>(queue);
    nzbCreatorQueue().addOperation([creator] { creator->main(); });
}

void QueueController::prepairNZBToUpload(const QueuePtr& queue)
{
    if (queue->isCancelled()) return;
    // The resets below are bookkeeping of a new upload, not progress to report.
    queue->setDelegate(nullptr);
    clearQueueObject(queue);
    queue->setHasPassword(false);
    queue->setTotalSegments(0);
    queue->setTotalSegmentsLeftToDownload(0);
    queue->setBytes(0);
    queue->setTotalBytesLeft(0);
    queue->setIsBinaryUpload(true);
    queue->setRawUrls({queue->nzbExportUrl()});
    queue->setFileparts({});
    queue->setMakeNZB(false);
    queue->setDelegate(this);
    queue->setStatus(UploadStatus::FinalizingForUpload);
}

// ---- A restored upload ----

void QueueController::addRestoredUploadQueueObjectToQueueArray(const QueuePtr& queue)
{
    const int tag = UserDefaults::standard().integerForKey("queueCleaningTag");
    {
        QMutexLocker locker(&arrayLock_);
        Q_EMIT queueArrayWillChange();
        if (queue->downloadFirst()) {
            queueArray_.insert(0, queue);
            queue->setDownloadFirst(false);
        } else if (tag == 1 || tag == 2) {
            queueArray_.append(queue);
        } else {
            queueArray_.insert(getPositionOfFirstFinishedObject(), queue);
        }
        Q_EMIT queueArrayDidChange();
    }
    queue->setDelegate(this);
    queue->setTotalBytesTextField(Utils::formatBytes(queue->bytes()));
}
