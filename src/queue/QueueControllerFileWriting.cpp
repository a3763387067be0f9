#include "queue/QueueController.h"

#include "core/Logger.h"
#include "queue/StatusCodes.h"

#include <QMutexLocker>

QueueController::FileWriterHook::FileWriterHook(QueueController* controller)
{
    controller->neighbours().addFileToQueue = [controller](const QueuePtr& filepart) {
        controller->addFileToWriteQueue(filepart);
    };
    controller->fileWriteController_.setDownloadAgain(
        [controller](const QueuePtr& filepart, const QList<SegmentPtr>& segments) {
            controller->downloadSegmentsAgain(filepart, segments);
        });
}

void QueueController::addFileToWriteQueue(const QueuePtr& filepart)
{
    if (!fileWriteController_.repairController())
        fileWriteController_.setRepairController(repairController());
    fileWriteController_.addFileToQueue(filepart);
}

void QueueController::downloadSegmentsAgain(const QueuePtr& filepart, const QList<SegmentPtr>& segments)
{
    if (!filepart) return;
    countWriteOutcome(filepart);
    if (isCancelledPart(filepart)) {
        cancelDPFilepart(filepart);
        return;
    }
    const QueuePtr root = filepart->queue();
    if (!root) return;
    {
        QMutexLocker locker(&arrayLock_);
        double bytes = 0;
        for (const SegmentPtr& segment : segments) {
            segment->setSpooled(false);
            segment->setFiledata(QByteArray());
            segment->setStatus(ArticleStatus::Queued);
            bytes += segment->bytes();
        }
        const qint64 count = segments.size();
        filepart->increaseTotalSegmentsLeftToDownload(count);
        filepart->increaseTotalBytesLeft(bytes);
        root->increaseTotalSegmentsLeftToDownload(count);
        root->increaseTotalBytesLeft(bytes);
        // Back with the connections: the part as downloading, its job as
        // waiting for articles.
        filepart->setStatus(FilePartStatus::Downloading);
        for (const SegmentPtr& segment : segments)
            requeueSegment(segment);
    }
    if (!root->replaceStatus(JobStatus::SavingToDisk, JobStatus::QueuedForDownload))
        root->replaceStatus(JobStatus::Downloading, JobStatus::QueuedForDownload);
    BLOG(2, "Downloading %ld articles of %@ again", long(segments.size()), filepart->filename());
    startDownloading();
}
