#include "search/NZBExportWriter.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "posting/NZBCreator.h"
#include "queue/Queue.h"
#include "queue/Segment.h"

#include <QDateTime>
#include <QFile>

namespace {

const QString kExportError = QStringLiteral("NZB export error");
const QString kCancelledDueToErrors = QStringLiteral("NZB creation cancelled due to errors.");

// The one escaper of the NZB writers, after the filter that keeps control
// characters out of the document.
std::optional<QString> escaped(const QString& text)
{
    return NZBCreator::xmlSimpleEscape(NZBCreator::documentSafe(text));
}

} // namespace

const QString NZBExportWriter::kFooter = QStringLiteral("</nzb>\r\n");

NZBExportWriter::NZBExportWriter()
    : clock_([] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; })
{}

void NZBExportWriter::createdNZBForQueue(const QueuePtr& job, bool merge)
{
    if (!job) {
        reportFailed(QStringLiteral("Object no longer exists"), QStringLiteral(""), nullptr);
        return;
    }
    if (isCancelled_) return;
    const QString path = job->nzbExportUrl();
    BLOG(1, "Exporting NZB file:: %@", path);
    merge_ = merge;
    if (checkTarget(path))
        makeNZBForQueue(job);
    else
        hasErrors_ = true;
    if (hasErrors_) {
        BLOG(3, "%@", kCancelledDueToErrors);
        reportFailed(kExportError, kCancelledDueToErrors, job);
    } else {
        reportFinished(job);
    }
}

void NZBExportWriter::cancelWriting()
{
    isCancelled_ = true;
    BLOG(2, "NZB Export cancelled");
    reportFailed(QStringLiteral("NZB export cancelled"), QStringLiteral(""), nullptr);
}

bool NZBExportWriter::checkTarget(const QString& path)
{
    fileexists_ = false;
    if (path.isEmpty()) {
        BLOG(3, "No file named to export the NZB to.");
        return false;
    }
    // Without merge the name is a new one; writing refuses one that exists.
    if (!merge_ || !FileUtils::doesFileExists(path)) return true;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    const qint64 size = file.size();
    // An empty file takes the whole document, header included.
    if (size == 0) return true;
    const QByteArray footer = kFooter.toUtf8();
    if (size <= footer.size() || !file.seek(size - footer.size()) || file.read(footer.size()) != footer) {
        BLOG(3, "Not merged: the file does not end as an NZB file of this program :: %@", path);
        return false;
    }
    fileexists_ = true;
    return true;
}

void NZBExportWriter::makeNZBForQueue(const QueuePtr& root)
{
    outPutString_.clear();
    const QList<QueuePtr> parts = root->fileparts();
    qsizetype segments = 0;
    for (const QueuePtr& part : parts)
        segments += part ? part->segmentCount() : 0;
    outPutString_.reserve(512 + parts.size() * 512 + segments * 160);
    if (!fileexists_) makeHeader();
    for (const QueuePtr& part : parts) {
        if (part) makeFileTag(part);
    }
    makeFooter();
    if (!hasErrors_) exportNZBForQueue(root);
}

void NZBExportWriter::makeHeader()
{
    outPutString_ += NZBCreator::kXmlDeclaration;
    outPutString_ += NZBCreator::kDoctype;
    outPutString_ += NZBCreator::kNzbOpenTag + QStringLiteral("\r\n");
}

void NZBExportWriter::makeFileTag(const QueuePtr& filepart)
{
    const QueuePtr root = filepart->queue();
    const QString rawTitle = filepart->title();
    const QString rawPoster = root ? root->poster() : QString();
    const std::optional<QString> subject = escaped(rawTitle);
    const std::optional<QString> poster = escaped(rawPoster);
    if (!subject) BLOG(4, "XMLEscape returned nil for title argument :: %@", rawTitle);
    if (!poster) BLOG(4, "XMLEscape returned nil for poster argument :: %@", rawPoster);
    if (!subject || !poster) {
        hasErrors_ = true;
        return;
    }
    outPutString_ +=
        sformat(u"<file poster=\"%@\" date=\"%0.f\" subject=\"%@\">\r\n", *poster, clock_(), *subject);
    makeGroupTag(filepart);
    makeSegmentsTag(filepart);
    outPutString_ += QStringLiteral("</file>\r\n");
}

void NZBExportWriter::makeGroupTag(const QueuePtr& filepart)
{
    outPutString_ += QStringLiteral("<groups>\r\n");
    const QueuePtr root = filepart->queue();
    const QString groups = root ? root->groups() : QString();
    if (!groups.isEmpty()) {
        const QStringList pieces = groups.split(QLatin1Char(','));
        for (const QString& group : pieces) {
            const std::optional<QString> text = escaped(group);
            if (!text) {
                BLOG(4, "XMLEscape returned nil for newsgroups argument :: %@",
                     pieces.join(QLatin1Char(',')));
                continue;
            }
            outPutString_ += sformat(u"<group>%@</group>\r\n", *text);
        }
    }
    outPutString_ += QStringLiteral("</groups>\r\n");
}

void NZBExportWriter::makeSegmentsTag(const QueuePtr& filepart)
{
    outPutString_ += QStringLiteral("<segments>\r\n");
    for (const SegmentPtr& segment : filepart->segments()) {
        if (!segment) continue;
        outPutString_ += sformat(u"<segment bytes=\"%0.f\" number=\"%ld\">%@</segment>\r\n", segment->bytes(),
                                 segment->segnr(), escaped(segment->mid()).value_or(QString()));
    }
    outPutString_ += QStringLiteral("</segments>\r\n");
}

void NZBExportWriter::makeFooter()
{
    outPutString_ += kFooter;
}

void NZBExportWriter::exportNZBForQueue(const QueuePtr& root)
{
    const QString path = root->nzbExportUrl();
    const QByteArray bytes = outPutString_.toUtf8();
    const bool written =
        merge_ && FileUtils::doesFileExists(path) ? mergeIntoFile(path, bytes) : writeNewFile(path, bytes);
    if (!written) {
        hasErrors_ = true;
        return;
    }
    BLOG(1, "Finished saving NZB :: %@", path);
}

bool NZBExportWriter::writeNewFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    // A file at this name is someone else's: it is never appended to.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    if (file.write(bytes) == bytes.size()) return true;
    BLOG(3, "%@ :: %@", file.errorString(), path);
    // A cut-off NZB would import as a broken job: the name goes back to
    // being free.
    file.close();
    file.remove();
    return false;
}

bool NZBExportWriter::mergeIntoFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    const QByteArray footer = kFooter.toUtf8();
    const qint64 size = file.size();
    // Only the closing line is overwritten (an empty file is written from
    // its start); the rest of the file is never rewritten.
    const qint64 at = fileexists_ ? size - footer.size() : 0;
    if (!fileexists_ && size != 0) {
        BLOG(3, "Not merged: the file changed while the NZB was made :: %@", path);
        return false;
    }
    if (at < 0 || !file.seek(at)) {
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return false;
    }
    if (file.write(bytes) == bytes.size()) return true;
    BLOG(3, "%@ :: %@", file.errorString(), path);
    // Back to what it was: the piece cut off, the closing line restored.
    const bool restored =
        file.resize(size) && (!fileexists_ || (file.seek(at) && file.write(footer) == footer.size()));
    if (!restored) BLOG(3, "%@ :: %@", file.errorString(), path);
    return false;
}

void NZBExportWriter::reportFinished(const QueuePtr& job)
{
    if (isCancelled_) return;
    if (NZBExportWriterDelegate* d = delegate_.get()) d->nzbWriteFinishedForQueue(job);
}

void NZBExportWriter::reportFailed(const QString& title, const QString& subtitle, const QueuePtr& job)
{
    if (NZBExportWriterDelegate* d = delegate_.get()) d->nzbWriteFailed(title, subtitle, job);
}
