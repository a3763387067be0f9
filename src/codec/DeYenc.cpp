#include "codec/DeYenc.h"

#include "codec/Crc32.h"
#include "codec/DecoderFileName.h"
#include "codec/MemoryDecodeSink.h"
#include "codec/YencDecodeKernel.h"
#include "core/Logger.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QByteArrayView kCRLF("\r\n", 2);

// Where `key` stands in `line` as an attribute: at the start or after a
// space, and before "name=" (whose value runs to the end of the line and may
// hold anything).
qsizetype attributeAt(QByteArrayView line, QByteArrayView key)
{
    for (qsizetype at = line.indexOf(key); at >= 0; at = line.indexOf(key, at + 1))
        if (at == 0 || line[at - 1] == ' ') return at;
    return -1;
}

// The value of `key`, up to a blank, a CR or the end of its line; nullopt
// when the key is absent. Keys are looked for before "name=" only, whose
// value runs to the end of the line and may hold anything.
std::optional<QByteArrayView> attributeValue(QByteArrayView line, QByteArrayView key)
{
    const qsizetype nameAt = key == "name=" ? -1 : attributeAt(line, "name=");
    const qsizetype at = attributeAt(nameAt >= 0 ? line.first(nameAt) : line, key);
    if (at < 0) return std::nullopt;
    QByteArrayView value = line.sliced(at + key.size());
    for (qsizetype i = 0; i < value.size(); ++i)
        if (value[i] == ' ' || value[i] == '\t' || value[i] == '\r') return value.first(i);
    return value;
}

// A number attribute as it stands: absent, or a decimal number of at most
// 18 digits (so that it cannot overflow) that fills its whole value. Two
// header lines run together ("begin=9254=ybegin part=242") give no number:
// a guessed one would put the article's bytes where they do not belong.
struct NumberAttribute
{
    bool present = false;
    std::optional<qint64> value;
    bool unreadable() const { return present && !value; }
};

NumberAttribute numberAttribute(QByteArrayView line, QByteArrayView key)
{
    NumberAttribute a;
    const std::optional<QByteArrayView> value = attributeValue(line, key);
    a.present = value.has_value();
    if (!value || value->isEmpty() || value->size() > 18) return a;
    qint64 n = 0;
    for (char c : *value) {
        if (c < '0' || c > '9') return a;
        n = n * 10 + (c - '0');
    }
    a.value = n;
    return a;
}

std::optional<std::uint32_t> crcAttribute(QByteArrayView line, QByteArrayView key)
{
    const QByteArrayView value = attributeValue(line, key).value_or(QByteArrayView()).trimmed();
    if (value.isEmpty() || value.size() > 8) return std::nullopt;
    std::uint32_t crc = 0;
    for (char c : value) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        crc = crc << 4 | std::uint32_t(d);
    }
    return crc;
}

// The CRC of the whole file, when the placed segments tile it from offset 0;
// identical duplicates count once.
std::optional<std::uint32_t> fileCrc(const std::vector<DecodedSegment>& segments, qint64 fileSize)
{
    std::vector<const DecodedSegment*> placed;
    for (const DecodedSegment& s : segments)
        if (s.placed && s.length > 0) placed.push_back(&s);
    std::sort(placed.begin(), placed.end(), [](const DecodedSegment* a, const DecodedSegment* b) {
        return a->fileposition != b->fileposition ? a->fileposition < b->fileposition : a->length < b->length;
    });
    std::uint32_t crc = Crc32::initial();
    qint64 end = 0;
    const DecodedSegment* previous = nullptr;
    for (const DecodedSegment* s : placed) {
        if (previous && s->fileposition == previous->fileposition && s->length == previous->length &&
            s->crc32 == previous->crc32)
            continue;
        if (s->fileposition != end) return std::nullopt;
        crc = Crc32::combine(crc, s->crc32, s->length);
        end += s->length;
        previous = s;
    }
    if (end != fileSize) return std::nullopt;
    return crc;
}

} // namespace

struct DeYenc::Assembly
{
    DecodeSink& sink;
    DecodeResult& result;
    // No file is larger than this, whatever its headers claim.
    qint64 fileLimit = 0;
    bool sizeAnnounced = false;
    // Not cleared first: each article's bytes are decoded into it before
    // they are read.
    std::unique_ptr<std::uint8_t[]> scratch;
};

bool DeYenc::checkIfYenc(QByteArrayView body)
{
    const auto at = getYencAttrPosition(body, "=ybegin", kCRLF, false);
    if (!at) return false;
    return at->start < 7 || body.sliced(at->start - 2, 2) == kCRLF;
}

std::optional<QByteArray> DeYenc::getYencAttribute(QByteArrayView data, QByteArrayView startKey,
                                                   QByteArrayView endKey)
{
    const qsizetype key = data.indexOf(startKey);
    if (key < 0) return std::nullopt;
    const qsizetype valueStart = key + startKey.size();
    const qsizetype end = data.indexOf(endKey, valueStart);
    if (end < 0) return std::nullopt;
    return data.sliced(valueStart, end - valueStart).toByteArray();
}

std::optional<DeYenc::AttrPosition> DeYenc::getYencAttrPosition(QByteArrayView data, QByteArrayView startKey,
                                                                QByteArrayView endKey, bool backwards)
{
    const qsizetype key = backwards ? data.lastIndexOf(startKey) : data.indexOf(startKey);
    if (key < 0) return std::nullopt;
    const qsizetype end = backwards ? data.lastIndexOf(endKey) : data.indexOf(endKey, key);
    if (end < key) return std::nullopt;
    return AttrPosition{key, end};
}

std::optional<DeYenc::Part> DeYenc::readPart(QByteArrayView body, const DecodeRequest& request)
{
    return readPart(body, &request);
}

std::optional<DeYenc::Part> DeYenc::readPart(QByteArrayView body, const DecodeRequest* request)
{
    if (!checkIfYenc(body)) return std::nullopt;
    const auto unreadable = [&](const char* what, QByteArrayView line) {
        if (request)
            BLOG(3, "Decoding exception: %@ (%@) %@", request->partFilename, request->jobTitle,
                 QStringLiteral("unreadable %1 line: %2")
                     .arg(QLatin1String(what),
                          QString::fromLatin1(line.first(std::min<qsizetype>(line.size(), 80)))));
        return std::nullopt;
    };
    Part part;
    const qsizetype beginAt = body.indexOf("=ybegin");
    const qsizetype beginEnd = body.indexOf(kCRLF, beginAt);
    const QByteArrayView beginLine = body.sliced(beginAt, beginEnd - beginAt);
    if (const qsizetype nameAt = attributeAt(beginLine, "name="); nameAt >= 0)
        part.name = beginLine.sliced(nameAt + 5).toByteArray();
    const NumberAttribute size = numberAttribute(beginLine, "size=");
    if (size.unreadable() || numberAttribute(beginLine, "part=").unreadable())
        return unreadable("=ybegin", beginLine);
    part.size = size.value;
    part.dataStart = beginEnd;

    const qsizetype partAt = beginEnd + 2;
    if (body.sliced(partAt).startsWith("=ypart")) {
        const qsizetype partEnd = body.indexOf(kCRLF, partAt);
        const QByteArrayView partLine =
            partEnd >= 0 ? body.sliced(partAt, partEnd - partAt) : body.sliced(partAt);
        const NumberAttribute begin = numberAttribute(partLine, "begin=");
        const NumberAttribute end = numberAttribute(partLine, "end=");
        if (partEnd < 0 || !begin.value || *begin.value < 1 || end.unreadable())
            return unreadable("=ypart", partLine);
        part.partBegin = begin.value;
        part.partEnd = end.value;
        part.fileposition = *part.partBegin - 1;
        part.dataStart = partEnd;
    }

    const auto yend = getYencAttrPosition(body, "=yend", " ", true);
    if (!yend) {
        if (request) BLOG(4, "Did not found the '=yend' attribute for: %@", request->partFilename);
        return std::nullopt;
    }
    if (yend->start <= part.dataStart) {
        if (request) BLOG(4, "yEnd data length is less than zero for file: %@.", request->partFilename);
        return std::nullopt;
    }
    part.dataEnd = yend->start;
    const qsizetype yendLineEnd = body.indexOf(kCRLF, yend->start);
    const QByteArrayView yendLine =
        yendLineEnd >= 0 ? body.sliced(yend->start, yendLineEnd - yend->start) : body.sliced(yend->start);
    part.pcrc32 = crcAttribute(yendLine, "pcrc32=");
    part.crc32 = crcAttribute(yendLine, "crc32=");
    return part;
}

QByteArray DeYenc::deYenc(QByteArrayView encoded)
{
    QByteArray out(encoded.size() + 1, Qt::Uninitialized);
    auto* o = reinterpret_cast<std::uint8_t*>(out.data());
    YencDecodeKernel::State state = YencDecodeKernel::State::Data;
    std::size_t n = YencDecodeKernel::decode(reinterpret_cast<const std::uint8_t*>(encoded.data()),
                                             std::size_t(encoded.size()), o, state);
    n += YencDecodeKernel::finish(state, o + n);
    out.truncate(qsizetype(n));
    return out;
}

qint64 DeYenc::decodeArticle(QByteArrayView body, const Part& part, std::uint8_t* out)
{
    const auto* in = reinterpret_cast<const std::uint8_t*>(body.data());
    YencDecodeKernel::State state = YencDecodeKernel::State::Data;
    std::size_t n =
        YencDecodeKernel::decode(in + part.dataStart, std::size_t(part.dataEnd - part.dataStart), out, state);
    n += YencDecodeKernel::finish(state, out + n);
    return qint64(n);
}

std::optional<std::uint32_t> DeYenc::expectedCrc32Of(const Part& part)
{
    // "crc32=" is the whole file's: it is the article's own only for a post
    // in one part.
    return part.pcrc32 ? part.pcrc32 : (part.partBegin ? std::nullopt : part.crc32);
}

std::optional<YencPartIdentity> DeYenc::identityOf(QByteArrayView body)
{
    const std::optional<Part> part = readPart(body, nullptr);
    if (!part) return std::nullopt;
    return YencPartIdentity{part->size, part->name};
}

DeYenc::ArticleCheck DeYenc::checkArticle(QByteArrayView body)
{
    const std::optional<Part> part = readPart(body, nullptr);
    if (!part) return ArticleCheck::NotChecked;
    const std::optional<std::uint32_t> expected = expectedCrc32Of(*part);
    if (!expected) return ArticleCheck::NotChecked;
    // In pieces through a small buffer on the stack: this runs on every
    // connection's thread, and a buffer of a whole article each would hold
    // as much memory as the connections have articles in flight.
    constexpr qsizetype kPiece = 16384;
    std::uint8_t out[kPiece + 1];
    const auto* in = reinterpret_cast<const std::uint8_t*>(body.data());
    YencDecodeKernel::State state = YencDecodeKernel::State::Data;
    std::uint32_t crc = Crc32::initial();
    for (qsizetype at = part->dataStart; at < part->dataEnd; at += kPiece) {
        const qsizetype size = std::min(kPiece, part->dataEnd - at);
        crc = Crc32::update(crc, out, qint64(YencDecodeKernel::decode(in + at, std::size_t(size), out, state)));
    }
    crc = Crc32::update(crc, out, qint64(YencDecodeKernel::finish(state, out)));
    return crc == *expected ? ArticleCheck::Good : ArticleCheck::Mismatch;
}

DeYenc::SegmentOutcome DeYenc::decodeSegment(QByteArrayView body, const DecodeRequest& request,
                                             Assembly& assembly, DecodedSegment& segment)
{
    const std::optional<Part> part = readPart(body, request);
    if (!part) return SegmentOutcome::Skipped;

    const QString name = part->name ? DecoderFileName::fromArticleBytes(*part->name) : QString();
    const auto foreign = [&](const QString& why) {
        BLOG(3, "Foreign article in %@ (%@): %@; it counts as missing.", request.partFilename,
             request.jobTitle, why);
        segment.foreign = true;
        return SegmentOutcome::Skipped;
    };
    const YencPartIdentity identity{part->size, part->name};
    if (!assembly.result.yencIdentity) assembly.result.yencIdentity = identity;
    if (identity != *assembly.result.yencIdentity)
        return foreign(QStringLiteral("its =ybegin line names \"%1\" of %2 bytes")
                           .arg(name, part->size ? QString::number(*part->size) : QStringLiteral("unknown")));

    qint64 limit = assembly.fileLimit;
    if (part->size) {
        if (*part->size > assembly.fileLimit)
            BLOG(4, "yEnc size=%lld of %@ is more than its articles can hold; %lld bytes at most are kept.",
                 *part->size, request.partFilename, assembly.fileLimit);
        limit = std::min(*part->size, assembly.fileLimit);
        if (!assembly.sizeAnnounced) {
            assembly.sink.expectSize(limit);
            assembly.sizeAnnounced = true;
        }
    }
    const qint64 position = part->fileposition;

    // The whole article is decoded before any of it is written: one whose
    // bytes run past the part's size is not of this file, and none of it
    // may land over a good neighbour's bytes.
    std::uint8_t* scratch = assembly.scratch.get();
    const qint64 length = decodeArticle(body, *part, scratch);
    // (A file of size 0 may still have its empty part at offset 0.)
    if (position + length > limit || (position == limit && position > 0))
        return foreign(QStringLiteral("its %1 bytes at offset %2 run past the file size %3")
                           .arg(length)
                           .arg(position)
                           .arg(limit));

    segment.expectedCrc32 = expectedCrc32Of(*part);
    if (request.computeCrc32 || segment.expectedCrc32) {
        segment.crc32 = Crc32::update(Crc32::initial(), scratch, length);
        segment.crcMismatch = segment.expectedCrc32 && *segment.expectedCrc32 != segment.crc32;
        if (segment.crcMismatch)
            BLOG(3, "CRC mismatch in an article of %@ (%@) at offset %lld: %08x stated, %08x decoded.",
                 request.partFilename, request.jobTitle, position, *segment.expectedCrc32, segment.crc32);
    }
    if (length > 0 &&
        !assembly.sink.writeAt(position, QByteArrayView(reinterpret_cast<const char*>(scratch), length))) {
        BLOG(3, "Error building filepart in datablock %@: %@", name, assembly.sink.errorString());
        return SegmentOutcome::WriteFailed;
    }

    if (length == 0)
        BLOG(4, "File data is 0 bytes for file: %@ (%@)", request.partFilename, request.jobTitle);
    segment.placed = true;
    segment.fileposition = position;
    segment.length = length;
    segment.filename = name;

    DecodeResult& result = assembly.result;
    result.fileSize = std::max(result.fileSize, position + length);
    if (!result.declaredSize && part->size) result.declaredSize = part->size;
    if (!result.declaredCrc32 && part->crc32) result.declaredCrc32 = part->crc32;
    return SegmentOutcome::Placed;
}

DecodeResult DeYenc::decodeToFile(const DecodeRequest& request, DecodeSink& sink)
{
    DecodeResult result;
    qsizetype largestBody = qsizetype(std::max<qint64>(0, request.largestBodyBefore));
    bool isYenc = false;
    for (const QByteArray& body : request.bodies) {
        largestBody = std::max(largestBody, body.size());
        isYenc = isYenc || (!body.isEmpty() && checkIfYenc(body));
    }
    if (!isYenc) return result;

    // A body decodes to fewer bytes than it has, so no honest file is larger
    // than all its articles at the size of the largest, or than the part's
    // stated byte count: a header that claims more cannot make the file grow
    // without bound.
    const qint64 articles = std::max(qint64(request.bodies.size()), request.articleCount);
    Assembly assembly{sink, result, std::max(request.partBytes, articles * largestBody), false,
                      std::make_unique_for_overwrite<std::uint8_t[]>(size_t(largestBody) + 1)};
    result.yencIdentity = request.yencIdentity;
    result.segments.resize(request.bodies.size());
    for (size_t i = 0; i < request.bodies.size(); ++i) {
        if (request.cancelled()) {
            BLOG(2, "Stop due cancellation :: %@", request.jobTitle);
            result.outcome = DecodeOutcome::Cancelled;
            return result;
        }
        QByteArray& body = request.bodies[i];
        if (!body.isEmpty() &&
            decodeSegment(body, request, assembly, result.segments[i]) == SegmentOutcome::WriteFailed) {
            result.outcome = DecodeOutcome::WriteFailed;
            return result;
        }
        if (request.releaseBodies) body = QByteArray();
    }

    for (const DecodedSegment& segment : result.segments)
        if (segment.placed && !segment.filename.isEmpty()) {
            result.filename = segment.filename;
            break;
        }
    if (request.computeCrc32) result.fileCrc32 = fileCrc(result.segments, result.fileSize);
    result.outcome = DecodeOutcome::Decoded;
    return result;
}

DecodeResult DeYenc::decodeToFile(const DecodeRequest& request)
{
    return MemoryDecodeSink::decodeInMemory<DeYenc>(request);
}
