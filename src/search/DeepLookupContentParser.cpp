#include "search/DeepLookupContentParser.h"

#include "core/StringFormat.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupRecord.h"

#include <algorithm>
#include <limits>

namespace {

constexpr qsizetype kFileRecordFields = 19;

// Fields of a FILE record of a search reply: the ones every FILE record
// has, then its own.
enum Field : qsizetype {
    kTitle = DeepLookupRecord::kFileTitle,
    kFid = DeepLookupRecord::kFileFid,
    kExpected = DeepLookupRecord::kFileExpected,
    kAvailable = DeepLookupRecord::kFileAvailable,
    kPar2Count = DeepLookupRecord::kFilePar2,
    kBytes = DeepLookupRecord::kFileBytes,
    kDate = DeepLookupRecord::kFileDate,
    kEro = DeepLookupRecord::kFileEro,
    kGroups = 9,
    kPoster = 10,
    kQid = 11,
    kTotalFiles = 12,
    kArchives = 13,
    kPassword = 14,
    kJunk = 15,
    kHasNfo = 16,
    kHasNzb = 17,
    kImages = 18,
};

} // namespace

DeepLookupParserDelegate::DeepLookupParserDelegate() : token_(std::make_shared<char>())
{}

DeepLookupParserDelegate::~DeepLookupParserDelegate() = default;

void DeepLookupParserDelegate::parsingFinished(const DeepLookupContentParser::Result&)
{}

void DeepLookupContentParser::setDelegate(DeepLookupParserDelegate* delegate)
{
    delegate_ = delegate;
    delegateToken_ = delegate ? delegate->lifetimeToken() : std::weak_ptr<const void>();
}

DeepLookupParserDelegate* DeepLookupContentParser::delegate() const
{
    return delegate_ && !delegateToken_.expired() ? delegate_ : nullptr;
}

DeepLookupContentParser::Result
DeepLookupContentParser::parseSearchResult(const std::optional<QString>& text) const
{
    const UserDefaults& defaults = UserDefaults::standard();
    const bool tagNewArticles = defaults.boolForKey(QStringLiteral("tagNewArticles"));
    const qint64 incompleteLimit = defaults.integerForKey(QStringLiteral("dpIncompletePercentageThreshold"));
    const bool useHistory = defaults.boolForKey(QStringLiteral("enableDownloadHistory"));
    const QHash<QString, QueuePtr> queued = buildDownloadQueueDictionary(queuedJobs_);
    DeepLookupChildsParser childs;
    childs.setDownloadHistoryContainsFid(containsFid_);
    childs.setLastSearchDate(lastSearchDate_);

    Result result;
    QList<QueuePtr> results;
    qint64 newest = 0;
    if (text) {
        DeepLookupRecord::forEachRecord(
            *text, kFileRecordFields,
            [&](const DeepLookupRecord& record) {
                const QString qid = record.text(kQid);
                if (const QueuePtr job = queued.value(qid)) {
                    // A result already queued is shown as the queued job:
                    // its own status and title stay.
                    job->setDate(record.integer(kDate));
                    job->setPoster(record.text(kPoster));
                    job->setGroups(record.text(kGroups));
                    job->setDpGroupsTextField(formatNewsGroups(job->groups()));
                    results.append(job);
                    return true;
                }
                const QueuePtr job = makeResult(record, incompleteLimit, tagNewArticles, useHistory, childs);
                newest = std::max(newest, job->date());
                results.append(job);
                return true;
            },
            [&](const DeepLookupRecord& record) {
                const QStringView kind = record.kind();
                if (kind == QLatin1String("INFO")) {
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
    if (!results.isEmpty()) {
        result.contentArray = results;
        result.newestTimestamp = newest;
    }
    if (DeepLookupParserDelegate* listener = delegate()) listener->parsingFinished(result);
    return result;
}

QueuePtr DeepLookupContentParser::makeResult(const DeepLookupRecord& record, qint64 incompleteLimit,
                                             bool tagNewArticles, bool useHistory,
                                             const DeepLookupChildsParser& childs) const
{
    const QueuePtr job = Queue::create();
    job->setTitle(DeepLookupChildsParser::removeLineBreaksFromTitle(record.text(kTitle)));
    job->setFid(record.text(kFid));
    job->setBytes(record.number(kBytes));
    job->setDate(record.integer(kDate));
    job->setEro(record.flag(kEro));
    job->setGroups(record.text(kGroups));
    job->setPoster(record.text(kPoster));
    job->setQid(record.text(kQid));
    job->setTotalfiles(record.integer(kTotalFiles));
    job->setHasPassword(record.flag(kPassword));
    job->setIsJunk(record.flag(kJunk));
    job->setDpGroupsTextField(formatNewsGroups(job->groups()));

    const qint64 par2Files = record.integer(kPar2Count);
    if (isIncomplete(record.integer(kExpected), record.integer(kAvailable), par2Files, incompleteLimit))
        job->setIsIncomplete(true);

    const qint64 totalfiles = job->totalfiles();
    if (totalfiles >= 2) {
        const qint64 archives = record.integer(kArchives);
        const qint64 images = record.integer(kImages);
        const bool nfo = record.flag(kHasNfo);
        const bool nzb = record.flag(kHasNzb);
        QString suffix = job->titleSuffix();
        if (archives > 0) suffix = sformat(u"%@%ld arch, ", suffix, archives);
        if (par2Files > 0) suffix = sformat(u"%@%ld par, ", suffix, par2Files);
        if (images > 0) suffix = sformat(u"%@%ld img, ", suffix, images);
        if (nfo) suffix = sformat(u"%@nfo, ", suffix);
        if (nzb) suffix = sformat(u"%@nzb, ", suffix);
        // The counts are the service's: added up saturating, since each may
        // be as large as its type.
        qint64 counted = 0;
        for (const qint64 count : {archives, par2Files, images, qint64(nfo), qint64(nzb)})
            counted = count > std::numeric_limits<qint64>::max() - counted
                          ? std::numeric_limits<qint64>::max()
                          : counted + std::max<qint64>(count, 0);
        const qint64 other = totalfiles - counted;
        if (other > 0) suffix = sformat(u"%@%ld other, ", suffix, other);
        if (suffix.size() >= 3) {
            suffix.chop(2);
            suffix = sformat(u" (%@)", suffix);
            job->setTitleSuffix(suffix);
            job->setTitle(sformat(u"%@%@", job->title(), suffix));
        }
    }

    if (job->date() > lastSearchDate_ || !tagNewArticles) job->setIsNew(true);
    if (useHistory && containsQid_ && containsQid_(job->qid())) job->setIsPreviouslyDownloaded(true);
    job->setDpStatusTextField(
        DeepLookupRecord::statusText(job->isPreviouslyDownloaded(), job->isIncomplete()));

    if (totalfiles == 1) {
        // A one-file result needs no file-list request.
        const QueuePtr part = childs.makeFilepartFromContentArray(record);
        part->setQueue(job);
        job->setFileparts({part});
        job->setFilelistReceived(true);
        if (part->ispar()) {
            job->setIsParsOnly(true);
            job->setHasRepairFiles(true);
        }
    }
    return job;
}

QHash<QString, QueuePtr> DeepLookupContentParser::buildDownloadQueueDictionary(const QList<QueuePtr>& jobs)
{
    QHash<QString, QueuePtr> byQid;
    for (const QueuePtr& job : jobs) {
        if (!job || job->isNZB() || job->isUploadObject()) continue;
        const QString qid = job->qid();
        if (!qid.isEmpty()) byQid.insert(qid, job);
    }
    return byQid;
}

bool DeepLookupContentParser::isIncomplete(qint64 expected, qint64 available, qint64 par2Files,
                                           qint64 incompleteLimit)
{
    if (par2Files > 0)
        return expected != 0 && float(100 - incompleteLimit) > float(available) / float(expected) * 100.0f;
    return available < expected;
}

QString DeepLookupContentParser::formatNewsGroups(const QString& groups)
{
    QString formatted = groups;
    formatted.replace(QLatin1String("alt.binaries."), QLatin1String("a.b."));
    return formatted;
}
