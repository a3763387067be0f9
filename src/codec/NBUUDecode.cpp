#include "codec/NBUUDecode.h"

#include "codec/ArticleLineReader.h"
#include "codec/DecoderFileName.h"
#include "codec/MemoryDecodeSink.h"
#include "codec/WholeFileDecodePass.h"
#include "core/Logger.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

QByteArrayView trimLineBreaks(QByteArrayView line)
{
    while (!line.isEmpty() && (line.front() == '\r' || line.front() == '\n'))
        line = line.sliced(1);
    while (!line.isEmpty() && (line.back() == '\r' || line.back() == '\n'))
        line.chop(1);
    return line;
}

int uuValue(char c)
{
    return (static_cast<unsigned char>(c) - 32) & 63;
}

// The text after the begin line, one line at a time, into decoded bytes.
class UULineDecoder
{
public:
    enum class Step { Skipped, Decoded, End };

    // `line` without its line break.
    Step feed(QByteArrayView line, QByteArray& out)
    {
        if (line.size() < 3) return Step::Skipped;
        const int n = uuValue(line[0]);
        const bool decodable = line.size() - 1 == 4 * ((n + 2) / 3);
        if (!decodable) return line.startsWith("end") ? Step::End : Step::Skipped;
        int left = n;
        for (qsizetype i = 1; i + 3 < line.size() && left > 0; i += 4) {
            const int c1 = uuValue(line[i]), c2 = uuValue(line[i + 1]), c3 = uuValue(line[i + 2]),
                      c4 = uuValue(line[i + 3]);
            const char bytes[3] = {char(c1 << 2 | c2 >> 4), char(c2 << 4 | c3 >> 2), char(c3 << 6 | c4)};
            const int take = left < 3 ? left : 3;
            out.append(bytes, take);
            left -= take;
        }
        return Step::Decoded;
    }
};

} // namespace

std::optional<QByteArrayView> NBUUDecode::beginLineName(QByteArrayView line)
{
    line = trimLineBreaks(line);
    if (line.size() < 5 || QByteArrayView(line.first(5)).compare("begin", Qt::CaseInsensitive) != 0)
        return std::nullopt;
    qsizetype i = 5;
    const qsizetype spaceStart = i;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    if (i == spaceStart) return std::nullopt;
    const qsizetype digitStart = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    if (i == digitStart) return std::nullopt;
    const qsizetype secondSpace = i;
    while (i < line.size() && isSpace(line[i]))
        ++i;
    if (i == secondSpace) return std::nullopt;
    return line.sliced(i);
}

bool NBUUDecode::checkIfBeginLine(QByteArrayView line)
{
    return beginLineName(line).has_value();
}

std::optional<QByteArray> NBUUDecode::getFilenameFromData(QByteArrayView data)
{
    for (qsizetype pos = 0; pos <= data.size();) {
        qsizetype lf = data.indexOf('\n', pos);
        if (lf < 0) lf = data.size();
        if (const auto name = beginLineName(data.sliced(pos, lf - pos))) return name->toByteArray();
        pos = lf + 1;
    }
    return std::nullopt;
}

std::optional<QByteArray> NBUUDecode::uudecodeFileData(QByteArrayView data)
{
    if (data.size() < 10) return std::nullopt;
    QByteArray out;
    UULineDecoder decoder;
    bool begun = false;
    for (qsizetype pos = 0; pos < data.size();) {
        qsizetype lf = data.indexOf('\n', pos);
        if (lf < 0) lf = data.size();
        const QByteArrayView line = trimLineBreaks(data.sliced(pos, lf - pos));
        pos = lf + 1;
        if (!begun) {
            begun = line.size() >= 3 && checkIfBeginLine(line);
            continue;
        }
        if (decoder.feed(line, out) == UULineDecoder::Step::End) break;
    }
    return out;
}

DecodeResult NBUUDecode::decodeToFile(const DecodeRequest& request, DecodeSink& sink)
{
    DecodeResult result;

    // First pass: is there a begin line at all? Nothing is written or
    // released before that is known.
    std::optional<QByteArray> rawName;
    qint64 contentBytes = 0;
    {
        ArticleLineReader reader(request.bodies);
        QByteArrayView line;
        while ((!rawName || reader.contentBytes() < 10) && reader.next(line))
            if (!rawName)
                if (const auto name = beginLineName(line)) rawName = name->toByteArray();
        contentBytes = reader.contentBytes();
    }
    if (!rawName || contentBytes < 10) return result;

    result.segments.resize(request.bodies.size());
    result.filename = DecoderFileName::fromArticleBytes(*rawName);
    if (!result.segments.empty()) result.segments.front().filename = result.filename;
    BLOG(2, "Start UUDecode for file :: %@", result.filename);

    UULineDecoder decoder;
    bool begun = false;
    WholeFileDecodePass::run(request, sink, result, [&](QByteArrayView line, qint64, QByteArray& out) {
        const QByteArrayView trimmed = trimLineBreaks(line);
        if (!begun) {
            begun = trimmed.size() >= 3 && checkIfBeginLine(trimmed);
            return true;
        }
        return decoder.feed(trimmed, out) != UULineDecoder::Step::End;
    });
    return result;
}

DecodeResult NBUUDecode::decodeToFile(const DecodeRequest& request)
{
    return MemoryDecodeSink::decodeInMemory<NBUUDecode>(request);
}
