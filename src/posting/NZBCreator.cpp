#include "posting/NZBCreator.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "core/StringFormat.h"
#include "posting/Yenc.h"
#include "queue/Segment.h"
#include "queue/StatusCodes.h"

#include <QDateTime>
#include <QFile>

// The document is written in UTF-8 and says so: a reader that believed
// another encoding would garble every name outside ASCII.
const QString NZBCreator::kXmlDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
const QString NZBCreator::kDoctype = QStringLiteral("<!DOCTYPE nzb PUBLIC \"-//newzBin//DTD NZB 1.0//EN\" "
                                                    "\"http://www.newzbin.com/DTD/nzb/nzb-1.0.dtd\">\r\n");
const QString NZBCreator::kNzbOpenTag = QStringLiteral("<nzb xmlns=\"http://www.newzbin.com/DTD/2003/nzb\">");

NZBCreator::NZBCreator(const QueuePtr& queue)
    : queue_(queue), clock_([] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; })
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
    if (hasErrors_) {
        BLOG(3, "NZB creation cancelled due to errors.");
        queue->setStatus(UploadStatus::NZBCreationError);
    } else {
        queue->setStatus(UploadStatus::NZBCreated);
    }
}

void NZBCreator::makeNZBForQueue(const QueuePtr& queue)
{
    outPutString_.clear();
    const QList<QueuePtr> parts = queue->fileparts();
    qsizetype segments = 0;
    for (const QueuePtr& part : parts)
        segments += part ? part->segments().size() : 0;
    outPutString_.reserve(512 + parts.size() * 512 + segments * 160);
    makeHeader();
    for (const QueuePtr& part : parts) {
        if (part) makeFileTag(part);
    }
    makeFooter();
    if (!hasErrors_) exportNZBForQueue(queue);
}

void NZBCreator::makeHeader()
{
    outPutString_ += kXmlDeclaration;
    outPutString_ += kDoctype;
    outPutString_ += kNzbOpenTag;
}

void NZBCreator::makeFileTag(const QueuePtr& filepart)
{
    const QList<SegmentPtr> segments = filepart->segments();
    const QueuePtr job = filepart->queue();
    const QString rawSubject =
        segments.isEmpty() || !segments.first() ? QString() : segments.first()->filename();
    const QString rawPoster = job ? job->poster() : QString();
    const std::optional<QString> subject = xmlSimpleEscape(documentSafe(rawSubject));
    const std::optional<QString> poster = xmlSimpleEscape(documentSafe(rawPoster));
    if (!subject) BLOG(4, "XMLEscape returned nil for filename argument :: %@", rawSubject);
    if (!poster) BLOG(4, "XMLEscape returned nil for poster argument :: %@", rawPoster);
    if (!subject || !poster) {
        hasErrors_ = true;
        return;
    }
    outPutString_ +=
        sformat(u"<file poster=\"%@\" date=\"%0.f\" subject=\"%@\">\r\n", *poster, clock_(), *subject);
    makeGroupTag(filepart);
    makeSegmentsTag(filepart);
    outPutString_ += QStringLiteral("</file>");
}

void NZBCreator::makeGroupTag(const QueuePtr& filepart)
{
    outPutString_ += QStringLiteral("<groups>\r\n");
    const QueuePtr job = filepart->queue();
    const QString groups = job ? job->groups() : QString();
    for (const QString& group : groups.split(QLatin1Char(','))) {
        const std::optional<QString> escaped = xmlSimpleEscape(documentSafe(group));
        if (!escaped) {
            BLOG(4, "XMLEscape returned nil for newsgroups argument :: %@", groups);
            continue;
        }
        outPutString_ += sformat(u"<group>%@</group>\r\n", *escaped);
    }
    outPutString_ += QStringLiteral("</groups>\r\n");
}

void NZBCreator::makeSegmentsTag(const QueuePtr& filepart)
{
    outPutString_ += QStringLiteral("<segments>\r\n");
    for (const SegmentPtr& segment : filepart->segments()) {
        if (!segment) continue;
        // The Message-ID is made of letters, digits, dots and one "@".
        outPutString_ += sformat(u"<segment bytes=\"%0.f\" number=\"%ld\">%@</segment>\r\n", segment->bytes(),
                                 segment->segnr(), segment->mid());
    }
    outPutString_ += QStringLiteral("</segments>\r\n");
}

void NZBCreator::makeFooter()
{
    outPutString_ += QStringLiteral("</nzb>\r\n");
}

void NZBCreator::exportNZBForQueue(const QueuePtr& queue)
{
    const QString path = queue->nzbExportUrl();
    QFile file(path);
    // A file that appeared at the chosen name meanwhile is someone else's.
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        hasErrors_ = true;
        BLOG(3, "%@ :: %@", file.errorString(), path);
        return;
    }
    const QByteArray bytes = outPutString_.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        hasErrors_ = true;
        BLOG(3, "%@ :: %@", file.errorString(), path);
        file.close();
        // A cut-off NZB would import as a broken job: leave none.
        file.remove();
        return;
    }
    file.close();
    BLOG(1, "Finished saving NZB :: %@", path);
}

QString NZBCreator::documentSafe(const QString& text)
{
    return text.isNull() ? text : Yenc::headerSafeText(text);
}

std::optional<QString> NZBCreator::xmlSimpleEscape(const QString& text)
{
    if (text.isNull()) return std::nullopt;
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            out += QLatin1String("&quot;");
            break;
        case '\'':
            out += QLatin1String("&apos;");
            break;
        default:
            out += c;
        }
    }
    return out;
}
