#include "queue/DeYenc.h"

#include "core/Logger.h"
#include "core/Crc32.h"
#include "queue/DecoderFileName.h"
#include "queue/MemoryDecodeSink.h"
#include "queue/YencDecodeKernel.h"

#include <algorithm>
#include <vector>

namespace {

const QByteArrayView kCRLF("\r\n", 2);

// Input decoded per call of the kernel: bounds the scratch buffer, whatever
// size a body has.
constexpr qsizetype kChunkBytes = qsizetype(1) << 20;

// Where `key` stands in `line` as an attribute: at the start or after a
// space, and before "name=" (whose value runs to the end of the line and may
// hold anything).
qsizetype attributeAt(QByteArrayView line, QByteArrayView key)
{
    for (qsizetype at = line.indexOf(key); at >= 0; at = line.indexOf(key, at + 1))
        if (at == 0 || line[at - 1] == ' ') return at;
    return -1;
}

QByteArrayView attributeValue(QByteArrayView line, QByteArrayView key)
{
    const qsizetype nameAt = attributeAt(line, "name=");
    const QByteArrayView searched = nameAt >= 0 && key != "name=" ? line.first(nameAt) : line;
    const qsizetype at = attributeAt(searched, key);
    if (at < 0) return {};
    QByteArrayView value = line.sliced(at + key.size());
    const qsizetype space = value.indexOf(' ');
    return space >= 0 ? value.first(space) : value;
}

// The decimal number the value begins with; at most 18 digits, so that it
// cannot overflow.
std::optional<qint64> leadingNumber(QByteArrayView value)
{
    qint64 n = 0;
    qsizetype digits = 0;
    while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9') {
        if (digits == 18) return std::nullopt;
        n = n * 10 + (value[digits] - '0');
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return n;
}

std::optional<qint64> numberAttribute(QByteArrayView line, QByteArrayView key)
{
    return leadingNumber(attributeValue(line, key));
}

std::optional<std::uint32_t> crcAttribute(QByteArrayView line, QByteArrayView key)
{
    QByteArrayView value = attributeValue(line, key).trimmed();
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
    std::vector<std::uint8_t> scratch;
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
    if (!checkIfYenc(body)) return std::nullopt;
    Part part;
    const qsizetype beginAt = body.indexOf("=ybegin");
    const qsizetype beginEnd = body.indexOf(kCRLF, beginAt);
    const QByteArrayView beginLine = body.sliced(beginAt, beginEnd - beginAt);
    if (const qsizetype nameAt = attributeAt(beginLine, "name="); nameAt >= 0)
        part.name = beginLine.sliced(nameAt + 5).toByteArray();
    part.size = numberAttribute(beginLine, "size=");
    part.dataStart = beginEnd;

    const qsizetype partAt = beginEnd + 2;
    if (body.sliced(partAt).startsWith("=ypart")) {
        const qsizetype partEnd = body.indexOf(kCRLF, partAt);
        const QByteArrayView partLine =
            partEnd >= 0 ? body.sliced(partAt, partEnd - partAt) : body.sliced(partAt);
        part.partBegin = numberAttribute(partLine, "begin=");
        part.partEnd = numberAttribute(partLine, "end=");
        if (partEnd < 0 || !part.partBegin || *part.partBegin < 1) {
            BLOG(3, "Decoding exception: %@ (%@) %@", request.partFilename, request.jobTitle,
                 QStringLiteral("unreadable =ypart line: %1")
                     .arg(QString::fromLatin1(partLine.first(std::min<qsizetype>(partLine.size(), 80)))));
            return std::nullopt;
        }
        part.fileposition = *part.partBegin - 1;
        part.dataStart = partEnd;
    }

    const auto yend = getYencAttrPosition(body, "=yend", " ", true);
    if (!yend) {
        BLOG(4, "Did not found the '=yend' attribute for: %@", request.partFilename);
        return std::nullopt;
    }
    if (yend->start <= part.dataStart) {
        BLOG(4, "yEnd data length is less than zero for file: %@.", request.partFilename);
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

DeYenc::SegmentOutcome DeYenc::decodeSegment(QByteArrayView body, const DecodeRequest& request,
                                             Assembly& assembly, DecodedSegment& segment)
{
    const std::optional<Part> part = readPart(body, request);
    if (!part) return SegmentOutcome::Skipped;

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
    // (A file of size 0 may still have its empty part at offset 0.)
    if (position > limit || (position == limit && position > 0)) {
        BLOG(4, "yEnc part at offset %lld lies beyond the file size %lld of: %@", position, limit,
             request.partFilename);
        return SegmentOutcome::Skipped;
    }

    const QString name = part->name ? DecoderFileName::fromArticleBytes(*part->name) : QString();
    const auto* in = reinterpret_cast<const std::uint8_t*>(body.data());
    std::uint8_t* scratch = assembly.scratch.data();
    YencDecodeKernel::State state = YencDecodeKernel::State::Data;
    std::uint32_t crc = Crc32::initial();
    qint64 written = 0;
    bool cut = false;
    for (qsizetype at = part->dataStart; at < part->dataEnd && !cut; at += kChunkBytes) {
        const qsizetype len = std::min(kChunkBytes, part->dataEnd - at);
        std::size_t n = YencDecodeKernel::decode(in + at, std::size_t(len), scratch, state);
        if (at + len == part->dataEnd) n += YencDecodeKernel::finish(state, scratch + n);
        qint64 count = qint64(n);
        if (count > limit - position - written) {
            count = limit - position - written;
            cut = true;
            BLOG(4, "yEnc part at offset %lld runs past the file size %lld of: %@", position, limit,
                 request.partFilename);
        }
        if (count <= 0) continue;
        if (!assembly.sink.writeAt(position + written, QByteArrayView(reinterpret_cast<const char*>(scratch),
                                                                      qsizetype(count)))) {
            BLOG(3, "Error building filepart in datablock %@:\n%@", name, assembly.sink.errorString());
            return SegmentOutcome::WriteFailed;
        }
        if (request.computeCrc32) crc = Crc32::update(crc, scratch, count);
        written += count;
    }

    if (written == 0)
        BLOG(4, "File data is 0 bytes for file: %@ (%@)", request.partFilename, request.jobTitle);
    segment.placed = true;
    segment.fileposition = position;
    segment.length = written;
    if (request.computeCrc32) segment.crc32 = crc;
    segment.filename = name;
    segment.expectedCrc32 = part->pcrc32 ? part->pcrc32 : (part->partBegin ? std::nullopt : part->crc32);

    DecodeResult& result = assembly.result;
    result.fileSize = std::max(result.fileSize, position + written);
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
    Assembly assembly{sink, result, std::max(request.partBytes, articles * largestBody),
                      false, std::vector<std::uint8_t>(size_t(std::min(largestBody, kChunkBytes)) + 1)};
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
