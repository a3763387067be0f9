#include "search/WatchdogSearchContentParser.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"
#include "search/DeepLookupChildsParser.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupRecord.h"

#include <algorithm>

namespace {

// The fields a record must reach.
constexpr qsizetype kJobFields = 17;
constexpr qsizetype kPartFields = 8;
constexpr qsizetype kSegmentFields = 5;

using Titles = DeepLookupChildsParser;

} // namespace

bool WatchdogSearchContentParser::isUsableMessageId(QStringView mid)
{
    if (mid.isEmpty()) return false;
    for (const QChar c : mid) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            if (u <= 0x20 || u == 0x7f || u == u'<' || u == u'>') return false;
        } else if (c.category() == QChar::Other_Control || c.isSpace()) {
            return false;
        }
    }
    return true;
}

WatchdogSearchContentParser::Result
WatchdogSearchContentParser::parseSearchResult(const std::optional<QString>& text) const
{
    const qint64 incompleteLimit =
        UserDefaults::standard().integerForKey(QStringLiteral("dpIncompletePercentageThreshold"));
    Result result;
    QList<QueuePtr> jobs;
    qint64 newest = 0;
    QueuePtr job;
    QueuePtr part;
    QList<SegmentPtr> segments; // of `part`, handed over when the next part starts
    QByteArray midBuffer;
    auto closePart = [&] {
        if (part) part->setOrderedSegments(std::move(segments));
        segments = {};
    };

    if (text) {
        DeepLookupRecord::forEachLine(*text, [&](QStringView line) {
            const DeepLookupRecord record(line);
            const QStringView kind = record.kind();
            if (kind == QLatin1String("FILE")) {
                const QStringView sub = record.view(1);
                if (sub == QLatin1String("QID")) {
                    if (record.size() < kJobFields) {
                        deepLookupConsole(u"ERROR PARSING: %@", line);
                        return true;
                    }
                    closePart();
                    part.reset();
                    job = convertToQID(record, incompleteLimit);
                    newest = std::max(newest, job->date());
                    jobs.append(job);
                } else if (sub == QLatin1String("FID")) {
                    if (!job || record.size() < kPartFields) return true;
                    closePart();
                    part = convertToFID(record);
                    part->setQueue(job);
                    if (part->ispar()) job->setHasRepairFiles(true);
                    QList<QueuePtr> parts = job->fileparts();
                    parts.append(part);
                    job->setFileparts(parts);
                } else if (sub == QLatin1String("SEG")) {
                    if (!part || record.size() < kSegmentFields) return true;
                    if (!isUsableMessageId(record.view(2))) {
                        BLOG(3, "Watchdog: article of \"%@\" dropped, its message-id is not usable: %@",
                             part->filename(), record.text(2));
                        return true;
                    }
                    SegmentPtr segment = convertToSEG(record, midBuffer);
                    segment->setQueue(job);
                    segment->setFilepart(part);
                    segment->setStatus(ArticleStatus::Queued);
                    segments.append(std::move(segment));
                }
            } else if (kind == QLatin1String("INFO")) {
                if (record.size() < 2) return true;
                const QStringList parts = record.text(1).split(QLatin1Char('|'));
                if (parts.size() >= 3) result.info = parts;
            } else if (kind == QLatin1String("ERROR")) {
                if (record.size() < 2) return true;
                result.error = record.text(1);
            }
            return true;
        });
    }
    closePart();
    if (!jobs.isEmpty()) {
        std::stable_sort(jobs.begin(), jobs.end(),
                         [](const QueuePtr& a, const QueuePtr& b) { return a->date() < b->date(); });
        result.contentArray = jobs;
        result.newestTimestamp = newest;
    }
    return result;
}

QueuePtr WatchdogSearchContentParser::convertToQID(const DeepLookupRecord& record, qint64 incompleteLimit) const
{
    const QueuePtr job = Queue::create();
    job->setTitle(Titles::removeLineBreaksFromTitle(record.text(2)));
    job->setFid(record.text(3));
    job->setBytes(record.number(7));
    job->setDate(record.integer(8));
    job->setEro(record.flag(9));
    job->setGroups(record.text(10));
    job->setPoster(record.text(11));
    job->setQid(record.text(12));
    job->setTotalfiles(record.integer(13));
    job->setHasPassword(record.flag(15));
    job->setIsJunk(record.flag(16));
    job->setDpGroupsTextField(DeepLookupContentParser::formatNewsGroups(job->groups()));
    const bool incomplete = DeepLookupContentParser::isIncomplete(record.integer(4), record.integer(5),
                                                                  record.integer(6), incompleteLimit);
    job->setIsIncomplete(incomplete);
    job->setDpStatusTextField(incomplete ? QStringLiteral("Incomplete") : QStringLiteral("OK"));
    job->setFilelistReceived(true);
    job->setSegmentsReceived(true);
    job->setIsWatchdog(true);
    job->setCheckbox(1);
    return job;
}

QueuePtr WatchdogSearchContentParser::convertToFID(const DeepLookupRecord& record) const
{
    const QueuePtr part = Queue::create();
    const QString title = Titles::removeLineBreaksFromTitle(record.text(2));
    part->setTitle(title);
    part->setFid(record.text(3));
    part->setBytes(record.number(6));
    part->setDate(record.integer(7));
    part->setIsFilepart(true);
    part->setFilename(Titles::getFilename(title));
    part->setIsIncomplete(record.integer(5) < record.integer(4));
    part->setIsSampleFile(FileUtils::checkIfSampleFile(title));
    part->setIspar(FileUtils::checkIfPar2File(title));
    if (part->ispar()) part->setRepairblocks(FileUtils::getRepairBlocks(title));
    part->setCheckbox(1);
    return part;
}

SegmentPtr WatchdogSearchContentParser::convertToSEG(const DeepLookupRecord& record, QByteArray& buffer) const
{
    const SegmentPtr segment = Segment::create();
    const QStringView id = record.view(2);
    buffer.clear();
    buffer.append('<');
    bool ascii = true;
    for (const QChar c : id) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
        buffer.append(char(c.unicode()));
    }
    if (!ascii) {
        buffer.truncate(1);
        buffer.append(id.toUtf8());
    }
    buffer.append('>');
    segment->setMid(QByteArrayView(buffer));
    // Article sizes are whole bytes.
    segment->setBytes(double(record.integer(3)));
    segment->setSegnr(record.int32(4));
    return segment;
}
