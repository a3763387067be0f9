#include "search/DeepLookupChildsParser.h"

#include "core/FileUtils.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"
#include "search/DeepLookupConsole.h"
#include "search/DeepLookupRecord.h"

#include <QRegularExpression>

namespace {

constexpr qsizetype kFileRecordFields = 9;

} // namespace

DeepLookupChildsParser::Result
DeepLookupChildsParser::parseQueryResult(const std::optional<QString>& text, const QueuePtr& job,
                                         const std::optional<QString>& requestFailure) const
{
    Result result;
    const UserDefaults& defaults = UserDefaults::standard();
    const bool tagNewArticles = defaults.boolForKey(QStringLiteral("tagNewArticles"));
    if (text) {
        DeepLookupRecord::forEachRecord(
            *text, kFileRecordFields,
            [&](const DeepLookupRecord& record) {
                const QueuePtr part = makeFilepartFromContentArray(record);
                part->setQueue(job);
                if (part->ispar() && job) job->setHasRepairFiles(true);
                if (part->date() > lastSearchDate_ || !tagNewArticles) part->setIsNew(true);
                result.contentArray.append(part);
                return true;
            },
            [&](const DeepLookupRecord& record) {
                const QStringView kind = record.kind();
                if (kind == QLatin1String("ERROR")) {
                    if (record.size() < 2) return true;
                    result.error = record.text(1);
                    deepLookupConsole(u"%s ERROR: %@", "[DeepLookupChildsParser parseQueryResult]",
                                      *result.error);
                } else if (kind == QLatin1String("INFO")) {
                    // Nothing a file list needs.
                } else if (kind.contains(QLatin1String("<title>404 Not Found</title>"))) {
                    result.error = QStringLiteral("404 Page Not Found");
                    return false;
                }
                return true;
            });
    }
    if (requestFailure && !result.error) result.error = *requestFailure;
    if (result.error) result.contentArray.clear();
    return result;
}

DeepLookupChildsParser::Result DeepLookupChildsParser::failedRequest(const QString& failureTitle)
{
    Result result;
    result.error = failureTitle;
    return result;
}

QueuePtr DeepLookupChildsParser::makeFilepartFromContentArray(const DeepLookupRecord& record) const
{
    const QueuePtr part = Queue::create();
    const QString title = removeLineBreaksFromTitle(record.text(DeepLookupRecord::kFileTitle));
    part->setTitle(title);
    part->setFid(record.text(DeepLookupRecord::kFileFid));
    part->setIspar(record.flag(DeepLookupRecord::kFilePar2));
    part->setBytes(record.number(DeepLookupRecord::kFileBytes));
    part->setDate(record.integer(DeepLookupRecord::kFileDate));
    part->setEro(record.flag(DeepLookupRecord::kFileEro));
    part->setIsFilepart(true);
    part->setFilename(getFilename(title));
    if (containsFid_ && UserDefaults::standard().boolForKey(QStringLiteral("enableDownloadHistory")) &&
        containsFid_(part->fid()))
        part->setIsPreviouslyDownloaded(true);
    const qint64 expected = record.integer(DeepLookupRecord::kFileExpected);
    const qint64 available = record.integer(DeepLookupRecord::kFileAvailable);
    part->setIsIncomplete(available < expected);
    part->setDpStatusTextField(
        DeepLookupRecord::statusText(part->isPreviouslyDownloaded(), part->isIncomplete()));
    if (part->ispar()) part->setRepairblocks(FileUtils::getRepairBlocks(title));
    if (FileUtils::checkIfSampleFile(title)) part->setIsSampleFile(true);
    return part;
}

QString DeepLookupChildsParser::getFilename(const QString& subject)
{
    // The service quotes what the poster wrote: a quoted "../../x" or
    // "C:\dir\x" must not lead the file out of the job's folder.
    QString name;
    if (const std::optional<QString> quoted = filterFilenameBetweenQuotes(subject))
        name = FileUtils::safeForeignFileName(*quoted);
    if (name.isEmpty()) name = FileUtils::safeForeignFileName(makeCleanFilename(subject));
    if (name.isEmpty()) name = QStringLiteral("no_name");
    return name;
}

std::optional<QString> DeepLookupChildsParser::filterFilenameBetweenQuotes(const QString& subject)
{
    static const QRegularExpression quoted(QStringLiteral("\"([^\"]+)\""));
    const QRegularExpressionMatch match = quoted.match(subject);
    if (!match.hasMatch()) return std::nullopt;
    return match.captured(1);
}

QString DeepLookupChildsParser::makeCleanFilename(const QString& text)
{
    static const QString forbidden = QStringLiteral("/\\?%*|\"<>");
    QString clean;
    clean.reserve(text.size());
    for (const QChar c : text)
        if (!forbidden.contains(c)) clean.append(c);
    return clean;
}

QString DeepLookupChildsParser::removeLineBreaksFromTitle(const QString& title)
{
    QString clean;
    clean.reserve(title.size());
    for (const QChar c : title) {
        const char16_t u = c.unicode();
        if (u == u'\n' || u == u'\r' || u == 0x0085 || u == 0x2028 || u == 0x2029) continue;
        clean.append(c);
    }
    return clean;
}
