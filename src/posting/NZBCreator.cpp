#include "posting/NZBCreator.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"

namespace {

NZBWriter::Options creatorOptions()
{
    NZBWriter::Options options;
    options.subject = [](const QueuePtr& filepart) {
        const QList<SegmentPtr> segments = filepart->segments();
        return segments.isEmpty() || !segments.first() ? QString() : segments.first()->filename();
    };
    options.subjectName = QStringLiteral("filename");
    options.tagsEndTheirLines = false;
    return options;
}

} // namespace

NZBCreator::NZBCreator(const QueuePtr& queue) : queue_(queue), writer_(creatorOptions())
{}

void NZBCreator::main()
{
    createdNZBForQueue(queue_.lock());
}

void NZBCreator::createdNZBForQueue(const QueuePtr& queue)
{
    if (!queue || queue->isCancelled()) {
        BLOG(2, "Stop due cancellation :: %@", queue ? queue->title() : QString());
        return;
    }
    if (!FileUtils::enableFileAccessForKey(QStringLiteral("uploadNZBExportPath"))) {
        BLOG(4, "'NZB export folder (NZB files for uploaded items)' no longer exists or access is denied.");
        queue->setStatus(UploadStatus::NZBCreationError);
        return;
    }
    const QString wanted = queue->nzbExportUrl();
    if (FileUtils::doesFileExists(wanted)) {
        const QString alternative = FileUtils::createAlternativeFilenameFor(wanted);
        // Every alternative taken: writing anyway would replace one of them.
        if (alternative.isEmpty()) {
            BLOG(3, "NZB creation cancelled due to errors.");
            queue->setStatus(UploadStatus::NZBCreationError);
            return;
        }
        queue->setNzbExportUrl(alternative);
    }
    BLOG(2, "NZB filename to export :: %@", queue->nzbExportUrl());
    makeNZBForQueue(queue);
    if (hasErrors()) {
        BLOG(3, "NZB creation cancelled due to errors.");
        queue->setStatus(UploadStatus::NZBCreationError);
    } else {
        queue->setStatus(UploadStatus::NZBCreated);
    }
}

void NZBCreator::makeNZBForQueue(const QueuePtr& queue)
{
    const QList<QueuePtr> parts = queue->fileparts();
    writer_.begin(parts);
    makeHeader();
    for (const QueuePtr& part : parts) {
        if (part) makeFileTag(part);
    }
    makeFooter();
    if (!hasErrors()) exportNZBForQueue(queue);
}

void NZBCreator::makeHeader()
{
    writer_.makeHeader();
}

void NZBCreator::makeFileTag(const QueuePtr& filepart)
{
    writer_.makeFileTag(filepart);
}

void NZBCreator::makeGroupTag(const QueuePtr& filepart)
{
    writer_.makeGroupTag(filepart);
}

void NZBCreator::makeSegmentsTag(const QueuePtr& filepart)
{
    writer_.makeSegmentsTag(filepart);
}

void NZBCreator::makeFooter()
{
    writer_.makeFooter();
}

void NZBCreator::exportNZBForQueue(const QueuePtr& queue)
{
    const QString path = queue->nzbExportUrl();
    if (!NZBWriter::writeNewFile(path, writer_.text().toUtf8())) {
        hasErrors_ = true;
        return;
    }
    BLOG(1, "Finished saving NZB :: %@", path);
}
