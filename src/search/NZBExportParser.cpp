#include "search/NZBExportParser.h"

#include "queue/Queue.h"
#include "search/DeepLookupChildsParser.h"
#include "search/DeepLookupRecord.h"

#include <algorithm>
#include <utility>

namespace {

// Fields a record needs, counting the kind (and the sub-kind of FILE).
constexpr qsizetype kQidFields = 8;
constexpr qsizetype kFidFields = 5;
constexpr qsizetype kSegFields = 5;
constexpr qsizetype kInfoFields = 2;

// A field that is there but empty is an empty text, never a missing one.
QString present(const DeepLookupRecord& record, qsizetype i)
{
    QString text = record.text(i);
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

NZBExportParser::Result NZBExportParser::parseSearchResult(const std::optional<QString>& text) const
{
    Result result;
    QList<QueuePtr> roots;
    QueuePtr currentResult;
    QueuePtr currentFile;
    if (text) {
        DeepLookupRecord::forEachLine(*text, [&](QStringView line) {
            const DeepLookupRecord record(line);
            const QStringView kind = record.kind();
            if (kind == QLatin1String("FILE")) {
                const QStringView sub = record.view(1);
                if (sub == QLatin1String("QID") && record.size() >= kQidFields) {
                    currentResult = convertToQID(record);
                    roots.append(currentResult);
                    // The articles of the new result follow its own files.
                    currentFile = nullptr;
                } else if (sub == QLatin1String("FID") && record.size() >= kFidFields) {
                    currentFile = nullptr;
                    if (currentResult) {
                        currentFile = convertToFID(record);
                        currentFile->setQueue(currentResult);
                        currentResult->appendFilepart(currentFile);
                    }
                } else if (sub == QLatin1String("SEG") && record.size() >= kSegFields && currentFile) {
                    const SegmentPtr segment = convertToSEG(record);
                    segment->setQueue(currentResult);
                    segment->setFilepart(currentFile);
                    currentFile->appendSegment(segment);
                }
            } else if (kind == QLatin1String("INFO") && record.size() >= kInfoFields) {
                const QStringList parts = record.text(1).split(QLatin1Char('|'));
                if (parts.size() >= 3) result.info = parts;
            } else if (kind == QLatin1String("ERROR") && record.size() >= kInfoFields) {
                result.error = present(record, 1);
            }
            return true;
        });
    }
    if (!roots.isEmpty()) result.contentArray = convertToFinalArray(roots);
    return result;
}

QueuePtr NZBExportParser::convertToQID(const DeepLookupRecord& record)
{
    const QueuePtr root = Queue::create();
    root->setFileparts({});
    root->setTitle(DeepLookupChildsParser::removeLineBreaksFromTitle(present(record, 2)));
    root->setBytes(record.number(3));
    root->setDate(record.integer(4));
    root->setGroups(present(record, 5));
    root->setPoster(present(record, 6));
    root->setTotalfiles(record.integer(7));
    return root;
}

QueuePtr NZBExportParser::convertToFID(const DeepLookupRecord& record)
{
    const QueuePtr part = Queue::create();
    part->setSegments({});
    part->setTitle(DeepLookupChildsParser::removeLineBreaksFromTitle(present(record, 2)));
    part->setBytes(record.number(3));
    part->setDate(record.integer(4));
    part->setIsFilepart(true);
    return part;
}

SegmentPtr NZBExportParser::convertToSEG(const DeepLookupRecord& record)
{
    const SegmentPtr segment = Segment::create();
    segment->setMid(present(record, 2));
    segment->setBytes(record.number(3));
    segment->setSegnr(record.integer(4));
    return segment;
}

QList<QueuePtr> NZBExportParser::convertToFinalArray(QList<QueuePtr>& roots)
{
    QList<QueuePtr> sorted = std::exchange(roots, {});
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QueuePtr& a, const QueuePtr& b) { return a->date() < b->date(); });
    return sorted;
}
