#include "search/DeepLookupMidsParser.h"

#include "queue/Queue.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupRecord.h"

#include <QHash>
#include <QSet>

namespace {

constexpr qsizetype kDataRecordFields = 6;

} // namespace

FilepartsByFid DeepLookupMidsParser::parseQueryResult(const std::optional<QString>& text,
                                                      const FilepartsByFid& parts) const
{
    if (!text) return parts;
    // Collected first and given to each part once, in order.
    QHash<Queue*, QList<SegmentPtr>> arrived;
    QList<QueuePtr> order;
    DeepLookupRecord::forEachLine(*text, [&](QStringView line) {
        const DeepLookupRecord record(line);
        const QStringView kind = record.kind();
        if (kind == QLatin1String("DATA")) {
            if (record.size() < kDataRecordFields) return true;
            const QString fid = record.text(1);
            const QueuePtr part = parts.value(fid);
            if (!part) return true;
            QString mid = record.text(2).trimmed();
            if (mid.isEmpty()) return true;
            if (!(mid.startsWith(QLatin1Char('<')) && mid.endsWith(QLatin1Char('>'))))
                mid = QLatin1Char('<') + mid + QLatin1Char('>');
            const SegmentPtr segment = Segment::create();
            segment->setFid(fid);
            segment->setMid(mid);
            segment->setBytes(record.number(3));
            segment->setSegnr(record.int32(4));
            segment->setSegtotal(record.int32(5));
            segment->setFilepart(part);
            segment->setQueue(part->queue());
            segment->setStatus(ArticleStatus::Queued);
            auto it = arrived.find(part.get());
            if (it == arrived.end()) {
                order.append(part);
                it = arrived.insert(part.get(), {});
            }
            it->append(segment);
        } else if (kind == QLatin1String("ERROR")) {
            deepLookupConsole(u"%s ERROR: %@", "[DeepLookupMidsParser parseQueryResult]", record.text(1));
        }
        return true;
    });
    for (const QueuePtr& part : order) {
        QList<SegmentPtr> segments = part->segments();
        segments.append(arrived.value(part.get()));
        part->setOrderedSegments(std::move(segments));
    }
    return parts;
}

DeepLookupMidsParser::BatchOutcome DeepLookupMidsParser::checkBatch(const FilepartsByFid& parts)
{
    BatchOutcome outcome;
    for (const QueuePtr& part : parts) {
        if (!part) continue;
        if (part->segmentCount() > 0)
            outcome.received.append(part);
        else
            outcome.withoutSegments.append(part);
    }
    return outcome;
}

QList<QueuePtr> DeepLookupMidsParser::markPartsWithoutSegments(const QList<QueuePtr>& parts)
{
    QList<QueuePtr> marked;
    QSet<Queue*> seen;
    for (const QueuePtr& part : parts) {
        if (!part) continue;
        deepLookupConsole(u"%s ALERT: Segment fetch error for FID: %@ (%@)",
                          "[DeepLookupMidsParser markPartsWithoutSegments]", part->fid(), part->filename());
        const QueuePtr job = part->queue();
        if (!job || seen.contains(job.get())) continue;
        seen.insert(job.get());
        job->setStatus(JobStatus::SegmentsDownloadError);
        marked.append(job);
    }
    return marked;
}
