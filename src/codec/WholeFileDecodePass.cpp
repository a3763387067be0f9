#include "codec/WholeFileDecodePass.h"

#include "codec/ArticleLineReader.h"
#include "codec/Crc32.h"
#include "core/Logger.h"

#include <cstdint>

namespace {

// Decoded bytes are handed to the sink in pieces of about this size.
constexpr qsizetype kFlushBytes = qsizetype(256) << 10;

} // namespace

void WholeFileDecodePass::run(const DecodeRequest& request, DecodeSink& sink, DecodeResult& result,
                              const LineStep& step)
{
    ArticleLineReader reader(request.bodies, request.releaseBodies);
    QByteArray pending;
    std::uint32_t crc = Crc32::initial();
    qint64 written = 0;
    auto flush = [&]() {
        if (pending.isEmpty()) return true;
        if (!sink.writeAt(written, pending)) {
            BLOG(3, "Error building filepart in datablock %@: %@", result.filename, sink.errorString());
            return false;
        }
        if (request.computeCrc32) crc = Crc32::update(crc, pending.constData(), pending.size());
        written += pending.size();
        pending.clear();
        return true;
    };

    qsizetype bodiesAsked = -1;
    QByteArrayView line;
    for (qint64 number = 0;; ++number) {
        // Asked once for every body the reader moves on to.
        if (reader.bodiesRead() != bodiesAsked) {
            bodiesAsked = reader.bodiesRead();
            if (request.cancelled()) {
                BLOG(2, "Stop due cancellation :: %@", request.jobTitle);
                result.outcome = DecodeOutcome::Cancelled;
                return;
            }
        }
        if (!reader.next(line)) break;
        if (!step(line, number, pending)) break;
        if (pending.size() >= kFlushBytes && !flush()) {
            result.outcome = DecodeOutcome::WriteFailed;
            return;
        }
    }
    if (!flush()) {
        result.outcome = DecodeOutcome::WriteFailed;
        return;
    }
    if (request.releaseBodies)
        for (QByteArray& body : request.bodies)
            body = QByteArray();
    result.fileSize = written;
    if (request.computeCrc32) result.fileCrc32 = crc;
    result.outcome = DecodeOutcome::Decoded;
}
