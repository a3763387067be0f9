#include "codec/TextDecode.h"

#include "codec/Crc32.h"
#include "codec/MemoryDecodeSink.h"
#include "codec/NntpDotUnstuffer.h"
#include "core/Logger.h"

qsizetype TextDecode::searchEOFInData(QByteArrayView data)
{
    const QByteArrayView eof("\r\n.\r\n", 5);
    return data.endsWith(eof) ? data.size() - eof.size() : -1;
}

DecodeResult TextDecode::decodeToFile(const DecodeRequest& request, DecodeSink& sink)
{
    DecodeResult result;
    result.segments.resize(request.bodies.size());
    qsizetype last = -1;
    for (qsizetype i = 0; i < qsizetype(request.bodies.size()); ++i)
        if (!request.bodies[size_t(i)].isEmpty()) last = i;

    std::uint32_t crc = Crc32::initial();
    qint64 written = 0;
    for (qsizetype i = 0; i <= last; ++i) {
        QByteArray& body = request.bodies[size_t(i)];
        if (body.isEmpty()) continue;
        QByteArray content = NntpDotUnstuffer::unstuff(body);
        // The text ends where the article's last line ends.
        if (i == last && searchEOFInData(body) >= 0 && content.endsWith("\r\n")) content.chop(2);
        if (request.releaseBodies) body = QByteArray();
        if (content.isEmpty()) continue;
        if (!sink.writeAt(written, content)) {
            BLOG(3, "Error building filepart in datablock %@: %@", request.partFilename, sink.errorString());
            result.outcome = DecodeOutcome::WriteFailed;
            return result;
        }
        DecodedSegment& segment = result.segments[size_t(i)];
        segment.placed = true;
        segment.fileposition = written;
        segment.length = content.size();
        if (request.computeCrc32) {
            segment.crc32 =
                Crc32::update(Crc32::initial(), content.constData(), content.size());
            crc = Crc32::combine(crc, segment.crc32, content.size());
        }
        written += content.size();
    }
    result.fileSize = written;
    if (request.computeCrc32) result.fileCrc32 = crc;
    result.outcome = DecodeOutcome::Decoded;
    return result;
}

DecodeResult TextDecode::decodeToFile(const DecodeRequest& request)
{
    return MemoryDecodeSink::decodeInMemory<TextDecode>(request);
}
