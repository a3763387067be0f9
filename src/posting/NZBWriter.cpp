#include "posting/NZBWriter.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "posting/Yenc.h"
#include "queue/Segment.h"

#include <QDateTime>
#include <QFile>

// The document is written in UTF-8 and says so: a reader that believed
// another encoding would garble every name outside ASCII.
const QString NZBWriter::kXmlDeclaration = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n");
const QString NZBWriter::kDoctype = QStringLiteral("<!DOCTYPE nzb PUBLIC \"-//newzBin//DTD NZB 1.0//EN\" "
                                                   "\"http://www.newzbin.com/DTD/nzb/nzb-1.0.dtd\">\r\n");
const QString NZBWriter::kNzbOpenTag = QStringLiteral("<nzb xmlns=\"http://www.newzbin.com/DTD/2003/nzb\">");
const QString NZBWriter::kFooter = QStringLiteral("</nzb>\r\n");

NZBWriter::NZBWriter(Options options)
    : options_(std::move(options)),
      clock_([] { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; })
{}

QString NZBWriter::lineEnd() const
{
    return options_.tagsEndTheirLines ? QStringLiteral("\r\n") : QString();
}

void NZBWriter::begin(const QList<QueuePtr>& parts)
{
    text_.clear();
    qsizetype segments = 0;
    for (const QueuePtr& part : parts)
        segments += part ? part->segmentCount() : 0;
    text_.reserve(512 + parts.size() * 512 + segments * 160);
}

void NZBWriter::makeHeader()
{
    text_ += kXmlDeclaration;
    text_ += kDoctype;
    text_ += kNzbOpenTag + lineEnd();
}

void NZBWriter::makeFileTag(const QueuePtr& filepart)
{
    const QueuePtr job = filepart->queue();
    const QString rawSubject = options_.subject ? options_.subject(filepart) : QString();
    const QString rawPoster = job ? job->poster() : QString();
    const std::optional<QString> subject = escaped(rawSubject);
    const std::optional<QString> poster = escaped(rawPoster);
    if (!subject) BLOG(4, "XMLEscape returned nil for %@ argument :: %@", options_.subjectName, rawSubject);
    if (!poster) BLOG(4, "XMLEscape returned nil for poster argument :: %@", rawPoster);
    if (!subject || !poster) {
        hasErrors_ = true;
        return;
    }
    text_ += sformat(u"<file poster=\"%@\" date=\"%0.f\" subject=\"%@\">\r\n", *poster, clock_(), *subject);
    makeGroupTag(filepart);
    makeSegmentsTag(filepart);
    text_ += QStringLiteral("</file>") + lineEnd();
}

void NZBWriter::makeGroupTag(const QueuePtr& filepart)
{
    text_ += QStringLiteral("<groups>\r\n");
    const QueuePtr job = filepart->queue();
    const QString groups = job ? job->groups() : QString();
    if (!groups.isEmpty()) {
        // Each piece as it stands: a name is not trimmed.
        for (const QString& group : groups.split(QLatin1Char(','))) {
            const std::optional<QString> text = escaped(group);
            if (!text) {
                BLOG(4, "XMLEscape returned nil for newsgroups argument :: %@", groups);
                continue;
            }
            text_ += sformat(u"<group>%@</group>\r\n", *text);
        }
    }
    text_ += QStringLiteral("</groups>\r\n");
}

void NZBWriter::makeSegmentsTag(const QueuePtr& filepart)
{
    text_ += QStringLiteral("<segments>\r\n");
    for (const SegmentPtr& segment : filepart->segments()) {
        if (!segment) continue;
        // Our own Message-IDs need no escaping, but a search result's come
        // from the service.
        text_ += sformat(u"<segment bytes=\"%0.f\" number=\"%ld\">%@</segment>\r\n", segment->bytes(),
                         segment->segnr(), escaped(segment->mid()).value_or(QString()));
    }
    text_ += QStringLiteral("</segments>\r\n");
}

void NZBWriter::makeFooter()
{
    text_ += kFooter;
}

bool NZBWriter::writeNewFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    // A file at this name is someone else's: it is never written over nor
    // appended to.
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
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

QString NZBWriter::documentSafe(const QString& text)
{
    return text.isNull() ? text : Yenc::headerSafeText(text);
}

std::optional<QString> NZBWriter::escaped(const QString& text)
{
    return xmlSimpleEscape(documentSafe(text));
}

std::optional<QString> NZBWriter::xmlSimpleEscape(const QString& text)
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
