#include "posting/ReplyQuote.h"

#include "core/Logger.h"
#include "core/StringFormat.h"
#include "queue/Segment.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimeZone>

namespace {

// `bytes` without a UTF-8 sequence left incomplete at its end.
qsizetype completeUtf8Length(const QByteArray& bytes)
{
    for (qsizetype back = 1; back <= 4 && back <= bytes.size(); ++back) {
        const uchar c = uchar(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80) continue; // a continuation byte
        const qsizetype need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

} // namespace

QString ReplyQuote::makeSubject(const QString& title)
{
    if (title.size() >= 3 && title.left(3).toLower() != QLatin1String("re:")) return sformat(u"Re: %@", title);
    return title;
}

QString ReplyQuote::bodyFilePath(const QueuePtr& filepart)
{
    if (!filepart) return {};
    const QueuePtr job = filepart->isFilepart() ? filepart->queue() : filepart;
    if (!job || job->downloadUrl().isEmpty() || filepart->filename().isEmpty()) return {};
    return QDir(job->downloadUrl()).filePath(filepart->filename());
}

QString ReplyQuote::buildQuoteTextForQueue(const QueuePtr& filepart)
{
    if (!filepart) return {};
    return sformat(u"On %@, \"%@\" wrote:\n\n", formatDate(filepart->date()), formatPosterStringForQueue(filepart)) +
           formatQuoteTextForQueue(filepart);
}

QString ReplyQuote::formatQuoteTextForQueue(const QueuePtr& filepart)
{
    const QString path = bodyFilePath(filepart);
    if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Logger::shared()->writeToConsole(
            sformat(u"%s %@\n", "-[PostWC formatQuoteTextForQueue:]", file.errorString()));
        return {};
    }
    QByteArray bytes = file.read(kMaxQuoteFileBytes);
    if (bytes.isEmpty()) return {};
    // A cut file is quoted up to its last whole line (or, without one, its
    // last whole character): a split character must not make text "binary".
    if (file.size() > kMaxQuoteFileBytes) {
        const qsizetype cut = bytes.lastIndexOf('\n');
        if (cut > 0)
            bytes.truncate(cut + 1);
        else
            bytes.truncate(completeUtf8Length(bytes));
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError()) text = sformat(u" -- Binary file: %@ --", filepart->filename());
    text.remove(QLatin1Char('\r'));
    return quoteLines(text.split(QLatin1Char('\n')));
}

QString ReplyQuote::quoteLines(QStringList lines)
{
    QStringList kept;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool last = i + 1 == lines.size();
        if (!last && lines[i].isEmpty() && lines[i + 1].isEmpty()) continue;
        kept.append(lines[i]);
    }
    if (!kept.isEmpty() && kept.first().isEmpty()) kept.removeFirst();
    if (!kept.isEmpty() && kept.last().isEmpty()) kept.removeLast();
    QString out;
    for (const QString& line : kept)
        out += sformat(u"> %@\n", line);
    return out + QStringLiteral("\n");
}

QString ReplyQuote::formatDate(qint64 seconds)
{
    // Day and month names in English, as news readers print them.
    const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds, QTimeZone::utc());
    return QLocale(QLocale::English).toString(when, QStringLiteral("ddd, dd MMM yyyy HH:mm:ss")) +
           QStringLiteral(" GMT");
}

QString ReplyQuote::formatPosterStringForQueue(const QueuePtr& object)
{
    const QueuePtr owner = object && object->isFilepart() ? object->queue() : object;
    if (!owner || owner->poster().isEmpty()) {
        Logger::shared()->writeToConsole(sformat(u"%s Poster is nil\n", "-[PostWC formatPosterStringForQueue:]"));
        return {};
    }
    static const QRegularExpression address(QStringLiteral("\\s*\\<.*\\>\\s*"),
                                            QRegularExpression::CaseInsensitiveOption);
    QString poster = owner->poster();
    poster.remove(address);
    return poster.size() < 2 ? owner->poster() : poster;
}

QString ReplyQuote::extractMsgIdFromQueueObject(const QueuePtr& object)
{
    if (!object) return {};
    QueuePtr part = object;
    if (!object->isFilepart()) {
        const QList<QueuePtr> parts = object->fileparts();
        if (parts.isEmpty()) return {};
        part = parts.first();
    }
    const QList<SegmentPtr> segments = part->segments();
    if (segments.isEmpty() || !segments.first()) return {};
    return segments.first()->mid();
}
